#include "model/midi_learn.h"

#include <algorithm>
#include <charconv>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

constexpr std::uint8_t kCcRpnLsb = 100;
constexpr std::uint8_t kCcRpnMsb = 101;
constexpr std::uint8_t kFirstModeController = 120;

std::optional<int> Number(std::string_view text, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
    if (value < 0 || value > max) return {};
    return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
        if (c != prefix[i]) return false;
    }
    return true;
}

std::optional<Row> RowNamed(std::string_view name) {
    for (int row = 0; row < kRowCount; ++row)
        if (kRowInfo[row].name == name) return static_cast<Row>(row);
    return std::nullopt;
}

}  // namespace

std::string ControllerText(Controller controller) {
    if (controller.kind == Controller::kCc) return "CC" + std::to_string(controller.number);
    return "NRPN" + std::to_string(controller.number >> 7) + "/" +
           std::to_string(controller.number & 0x7F);
}

std::optional<Controller> ParseController(std::string_view text) {
    if (StartsWithNoCase(text, "NRPN")) {
        text.remove_prefix(4);
        const auto slash = text.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const std::optional<int> msb = Number(text.substr(0, slash), 127);
        const std::optional<int> lsb = Number(text.substr(slash + 1), 127);
        if (!msb || !lsb) return std::nullopt;
        return Controller{Controller::kNrpn, static_cast<std::uint16_t>(*msb * 128 + *lsb)};
    }
    if (!StartsWithNoCase(text, "CC")) return std::nullopt;
    const std::optional<int> number = Number(text.substr(2), kFirstModeController - 1);
    if (!number) return std::nullopt;
    return Controller{Controller::kCc, static_cast<std::uint16_t>(*number)};
}

std::int32_t ScaledToRow(Row row, int value) {
    const RowInfo& info = kRowInfo[row];
    const int span = info.max - info.min;
    const int v = std::clamp(value, 0, 127);
    if (span == 127) return info.min + v;
    // A knob's centre, 64, is the row's centre: 0..64 onto the lower half, 64..127 onto the
    // upper, each rounded to the nearest step.
    const int half = span / 2;
    if (v <= 64) return info.min + (v * half + 32) / 64;
    return info.min + half + ((v - 64) * (span - half) + 31) / 63;
}

void MidiLearn::StartLearn(std::span<const Row> rows) {
    waiting_.assign(rows.begin(), rows.end());
    learned_now_.clear();
}

void MidiLearn::Bind(Controller controller, Row row) {
    std::erase_if(bindings_, [&](const LearnBinding& binding) {
        return binding.controller == controller || binding.row == row;
    });
    bindings_.push_back({controller, row});
    std::ranges::sort(bindings_, {}, &LearnBinding::row);
}

void MidiLearn::Unbind(Row row) {
    std::erase_if(bindings_, [&](const LearnBinding& binding) { return binding.row == row; });
}

void MidiLearn::SetBindings(std::vector<LearnBinding> bindings) {
    bindings_.clear();
    for (const LearnBinding& binding : bindings)
        Bind(binding.controller, binding.row);
}

std::optional<Controller> MidiLearn::ControllerOf(Row row) const {
    const auto found = std::ranges::find(bindings_, row, &LearnBinding::row);
    if (found == bindings_.end()) return std::nullopt;
    return found->controller;
}

std::optional<Controller> MidiLearn::Decode(const ControllerEvent& event) {
    NrpnSelection& nrpn = nrpn_[event.channel & 0x0F];
    switch (event.number) {
        case kCcNrpnMsb:
            nrpn.msb = event.value;
            return std::nullopt;
        case kCcNrpnLsb:
            nrpn.lsb = event.value;
            return std::nullopt;
        case kCcRpnMsb:
        case kCcRpnLsb:
            nrpn = {};  // data entry now goes to an RPN, which nothing binds
            return std::nullopt;
        case kCcDataEntry:
            if (nrpn.msb < 0 || nrpn.lsb < 0) return std::nullopt;
            return Controller{Controller::kNrpn,
                              static_cast<std::uint16_t>(nrpn.msb * 128 + nrpn.lsb)};
        case kCcDataEntryLsb:
            return std::nullopt;
        default:
            if (event.number >= kFirstModeController) return std::nullopt;
            return Controller{Controller::kCc, event.number};
    }
}

MidiLearn::Result MidiLearn::Take(CKQ505App& app, const ControllerEvent& event) {
    Result result;
    const std::optional<Controller> controller = Decode(event);
    if (!controller) return result;
    if (Learning()) {
        // The knob turned on to reach its value is no second controller.
        if (std::ranges::find(learned_now_, *controller) != learned_now_.end()) return result;
        Bind(*controller, waiting_.front());
        waiting_.erase(waiting_.begin());
        learned_now_.push_back(*controller);
        result.learned = true;
        return result;
    }
    const auto found = std::ranges::find(bindings_, *controller, &LearnBinding::controller);
    if (found != bindings_.end()) Drive(app, found->row, event.value, event.time_ms, result);
    return result;
}

void MidiLearn::Drive(CKQ505App& app, Row row, int value, std::int64_t time_ms, Result& result) {
    const std::int32_t scaled = ScaledToRow(row, value);
    if (app.Value(row) == scaled) return;
    const auto edit = [&] {
        app.Value(row) = scaled;
        SendRowMessage(app, row);
        // As the knob panel sends a pan brought to 0: the XG random pan too.
        if (IsLayerRow(row) && LayerRow(pan_a, IsLayerB(row)) == row && scaled == 0)
            SendXgPartParameter(app, app.selected_part + (IsLayerB(row) ? kPartCount : 0), kXgPan,
                                0);
        MarkSetupModified(app);
    };
    result.moved = true;
    EditHistory& history = app.edit_history;
    if (history.InGesture() && history.OpenKind() != StepKind::kLearn) {
        // A mouse drag holds its own step; this movement is one beside it.
        step_open_ = false;
        history.Record(app, StepKind::kLearn, edit);
        return;
    }
    const bool ours = step_open_ && history.InGesture();
    if (ours && time_ms - step_start_ms_ >= kStepMs) history.EndGesture(app);
    if (!ours || time_ms - step_start_ms_ >= kStepMs) {
        history.BeginGesture(app, StepKind::kLearn);
        step_open_ = true;
        step_start_ms_ = time_ms;
    }
    edit();
}

void MidiLearn::Poll(CKQ505App& app, std::int64_t now_ms) {
    if (!step_open_) return;
    const EditHistory& history = app.edit_history;
    if (!history.InGesture() || history.OpenKind() != StepKind::kLearn) {
        step_open_ = false;  // closed already, by another gesture or an undo
        return;
    }
    if (now_ms - step_start_ms_ >= kStepMs) EndMovement(app);
}

void MidiLearn::EndMovement(CKQ505App& app) {
    if (!step_open_) return;
    step_open_ = false;
    EditHistory& history = app.edit_history;
    if (history.InGesture() && history.OpenKind() == StepKind::kLearn) history.EndGesture(app);
}

void MidiLearn::Publish(LearnTap& tap) const {
    tap.SetLearning(Learning());
    for (int number = 0; number < 128; ++number)
        tap.SetBound(number, false);
    for (const LearnBinding& binding : bindings_)
        if (binding.controller.kind == Controller::kCc)
            tap.SetBound(binding.controller.number, true);
    tap.SetListening(Learning() || !bindings_.empty());
}

namespace {

void PublishLearn(CKQ505App& app) {
    app.midi_learn.Publish(app.play_through->Learn());
}

}  // namespace

void StartLearn(CKQ505App& app, std::span<const Row> rows) {
    app.midi_learn.StartLearn(rows);
    PublishLearn(app);
}

void CancelLearn(CKQ505App& app) {
    app.midi_learn.CancelLearn();
    PublishLearn(app);
}

void Unlearn(CKQ505App& app, Row row) {
    app.midi_learn.Unbind(row);
    PublishLearn(app);
}

void SetLearnBindings(CKQ505App& app, std::vector<LearnBinding> bindings) {
    app.midi_learn.SetBindings(std::move(bindings));
    PublishLearn(app);
}

MidiLearn::Result TakeLearnedControllers(CKQ505App& app, std::int64_t now_ms) {
    MidiLearn::Result total;
    ControllerEvent event;
    while (app.play_through->Learn().Pop(event)) {
        const MidiLearn::Result one = app.midi_learn.Take(app, event);
        total.learned = total.learned || one.learned;
        total.moved = total.moved || one.moved;
    }
    if (total.learned) PublishLearn(app);
    app.midi_learn.Poll(app, now_ms);
    return total;
}

std::vector<LearnBinding> ReadLearnSection(const IniDocument& ini) {
    std::vector<LearnBinding> bindings;
    ini.ForEachKey([&](std::string_view section, std::string_view key, std::string_view value) {
        if (!StartsWithNoCase(section, "LEARN") || section.size() != kLearnSection.size()) return;
        const std::optional<Row> row = RowNamed(key);
        const std::optional<Controller> controller = ParseController(value);
        if (row && controller) bindings.push_back({*controller, *row});
    });
    return bindings;
}

bool WriteLearnSection(IniDocument& ini, const std::vector<LearnBinding>& bindings) {
    for (int row = 0; row < kRowCount; ++row) {
        const std::string_view name = kRowInfo[row].name;
        const auto found = std::ranges::find(bindings, static_cast<Row>(row), &LearnBinding::row);
        if (found != bindings.end()) {
            if (!ini.Set(kLearnSection, name, ControllerText(found->controller))) return false;
        } else if (ini.Find(kLearnSection, name)) {
            if (!ini.Set(kLearnSection, name, "")) return false;
        }
    }
    return true;
}

}  // namespace kq505
