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
// The blocks the section holds. A missing key gives its default: a missing type the block's
// default type, a missing parameter that of the block's type; a file without the section
// gives the defaults of XG System On. A value is held within its item's range. None when a
// value is not a whole number; `bad_key` then names it.
std::optional<EffectBlocks> ReadEffectSection(const IniDocument& ini,
                                              std::string* bad_key = nullptr);

}  // namespace kq505
