#include "app/edit_history.h"

#include <span>
#include <utility>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "drums/drum_edit.h"
#include "effects/effect_edit.h"
#include "effects/effect_setup.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "model/part_transmission.h"
#include "model/value_text.h"
#include "xgpart/xg_part_edit.h"

namespace kq505 {
namespace {

// The list positions in slot order, after the table's rows.
constexpr std::array<PartInts CKQ505App::*, kListPositionCount> kPositions{
    &CKQ505App::map_sel_a, &CKQ505App::pc_sel_a, &CKQ505App::bank_sel_a,
    &CKQ505App::map_sel_b, &CKQ505App::pc_sel_b, &CKQ505App::bank_sel_b};

std::int32_t& SlotValue(CKQ505App& app, int slot, int part) {
    if (slot < kRowCount) return app.part_table[slot][part];
    return (app.*kPositions[slot - kRowCount])[part];
}

bool IsResetStep(StepKind kind) {
    return kind == StepKind::kXgSystemOn || kind == StepKind::kGmSystemOn;
}

constexpr bool IsBankRow(Row row) {
    return row >= bank_msb_a && row <= program_b;
}

bool ChangesTable(std::span<const SlotChange> changes) {
    for (const SlotChange& change : changes)
        if (change.slot < kRowCount) return true;
    return false;
}

// Calls send(part, changes of that part) for each part the step changed, in part order.
template <class Send>
void ForEachPart(const EditStep& step, Send&& send) {
    std::span<const SlotChange> all = step.values;
    while (!all.empty()) {
        const int part = all.front().part;
        std::size_t count = 1;
        while (count < all.size() && all[count].part == part)
            ++count;
        send(part, all.first(count));
        all = all.subspan(count);
    }
}

// The drum values a step changed, as the module should now hold them. Redoing a reset sends
// its message again instead: the module takes the kit's values itself.
void SendDrumChanges(CKQ505App& app, const EditStep& step, bool undo) {
    if (step.drums.empty()) return;
    if (!undo && IsResetStep(step.kind)) return;
    if (!undo && step.kind == StepKind::kDrumReset) {
        SendSysEx(app, XgDrumSetupResetMessage(step.drums.front().setup));
        return;
    }
    for (const DrumChange& change : step.drums)
        SendDrumValue(app, change.setup, change.note, change.param);
}

std::int32_t& XgSlot(CKQ505App& app, const XgValueChange& change) {
    if (change.xg_part < 0) return app.xg_parts.system[change.param];
    return app.xg_parts.parts[static_cast<std::size_t>(change.xg_part)][change.param];
}

// The multi part and system values a step changed, as now held; a part sent whole already
// carried its own.
void SendXgChanges(CKQ505App& app, const EditStep& step,
                   const std::array<bool, kPartCount>& sent_whole) {
    for (const XgValueChange& change : step.xg_values) {
        if (change.xg_part < 0) {
            SendXgSystemValue(app, change.param);
        } else if (!sent_whole[static_cast<std::size_t>(change.xg_part % kPartCount)]) {
            SendXgPartValue(app, change.xg_part, change.param);
        }
    }
}

}  // namespace

// The bank rows of a layer go as the program change dialog sends them, MSB, LSB and program
// together; a pan brought to 0 with the XG random pan, as the knob panel sends it.
void SendChangedRows(CKQ505App& app, std::span<const SlotChange> changes) {
    std::array<bool, 2> banks_sent{};
    for (const SlotChange& change : changes) {
        if (change.slot >= kRowCount) continue;
        const auto row = static_cast<Row>(change.slot);
        const bool b = IsLayerB(row);
        if (IsBankRow(row)) {
            if (std::exchange(banks_sent[b], true)) continue;
            for (Row a_row : {bank_msb_a, bank_lsb_a, program_a})
                SendRowMessage(app, LayerRow(a_row, b));
            ResendDrumSetupAfterProgramChange(app, app.selected_part + (b ? kPartCount : 0));
            continue;
        }
        SendRowMessage(app, row);
        if (row == LayerRow(pan_a, b) && app.Value(row) == 0)
            SendXgPartParameter(app, app.selected_part + (b ? kPartCount : 0), kXgPan, 0);
    }
}

EditHistory::EditHistory(std::size_t max_steps) : max_steps_(max_steps > 0 ? max_steps : 1) {}

void EditHistory::BeginGesture(CKQ505App& app, StepKind kind) {
    if (open_) EndGesture(app);
    open_ = true;
    open_kind_ = kind;
    before_.table = app.part_table;
    for (int i = 0; i < kListPositionCount; ++i)
        before_.positions[i] = app.*kPositions[i];
    before_.names = app.track_names;
    before_.effects = app.effect_blocks;
    before_.drums = app.drums;
    before_.xg_parts = app.xg_parts;
}

void EditHistory::EndGesture(CKQ505App& app) {
    if (!open_) return;
    open_ = false;
    scratch_.clear();
    for (int part = 0; part < kPartCount; ++part) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::int32_t before = slot < kRowCount
                                            ? before_.table[slot][part]
                                            : before_.positions[slot - kRowCount][part];
            const std::int32_t after = SlotValue(app, slot, part);
            if (before != after) {
                scratch_.push_back({static_cast<std::uint8_t>(slot),
                                    static_cast<std::uint8_t>(part), before, after});
            }
        }
    }
    EditStep step{
        0, open_kind_, static_cast<std::uint8_t>(app.selected_part & 0x0F), {}, {}, {}, {}, {}, {}};
    for (int part = 0; part < kPartCount; ++part) {
        if (before_.names[part] != app.track_names[part])
            step.names.push_back({part, before_.names[part], app.track_names[part]});
    }
    // Nothing changed (a drag that came back): the mark may be clean again all the same. X and
    // G are steps whatever they changed in the table: the module was reset.
    for (const EffectItem& item : AllEffectItems()) {
        const std::int32_t before = EffectValue(before_.effects, item);
        const std::int32_t after = EffectValue(app.effect_blocks, item);
        if (before != after) step.effects.push_back({item, before, after});
    }
    AddDrumChanges(app, step);
    AddXgChanges(app, step);
    if (scratch_.empty() && step.names.empty() && step.effects.empty() && step.part_modes.empty() &&
        step.drums.empty() && step.xg_values.empty() && !IsResetStep(step.kind))
        return Notify(app);
    // An exact-size copy: the scratch keeps its room for the next gesture.
    step.values.assign(scratch_.begin(), scratch_.end());
    Push(app, std::move(step));
}

void EditHistory::AddDrumChanges(const CKQ505App& app, EditStep& step) const {
    const DrumSetups& before = before_.drums;
    if (before == app.drums) return;
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const auto at = static_cast<std::size_t>(xg_part);
        if (before.part_modes[at] != app.drums.part_modes[at]) {
            step.part_modes.push_back({static_cast<std::uint8_t>(xg_part), before.part_modes[at],
                                       app.drums.part_modes[at]});
        }
    }
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        const auto at = static_cast<std::size_t>(setup);
        if (before.values[at] == app.drums.values[at]) continue;
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            for (int param = 0; param < kDrumParamCount; ++param) {
                const std::uint8_t old = DrumSlot(before, setup, note, param);
                const std::uint8_t now = DrumSlot(app.drums, setup, note, param);
                if (old == now) continue;
                step.drums.push_back({static_cast<std::uint8_t>(setup),
                                      static_cast<std::uint8_t>(note),
                                      static_cast<std::uint8_t>(param), old, now,
                                      DrumValue(before, before_.table, setup, note, param),
                                      DrumValue(app.drums, app.part_table, setup, note, param)});
            }
        }
    }
}

void EditHistory::AddXgChanges(const CKQ505App& app, EditStep& step) const {
    const XgPartValues& before = before_.xg_parts;
    if (before == app.xg_parts) return;
    for (int param = 0; param < kXgSystemParamCount; ++param) {
        const auto at = static_cast<std::size_t>(param);
        if (before.system[at] != app.xg_parts.system[at]) {
            step.xg_values.push_back(
                {-1, static_cast<std::uint8_t>(param), before.system[at], app.xg_parts.system[at]});
        }
    }
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const auto& old = before.parts[static_cast<std::size_t>(xg_part)];
        const auto& now = app.xg_parts.parts[static_cast<std::size_t>(xg_part)];
        if (old == now) continue;
        for (std::size_t param = 0; param < old.size(); ++param) {
            if (old[param] != now[param]) {
                step.xg_values.push_back({static_cast<std::int8_t>(xg_part),
                                          static_cast<std::uint8_t>(param), old[param],
                                          now[param]});
            }
        }
    }
}

void EditHistory::Push(CKQ505App& app, EditStep step) {
    // A new edit after an undo: what could have been redone is gone.
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(applied_), steps_.end());
    step.id = next_id_++;
    steps_.push_back(std::move(step));
    if (steps_.size() > max_steps_) {
        base_id_ = steps_.front().id;
        steps_.pop_front();
    }
    applied_ = steps_.size();
    Notify(app);
}

const EditStep* EditHistory::Undo(CKQ505App& app) {
    const bool was_open = open_;
    EndGesture(app);
    const EditStep* step = CanUndo() ? Apply(app, steps_[--applied_], true) : nullptr;
    if (was_open) BeginGesture(app, open_kind_);
    Notify(app);
    return step;
}

const EditStep* EditHistory::Redo(CKQ505App& app) {
    const bool was_open = open_;
    EndGesture(app);
    // Closing a gesture that changed something dropped the redo branch.
    const EditStep* step = CanRedo() ? Apply(app, steps_[applied_++], false) : nullptr;
    if (was_open) BeginGesture(app, open_kind_);
    Notify(app);
    return step;
}

const EditStep* EditHistory::Apply(CKQ505App& app, const EditStep& step, bool undo) {
    for (const SlotChange& change : step.values)
        SlotValue(app, change.slot, change.part) = undo ? change.before : change.after;
    for (const NameChange& name : step.names)
        app.track_names[name.part] = undo ? name.before : name.after;
    for (const PartModeChange& change : step.part_modes)
        app.drums.part_modes[change.xg_part] = undo ? change.before : change.after;
    for (const DrumChange& change : step.drums)
        DrumSlot(app.drums, change.setup, change.note, change.param) =
            undo ? change.before : change.after;
    for (const XgValueChange& change : step.xg_values)
        XgSlot(app, change) = undo ? change.before : change.after;

    const bool reset = IsResetStep(step.kind);
    // A mode decides what the program changes below select, so the modes go first.
    if (!(reset && !undo)) {
        for (const PartModeChange& change : step.part_modes)
            SendSysEx(app, XgPartModeMessage(change.xg_part, app.drums.part_modes[change.xg_part]));
    }
    if (!step.effects.empty()) {
        EffectBlocks effects = app.effect_blocks;
        for (const EffectChange& change : step.effects)
            EffectValue(effects, change.item) = undo ? change.before : change.after;
        if (reset && !undo) {
            app.effect_blocks = effects;  // its system message resets them in the module
        } else {
            RestoreEffectBlocks(app, effects);  // blocks that change go out whole, type first
        }
    }
    if (reset && !undo) {
        // Doing X or G again: its system message; the table is back at the defaults already.
        if (step.kind == StepKind::kXgSystemOn) SendSysEx(app, kXgSystemOn);
        if (step.kind == StepKind::kGmSystemOn) SendSysEx(app, kGmSystemOn);
    } else {
        // The module was reset as a whole, so each part the reset changed goes out whole.
        std::array<bool, kPartCount> sent_whole{};
        ForEachPart(step, [&](int part, std::span<const SlotChange> changes) {
            if (!ChangesTable(changes)) return;
            app.selected_part = part;
            if (reset) {
                SendAllPartParameters(app);
                sent_whole[static_cast<std::size_t>(part)] = true;
            } else {
                SendChangedRows(app, changes);
            }
        });
        SendXgChanges(app, step, sent_whole);
    }
    SendDrumChanges(app, step, undo);
    app.selected_part = step.part;
    app.play_through->SetPart(step.part);
    return &step;
}

void EditHistory::Notify(CKQ505App& app) const {
    FollowEditHistory(app);
    if (on_change) on_change();
}

namespace {

std::string OnOff(std::int32_t value) {
    return value != 0 ? "ON" : "OFF";
}

// A value as the form shows it.
std::string RowValueText(Row row, std::int32_t v) {
    switch (row) {
        case key_shift:
            return FormatOffset(v);
        case porta_sw:
        case mix_sw:
            return OnOff(v);
        case mix:
            return FormatMix(v);
        default:
            break;
    }
    if (!IsLayerRow(row)) return std::to_string(v);
    switch (static_cast<Row>(row - (IsLayerB(row) ? 1 : 0))) {
        case program_a:
            return std::to_string(v + 1);
        case bank_msb_a:
        case bank_lsb_a:
        case reverb_a:
        case chorus_a:
        case variation_a:
            return std::to_string(v);
        case pan_a:
            return FormatPan(v);
        case eq_bass_freq_a:
        case eq_treble_freq_a:
            return FormatEqFrequency(v);
        case eq_bass_gain_a:
        case eq_treble_gain_a:
            return FormatEqGain(v);
        default:
            return FormatOffset(v);
    }
}

std::string PartNumber(int part) {
    const int number = part + 1;
    return (number < 10 ? "#0" : "#") + std::to_string(number);
}

// "#10 A Part Mode Drum 1→Normal", "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ1 38 Pitch Coarse +0→+3".
std::string DescribeDrumStep(const EditStep& step) {
    std::string text;
    const char* separator = "";
    for (const PartModeChange& change : step.part_modes) {
        const int part = change.xg_part % kPartCount;
        text += separator + PartNumber(part) + (change.xg_part < kPartCount ? " A" : " B") +
                " Part Mode " + std::string(PartModeText(change.before)) + "→" +
                std::string(PartModeText(change.after));
        separator = ", ";
    }
    for (const DrumChange& change : step.drums) {
        text += separator;
        text += "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ" + std::to_string(change.setup + 1) + ' ' +
                std::to_string(change.note) + ' ' + std::string(DrumParam(change.param).name) +
                ' ' + DrumValueText(change.param, change.before_value) + "→" +
                DrumValueText(change.param, change.after_value);
        separator = ", ";
    }
    return text;
}

// "#01 A Note Limit High G8→B2", "ｼｽﾃﾑ Master Tune +0.0 cent→+1.0 cent".
std::string DescribeXgStep(const EditStep& step) {
    std::string text;
    const char* separator = "";
    for (const XgValueChange& change : step.xg_values) {
        const bool system = change.xg_part < 0;
        const XgParamInfo& info =
            system ? XgSystemParams()[change.param] : XgPartParams()[change.param];
        text += separator;
        text += system ? std::string("ｼｽﾃﾑ")
                       : PartNumber(change.xg_part % kPartCount) +
                             (change.xg_part < kPartCount ? " A" : " B");
        text += ' ' + std::string(info.name) + ' ' + XgValueText(info, change.before) + "→" +
                XgValueText(info, change.after);
        separator = ", ";
    }
    return text;
}

}  // namespace

// The form's label of a row, with the layer in front of the per-layer rows.
std::string RowLabel(Row row) {
    static constexpr std::array<const char*, 7> kPartRows{"Vol",  "Exp", "Key Shift", "Portamento",
                                                          "Time", "Mix", "Mix SW"};
    static constexpr std::array<const char*, 20> kLayerRows{
        "MSB",   "LSB",   "PC#",     "Rev",    "Cho",       "Var",     "Pan",
        "LPF",   "Rez",   "HPF",     "Attack", "Decay",     "Release", "Rate",
        "Depth", "Delay", "Bass Hz", "Bass",   "Treble Hz", "Treble"};
    if (!IsLayerRow(row)) return kPartRows[row];
    const int index = (row - bank_msb_a) / 2;
    return std::string(IsLayerB(row) ? "B " : "A ") + kLayerRows[index];
}

std::string DescribeStep(const EditStep& step) {
    switch (step.kind) {
        case StepKind::kXgSystemOn:
            return "XG System On";
        case StepKind::kGmSystemOn:
            return "GM System On";
        case StepKind::kSetup:
            return "ｾｯﾄｱｯﾌﾟを開く";
        case StepKind::kModuleRead:
            return "ﾓｼﾞｭｰﾙから読込";
        case StepKind::kSysExFile:
            return "SysExﾌｧｲﾙを開く";
        case StepKind::kPartFile:
            return PartNumber(step.part) + " ﾌｧｲﾙを開く";
        case StepKind::kPaste:
            return PartNumber(step.part) + " ﾊﾟｰﾄに貼り付け";
        case StepKind::kRandomize:
            return PartNumber(step.part) + " ﾗﾝﾀﾞﾏｲｽﾞ";
        case StepKind::kTrackName:
            return PartNumber(step.part) + " Track Name";
        case StepKind::kDrumReset:
            if (step.drums.empty()) break;
            return "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ" + std::to_string(step.drums.front().setup + 1) + " ﾘｾｯﾄ";
        case StepKind::kDrum:
            return DescribeDrumStep(step);
        case StepKind::kXgPart:
            return DescribeXgStep(step);
        case StepKind::kEffect: {
            std::string text = "ｴﾌｪｸﾀ";
            const char* separator = " ";
            for (const EffectChange& change : step.effects) {
                text += separator + EffectKey(change.item) + ' ' + std::to_string(change.before) +
                        "→" + std::to_string(change.after);
                separator = ", ";
            }
            return text;
        }
        default:
            break;
    }
    std::string text = PartNumber(step.part);
    const char* separator = " ";
    for (const SlotChange& change : step.values) {
        if (change.slot >= kRowCount) continue;  // list positions are not shown anywhere
        const auto row = static_cast<Row>(change.slot);
        text += separator;
        text += RowLabel(row) + ' ' + RowValueText(row, change.before) + "→" +
                RowValueText(row, change.after);
        separator = ", ";
    }
    return text;
}

}  // namespace kq505
