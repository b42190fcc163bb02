#include "effects/effect_setup.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "app/ini_store.h"

namespace kq505 {
namespace {

constexpr std::array<std::string_view, kEffectBlockCount> kBlockNames{"reverb", "chorus",
                                                                      "variation"};

enum class Read { absent, ok, bad };

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names match as the INI store matches them: without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, {}, LowerAscii, LowerAscii);
}

// A whole number, with or without its sign, and nothing else.
Read ReadNumber(const std::optional<std::string>& text, EffectItem item, std::int32_t& value) {
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

// The texts of the section's keys, in the order of `keys`, in one pass over the document
// (a set-up holds some nine hundred keys). As Find reads them: the first section of the
// name and the first key of a name count.
std::vector<std::optional<std::string>> SectionTexts(const IniDocument& ini,
                                                     const std::vector<std::string>& keys) {
    std::vector<std::optional<std::string>> texts(keys.size());
    const char* first_section = nullptr;
    ini.ForEachKey([&](std::string_view section, std::string_view key, std::string_view value) {
        if (!SameName(section, kEffectSection)) return;
        // The section's name is a view into its header line, so the header is known by it.
        if (!first_section) first_section = section.data();
        if (section.data() != first_section) return;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (SameName(key, keys[i])) {
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

std::optional<EffectBlocks> ReadEffectSection(const IniDocument& ini, std::string* bad_key) {
    EffectBlocks blocks;
    ResetEffectBlocks(blocks);
    const std::vector<EffectItem> items = AllEffectItems();
    std::vector<std::string> keys;
    for (const EffectItem& item : items)
        keys.push_back(EffectKey(item));
    const std::vector<std::optional<std::string>> texts = SectionTexts(ini, keys);
    // Items come type first in each block: the type's defaults, then what the file says.
    for (std::size_t i = 0; i < items.size(); ++i) {
        const EffectItem& item = items[i];
        std::int32_t value = 0;
        switch (ReadNumber(texts[i], item, value)) {
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
