#pragma once
// How the effect editor shows a raw value of the effect block, by the value's format.

#include <cstdint>
#include <string>

#include "effects/effect_tables.h"

namespace kq505 {

// The value in its format: a number with its unit ("2.5 s", "500 Hz", "+12 dB", "L63",
// "D<W63"), a list entry ("Stereo") or "?" for a value that no text exists for.
std::string EffectValueText(ValueFormat format, std::int32_t value);

// The variation part in the program's own numbering of the 32 XG parts: 0..15 are the A
// layers of parts 1..16 ("#01 A".."#16 A"), 16..31 their B layers ("#01 B".."#16 B"),
// 127 is no part ("Off").
std::string VariationPartText(std::int32_t value);

}  // namespace kq505
