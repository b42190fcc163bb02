#include "xgpart/xg_part_edit.h"

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_send.h"
#include "model/module_values.h"

namespace kq505 {
namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

void Send(CKQ505App& app, const std::vector<std::vector<std::uint8_t>>& messages) {
    for (const std::vector<std::uint8_t>& message : messages)
        SendSysEx(app, message);
}

template <std::size_t N>
void SetLimits(CKQ505App& app, const std::array<XgLimit, N>& limits) {
    for (const XgLimit& limit : limits)
        SetXgPartValue(app, limit.xg_part, limit.param, limit.value);
}

}  // namespace

void SetXgPartValue(CKQ505App& app, int xg_part, int param, std::int32_t value) {
    value = ClampXgValue(XgPartParams()[At(param)], value);
    app.xg_parts.parts[At(xg_part)][At(param)] = value;
    MarkSetupModified(app);
    SendSysEx(app, XgPartParamMessage(xg_part, param, value));
}

void SetXgSystemValue(CKQ505App& app, int param, std::int32_t value) {
    value = ClampXgValue(XgSystemParams()[At(param)], value);
    app.xg_parts.system[At(param)] = value;
    MarkSetupModified(app);
    SendSysEx(app, XgSystemParamMessage(param, value));
}

void MakeSplit(CKQ505App& app, int part, int key) {
    SetLimits(app, SplitLimits(part, key));
}

void MakeVelocitySwitch(CKQ505App& app, int part, int velocity) {
    SetLimits(app, VelocitySwitchLimits(part, velocity));
}

void SendXgPartChanges(CKQ505App& app, int part) {
    Send(app, XgPartChangeMessages(app.xg_parts, part));
    Send(app, XgPartChangeMessages(app.xg_parts, part + kPartCount));
}

void SendXgSystemChanges(CKQ505App& app) {
    Send(app, XgSystemChangeMessages(app.xg_parts));
}

std::int32_t LayerVelocityOffset(const CKQ505App& app, int xg_part) {
    constexpr std::uint8_t kVelocitySenseOffset = 0x0D;
    XgModuleParts module{};
    PartToModule(app.part_table, xg_part % kPartCount, module);
    return module[At(xg_part)].multi_part[kVelocitySenseOffset].value_or(64);
}

std::bitset<128> NotesDown(const CKQ505App& app) {
    std::bitset<128> down;
    for (int note = 0; note < 128; ++note) {
        down[At(note)] =
            app.play_through->IsInputNoteDown(note) || app.play_through->IsKeyboardNoteDown(note);
    }
    return down;
}

std::optional<int> NewNote(const std::bitset<128>& before, const std::bitset<128>& now) {
    const std::bitset<128> fresh = now & ~before;
    for (int note = 0; note < 128; ++note) {
        if (fresh[At(note)]) return note;
    }
    return std::nullopt;
}

void SendXgPartValue(CKQ505App& app, int xg_part, int param) {
    SendSysEx(app, XgPartParamMessage(xg_part, param, app.xg_parts.parts[At(xg_part)][At(param)]));
}

void SendXgSystemValue(CKQ505App& app, int param) {
    SendSysEx(app, XgSystemParamMessage(param, app.xg_parts.system[At(param)]));
}

}  // namespace kq505
