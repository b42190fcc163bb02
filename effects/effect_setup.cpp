#include "effects/effect_setup.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "app/ini_store.h"

namespace kq505 {
namespace {

constexpr std::array<std::string_view, kEffectBlockCount> kBlockNames{"reverb", "chorus",
                                                                      "variation"};

// A whole number, with or without its sign, and nothing else.
std::optional<std::int32_t> ReadNumber(std::string_view digits) {
    if (digits.starts_with('+')) digits.remove_prefix(1);  // as the part values read
    std::int32_t number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return number;
}

// Stores one value the file gives. The items of a block come type first, so a parameter
// is held to the range of the type the file names.
EffectSectionError ReadItem(EffectBlocks& blocks, EffectItem item, std::string_view text) {
    const std::optional<std::int32_t> value = ReadNumber(text);
    if (!value) return EffectSectionError::not_a_number;
    if (item.kind == EffectItem::type) {
        if (!FindEffectType(item.block, *value)) return EffectSectionError::unknown_type;
        SetEffectType(blocks, item.block, *value);
        return EffectSectionError::none;
    }
    const EffectRange range = RangeOf(blocks, item);
    EffectValue(blocks, item) = std::clamp(ClampEffectValue(item, *value), range.min, range.max);
    return EffectSectionError::none;
}

// The texts of the section's keys, in the order of `keys`, in one pass over the document
// (a set-up holds some nine hundred keys). As Find reads them: the first section of the
// name and the first key of a name count.
std::vector<std::optional<std::string>> SectionTexts(const IniDocument& ini,
                                                     const std::vector<std::string>& keys) {
    std::vector<std::optional<std::string>> texts(keys.size());
    const char* first_section = nullptr;
    ini.ForEachKey([&](std::string_view section, std::string_view key, std::string_view value) {
        if (!IniNamesEqual(section, kEffectSection)) return;
        // The section's name is a view into its header line, so the header is known by it.
        if (!first_section) first_section = section.data();
        if (section.data() != first_section) return;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (IniNamesEqual(key, keys[i])) {
                if (!texts[i]) texts[i] = std::string(value);
                return;
            }
        }
    });
    return texts;
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

EffectSectionRead ReadEffectSection(const IniDocument& ini) {
    EffectSectionRead read;
    ResetEffectBlocks(read.blocks);
    const std::vector<EffectItem> items = AllEffectItems();
    std::vector<std::string> keys;
    for (const EffectItem& item : items)
        keys.push_back(EffectKey(item));
    const std::vector<std::optional<std::string>> texts = SectionTexts(ini, keys);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!texts[i]) continue;
        read.error = ReadItem(read.blocks, items[i], *texts[i]);
        if (read.error != EffectSectionError::none) {
            read.key = keys[i];
            return read;
        }
    }
    return read;
}

}  // namespace kq505
