#pragma once
// The rules of the settings dialog: what its lists hold, which entries it shows chosen, what
// it accepts, and what OK does with the values. The dialog only moves these values between
// its controls and SettingsForm.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/midi_send.h"

namespace kq505 {

class CKQ505App;

inline constexpr int kNoSelection = -1;
inline constexpr std::int32_t kMaxGateMs = 10000;
inline constexpr std::int32_t kMaxExportStep = 1920;
inline constexpr int kMaxVelocity = 127;

// ThruChannel: the selected part's channel, or the channel the message came on.
inline constexpr int kThruOnPartChannel = 0;
inline constexpr int kThruOnOwnChannel = 1;

// The entries of the dialog's drop-down lists, in list order.
struct SettingsLists {
    std::vector<std::string> outputs;         // position = output device number
    std::vector<std::string> inputs;          // position = input device number
    bool input_failed = false;                // the outputs are open, the input is not
    std::vector<std::int32_t> module_levels;  // the level of each entry of the Module list
    std::vector<std::string> module_names;    // Shift_JIS, as the instrument list has them
};

// What the dialog's controls hold. List positions are kNoSelection for a list without a
// chosen entry; the number fields hold the text as typed.
struct SettingsForm {
    int out_a = kNoSelection;
    int out_b = kNoSelection;
    int in = kNoSelection;
    int module = kNoSelection;
    int velocity = 0;
    std::string gate;
    std::string step;
    bool sysex_comments = false;
    bool logo = false;
    std::string path;
    int zoom = 0;  // position in kZoomChoices; a stored size not offered shows as 100 %
    bool pace = false;
    bool thru = false;
    int thru_channel = kThruOnPartChannel;
    int module_in = kNoSelection;  // position in the inputs list, as for `in`
    bool follow = false;           // the module's own changes are taken
};

// The system's devices through the application object's name lists, and the levels that the
// instrument list names (levels without a name have no entry).
SettingsLists MakeSettingsLists(const CKQ505App& app);

// The values of the application object as the dialog shows them: a device where its stored
// name stands now (else at its number), the velocity held to the slider's 0..127, and no
// selection in a list that has no entry for the stored value.
SettingsForm LoadSettingsForm(const CKQ505App& app, const SettingsLists& lists);

enum class SettingsField { kGate, kStep, kPath };

struct SettingsError {
    SettingsField field;
    std::string message;  // UTF-8, for the message box
};

// The first field that cannot be accepted, checked in the order gate, step, path; none when
// OK may go ahead. Numbers are decimal integers, optionally signed, with white space around.
std::optional<SettingsError> CheckSettingsForm(const SettingsForm& form);

enum class SettingsApplied {
    kRefused,      // the form fails CheckSettingsForm; nothing changed
    kWriteFailed,  // the values are in use, but the INI file could not be written
    kDone,
};

struct SettingsApplyResult {
    SettingsApplied applied;
    PortOpenResult ports;  // meaningful unless refused
};

// OK: the values go into the application object, the ten keys, the three device names,
// Pace, Thru, ThruChannel and the module's keys into the INI file, and all ports are closed
// and opened again. A list without a selection, and the first entry of the Out, IN and
// Module IN lists, store -1 (no connection: a virtual port, or on JACK our port left to a
// patchbay); an output or input
// then keeps its stored name while that device is missing, so that it is found again once
// it is back, and forgets it when the device is there, so that -1 stays chosen.
SettingsApplyResult ApplySettingsForm(CKQ505App& app, const SettingsForm& form,
                                      const SettingsLists& lists);

}  // namespace kq505
