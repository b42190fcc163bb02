#include "xgpart/xg_part_file.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

#include "app/ini_store.h"

namespace kq505 {
namespace {

constexpr std::array<std::string_view, 2> kLayerSuffixes{"_a", "_b"};

// The part 0..15 of an "XG Part 1".."XG Part 16" section; kPartCount for "XG System".
std::optional<int> PartOfSection(std::string_view section) {
    if (IniNamesEqual(section, kXgSystemSection)) return kPartCount;
    const std::size_t prefix = kXgPartSectionPrefix.size();
    if (section.size() <= prefix || !IniNamesEqual(section.substr(0, prefix), kXgPartSectionPrefix))
        return std::nullopt;
    const std::string_view number = section.substr(prefix);
    if (number.front() == '+') return std::nullopt;
    const std::optional<std::int32_t> value = IniWholeNumber(number);
    if (!value || *value < 1 || *value > kPartCount) return std::nullopt;
    return *value - 1;
}

// Where a key's value goes: an XG part and a parameter, or the system block (xg_part -1).
struct Slot {
    int xg_part;
    int param;
};

std::optional<Slot> SlotOf(int part, std::string_view key) {
    if (part == kPartCount) {
        for (int param = 0; param < kXgSystemParamCount; ++param) {
            if (IniNamesEqual(key, XgSystemParams()[static_cast<std::size_t>(param)].key))
                return Slot{-1, param};
        }
        return std::nullopt;
    }
    for (std::size_t layer = 0; layer < kLayerSuffixes.size(); ++layer) {
        if (key.size() <= 2 || !IniNamesEqual(key.substr(key.size() - 2), kLayerSuffixes[layer]))
            continue;
        const std::string_view name = key.substr(0, key.size() - 2);
        for (int param = 0; param < kXgPartParamCount; ++param) {
            if (IniNamesEqual(name, XgPartParams()[static_cast<std::size_t>(param)].key))
                return Slot{part + static_cast<int>(layer) * kPartCount, param};
        }
    }
    return std::nullopt;
}

const XgParamInfo& InfoOf(Slot slot) {
    const auto param = static_cast<std::size_t>(slot.param);
    return slot.xg_part < 0 ? XgSystemParams()[param] : XgPartParams()[param];
}

std::int32_t& ValueOf(XgPartValues& values, Slot slot) {
    const auto param = static_cast<std::size_t>(slot.param);
    if (slot.xg_part < 0) return values.system[param];
    return values.parts[static_cast<std::size_t>(slot.xg_part)][param];
}

std::string PartLines(const XgPartValues& values, int part) {
    std::string lines;
    for (int param = 0; param < kXgPartParamCount; ++param) {
        for (std::size_t layer = 0; layer < kLayerSuffixes.size(); ++layer) {
            const int xg_part = part + static_cast<int>(layer) * kPartCount;
            const std::int32_t value =
                values.parts[static_cast<std::size_t>(xg_part)][static_cast<std::size_t>(param)];
            if (value == XgPartDefault(xg_part, param)) continue;
            lines += std::string(XgPartParams()[static_cast<std::size_t>(param)].key) +
                     std::string(kLayerSuffixes[layer]) + "=" + std::to_string(value) + "\n";
        }
    }
    return lines;
}

std::string Section(std::string_view name, const std::string& lines) {
    return lines.empty() ? std::string() : "\n[" + std::string(name) + "]\n" + lines;
}

}  // namespace

std::string XgPartSectionsText(const XgPartValues& values) {
    std::string system;
    for (std::size_t param = 0; param < values.system.size(); ++param) {
        const XgParamInfo& info = XgSystemParams()[param];
        if (values.system[param] != info.default_value)
            system += std::string(info.key) + "=" + std::to_string(values.system[param]) + "\n";
    }
    std::string text = Section(kXgSystemSection, system);
    for (int part = 0; part < kPartCount; ++part)
        text += Section(std::string(kXgPartSectionPrefix) + std::to_string(part + 1),
                        PartLines(values, part));
    return text;
}

XgSectionRead ReadXgPartSections(const IniDocument& ini, XgPartValues& values) {
    XgSectionRead read;
    // As the INI store reads: the first section of a name and the first key of a name count.
    // A section's name is a view into its header line, so a header is known by it.
    std::array<const char*, kPartCount + 1> first_header{};
    XgPartValues seen;
    ResetXgPartValues(seen);
    constexpr std::int32_t kSeen = -1;  // no parameter holds a negative value
    ini.ForEachKey([&](std::string_view section, std::string_view key, std::string_view value) {
        if (read.number_error) return;
        const std::optional<int> part = PartOfSection(section);
        if (!part) return;
        const auto at = static_cast<std::size_t>(*part);
        if (!first_header[at]) first_header[at] = section.data();
        if (first_header[at] != section.data()) return;
        const std::optional<Slot> slot = SlotOf(*part, key);
        if (!slot || std::exchange(ValueOf(seen, *slot), kSeen) == kSeen) return;
        const std::optional<std::int32_t> number = IniWholeNumber(value);
        if (!number) {
            read.number_error = true;
            read.where = "[" + std::string(section) + "] " + std::string(key);
            return;
        }
        ValueOf(values, *slot) = ClampXgValue(InfoOf(*slot), *number);
    });
    return read;
}

}  // namespace kq505
