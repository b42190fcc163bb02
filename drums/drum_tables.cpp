#include "drums/drum_tables.h"

#include <cctype>
#include <charconv>

#include "drums/xg_drum_data.h"
#include "effects/effect_value_text.h"

namespace kq505 {
namespace {

constexpr int kSfxKitMsb = 126;
constexpr int kDrumKitMsb = 127;

const DrumKitNote& NoteOf(const DrumKit& kit, int note) {
    return kit.notes[static_cast<std::size_t>(note - kFirstDrumNote)];
}

// Lower case, without spaces: what typing is compared by.
std::string Folded(std::string_view text) {
    std::string folded;
    for (const char c : text) {
        if (c != ' ') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

// Formats that show the value's distance from 64.
bool CountsFromCentre(ValueFormat format) {
    return format == ValueFormat::semitones || format == ValueFormat::cents ||
           format == ValueFormat::offset64 || format == ValueFormat::pan;
}

std::optional<std::int32_t> Number(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

}  // namespace

std::optional<std::int32_t> ParseDrumValueText(int param, std::string_view text) {
    const DrumParamInfo& info = DrumParam(param);
    const std::string typed = Folded(text);
    for (std::int32_t value = info.min; value <= info.max; ++value) {
        if (Folded(DrumValueText(param, value)) == typed) return value;
    }
    std::optional<std::int32_t> value = Number(typed);
    if (value && CountsFromCentre(info.format)) *value += 64;
    // Random pan is chosen by its name alone.
    const std::int32_t lowest = info.format == ValueFormat::pan ? 1 : info.min;
    if (!value || *value < lowest || *value > info.max) return std::nullopt;
    return value;
}

bool StartsDrumValueText(int param, std::string_view text) {
    const std::string typed = Folded(text);
    const std::size_t sign = typed.starts_with('+') || typed.starts_with('-') ? 1 : 0;
    if (typed.size() <= sign + 3 &&
        typed.find_first_not_of("0123456789", sign) == std::string::npos)
        return true;
    const DrumParamInfo& info = DrumParam(param);
    for (std::int32_t value = info.min; value <= info.max; ++value) {
        if (Folded(DrumValueText(param, value)).starts_with(typed)) return true;
    }
    return false;
}

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
