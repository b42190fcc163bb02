#include "app/settings_edit.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "app/kq505_app.h"
#include "app/settings.h"

namespace kq505 {
namespace {

enum class NumberParse { kOk, kNotANumber, kTooLarge };

struct ParsedNumber {
    NumberParse state;
    std::int64_t value = 0;
};

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

ParsedNumber ParseNumber(std::string_view text) {
    text = Trimmed(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative)) text.remove_prefix(1);
    const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || !std::ranges::all_of(text, is_digit)) return {NumberParse::kNotANumber};
    std::int64_t magnitude = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), magnitude).ec != std::errc{}) {
        return {NumberParse::kTooLarge};  // digits only, so the one failure left is overflow
    }
    return {NumberParse::kOk, negative ? -magnitude : magnitude};
}

struct NumberField {
    SettingsField field;
    const char* label;
    std::int32_t max;
};

std::optional<SettingsError> CheckNumber(const std::string& text, const NumberField& field) {
    const ParsedNumber number = ParseNumber(text);
    const std::string label = field.label;
    if (number.state == NumberParse::kNotANumber) {
        return SettingsError{field.field, label + " には整数を入力してください。"};
    }
    if (number.state == NumberParse::kTooLarge || number.value < 0 || number.value > field.max) {
        return SettingsError{field.field, label + " には 0 から " + std::to_string(field.max) +
                                              " までの整数を入力してください。"};
    }
    return std::nullopt;
}

constexpr NumberField kGateField{SettingsField::kGate, "Gate Time", kMaxGateMs};
constexpr NumberField kStepField{SettingsField::kStep, "Step", kMaxExportStep};

std::int32_t CheckedNumber(const std::string& text) {
    return static_cast<std::int32_t>(ParseNumber(text).value);
}

// The position that names a device of the list, else no selection.
int DevicePosition(std::span<const std::string> names, int stored_number,
                   const std::string& stored_name) {
    const int position = ResolveMidiDevice(names, stored_number, stored_name);
    return position >= 0 && position < static_cast<int>(names.size()) ? position : kNoSelection;
}

bool IsEntry(int position, std::size_t count) {
    return position >= 0 && static_cast<std::size_t>(position) < count;
}

struct ChosenDevice {
    std::int32_t number;
    std::string name;
};

ChosenDevice Choose(const std::vector<std::string>& names, int position,
                    const std::string& kept_name) {
    if (!IsEntry(position, names.size())) {
        const bool listed = std::ranges::find(names, kept_name) != names.end();
        return {kNoSelection, listed ? std::string() : kept_name};
    }
    return {position, names[static_cast<std::size_t>(position)]};
}

}  // namespace

SettingsLists MakeSettingsLists(const CKQ505App& app) {
    SettingsLists lists;
    if (app.output_device_names) lists.outputs = app.output_device_names();
    if (app.input_device_names) lists.inputs = app.input_device_names();
    lists.input_failed =
        !app.midi_in->IsOpen() && (app.midi_out_a->IsOpen() || app.midi_out_b->IsOpen());
    for (std::size_t level = 0; level < app.module_names.size(); ++level) {
        if (app.module_names[level].empty()) continue;
        lists.module_levels.push_back(static_cast<std::int32_t>(level));
        lists.module_names.push_back(app.module_names[level]);
    }
    return lists;
}

SettingsForm LoadSettingsForm(const CKQ505App& app, const SettingsLists& lists) {
    SettingsForm form;
    form.out_a = DevicePosition(lists.outputs, app.out_a_device, app.out_a_name);
    form.out_b = DevicePosition(lists.outputs, app.out_b_device, app.out_b_name);
    form.in = DevicePosition(lists.inputs, app.in_device, app.in_name);
    const auto level = std::ranges::find(lists.module_levels, app.module_level);
    if (level != lists.module_levels.end()) {
        form.module = static_cast<int>(level - lists.module_levels.begin());
    }
    form.velocity = std::clamp(app.preview_velocity, 0, kMaxVelocity);
    form.gate = std::to_string(app.preview_gate_ms);
    form.step = std::to_string(app.export_step);
    form.sysex_comments = app.export_info == 1;
    form.logo = app.show_logo == 1;
    form.path = app.instrument_file_path;
    const auto zoom = std::ranges::find(kZoomChoices, app.zoom_percent);
    form.zoom = zoom == kZoomChoices.end() ? 0 : static_cast<int>(zoom - kZoomChoices.begin());
    form.pace = app.midi_pace == 1;
    form.thru = app.thru == 1;
    form.thru_channel = app.thru_channel == 1 ? kThruOnOwnChannel : kThruOnPartChannel;
    form.module_in = DevicePosition(lists.inputs, app.module_in_device, app.module_in_name);
    form.follow = app.follow_module == 1;
    return form;
}

std::optional<SettingsError> CheckSettingsForm(const SettingsForm& form) {
    if (auto error = CheckNumber(form.gate, kGateField)) return error;
    if (auto error = CheckNumber(form.step, kStepField)) return error;
    if (form.path.find_first_of("\r\n") != std::string::npos) {
        return SettingsError{SettingsField::kPath, "音色リストファイルのパスに改行は使えません。"};
    }
    return std::nullopt;
}

SettingsApplyResult ApplySettingsForm(CKQ505App& app, const SettingsForm& form,
                                      const SettingsLists& lists) {
    if (CheckSettingsForm(form)) return {SettingsApplied::kRefused, {false, false}};
    ChosenDevice out_a = Choose(lists.outputs, form.out_a, app.out_a_name);
    ChosenDevice out_b = Choose(lists.outputs, form.out_b, app.out_b_name);
    ChosenDevice in = Choose(lists.inputs, form.in, app.in_name);
    ChosenDevice module_in = Choose(lists.inputs, form.module_in, app.module_in_name);
    app.out_a_device = out_a.number;
    app.out_b_device = out_b.number;
    app.in_device = in.number;
    app.module_level = IsEntry(form.module, lists.module_levels.size())
                           ? lists.module_levels[static_cast<std::size_t>(form.module)]
                           : kNoSelection;
    app.preview_velocity = std::clamp(form.velocity, 0, kMaxVelocity);
    app.preview_gate_ms = CheckedNumber(form.gate);
    app.export_step = CheckedNumber(form.step);
    app.export_info = form.sysex_comments ? 1 : 0;
    app.show_logo = form.logo ? 1 : 0;
    app.instrument_file_path = form.path;
    app.zoom_percent = IsEntry(form.zoom, kZoomChoices.size())
                           ? kZoomChoices[static_cast<std::size_t>(form.zoom)]
                           : kDefaultZoom;
    app.midi_pace = form.pace ? 1 : 0;
    app.thru = form.thru ? 1 : 0;
    app.thru_channel = form.thru_channel == kThruOnOwnChannel ? 1 : 0;
    app.out_a_name = std::move(out_a.name);
    app.out_b_name = std::move(out_b.name);
    app.in_name = std::move(in.name);
    app.module_in_device = module_in.number;
    app.module_in_name = std::move(module_in.name);
    app.follow_module = form.follow ? 1 : 0;
    const bool written = WriteIniSettings(app);
    const PortOpenResult ports = ReinitialiseMidiPorts(app);
    return {written ? SettingsApplied::kDone : SettingsApplied::kWriteFailed, ports};
}

}  // namespace kq505
