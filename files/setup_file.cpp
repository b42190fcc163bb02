#include "files/setup_file.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

#include "app/ini_store.h"
#include "drums/drum_setup_file.h"
#include "effects/effect_setup.h"
#include "files/name_field.h"
#include "files/name_text.h"
#include "files/regular_file.h"
#include "instruments/instrument_name_table.h"
#include "xgpart/xg_part_file.h"

namespace kq505 {
namespace {

constexpr std::string_view kFormatSection = "KQ505 set-up";
constexpr std::string_view kVersionKey = "version";
constexpr std::string_view kNameKey = "track_name";
constexpr std::string_view kPartSectionPrefix = "Part ";

// The list positions of the program change dialog, under the names of their fields.
struct ListKey {
    std::string_view name;
    PartInts SetupData::*field;
};
constexpr std::array<ListKey, 6> kListKeys{{
    {"map_sel_a", &SetupData::map_sel_a},
    {"pc_sel_a", &SetupData::pc_sel_a},
    {"bank_sel_a", &SetupData::bank_sel_a},
    {"map_sel_b", &SetupData::map_sel_b},
    {"pc_sel_b", &SetupData::pc_sel_b},
    {"bank_sel_b", &SetupData::bank_sel_b},
}};

constexpr PartInts CKQ505App::*kAppListFields[] = {&CKQ505App::map_sel_a,  &CKQ505App::pc_sel_a,
                                                   &CKQ505App::bank_sel_a, &CKQ505App::map_sel_b,
                                                   &CKQ505App::pc_sel_b,   &CKQ505App::bank_sel_b};

// The part index of a "Part 1".."Part 16" section; none for any other section.
std::optional<int> PartOfSection(std::string_view section) {
    if (!IniNamesEqual(section.substr(0, kPartSectionPrefix.size()), kPartSectionPrefix))
        return std::nullopt;
    const std::string_view number = section.substr(kPartSectionPrefix.size());
    if (number.empty() || number.front() == '+' || number.front() == '-') return std::nullopt;
    const std::optional<std::int32_t> value = IniWholeNumber(number);
    if (!value || *value < 1 || *value > kPartCount) return std::nullopt;
    return *value - 1;
}

// The bytes one character takes after a lead byte, and the range its second byte must lie
// in: narrower than 80..BF where a wider range would allow an overlong form (E0, F0), a
// surrogate (ED) or a code point above U+10FFFF (F4).
struct Utf8Lead {
    std::size_t length;
    unsigned char second_min;
    unsigned char second_max;
};

Utf8Lead LeadOf(unsigned char byte) {
    if (byte < 0x80) return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const Utf8Lead lead = LeadOf(static_cast<unsigned char>(text[i]));
        if (lead.length == 0 || i + lead.length > text.size()) return false;
        const auto second = static_cast<unsigned char>(lead.length > 1 ? text[i + 1] : 0);
        if (lead.length > 1 && (second < lead.second_min || second > lead.second_max)) return false;
        for (std::size_t k = 2; k < lead.length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += lead.length;
    }
    return true;
}

std::string_view FirstLine(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes.substr(0, bytes.find_first_of("\r\n"));
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The part modes of a part's two layers: the A layer is XG part p, the B layer p + 16.
constexpr std::array<std::string_view, 2> kPartModeKeys{"part_mode_a", "part_mode_b"};

// The keys a part section may hold, numbered: the rows of the table, the list positions,
// the name, then the part modes.
constexpr int kListSlot = kRowCount;
constexpr int kNameSlot = kListSlot + static_cast<int>(kListKeys.size());
constexpr int kModeSlot = kNameSlot + 1;
constexpr int kKeySlotCount = kModeSlot + static_cast<int>(kPartModeKeys.size());

std::optional<int> KeySlot(std::string_view key) {
    for (int row = 0; row < kRowCount; ++row) {
        if (IniNamesEqual(key, kRowInfo[row].name)) return row;
    }
    for (std::size_t i = 0; i < kListKeys.size(); ++i) {
        if (IniNamesEqual(key, kListKeys[i].name)) return kListSlot + static_cast<int>(i);
    }
    if (IniNamesEqual(key, kNameKey)) return kNameSlot;
    for (std::size_t i = 0; i < kPartModeKeys.size(); ++i) {
        if (IniNamesEqual(key, kPartModeKeys[i])) return kModeSlot + static_cast<int>(i);
    }
    return std::nullopt;
}

// A row's value as a part file can carry it: a signed byte. Every value the program can
// hold comes back from its set-up, and no arithmetic on a row can overflow.
std::int32_t RowValue(std::int32_t value) {
    return std::clamp<std::int32_t>(value, std::numeric_limits<std::int8_t>::min(),
                                    std::numeric_limits<std::int8_t>::max());
}

// A position the program change dialog's lists can hold; any other selects nothing there.
std::int32_t ListPosition(std::int32_t value) {
    return value >= 0 && value < InstrumentNameTable::kSize ? value : -1;
}

void StoreValue(SetupData& setup, int part, int slot, std::int32_t value) {
    if (slot >= kModeSlot) {
        // A mode the module has no name for is held to the nearest one.
        const int xg_part = part + (slot - kModeSlot) * kPartCount;
        setup.drums.part_modes[static_cast<std::size_t>(xg_part)] =
            static_cast<PartMode>(std::clamp(value, 0, kPartModeCount - 1));
    } else if (slot < kListSlot) {
        setup.part_table[slot][part] = RowValue(value);
    } else {
        const ListKey& list = kListKeys[static_cast<std::size_t>(slot - kListSlot)];
        (setup.*list.field)[part] = ListPosition(value);
    }
}

// Reads every key of the text into `setup` (a copy the caller throws away on failure), in
// time linear in the text: each key costs a look-up among the known names and a flag.
class SetupReader {
  public:
    explicit SetupReader(SetupData& setup) : setup_(setup) {}

    void Visit(std::string_view section, std::string_view key, std::string_view value) {
        if (result_.error != SetupFileError::none) return;
        if (IniNamesEqual(section, kFormatSection)) {
            if (IniNamesEqual(key, kVersionKey) && !IniWholeNumber(value))
                Fail(SetupFileError::not_a_number, section, key);
            return;
        }
        const std::optional<int> part = CountedPart(section);
        if (!part) return;
        const std::optional<int> slot = KeySlot(key);
        if (!slot || !FirstTime(*part, *slot)) return;
        if (*slot == kNameSlot) return ReadName(*part, section, key, value);
        const std::optional<std::int32_t> number = IniWholeNumber(value);
        if (!number) return Fail(SetupFileError::not_a_number, section, key);
        StoreValue(setup_, *part, *slot, *number);
    }

    const SetupReadResult& Result() const { return result_; }

  private:
    // The part of a section whose keys count: like the INI store's own reader, the first
    // section of a part counts. A section's name is a view into its header line, so a
    // header is known by where its name lies and is read once, however many keys follow.
    std::optional<int> CountedPart(std::string_view section) {
        if (section.data() != header_) {
            header_ = section.data();
            header_part_ = PartOfSection(section);
            if (header_part_ && !first_header_[*header_part_])
                first_header_[*header_part_] = header_;
        }
        if (!header_part_ || first_header_[*header_part_] != header_) return std::nullopt;
        return header_part_;
    }

    // Like the INI store's own reader, the first key of a name counts.
    bool FirstTime(int part, int slot) {
        bool& seen = seen_[part][slot];
        if (seen) return false;
        seen = true;
        return true;
    }

    void ReadName(int part, std::string_view section, std::string_view key,
                  std::string_view value) {
        const std::optional<std::string> bytes = codec_.ToShiftJis(value);
        if (!bytes) return Fail(SetupFileError::bad_name, section, key);
        setup_.track_names[part] = std::string(NameFieldText(*bytes));
    }

    void Fail(SetupFileError error, std::string_view section, std::string_view key) {
        result_.error = error;
        result_.where = "[" + std::string(section) + "] " + std::string(key);
    }

    SetupData& setup_;
    NameTextCodec codec_;
    SetupReadResult result_;
    const char* header_ = nullptr;
    std::optional<int> header_part_;
    std::array<const char*, kPartCount> first_header_{};
    std::array<std::array<bool, kKeySlotCount>, kPartCount> seen_{};
};

void AppendLine(std::string& text, std::string_view key, std::string_view value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
}

}  // namespace

SetupData DefaultSetup() {
    SetupData setup;
    ResetPartParameters(setup.part_table);
    ResetEffectBlocks(setup.effect_blocks);
    ResetDrumSetups(setup.drums);
    return setup;
}

SetupData CurrentSetup(const CKQ505App& app) {
    SetupData setup;
    setup.part_table = app.part_table;
    setup.track_names = app.track_names;
    for (std::size_t i = 0; i < kListKeys.size(); ++i)
        setup.*kListKeys[i].field = app.*kAppListFields[i];
    setup.effect_blocks = app.effect_blocks;
    setup.drums = app.drums;
    setup.xg_parts = app.xg_parts;
    return setup;
}

void ApplySetup(CKQ505App& app, SetupData setup) {
    app.part_table = setup.part_table;
    app.track_names = std::move(setup.track_names);
    for (std::size_t i = 0; i < kListKeys.size(); ++i)
        app.*kAppListFields[i] = setup.*kListKeys[i].field;
    app.effect_blocks = setup.effect_blocks;
    app.drums = setup.drums;
    app.xg_parts = setup.xg_parts;
}

std::string SetupFileText(const SetupData& setup) {
    std::string text;
    text.reserve(24 * 1024);
    text += kSetupFormatLine;
    text += '\n';
    AppendLine(text, kVersionKey, std::to_string(kSetupFileVersion));
    NameTextCodec codec;
    for (int part = 0; part < kPartCount; ++part) {
        text += "\n[";
        text += kPartSectionPrefix;
        text += std::to_string(part + 1);
        text += "]\n";
        // In quotes, so that spaces at either end and quotes of the name's own stay.
        AppendLine(text, kNameKey,
                   "\"" + codec.ToText(NameFieldText(setup.track_names[part])) + "\"");
        for (const ListKey& list : kListKeys)
            AppendLine(text, list.name, std::to_string((setup.*list.field)[part]));
        for (int row = 0; row < kRowCount; ++row)
            AppendLine(text, kRowInfo[row].name, std::to_string(setup.part_table[row][part]));
        for (std::size_t layer = 0; layer < kPartModeKeys.size(); ++layer) {
            const auto xg_part = static_cast<std::size_t>(part) + layer * kPartCount;
            AppendLine(text, kPartModeKeys[layer],
                       std::to_string(static_cast<int>(setup.drums.part_modes[xg_part])));
        }
    }
    text += '\n';
    text += EffectSectionText(setup.effect_blocks);
    text += DrumSetupSectionsText(setup.drums, setup.part_table);
    text += XgPartSectionsText(setup.xg_parts);
    return text;
}

SetupReadResult ParseSetupFile(std::string_view bytes, SetupData& setup) {
    if (bytes.size() > kSetupFileMaxSize) return {SetupFileError::too_large, {}};
    if (bytes.find('\0') != std::string_view::npos || !IsUtf8(bytes))
        return {SetupFileError::binary, {}};
    if (TrimSpaces(FirstLine(bytes)) != kSetupFormatLine)
        return {SetupFileError::no_format_line, {}};
    SetupData read = DefaultSetup();
    SetupReader reader(read);
    const IniDocument ini = IniDocument::Parse(bytes);
    ini.ForEachKey([&reader](std::string_view section, std::string_view key,
                             std::string_view value) { reader.Visit(section, key, value); });
    if (reader.Result().error != SetupFileError::none) return reader.Result();
    EffectSectionRead effects = ReadEffectSection(ini);
    if (effects.error != EffectSectionError::none) {
        const SetupFileError error = effects.error == EffectSectionError::unknown_type
                                         ? SetupFileError::unknown_effect_type
                                         : SetupFileError::not_a_number;
        return {error, "[" + std::string(kEffectSection) + "] " + effects.key};
    }
    read.effect_blocks = effects.blocks;
    const DrumSectionRead drums = ReadDrumSetupSections(ini, read.drums);
    if (drums.number_error) return {SetupFileError::not_a_number, drums.where};
    const XgSectionRead xg = ReadXgPartSections(ini, read.xg_parts);
    if (xg.number_error) return {SetupFileError::not_a_number, xg.where};
    setup = std::move(read);
    return {};
}

SetupReadResult LoadSetupFile(CKQ505App& app, const std::filesystem::path& path) {
    // One byte past the limit is read, so that a larger file is told from one that fits.
    const std::optional<std::string> bytes =
        ReadRegularFile(path, kSetupFileMaxSize + 1, Oversize::keep_prefix);
    if (!bytes) return {SetupFileError::cannot_read, {}};
    SetupData setup;
    const SetupReadResult result = ParseSetupFile(*bytes, setup);
    if (result.error == SetupFileError::none) ApplySetup(app, std::move(setup));
    return result;
}

std::string SetupFileErrorText(const SetupReadResult& result, std::string_view file_name) {
    const std::string name(file_name);
    switch (result.error) {
        case SetupFileError::none:
            return {};
        case SetupFileError::cannot_read:
            return name + " を読み込めませんでした";
        case SetupFileError::too_large:
            return name + " は大きすぎるため、ｾｯﾄｱｯﾌﾟとして読み込めません";
        case SetupFileError::binary:
        case SetupFileError::no_format_line:
            return name + " はKQ505のｾｯﾄｱｯﾌﾟﾌｧｲﾙではありません";
        case SetupFileError::not_a_number:
            return name + " の " + result.where + " が整数ではないため、読み込めません";
        case SetupFileError::bad_name:
            return name + " の " + result.where +
                   " にShift_JISで表せない文字があるため、読み込めません";
        case SetupFileError::unknown_effect_type:
            return name + " の " + result.where + " はXGのｴﾌｪｸﾄﾀｲﾌﾟではないため、読み込めません";
    }
    return {};
}

}  // namespace kq505
