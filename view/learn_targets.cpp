#include "view/learn_targets.h"

#include <utility>

#include "view/form_layout.h"
#include "view/knob_geometry.h"

namespace kq505 {
namespace {

// The controls that show one row: the part's sliders and their fields, and the value fields
// of the knob panel, the A layer's (the B layer's follow 17 identifiers on).
constexpr std::array<std::pair<int, Row>, 10> kPartControls{{
    {kIdVolSlider, vol},
    {1011, vol},
    {kIdExpSlider, exp},
    {1012, exp},
    {kIdKeyShiftSlider, key_shift},
    {1017, key_shift},
    {kIdPortaTimeSlider, porta_time},
    {1021, porta_time},
    {kIdMixSlider, mix},
    {1046, mix},
}};
constexpr int kLayerFieldOffsetB = 17;
constexpr std::array<std::pair<int, Row>, 17> kLayerFieldsA{{
    {1048, reverb_a},
    {1049, chorus_a},
    {1050, pan_a},
    {1051, variation_a},
    {1052, hpf_a},
    {1053, brightness_a},
    {1054, harmonic_a},
    {1055, attack_a},
    {1056, decay_a},
    {1057, release_a},
    {1058, vib_delay_a},
    {1059, vib_rate_a},
    {1060, vib_depth_a},
    {1061, eq_bass_freq_a},
    {1062, eq_treble_freq_a},
    {1063, eq_bass_gain_a},
    {1064, eq_treble_gain_a},
}};

std::optional<Row> RowOfControl(int id) {
    for (const auto& [control, row] : kPartControls)
        if (control == id) return row;
    for (const auto& [control, row] : kLayerFieldsA) {
        if (control == id) return row;
        if (control + kLayerFieldOffsetB == id) return LayerRow(row, true);
    }
    return std::nullopt;
}

bool Contains(const PixelRect& r, int x, int y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

}  // namespace

std::optional<LearnTarget> LearnTargetAt(const CKQ505App& app, int x, int y) {
    if (const std::optional<DragTarget> handle = DecodeDragTarget(HitTest(app, x, y))) {
        const HandleSpec& spec = kHandles[static_cast<std::size_t>(handle->kind)];
        const bool b = handle->layer == Port::B;
        LearnTarget target;
        for (const std::optional<Row>& row : {spec.across, spec.up})
            if (row) target.rows[static_cast<std::size_t>(target.count++)] = LayerRow(*row, b);
        return target;
    }
    for (const FormControl& control : kFormControls) {
        if (!Contains(ToPixels(control.rect), x, y)) continue;
        if (const std::optional<Row> row = RowOfControl(control.id)) return LearnTarget{{*row}, 1};
    }
    return std::nullopt;
}

}  // namespace kq505
