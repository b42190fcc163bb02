#pragma once
// The editor form's display copies: what each control shows, filled from the part table.
// The table stays the only store; these are rebuilt from it and pushed to the controls.
// Instrument names are kept as the Shift_JIS bytes of the name tables.

#include <cstdint>
#include <optional>
#include <string>

#include "model/midi_output.h"
#include "model/part_table.h"
#include "view/knob_geometry.h"

namespace kq505 {

class CKQ505App;

// The per-layer fields of the form (Port A row or Port B row of the form).
struct LayerFields {
    std::string m_strInstrument;
    int m_nBankLsb = 0;
    int m_nBankMsb = 0;
    int m_nProgram = 0;  // program + 1 once filled from the table
    int m_nReverb = 40;
    int m_nChorus = 0;
    int m_nVariation = 0;
    std::string m_strPan = "C";
    int m_nHpf = 0;  // this and the next eight hold value − 64
    int m_nBrightness = 0;
    int m_nHarmonic = 0;
    int m_nAttack = 0;
    int m_nDecay = 0;
    int m_nRelease = 0;
    int m_nVibDelay = 0;
    int m_nVibRate = 0;
    int m_nVibDepth = 0;
    std::string m_strBassFreq = "80";
    std::string m_strTrebleFreq = "10k";
    std::string m_strBassGain = "+0";
    std::string m_strTrebleGain = "+0";
};

struct FormValues {
    int m_nTrack = 0;  // index of the selected combo entry
    int m_nVol = 100;
    int m_nVolPos = 100;
    int m_nExp = 127;
    int m_nExpPos = 127;
    std::string m_strNote = "A3";
    int m_nNotePos = 69;
    int m_nKeyShift = 0;  // key_shift − 64
    int m_nKeyShiftPos = 64;
    int m_bPortamento = 0;
    int m_nPortaTime = 0;
    int m_nPortaTimePos = 0;
    int m_nMixPos = 0;
    std::string m_strMix = "A=B";
    int m_bMix = 0;
    LayerFields a;
    LayerFields b;

    LayerFields& Layer(Port layer) { return layer == Port::B ? b : a; }
};

// Every field of the selected part from the table; the note fields are left alone, since
// the preview note is shared by all parts.
void ShowPart(FormValues& form, const CKQ505App& app);
// Bank, program and instrument name of both layers (the refresh on activation).
void ShowBanks(FormValues& form, const CKQ505App& app);
// The one field that shows this row of the selected part (rows 13..46), from the table.
void ShowLayerRow(FormValues& form, const CKQ505App& app, Row row);

// The fields of the rows a drag step changed, "Rnd" for a pan brought to 0.
void ShowDrag(FormValues& form, const CKQ505App& app, const DragResult& drag);

// A slider moved (`moved` is its row; the Note slider has none): all six texts from the six
// slider positions, all five rows of the selected part and preview_note from them, then the
// message of the slider that moved.
void ApplySliders(CKQ505App& app, FormValues& form, std::optional<Row> moved);
// A check box was clicked (porta_sw or mix_sw): its state into the row, then the row's
// message.
void ApplySwitch(CKQ505App& app, const FormValues& form, Row row);

}  // namespace kq505
