#include "effects/effect_setup.h"

#include <charconv>

#include "app/ini_store.h"

namespace kq505 {
namespace {

constexpr std::array<std::string_view, kEffectBlockCount> kBlockNames{"reverb", "chorus",
                                                                      "variation"};

enum class Read { absent, ok, bad };

// A whole number, with or without its sign, and nothing else.
Read ReadNumber(const IniDocument& ini, EffectItem item, std::int32_t& value) {
    const std::optional<std::string> text = ini.Find(kEffectSection, EffectKey(item));
    if (!text) return Read::absent;
    std::string_view digits = *text;
    if (digits.starts_with('+')) digits.remove_prefix(1);  // as the part values read
    std::int32_t number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (error != std::errc{} || stop != end) return Read::bad;
    value = ClampEffectValue(item, number);
    return Read::ok;
}

}  // namespace

std::string EffectKey(EffectItem item) {
    const std::string block(kBlockNames[static_cast<std::size_t>(item.block)]);
    switch (item.kind) {
        case EffectItem::type:
            return block + "_type";
        case EffectItem::param:
            return block + "_param" + std::to_string(item.number);
        case EffectItem::return_level:
            return block + "_return";
        case EffectItem::pan:
            return block + "_pan";
        case EffectItem::chorus_to_reverb:
            return "chorus_to_reverb";
        case EffectItem::variation_to_reverb:
            return "variation_to_reverb";
        case EffectItem::variation_to_chorus:
            return "variation_to_chorus";
        case EffectItem::variation_connection:
            return "variation_connection";
        case EffectItem::variation_part:
            break;
    }
    return "variation_part";
}

std::string EffectSectionText(const EffectBlocks& blocks) {
    std::string text = "[" + std::string(kEffectSection) + "]\n";
    for (const EffectItem& item : AllEffectItems())
        text += EffectKey(item) + "=" + std::to_string(EffectValue(blocks, item)) + "\n";
    return text;
}

std::optional<EffectBlocks> ReadEffectSection(const IniDocument& ini, std::string* bad_key) {
    EffectBlocks blocks;
    ResetEffectBlocks(blocks);
    // Items come type first in each block: the type's defaults, then what the file says.
    for (const EffectItem& item : AllEffectItems()) {
        std::int32_t value = 0;
        switch (ReadNumber(ini, item, value)) {
            case Read::bad:
                if (bad_key) *bad_key = EffectKey(item);
                return std::nullopt;
            case Read::absent:
                break;
            case Read::ok:
                if (item.kind == EffectItem::type) {
                    SetEffectType(blocks, item.block, value);
                } else {
                    EffectValue(blocks, item) = value;
                }
                break;
        }
    }
    return blocks;
}

}  // namespace kq505
