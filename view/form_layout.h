#pragma once
// The editor form's template: every control and label in dialog units, and the conversion
// to client pixels (x × 7/4, y × 3/2, rounded like the dialog manager does), which puts
// the knob panel's fixed pixel graphs between their headings and value fields.

#include <array>
#include <string_view>

#include "view/knob_geometry.h"

namespace kq505 {

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

// Half-units round away from zero, as a dialog template's positions do.
constexpr int DialogUnitsToPixelsX(int units) {
    return (units * 7 + (units < 0 ? -2 : 2)) / 4;
}
constexpr int DialogUnitsToPixelsY(int units) {
    return (units * 3 + (units < 0 ? -1 : 1)) / 2;
}
constexpr PixelRect ToPixels(DialogRect r) {
    return {DialogUnitsToPixelsX(r.x), DialogUnitsToPixelsY(r.y), DialogUnitsToPixelsX(r.width),
            DialogUnitsToPixelsY(r.height)};
}

inline constexpr DialogRect kFormSize{0, 0, 385, 240};  // 674 × 360 pixels

enum class ControlKind { kCombo, kButton, kSlider, kCheckBox, kEdit };

// Edit boxes are all read-only; `right` aligns their text right, `border` frames them.
struct FormControl {
    int id;
    ControlKind kind;
    DialogRect rect;
    std::string_view text = {};
    bool right = false;
    bool border = false;
};

// Control identifiers the view handles by name.
enum ControlId : int {
    kIdTrackCombo = 1000,
    kIdEditName = 1015,
    kIdVolSlider = 1008,
    kIdExpSlider = 1009,
    kIdNoteSlider = 1013,
    kIdKeyShiftSlider = 1016,
    kIdPortaTimeSlider = 1018,
    kIdMixSlider = 1045,
    kIdPortamentoCheck = 1020,
    kIdMixCheck = 1082,
};

inline constexpr int kFirstControlId = 1000;
inline constexpr int kLastControlId = 1082;

using CK = ControlKind;
inline constexpr std::array<FormControl, 58> kFormControls{{
    {1000, CK::kCombo, {5, 14, 110, 83}},
    {1015, CK::kButton, {119, 14, 16, 13}, "Edit"},
    {1008, CK::kSlider, {172, 6, 64, 12}},
    {1011, CK::kEdit, {236, 8, 12, 12}, {}, true},
    {1009, CK::kSlider, {172, 20, 64, 12}},
    {1012, CK::kEdit, {236, 22, 12, 12}, {}, true},
    {1013, CK::kSlider, {284, 6, 66, 12}},
    {1014, CK::kEdit, {351, 8, 16, 12}},
    {1016, CK::kSlider, {302, 20, 48, 12}},
    {1017, CK::kEdit, {351, 22, 10, 12}},
    {1020, CK::kCheckBox, {159, 42, 45, 8}, "&Portamento"},
    {1018, CK::kSlider, {206, 41, 64, 12}},
    {1021, CK::kEdit, {270, 43, 12, 12}},
    {1001, CK::kEdit, {30, 40, 15, 12}, {}, true, true},
    {1002, CK::kEdit, {49, 40, 15, 12}, {}, true, true},
    {1003, CK::kEdit, {67, 40, 15, 12}, {}, true, true},
    {1004, CK::kEdit, {85, 40, 50, 12}, {}, false, true},
    {1048, CK::kEdit, {25, 118, 10, 12}},
    {1049, CK::kEdit, {55, 118, 10, 12}},
    {1050, CK::kEdit, {25, 129, 12, 12}},
    {1051, CK::kEdit, {55, 129, 10, 12}},
    {1052, CK::kEdit, {104, 118, 10, 12}},
    {1053, CK::kEdit, {134, 118, 10, 12}},
    {1054, CK::kEdit, {134, 129, 10, 12}},
    {1055, CK::kEdit, {193, 118, 10, 12}},
    {1056, CK::kEdit, {229, 118, 10, 12}},
    {1057, CK::kEdit, {198, 129, 10, 12}},
    {1058, CK::kEdit, {266, 118, 10, 12}},
    {1059, CK::kEdit, {297, 118, 10, 12}},
    {1060, CK::kEdit, {266, 129, 10, 12}},
    {1061, CK::kEdit, {341, 118, 12, 12}, {}, true},
    {1063, CK::kEdit, {365, 118, 10, 12}},
    {1062, CK::kEdit, {341, 129, 12, 12}, {}, true},
    {1064, CK::kEdit, {365, 129, 10, 12}},
    {1065, CK::kEdit, {25, 191, 10, 12}},
    {1066, CK::kEdit, {54, 191, 10, 12}},
    {1067, CK::kEdit, {25, 203, 12, 12}},
    {1068, CK::kEdit, {54, 203, 10, 12}},
    {1069, CK::kEdit, {104, 191, 10, 12}},
    {1070, CK::kEdit, {134, 191, 10, 12}},
    {1071, CK::kEdit, {134, 203, 10, 12}},
    {1072, CK::kEdit, {193, 191, 10, 12}},
    {1073, CK::kEdit, {229, 191, 10, 12}},
    {1074, CK::kEdit, {198, 203, 10, 12}},
    {1075, CK::kEdit, {266, 191, 10, 12}},
    {1076, CK::kEdit, {297, 191, 10, 12}},
    {1077, CK::kEdit, {266, 203, 10, 12}},
    {1078, CK::kEdit, {341, 191, 12, 12}, {}, true},
    {1080, CK::kEdit, {365, 191, 10, 12}},
    {1079, CK::kEdit, {341, 203, 12, 12}, {}, true},
    {1081, CK::kEdit, {365, 203, 10, 12}},
    {1005, CK::kEdit, {30, 220, 15, 12}, {}, true, true},
    {1006, CK::kEdit, {49, 220, 15, 12}, {}, true, true},
    {1007, CK::kEdit, {67, 220, 15, 12}, {}, true, true},
    {1010, CK::kEdit, {85, 220, 50, 12}, {}, false, true},
    {1082, CK::kCheckBox, {159, 222, 22, 10}, "&Mix"},
    {1045, CK::kSlider, {183, 221, 67, 12}},
    {1046, CK::kEdit, {255, 223, 20, 12}},
}};

// The height of the combo's closed selection field; the template's height is that of the
// dropped-down list.
inline constexpr int kComboFieldHeight = 13;

// A static text at its position; `buddy` is the control its mnemonic moves the focus to.
struct FormLabel {
    std::string_view text;
    int x;
    int y;
    int buddy = 0;
};
inline constexpr int kLabelHeight = 8;

inline constexpr std::array<FormLabel, 50> kFormLabels{{
    {"&Track Name :", 5, 5, kIdTrackCombo},
    {"&Vol", 160, 8, kIdVolSlider},
    {"E&xp", 160, 22, kIdExpSlider},
    {"&Note", 270, 8, kIdNoteSlider},
    {"&Key Shift", 270, 22, kIdKeyShiftSlider},
    {"Port A :", 5, 42},
    {"MSB", 30, 32},
    {"PC#", 50, 32},
    {"LSB", 68, 32},
    {"Instrument", 86, 32},
    {"Effector Send", 17, 60},
    {"Filter", 112, 60},
    {"Envelope Generator", 177, 60},
    {"Vibrato", 266, 60},
    {"Equorizer", 333, 60},
    {"Rev", 10, 118},
    {"Cho", 40, 118},
    {"Pan", 10, 129},
    {"Var", 40, 129},
    {"HPF", 88, 118},
    {"LPF", 119, 118},
    {"Rez", 119, 129},
    {"Attack", 170, 118},
    {"Decay", 207, 118},
    {"Release", 170, 129},
    {"Delay", 246, 118},
    {"Rate", 280, 118},
    {"Depth", 246, 129},
    {"Bass", 318, 118},
    {"Hz", 353, 118},
    {"Treble", 318, 129},
    {"Hz", 353, 129},
    {"Rev", 10, 191},
    {"Cho", 40, 191},
    {"Pan", 10, 203},
    {"Var", 40, 203},
    {"HPF", 88, 191},
    {"LPF", 118, 191},
    {"Rez", 118, 203},
    {"Attack", 170, 191},
    {"Decay", 206, 191},
    {"Release", 170, 203},
    {"Delay", 246, 191},
    {"Rate", 280, 191},
    {"Depth", 246, 203},
    {"Bass", 318, 191},
    {"Hz", 353, 191},
    {"Treble", 318, 203},
    {"Hz", 353, 203},
    {"Port B :", 5, 222},
}};

}  // namespace kq505
