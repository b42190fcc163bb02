#pragma once
// The one owner of the program's state. The program has exactly one (TheApp()); tests
// build their own, with recording outputs.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "drums/drum_setups.h"
#include "effects/effect_blocks.h"
#include "instruments/instrument_name_table.h"
#include "model/midi_input.h"
#include "model/midi_learn.h"
#include "model/midi_output.h"
#include "model/midi_system.h"
#include "model/part_compare.h"
#include "model/part_table.h"
#include "model/play_through.h"
#include "model/sysex_ring.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {

using PartInts = std::array<std::int32_t, kPartCount>;

struct PreviewNote {
    int channel;
    int note;
    Port port;
    bool operator==(const PreviewNote&) const = default;
};

// The set-up of all 16 parts as a document: the file it was last opened from or saved to
// (empty while it has none) and whether it changed since. Changed only through the
// functions of app/setup_state.h.
// The MIDI devices as the settings file stores them.
struct StoredDevices {
    std::int32_t out_a = 0;
    std::int32_t out_b = 0;
    std::int32_t in = 0;
    std::int32_t module_in = -1;
    std::string out_a_name;
    std::string out_b_name;
    std::string in_name;
    std::string module_in_name;
};

struct SetupState {
    std::string path;
    bool modified = false;
    std::function<void()> on_change;  // told when either of the two changes
    // Under a session manager the file is the session's: opening a set-up imports it, saving
    // under another name exports a copy, and the title shows the session's display name.
    bool in_session = false;
    std::string session_name;
    // What the settings file held before the session left the ports to its patchbay; the
    // file keeps it for the starts outside a session.
    std::optional<StoredDevices> devices_outside_session;
};

class CKQ505App {
  public:
    // Table defaults, preview note 69, part 0, closed null outputs, every other value 0.
    CKQ505App();
    CKQ505App(std::unique_ptr<MidiOutput> out_a, std::unique_ptr<MidiOutput> out_b);
    // The input is closed first: its thread plays through into the fields below.
    ~CKQ505App();
    CKQ505App(CKQ505App&&) = default;
    CKQ505App& operator=(CKQ505App&&) = default;

    MidiOutput& Output(Port port) { return port == Port::A ? *midi_out_a : *midi_out_b; }

    std::int32_t& Value(Row row) { return part_table[row][selected_part]; }
    std::int32_t Value(Row row) const { return part_table[row][selected_part]; }

    std::unique_ptr<MidiOutput> midi_out_a;
    std::unique_ptr<MidiOutput> midi_out_b;
    std::unique_ptr<MidiInput> midi_in = std::make_unique<NullMidiInput>();
    // The module's replies and its own changes, whole SysEx messages handed from the MODULE IN
    // input's thread to the window's; declared before that input so that it outlives it.
    std::unique_ptr<SysExRing> module_ring = std::make_unique<SysExRing>();
    std::unique_ptr<MidiInput> module_in = std::make_unique<NullMidiInput>();
    std::int32_t module_in_device = -1;  // key ModuleIn; -1 is a port for a patchbay
    std::int32_t dump_timeout_ms = 300;  // key DumpTimeout: how long a request is waited for
    std::int32_t follow_module = 1;      // key Follow: 1 takes the module's own changes
    std::int32_t out_a_device = 0;
    std::int32_t out_b_device = 0;
    std::int32_t in_device = 0;  // opened with the outputs; -1 is a port for a patchbay
    std::int32_t module_level = 0;
    std::int32_t preview_velocity = 0;
    std::int32_t preview_gate_ms = 0;
    std::int32_t export_step = 0;
    std::int32_t export_info = 0;
    std::int32_t show_logo = 0;
    std::int32_t zoom_percent = 100;  // display size, taken at the next start
    std::int32_t midi_pace = 0;       // 1 = both ports at hardware MIDI link speed (key Pace)
    std::int32_t send_on_open = 1;    // key SendOnOpen: 1 sends a set-up once it is opened
    std::int32_t on_start = 0;        // key OnStart: what the start does once the ports are open
    // A first start on JACK leaves both outputs to the patchbay until the user chooses them.
    bool outputs_unchosen = false;
    std::int32_t preview_note = 69;
    PartInts map_sel_a{};
    PartInts pc_sel_a{};
    PartInts bank_sel_a{};
    PartInts map_sel_b{};
    PartInts pc_sel_b{};
    PartInts bank_sel_b{};
    std::int32_t selected_part = 0;
    PartTable part_table{};
    // The part mode of each XG part and the four drum setups, beside the table.
    DrumSetups drums{};
    // The rest of every XG part's multi part block and the system block, beside the table.
    XgPartValues xg_parts{};
    EffectBlocks effect_blocks{};  // reverb, chorus and variation of the tone generator
    std::string ini_path;
    std::string instrument_file_path;
    // The names of the devices last chosen in the settings dialog: Linux numbers its MIDI
    // devices anew when one is plugged in, so a port is opened where its name now stands.
    std::string out_a_name;
    std::string out_b_name;
    std::string in_name;
    std::string module_in_name;
    std::string instrument_text;  // the instrument list as read, Shift_JIS bytes
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    InstrumentNameTable instrument_names;
    std::array<std::string, kPartCount> track_names;  // Shift_JIS bytes
    // Key Thru: 1 plays the input through on both ports; a stored In alone never does.
    std::int32_t thru = 0;
    // Key ThruChannel: 0 plays through on the selected part's channel, 1 on the input's own.
    std::int32_t thru_channel = 0;
    // Held apart, so that its atomics stay where the input's thread finds them.
    std::unique_ptr<PlayThrough> play_through = std::make_unique<PlayThrough>();
    // The preview notes sounding until the gate ends them: part, note and port.
    std::vector<PreviewNote> sounding_previews;
    SetupState setup;
    // What each gesture changed in the table, the names and the list positions.
    EditHistory edit_history;
    // The parts as last opened or saved, and the compare with them.
    PartCompare compare;
    // The controllers of MIDI IN bound to rows, and a learn waiting for its controller.
    MidiLearn midi_learn;

    // The MIDI devices of the system, list position = device number; tests put in their own.
    std::function<std::vector<std::string>()> output_device_names = &MidiOutputDeviceNames;
    std::function<std::vector<std::string>()> input_device_names = &MidiInputDeviceNames;
    // True while the server that the ports were opened on has gone away (JACK); tests put in
    // their own.
    std::function<bool()> midi_server_lost = [] { return false; };
    // True when the ports open on JACK; tests put in their own.
    std::function<bool()> midi_on_jack = [] { return false; };
    // Names the JACK client for the ports opened next (a session names it); tests put in
    // their own.
    std::function<void(const std::string&)> name_midi_client = [](const std::string&) {};
};

// The program's one instance; defined by the program, never by the core or the tests.
CKQ505App& TheApp();

}  // namespace kq505
