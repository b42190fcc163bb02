#include "drums/drum_setup_file.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "app/ini_store.h"

namespace kq505 {
namespace {

// The setup 0..3 of a "Drum Setup 1".."Drum Setup 4" section.
std::optional<int> SetupOfSection(std::string_view section) {
    const std::size_t prefix = kDrumSetupSectionPrefix.size();
    if (section.size() != prefix + 1 ||
        !IniNamesEqual(section.substr(0, prefix), kDrumSetupSectionPrefix))
        return std::nullopt;
    const int setup = section[prefix] - '1';
    if (setup < 0 || setup >= kDrumSetupCount) return std::nullopt;
    return setup;
}

struct DrumKey {
    int note;
    int param;
};

// "38_pitch_coarse": the note, then the parameter's key.
std::optional<DrumKey> KeyOf(std::string_view key) {
    const std::size_t underscore = key.find('_');
    if (underscore == std::string_view::npos || key.front() == '+') return std::nullopt;
    const std::optional<std::int32_t> note = IniWholeNumber(key.substr(0, underscore));
    if (!note || *note < kFirstDrumNote || *note > kLastDrumNote) return std::nullopt;
    const std::string_view name = key.substr(underscore + 1);
    for (int param = 0; param < kDrumParamCount; ++param) {
        if (IniNamesEqual(name, DrumParam(param).key)) return DrumKey{*note, param};
    }
    return std::nullopt;
}

std::string KeyText(int note, int param) {
    return std::to_string(note) + "_" + std::string(DrumParam(param).key);
}

}  // namespace

std::string DrumSetupSectionsText(const DrumSetups& drums, const PartTable& table) {
    std::string text;
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        const DrumKit& kit = KitOfSetup(drums, table, setup);
        std::string lines;
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            for (int param = 0; param < kDrumParamCount; ++param) {
                const std::uint8_t own = DrumSlot(drums, setup, note, param);
                if (own == kFollowKit || own == KitDefault(kit, note, param)) continue;
                lines += KeyText(note, param) + "=" + std::to_string(own) + "\n";
            }
        }
        if (lines.empty()) continue;
        text += "\n[" + std::string(kDrumSetupSectionPrefix) + std::to_string(setup + 1) + "]\n";
        text += lines;
    }
    return text;
}

DrumSectionRead ReadDrumSetupSections(const IniDocument& ini, DrumSetups& drums) {
    DrumSectionRead read;
    // As the INI store reads: the first section of a name and the first key of a name count.
    // A section's name is a view into its header line, so a header is known by it.
    std::array<const char*, kDrumSetupCount> first_header{};
    std::array<DrumSetupValues, kDrumSetupCount> seen{};
    ini.ForEachKey([&](std::string_view section, std::string_view key, std::string_view value) {
        if (read.number_error) return;
        const std::optional<int> setup = SetupOfSection(section);
        if (!setup) return;
        const auto at = static_cast<std::size_t>(*setup);
        if (!first_header[at]) first_header[at] = section.data();
        if (first_header[at] != section.data()) return;
        const std::optional<DrumKey> drum = KeyOf(key);
        if (!drum) return;
        std::uint8_t& was_seen = seen[at][static_cast<std::size_t>(drum->note - kFirstDrumNote)]
                                     [static_cast<std::size_t>(drum->param)];
        if (was_seen != 0) return;
        was_seen = 1;
        const std::optional<std::int32_t> number = IniWholeNumber(value);
        if (!number) {
            read.number_error = true;
            read.where = "[" + std::string(section) + "] " + std::string(key);
            return;
        }
        const DrumParamInfo& info = DrumParam(drum->param);
        DrumSlot(drums, *setup, drum->note, drum->param) =
            static_cast<std::uint8_t>(std::clamp(*number, info.min, info.max));
    });
    return read;
}

}  // namespace kq505
