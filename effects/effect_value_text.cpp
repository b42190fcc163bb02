#include "effects/effect_value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "model/value_text.h"

namespace kq505 {
namespace {

constexpr std::string_view kUnknownText = "?";

std::string Signed(std::int64_t value) {
    return (value > 0 ? "+" : "") + std::to_string(value);
}

// value / 10 with one decimal ("-12.8", "0.1"); a plus sign only when asked for.
std::string Tenths(std::int64_t tenths, bool plus = false) {
    const std::int64_t whole = std::llabs(tenths);
    std::string text = (tenths < 0 ? "-" : (plus && tenths > 0 ? "+" : "")) +
                       std::to_string(whole / 10) + "." + std::to_string(whole % 10);
    return text;
}

std::string WithUnit(std::string text, std::string_view unit) {
    return text + " " + std::string(unit);
}

// The table's own text of this value, or nothing when the value lies outside it.
std::string_view TableText(ValueFormat format, std::int32_t value) {
    const std::span<const std::string_view> table = ValueTable(format);
    if (value < 0 || static_cast<std::size_t>(value) >= table.size()) return {};
    return table[static_cast<std::size_t>(value)];
}

// "500 Hz" below one kilohertz, "2.0 kHz" from there on.
std::string Frequency(std::string_view hertz_text) {
    double hertz = 0;
    std::from_chars(hertz_text.data(), hertz_text.data() + hertz_text.size(), hertz);
    if (hertz < 1000) return WithUnit(std::to_string(std::lround(hertz)), "Hz");
    return WithUnit(Tenths(std::lround(hertz / 100)), "kHz");
}

std::string_view UnitOfTable(ValueFormat format) {
    switch (format) {
        case ValueFormat::lfo_freq:
        case ValueFormat::lfo_freq_alt:
            return "Hz";
        case ValueFormat::reverb_time:
            return "s";
        case ValueFormat::mod_delay_offset:
        case ValueFormat::delay_time_200:
        case ValueFormat::delay_time_400:
            return "ms";
        case ValueFormat::room_size:
        case ValueFormat::reverb_dimension:
            return "m";
        default:
            return {};
    }
}

std::string FromTable(ValueFormat format, std::int32_t value) {
    const std::string_view text = TableText(format, value);
    if (text.empty()) return std::string(kUnknownText);
    if (format == ValueFormat::eq_freq) return Frequency(text);
    const std::string_view unit = UnitOfTable(format);
    return unit.empty() ? std::string(text) : WithUnit(std::string(text), unit);
}

std::string PanText(std::int32_t value) {
    if (value == 0) return "RND";
    if (value == 64) return "C";
    return value < 64 ? "L" + std::to_string(64 - value) : "R" + std::to_string(value - 64);
}

std::string DryWetText(std::int32_t value) {
    if (value == 64) return "D=W";
    return value < 64 ? "D" + std::to_string(64 - value) + ">W"
                      : "D<W" + std::to_string(value - 64);
}

std::string PartOrOff(std::int32_t value, std::string_view prefix) {
    if (value == 127) return "Off";
    if (value < 0 || value > 15) return std::string(kUnknownText);
    return std::string(prefix) + std::to_string(value + 1);
}

}  // namespace

std::string EffectValueText(ValueFormat format, std::int32_t value) {
    const std::int64_t v = value;
    switch (format) {
        case ValueFormat::plain:
        case ValueFormat::level_db_curve:  // the 0 dB point is not settled: the raw level
            return std::to_string(v);
        case ValueFormat::offset64:
            return std::to_string(v - 64);
        case ValueFormat::gain_db:
            return WithUnit(Signed(v - 64), "dB");
        case ValueFormat::semitones:
            return Signed(v - 64);
        case ValueFormat::cents:
            return WithUnit(Signed(v - 64), "cent");
        case ValueFormat::pan:
            return PanText(value);
        case ValueFormat::dry_wet:
            return DryWetText(value);
        case ValueFormat::er_rev_balance:
            return Signed(v - 64);
        case ValueFormat::x0_1:
        case ValueFormat::tenths:
            return Tenths(v);
        case ValueFormat::delay_0_1ms:
            return WithUnit(Tenths(v), "ms");
        case ValueFormat::phase_deg:
            return WithUnit(Signed((v - 64) * 3), "deg");
        case ValueFormat::percent100:
            return WithUnit(Signed(std::lround(static_cast<double>(v - 64) / 0.63)), "%");
        case ValueFormat::filter_cents:
            return WithUnit(Signed((v - 64) * 150), "cent");
        case ValueFormat::detune_hz:
            return WithUnit(Tenths(v - 128, true), "Hz");
        case ValueFormat::master_tune_cents:
            return WithUnit(Tenths(v - 1024, true), "cent");
        case ValueFormat::program:
            return std::to_string(v + 1);
        case ValueFormat::part_or_off:
            return PartOrOff(value, "");
        case ValueFormat::channel_or_off:
            return PartOrOff(value, "A");
        case ValueFormat::note_name:
            return NoteName(value);
        default:
            return FromTable(format, value);
    }
}

std::string VariationPartText(std::int32_t value) {
    if (value == 127) return "Off";
    if (value < 0 || value > 31) return std::string(kUnknownText);
    char text[8];
    std::snprintf(text, sizeof text, "#%02d %c", value % 16 + 1, value < 16 ? 'A' : 'B');
    return text;
}

}  // namespace kq505
