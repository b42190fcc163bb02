#pragma once
// How the form shows the values of the part table.

#include <cstdint>
#include <string>

namespace kq505 {

// "C" for 64, "L1".."L64" below, "R1".."R63" above.
std::string FormatPan(std::int32_t value);
// value − 64 as a signed decimal without plus sign.
std::string FormatOffset(std::int32_t value);
// value − 64: "+%d" from 64 up, "%d" below.
std::string FormatEqGain(std::int32_t value);
// The label of an EQ frequency 0..58 ("THRU".."16k"); "?" for a value no label exists for.
std::string FormatEqFrequency(std::int32_t value);
// "A=B", "A<%dB" for positive, "A%d>B" for negative values.
std::string FormatMix(std::int32_t value);
// "C-2".."G8" for notes 0..127; "?" for a value outside them.
std::string NoteName(std::int32_t note);

}  // namespace kq505
