#pragma once
// The effect blocks in a set-up file: one section of the project's INI store, one key per
// value ("reverb_type", "reverb_param1", …, "variation_part"), the type as MSB × 128 + LSB.

#include <optional>
#include <string>
#include <string_view>

#include "effects/effect_blocks.h"

namespace kq505 {

class IniDocument;

inline constexpr std::string_view kEffectSection = "Effects";

// The key of one value in the section.
std::string EffectKey(EffectItem item);

// "[Effects]" and one "key=value" line per value, each line ending in LF.
std::string EffectSectionText(const EffectBlocks& blocks);
enum class EffectSectionError {
    none,
    not_a_number,  // a value that is not a whole number of 32 bits
    unknown_type,  // a type the block's list does not hold
};

struct EffectSectionRead {
    EffectBlocks blocks{};
    EffectSectionError error = EffectSectionError::none;
    std::string key;  // the refused value's key
};

// The blocks the section holds. A missing key gives its default: a missing type the block's
// default type, a missing parameter that of the block's type; a file without the section
// gives the defaults of XG System On. A value is held within its item's range, a parameter
// within the range its type gives it (RangeOf), so nothing outside the tables reaches the
// tone generator. A value that is not a whole number, or a type the tables do not list,
// refuses the section.
EffectSectionRead ReadEffectSection(const IniDocument& ini);

}  // namespace kq505
