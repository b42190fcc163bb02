#include "view/form_values.h"

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_send.h"
#include "model/value_text.h"

namespace kq505 {
namespace {

void ShowLayerBanks(LayerFields& fields, const CKQ505App& app, Port layer) {
    const bool b = layer == Port::B;
    const std::int32_t msb = app.Value(LayerRow(bank_msb_a, b));
    const std::int32_t lsb = app.Value(LayerRow(bank_lsb_a, b));
    const std::int32_t program = app.Value(LayerRow(program_a, b));
    fields.m_nBankMsb = msb;
    fields.m_nBankLsb = lsb;
    fields.m_nProgram = program + 1;
    fields.m_strInstrument = app.instrument_names.Get(msb, program, lsb);
}

}  // namespace

void ShowLayerRow(FormValues& form, const CKQ505App& app, Row row) {
    if (!IsLayerRow(row)) return;
    LayerFields& f = form.Layer(IsLayerB(row) ? Port::B : Port::A);
    const std::int32_t v = app.Value(row);
    switch (IsLayerB(row) ? static_cast<Row>(row - 1) : row) {
        case reverb_a:
            f.m_nReverb = v;
            break;
        case chorus_a:
            f.m_nChorus = v;
            break;
        case variation_a:
            f.m_nVariation = v;
            break;
        case pan_a:
            f.m_strPan = FormatPan(v);
            break;
        case hpf_a:
            f.m_nHpf = v - 64;
            break;
        case brightness_a:
            f.m_nBrightness = v - 64;
            break;
        case harmonic_a:
            f.m_nHarmonic = v - 64;
            break;
        case attack_a:
            f.m_nAttack = v - 64;
            break;
        case decay_a:
            f.m_nDecay = v - 64;
            break;
        case release_a:
            f.m_nRelease = v - 64;
            break;
        case vib_delay_a:
            f.m_nVibDelay = v - 64;
            break;
        case vib_rate_a:
            f.m_nVibRate = v - 64;
            break;
        case vib_depth_a:
            f.m_nVibDepth = v - 64;
            break;
        case eq_bass_freq_a:
            f.m_strBassFreq = FormatEqFrequency(v);
            break;
        case eq_bass_gain_a:
            f.m_strBassGain = FormatEqGain(v);
            break;
        case eq_treble_freq_a:
            f.m_strTrebleFreq = FormatEqFrequency(v);
            break;
        case eq_treble_gain_a:
            f.m_strTrebleGain = FormatEqGain(v);
            break;
        default:
            break;  // banks and program go together, through ShowBanks
    }
}

void ShowBanks(FormValues& form, const CKQ505App& app) {
    ShowLayerBanks(form.a, app, Port::A);
    ShowLayerBanks(form.b, app, Port::B);
}

void ShowPart(FormValues& form, const CKQ505App& app) {
    form.m_nVol = form.m_nVolPos = app.Value(vol);
    form.m_nExp = form.m_nExpPos = app.Value(exp);
    form.m_nKeyShiftPos = app.Value(key_shift);
    form.m_nKeyShift = app.Value(key_shift) - 64;
    form.m_bPortamento = app.Value(porta_sw);
    form.m_nPortaTime = form.m_nPortaTimePos = app.Value(porta_time);
    form.m_bMix = app.Value(mix_sw);
    form.m_nMixPos = app.Value(mix);
    form.m_strMix = FormatMix(app.Value(mix));
    ShowBanks(form, app);
    for (int row = reverb_a; row < kRowCount; ++row)
        ShowLayerRow(form, app, static_cast<Row>(row));
}

void ShowDrag(FormValues& form, const CKQ505App& app, const DragResult& drag) {
    for (int i = 0; i < drag.row_count; ++i) {
        const Row row = drag.rows[i];
        ShowLayerRow(form, app, row);
        if (drag.random_pan && row == LayerRow(pan_a, IsLayerB(row)))
            form.Layer(IsLayerB(row) ? Port::B : Port::A).m_strPan = "Rnd";
    }
}

namespace {

void ShowSliderTexts(FormValues& form) {
    form.m_nVol = form.m_nVolPos;
    form.m_nExp = form.m_nExpPos;
    form.m_strNote = NoteName(form.m_nNotePos);
    form.m_nKeyShift = form.m_nKeyShiftPos - 64;
    form.m_nPortaTime = form.m_nPortaTimePos;
    form.m_strMix = FormatMix(form.m_nMixPos);
}

void StoreSliders(CKQ505App& app, const FormValues& form) {
    app.Value(vol) = form.m_nVolPos;
    app.Value(exp) = form.m_nExpPos;
    app.Value(key_shift) = form.m_nKeyShiftPos;
    app.Value(porta_time) = form.m_nPortaTimePos;
    app.Value(mix) = form.m_nMixPos;
    app.preview_note = form.m_nNotePos;
}

}  // namespace

void ApplySliders(CKQ505App& app, FormValues& form, std::optional<Row> moved) {
    ShowSliderTexts(form);
    StoreSliders(app, form);
    if (!moved) return;  // the preview note is no part of the set-up
    SendRowMessage(app, *moved);
    MarkSetupModified(app);
}

void ApplySwitch(CKQ505App& app, const FormValues& form, Row row) {
    app.Value(row) = (row == porta_sw ? form.m_bPortamento : form.m_bMix) != 0 ? 1 : 0;
    SendRowMessage(app, row);
    MarkSetupModified(app);
}

}  // namespace kq505
