#include "model/value_text.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace kq505 {
namespace {

constexpr std::array<std::string_view, 59> kEqFrequencyLabels{
    "THRU", "22",   "25",   "28",   "32",   "36",   "40",   "45",   "50",   "56",   "63",   "70",
    "80",   "90",   "100",  "110",  "125",  "140",  "160",  "180",  "200",  "225",  "250",  "280",
    "315",  "355",  "400",  "450",  "500",  "560",  "630",  "700",  "800",  "900",  "1.0k", "1.1k",
    "1.2k", "1.4k", "1.6k", "1.8k", "2.0k", "2.2k", "2.5k", "2.8k", "3.2k", "3.6k", "4.0k", "4.5k",
    "5.0k", "5.6k", "6.3k", "7.0k", "8.0k", "9.0k", "10k",  "11k",  "12k",  "14k",  "16k"};

constexpr std::array<std::string_view, 12> kPitchNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                       "F#", "G",  "G#", "A",  "A#", "B"};

// Shown for a value that only a settings file can bring and that no label exists for.
constexpr std::string_view kUnknownText = "?";

}  // namespace

std::string FormatPan(std::int32_t value) {
    if (value == 64) return "C";
    if (value < 64) return "L" + std::to_string(64 - static_cast<std::int64_t>(value));
    return "R" + std::to_string(static_cast<std::int64_t>(value) - 64);
}

std::string FormatOffset(std::int32_t value) {
    return std::to_string(static_cast<std::int64_t>(value) - 64);
}

std::string FormatEqGain(std::int32_t value) {
    const std::int64_t gain = static_cast<std::int64_t>(value) - 64;
    return (gain >= 0 ? "+" : "") + std::to_string(gain);
}

std::string FormatEqFrequency(std::int32_t value) {
    if (value < 0 || value >= static_cast<std::int32_t>(kEqFrequencyLabels.size()))
        return std::string(kUnknownText);
    return std::string(kEqFrequencyLabels[value]);
}

std::string FormatMix(std::int32_t value) {
    if (value == 0) return "A=B";
    if (value > 0) return "A<" + std::to_string(value) + "B";
    return "A" + std::to_string(-static_cast<std::int64_t>(value)) + ">B";
}

std::string NoteName(std::int32_t note) {
    if (note < 0 || note > 127) return std::string(kUnknownText);
    return std::string(kPitchNames[note % 12]) + std::to_string(note / 12 - 2);
}

}  // namespace kq505
