#pragma once
// The XG drum setup tables: the 16 parameters of an instrument (3n rr 00..0F), the kits
// with their note names and per-note defaults, and the part modes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "effects/effect_tables.h"

namespace kq505 {

// A 32-part module has four drum setups (30..33); the notes 13..91 are their instruments.
inline constexpr int kDrumSetupCount = 4;
inline constexpr int kFirstDrumNote = 13;
inline constexpr int kLastDrumNote = 91;
inline constexpr int kDrumNoteCount = kLastDrumNote - kFirstDrumNote + 1;
inline constexpr int kDrumParamCount = 16;

struct DrumParamInfo {
    std::string_view name;  // "Pitch Coarse"
    std::string_view key;   // "pitch_coarse", its key in a set-up file
    std::int32_t min;
    std::int32_t max;
    std::int32_t default_value;  // the block's default, where a kit gives none
    ValueFormat format;
};

struct DrumKitNote {
    std::string_view name;  // empty where the kit keeps the Standard Kit's instrument
    std::array<std::int8_t, kDrumParamCount> defaults;  // -1 where the tables give none
};

struct DrumKit {
    int msb;      // 127 drum kits, 126 SFX kits
    int program;  // 0-based, as sent
    std::string_view name;
    std::array<DrumKitNote, kDrumNoteCount> notes;
};

const DrumParamInfo& DrumParam(int param);
// The kit a drum part plays for this bank MSB and program: the SFX kits on MSB 126, the
// drum kits on every other MSB; a program that is no kit of the tables plays the
// Standard Kit, the General MIDI kit.
const DrumKit& DrumKitFor(int msb, int program);
const DrumKit& StandardDrumKit();

// The kit's default: its own value, else the Standard Kit's, else the block's.
std::int32_t KitDefault(const DrumKit& kit, int note, int param);
// The kit's name of the note, else the Standard Kit's; empty where neither names it.
std::string_view KitNoteName(const DrumKit& kit, int note);

// The value as the parameter's format shows it: "+3", "-12", "+5cent", "L20", "C", "R63",
// "Rnd", "On"/"Off", "Single"/"Multi", or the number.
std::string DrumValueText(int param, std::int32_t value);

// The value a typed text stands for: a text as DrumValueText shows it, case and spaces
// aside ("r20", "+5cent"), or a number counted as the format counts ("3" is +3 semitones,
// "-20" is L20); none for any other text or a value out of range.
std::optional<std::int32_t> ParseDrumValueText(int param, std::string_view text);
// Whether typing on may still make the text a value: empty, the start of a shown text, or a
// sign and up to three digits.
bool StartsDrumValueText(int param, std::string_view text);

// XG Part Mode (08 pp 07).
enum class PartMode : std::uint8_t { normal, drum, drums1, drums2, drums3, drums4 };
inline constexpr int kPartModeCount = 6;
// "Normal", "Drum", "Drum 1" .. "Drum 4".
std::string_view PartModeText(PartMode mode);
// 0..3 for Drums1..Drums4; -1 for Normal and Drum, which have no setup of their own.
constexpr int DrumSetupOfMode(PartMode mode) {
    return mode >= PartMode::drums1 ? static_cast<int>(mode) - static_cast<int>(PartMode::drums1)
                                    : -1;
}

}  // namespace kq505
