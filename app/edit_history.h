#pragma once
// The history of edits: what every gesture changed in the part table, the track names and
// the program change dialog's list positions, so that it can be undone and redone. Undo
// and redo write the values back and send what changed, so the module follows.
//
// A step keeps only the values it changed, before and after, never a copy of the state;
// the history keeps a bounded number of steps and forgets the oldest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "drums/drum_setups.h"
#include "effects/effect_blocks.h"
#include "model/part_table.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {

class CKQ505App;

// What kind of gesture made a step; it decides what undo and redo send.
enum class StepKind : std::uint8_t {
    kSlider,         // a slider: a mouse press to its release, or one key or wheel step
    kKnob,           // a knob-panel drag, press to release
    kSwitch,         // a check box click
    kProgramChange,  // one choice in the program change dialog
    kTrackName,      // the track name dialog's OK
    kPartFile,       // a part file loaded into the selected part
    kXgSystemOn,     // X: the system message and the whole table back to its defaults
    kGmSystemOn,     // G: the same with GM System On
    kSetup,          // a set-up opened: every part, name and list position
    kEffect,         // the effect edit window: a slider gesture, a choice, or its cancel
    kModuleRead,     // what a read of the module brought in
    kSysExFile,      // a .syx file opened: what its dumps and parameter changes carry
    kDrum,           // the drum setup window: one value of a drum setup, or a part mode
    kDrumReset,      // Drum Setup Reset: one setup back to its kit
    kXgPart,         // the part detail window: one value, a split or a velocity switch
    kPaste,          // a part pasted into the selected part
    kLayerCopy,      // A→B, B→A or A⇔B of the selected part
    kRandomize,      // one try of the randomize dialog
    kLearn,          // a learned controller's movement, up to half a second of it
};

// The six remembered list positions of the program change dialog follow the table's rows
// as slots 47..52, so one change record serves both.
inline constexpr int kListPositionCount = 6;
inline constexpr int kSlotCount = kRowCount + kListPositionCount;

// One value of one part that a step changed: a table row (slot < kRowCount) or a list
// position (map_sel_a, pc_sel_a, bank_sel_a, map_sel_b, pc_sel_b, bank_sel_b).
struct SlotChange {
    std::uint8_t slot;
    std::uint8_t part;
    std::int32_t before;
    std::int32_t after;
};

struct NameChange {
    int part;
    std::string before;  // Shift_JIS bytes, as the program keeps them
    std::string after;
};

// One value of the effect blocks that a step changed.
struct EffectChange {
    EffectItem item;
    std::int32_t before;
    std::int32_t after;
};

// The mode of one XG part that a step changed.
struct PartModeChange {
    std::uint8_t xg_part;
    PartMode before;
    PartMode after;
};

// One value of a drum setup that a step changed: as kept (kFollowKit where it follows the
// kit) and as the module holds it.
struct DrumChange {
    std::uint8_t setup;
    std::uint8_t note;
    std::uint8_t param;
    std::uint8_t before;
    std::uint8_t after;
    std::int32_t before_value;
    std::int32_t after_value;
};

// One multi part value beside the table (xg_part 0..31), or one system value (xg_part -1),
// that a step changed.
struct XgValueChange {
    std::int8_t xg_part;
    std::uint8_t param;
    std::int32_t before;
    std::int32_t after;
};

struct EditStep {
    std::uint64_t id;  // the position the history is at once this step is done
    StepKind kind;
    std::uint8_t part;               // the part selected when the step was made
    std::vector<SlotChange> values;  // by part, then by slot
    std::vector<NameChange> names;   // by part
    std::vector<EffectChange> effects;
    std::vector<PartModeChange> part_modes;  // by XG part
    std::vector<DrumChange> drums;           // by setup, note, parameter
    std::vector<XgValueChange> xg_values;    // the system values, then by XG part
};

class EditHistory {
  public:
    static constexpr std::size_t kDefaultMaxSteps = 1000;

    explicit EditHistory(std::size_t max_steps = kDefaultMaxSteps);

    // Opens a gesture: the state as it stands now is what undoing it returns to. A gesture
    // still open is closed first.
    void BeginGesture(CKQ505App& app, StepKind kind);
    // Closes the open gesture: whatever it changed becomes one step (nothing changed, no
    // step). Without an open gesture it does nothing.
    void EndGesture(CKQ505App& app);
    bool InGesture() const { return open_; }
    // What the open gesture is; meaningful only while InGesture().
    StepKind OpenKind() const { return open_kind_; }

    // One step around `edit`. A gesture that is open (a drag while a key is pressed) is
    // closed before and opened again after, so each stays a step of its own.
    template <class Edit>
    void Record(CKQ505App& app, StepKind kind, Edit&& edit);

    bool CanUndo() const { return applied_ > 0; }
    bool CanRedo() const { return applied_ < steps_.size(); }
    // The step the next undo or redo would take back or do again; null when there is none.
    const EditStep* NextUndo() const { return CanUndo() ? &steps_[applied_ - 1] : nullptr; }
    const EditStep* NextRedo() const { return CanRedo() ? &steps_[applied_] : nullptr; }

    // Writes the step's values back (undo: before, redo: after), sends what changed exactly
    // as an edit of those rows would, on each part's channel, and selects the step's part.
    // Undoing X or G sends every part it changed whole; redoing it sends its system message
    // again. Returns the step, valid until the next edit; null when there was none.
    const EditStep* Undo(CKQ505App& app);
    const EditStep* Redo(CKQ505App& app);

    // The saved position: the state last saved or opened. AtSaved is true when undo and redo
    // have led back to it; a state that was dropped can never be reached again. The set-up's
    // modified mark follows it after every step, undo and redo.
    void MarkSaved() { saved_id_ = CurrentId(); }
    bool AtSaved() const { return saved_id_ == CurrentId(); }

    std::size_t StepCount() const { return steps_.size(); }
    std::size_t MaxSteps() const { return max_steps_; }

    // Told after every change of what can be undone or redone (new step, undo, redo).
    std::function<void()> on_change;

  private:
    struct Snapshot {
        PartTable table{};
        std::array<std::array<std::int32_t, kPartCount>, kListPositionCount> positions{};
        std::array<std::string, kPartCount> names;
        EffectBlocks effects;
        DrumSetups drums;
        XgPartValues xg_parts;
    };

    std::uint64_t CurrentId() const { return applied_ > 0 ? steps_[applied_ - 1].id : base_id_; }
    void Push(CKQ505App& app, EditStep step);
    const EditStep* Apply(CKQ505App& app, const EditStep& step, bool undo);
    void Notify(CKQ505App& app) const;
    void AddDrumChanges(const CKQ505App& app, EditStep& step) const;
    void AddXgChanges(const CKQ505App& app, EditStep& step) const;

    std::size_t max_steps_;
    std::deque<EditStep> steps_;
    std::size_t applied_ = 0;    // steps_[0, applied_) are done, the rest can be redone
    std::uint64_t base_id_ = 0;  // the position before the oldest step kept
    std::uint64_t next_id_ = 1;
    std::uint64_t saved_id_ = 0;
    bool open_ = false;
    StepKind open_kind_ = StepKind::kSlider;
    Snapshot before_;  // the state when the open gesture began
    std::vector<SlotChange> scratch_;
};

template <class Edit>
void EditHistory::Record(CKQ505App& app, StepKind kind, Edit&& edit) {
    const bool was_open = open_;
    const StepKind outer = open_kind_;
    BeginGesture(app, kind);
    edit();
    EndGesture(app);
    if (was_open) BeginGesture(app, outer);
}

// One part's changed rows (selected_part is that part), sent as edits of those rows send
// them: a layer's bank rows together, a pan brought to 0 with the XG random pan.
void SendChangedRows(CKQ505App& app, std::span<const SlotChange> changes);

// The form's label of a row, with the layer in front of the per-layer rows ("A LPF", "Vol").
std::string RowLabel(Row row);

// What the step did, for the status bar: "#01 Vol 100→90", "#03 A Pan C→R10, A Rev 40→44",
// "XG System On". UTF-8.
std::string DescribeStep(const EditStep& step);

}  // namespace kq505
