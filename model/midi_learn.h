#pragma once
// MIDI learn: a control change (or an NRPN) of MIDI IN bound to a row of the part table.
// A bound controller drives its row of the selected part as the mouse does, its 0..127
// scaled onto the row's range, each half second of movement one step of the edit history.
// Everything here runs on the user-interface thread, on what the input's thread handed over
// through the play-through's LearnTap.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/learn_tap.h"
#include "model/part_table.h"

namespace kq505 {

class CKQ505App;
class IniDocument;

struct Controller {
    enum Kind : std::uint8_t { kCc, kNrpn };
    Kind kind = kCc;
    std::uint16_t number = 0;  // the CC number, or NRPN MSB × 128 + LSB
    bool operator==(const Controller&) const = default;
};

// "CC74", "NRPN1/36" (MSB/LSB), as the INI file and the settings dialog show them.
std::string ControllerText(Controller controller);
std::optional<Controller> ParseController(std::string_view text);

struct LearnBinding {
    Controller controller;
    Row row;
    bool operator==(const LearnBinding&) const = default;
};

// The value a controller's 0..127 gives a row: the row's range, end to end, 64 its centre.
std::int32_t ScaledToRow(Row row, int value);

class MidiLearn {
  public:
    // Movement of one controller within this many milliseconds of the first is one step.
    static constexpr std::int64_t kStepMs = 500;

    // The next controllers moved bind to these rows, one each, in order (a knob handle's
    // horizontal row, then its vertical one). Replaces a learn that waits.
    void StartLearn(std::span<const Row> rows);
    void CancelLearn() { waiting_.clear(); }
    bool Learning() const { return !waiting_.empty(); }

    // A controller drives one row, a row follows one controller: binding either again
    // replaces its old binding.
    void Bind(Controller controller, Row row);
    void Unbind(Row row);
    const std::vector<LearnBinding>& Bindings() const { return bindings_; }
    void SetBindings(std::vector<LearnBinding> bindings);
    std::optional<Controller> ControllerOf(Row row) const;

    struct Result {
        bool learned = false;  // a row was bound
        bool moved = false;    // a row of the selected part changed
    };
    // One control change of the input: a learn that waits takes it, else a binding drives
    // its row, inside the step of its movement.
    Result Take(CKQ505App& app, const ControllerEvent& event);
    // Closes the step of the movement once kStepMs have passed since it began.
    void Poll(CKQ505App& app, std::int64_t now_ms);
    // Closes it at once, before another command.
    void EndMovement(CKQ505App& app);

    // What the input's thread is to hold back and hand over.
    void Publish(LearnTap& tap) const;

  private:
    std::optional<Controller> Decode(const ControllerEvent& event);
    void Drive(CKQ505App& app, Row row, int value, std::int64_t time_ms, Result& result);

    struct NrpnSelection {
        int msb = -1;
        int lsb = -1;
    };
    std::vector<LearnBinding> bindings_;
    std::vector<Row> waiting_;
    std::vector<Controller> learned_now_;  // a learn's controllers so far, each binds once
    std::array<NrpnSelection, 16> nrpn_{};
    bool step_open_ = false;
    std::int64_t step_start_ms_ = 0;
};

// The same on the program's own learn, each telling the input's thread what it now holds.
void StartLearn(CKQ505App& app, std::span<const Row> rows);
void CancelLearn(CKQ505App& app);
void Unlearn(CKQ505App& app, Row row);
void SetLearnBindings(CKQ505App& app, std::vector<LearnBinding> bindings);
// Everything the input handed over since the last call, then the step closed when due.
MidiLearn::Result TakeLearnedControllers(CKQ505App& app, std::int64_t now_ms);

// The [Learn] section: a row's name, its controller's text; an empty value binds nothing.
inline constexpr std::string_view kLearnSection = "Learn";
std::vector<LearnBinding> ReadLearnSection(const IniDocument& ini);
// Every row bound, and an empty value for a row the file binds that is bound no more.
bool WriteLearnSection(IniDocument& ini, const std::vector<LearnBinding>& bindings);

}  // namespace kq505
