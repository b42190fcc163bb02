#include "view/knob_keys.h"

#include <array>
#include <string_view>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

// What the form's group headings call the graphs, in Graph order.
constexpr std::array<std::string_view, kGraphCount> kGraphNames{
    "Effector Send", "Filter", "Envelope Generator", "Vibrato", "Equorizer"};

// The rows of a handle as they are read out, with the A layer's rows.
std::string_view RowWord(Row row) {
    switch (row) {
        case pan_a:
            return "Pan";
        case reverb_a:
            return "Reverb";
        case chorus_a:
            return "Chorus";
        case variation_a:
            return "Variation";
        case hpf_a:
            return "HPF";
        case brightness_a:
            return "Cutoff";
        case harmonic_a:
            return "Resonance";
        case attack_a:
            return "Attack";
        case decay_a:
            return "Decay";
        case release_a:
            return "Release";
        case vib_delay_a:
            return "Delay";
        case vib_depth_a:
            return "Depth";
        case vib_rate_a:
            return "Rate";
        case eq_bass_freq_a:
            return "Bass Frequency";
        case eq_bass_gain_a:
            return "Bass Gain";
        case eq_treble_freq_a:
            return "Treble Frequency";
        case eq_treble_gain_a:
            return "Treble Gain";
        default:
            return "";
    }
}

}  // namespace

int HandleCodeAt(int index) {
    const int place = ((index % kWalkedHandleCount) + kWalkedHandleCount) % kWalkedHandleCount;
    return DragTargetCode(static_cast<HandleKind>(place % kHandleKindCount),
                          place < kHandleKindCount ? Port::A : Port::B);
}

int HandleIndexOf(int code) {
    const std::optional<DragTarget> target = DecodeDragTarget(code);
    if (!target) return 0;
    return static_cast<int>(target->kind) + (target->layer == Port::B ? kHandleKindCount : 0);
}

std::optional<KeyMove> KeyMoveOf(const CKQ505App& app, int code, KnobKey key) {
    const std::optional<DragTarget> target = DecodeDragTarget(code);
    if (!target) return std::nullopt;
    const HandleSpec& handle = kHandles[static_cast<int>(target->kind)];
    const bool b = target->layer == Port::B;
    if (key == KnobKey::kHome) {
        const auto back = [&](const std::optional<Row>& row) {
            if (!row) return 0;
            const Row layer_row = LayerRow(*row, b);
            return kRowInfo[layer_row].default_value - app.Value(layer_row);
        };
        return KeyMove{back(handle.across), back(handle.up)};
    }
    const bool one_row = !handle.across || !handle.up;
    // Along the handle's one row, whichever arrow: up and right increase it.
    const auto along = [&](int step) -> std::optional<KeyMove> {
        return handle.across ? KeyMove{step, 0} : KeyMove{0, step};
    };
    switch (key) {
        case KnobKey::kRight:
            return one_row ? along(1) : KeyMove{1, 0};
        case KnobKey::kLeft:
            return one_row ? along(-1) : KeyMove{-1, 0};
        case KnobKey::kUp:
            return one_row ? along(1) : KeyMove{0, 1};
        case KnobKey::kDown:
            return one_row ? along(-1) : KeyMove{0, -1};
        case KnobKey::kPageUp:
            return one_row ? along(kPageStep) : KeyMove{0, kPageStep};
        case KnobKey::kPageDown:
            return one_row ? along(-kPageStep) : KeyMove{0, -kPageStep};
        case KnobKey::kHome:
            break;
    }
    return std::nullopt;
}

std::string HandleText(const CKQ505App& app, int code) {
    const std::optional<DragTarget> target = DecodeDragTarget(code);
    if (!target) return {};
    const HandleSpec& handle = kHandles[static_cast<int>(target->kind)];
    const bool b = target->layer == Port::B;
    std::string text = b ? "B " : "A ";
    text += kGraphNames[static_cast<int>(GraphOf(target->kind))];
    char separator = ':';
    for (const std::optional<Row>& row : {handle.across, handle.up}) {
        if (!row) continue;
        text += separator;
        text += ' ';
        text += RowWord(*row);
        text += ' ';
        text += std::to_string(app.Value(LayerRow(*row, b)));
        separator = ',';
    }
    return text;
}

}  // namespace kq505
