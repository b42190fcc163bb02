#include "model/part_transmission.h"

#include <array>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "drums/drum_edit.h"
#include "effects/effect_edit.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "xgpart/xg_part_edit.h"

namespace kq505 {
namespace {

// The A layer's rows in the order a whole layer is sent; the B layer uses the row after each.
constexpr std::array<Row, 20> kLayerSendOrder{
    bank_msb_a,  bank_lsb_a,     program_a,      reverb_a,         chorus_a,
    variation_a, pan_a,          brightness_a,   harmonic_a,       hpf_a,
    attack_a,    decay_a,        release_a,      vib_rate_a,       vib_depth_a,
    vib_delay_a, eq_bass_freq_a, eq_bass_gain_a, eq_treble_freq_a, eq_treble_gain_a};

void SendPartRows(CKQ505App& app) {
    for (Row row : {vol, exp, key_shift, porta_sw, porta_time, mix})
        SendRowMessage(app, row);
    for (bool layer_b : {false, true}) {
        for (Row row : kLayerSendOrder)
            SendRowMessage(app, LayerRow(row, layer_b));
    }
}

void ResetModule(CKQ505App& app) {
    ResetPartParameters(app.part_table);
    ResetEffectBlocks(app.effect_blocks);
    ResetDrumSetups(app.drums);
    ResetXgPartValues(app.xg_parts);
    MarkSetupModified(app);
}

}  // namespace

void SendMixOffsets(CKQ505App& app) {
    const int part = app.selected_part;
    const std::int32_t m = app.Value(mix);
    SendXgPartParameter(app, part, kXgVelocitySenseOffset, 64);
    SendXgPartParameter(app, part + kPartCount, kXgVelocitySenseOffset, 64);
    if (m > 0) SendXgPartParameter(app, part, kXgVelocitySenseOffset, 64 - m);
    if (m < 0) SendXgPartParameter(app, part + kPartCount, kXgVelocitySenseOffset, 64 + m);
}

void SendAllPartParameters(CKQ505App& app) {
    SendPartRows(app);
    SendXgPartChanges(app, app.selected_part);
    // The program changes reset the setups of the layers in a drum mode; one setup shared
    // by both layers goes out once, after both.
    const int a =
        DrumSetupOfMode(app.drums.part_modes[static_cast<std::size_t>(app.selected_part)]);
    const int b = DrumSetupOfMode(
        app.drums.part_modes[static_cast<std::size_t>(app.selected_part + kPartCount)]);
    if (a >= 0) SendDrumSetupEdits(app, a);
    if (b >= 0 && b != a) SendDrumSetupEdits(app, b);
}

void SendOpenedSetup(CKQ505App& app) {
    if (app.send_on_open == 1) SendAllParts(app);
}

void SendAllParts(CKQ505App& app) {
    SendXgSystemChanges(app);
    SendEffectBlocks(app);
    // A part's mode decides what its program change selects, so the modes go before them.
    SendPartModes(app);
    const int selected = app.selected_part;
    for (int part = 0; part < kPartCount; ++part) {
        app.selected_part = part;
        SendPartRows(app);
        SendXgPartChanges(app, part);
    }
    app.selected_part = selected;
    // After every program change, each of which may have reset a setup.
    for (int setup = 0; setup < kDrumSetupCount; ++setup)
        SendDrumSetupEdits(app, setup);
}

void SendXgSystemOn(CKQ505App& app) {
    SendSysEx(app, kXgSystemOn);
    ResetModule(app);
}

void SendGmSystemOn(CKQ505App& app) {
    SendSysEx(app, kGmSystemOn);
    ResetModule(app);
}

}  // namespace kq505
