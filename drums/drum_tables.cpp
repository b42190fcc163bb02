#include "drums/drum_tables.h"

#include "drums/xg_drum_data.h"
#include "effects/effect_value_text.h"

namespace kq505 {
namespace {

constexpr int kSfxKitMsb = 126;
constexpr int kDrumKitMsb = 127;

const DrumKitNote& NoteOf(const DrumKit& kit, int note) {
    return kit.notes[static_cast<std::size_t>(note - kFirstDrumNote)];
}

}  // namespace

const DrumParamInfo& DrumParam(int param) {
    return xg_drum_data::k_params[static_cast<std::size_t>(param)];
}

const DrumKit& StandardDrumKit() {
    return xg_drum_data::k_kits.front();
}

const DrumKit& DrumKitFor(int msb, int program) {
    const int kit_msb = msb == kSfxKitMsb ? kSfxKitMsb : kDrumKitMsb;
    for (const DrumKit& kit : xg_drum_data::k_kits) {
        if (kit.msb == kit_msb && kit.program == program) return kit;
    }
    return StandardDrumKit();
}

std::int32_t KitDefault(const DrumKit& kit, int note, int param) {
    const auto at = static_cast<std::size_t>(param);
    if (const int own = NoteOf(kit, note).defaults[at]; own >= 0) return own;
    if (const int gm = NoteOf(StandardDrumKit(), note).defaults[at]; gm >= 0) return gm;
    return DrumParam(param).default_value;
}

std::string_view KitNoteName(const DrumKit& kit, int note) {
    const std::string_view own = NoteOf(kit, note).name;
    return own.empty() ? NoteOf(StandardDrumKit(), note).name : own;
}

std::string DrumValueText(int param, std::int32_t value) {
    const ValueFormat format = DrumParam(param).format;
    if (format != ValueFormat::pan) return EffectValueText(format, value);
    if (value == 0) return "Rnd";
    if (value == 64) return "C";
    return value < 64 ? "L" + std::to_string(64 - value) : "R" + std::to_string(value - 64);
}

std::string_view PartModeText(PartMode mode) {
    static constexpr std::array<std::string_view, kPartModeCount> kTexts{
        "Normal", "Drum", "Drum 1", "Drum 2", "Drum 3", "Drum 4"};
    const auto index = static_cast<std::size_t>(mode);
    return index < kTexts.size() ? kTexts[index] : std::string_view("?");
}

}  // namespace kq505
