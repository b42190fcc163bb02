#include "drums/drum_edit.h"

#include <algorithm>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

void Send(CKQ505App& app, const std::vector<std::vector<std::uint8_t>>& messages) {
    for (const std::vector<std::uint8_t>& message : messages)
        SendSysEx(app, message);
}

}  // namespace

void SetDrumValue(CKQ505App& app, int setup, int note, int param, std::int32_t value) {
    const DrumParamInfo& info = DrumParam(param);
    value = std::clamp(value, info.min, info.max);
    const std::int32_t kit_value =
        KitDefault(KitOfSetup(app.drums, app.part_table, setup), note, param);
    DrumSlot(app.drums, setup, note, param) =
        value == kit_value ? kFollowKit : static_cast<std::uint8_t>(value);
    MarkSetupModified(app);
    SendSysEx(app, XgDrumSetupMessage(setup, note, param, value));
}

void SetPartMode(CKQ505App& app, int xg_part, PartMode mode) {
    app.drums.part_modes[static_cast<std::size_t>(xg_part)] = mode;
    MarkSetupModified(app);
    SendSysEx(app, XgPartModeMessage(xg_part, mode));
}

void ResetDrumSetupCommand(CKQ505App& app, int setup) {
    SendSysEx(app, XgDrumSetupResetMessage(setup));
    ResetDrumSetup(app.drums, setup);
    MarkSetupModified(app);
}

void SendPartModes(CKQ505App& app) {
    Send(app, PartModeMessages(app.drums));
}

void SendDrumSetupEdits(CKQ505App& app, int setup) {
    Send(app, DrumSetupEditMessages(app.drums, setup));
}

void SendDrumSetupWhole(CKQ505App& app, int setup) {
    const DrumKit& kit = KitOfSetup(app.drums, app.part_table, setup);
    for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
        for (int param = 0; param < kDrumParamCount; ++param) {
            const std::uint8_t own = DrumSlot(app.drums, setup, note, param);
            const std::int32_t value = own != kFollowKit ? own : KitDefault(kit, note, param);
            SendSysEx(app, XgDrumSetupMessage(setup, note, param, value));
        }
    }
}

void SendDrumValue(CKQ505App& app, int setup, int note, int param) {
    const std::int32_t value = DrumValue(app.drums, app.part_table, setup, note, param);
    SendSysEx(app, XgDrumSetupMessage(setup, note, param, value));
}

void ResendDrumSetupAfterProgramChange(CKQ505App& app, int xg_part) {
    const int setup = DrumSetupOfMode(app.drums.part_modes[static_cast<std::size_t>(xg_part)]);
    if (setup >= 0) SendDrumSetupEdits(app, setup);
}

}  // namespace kq505
