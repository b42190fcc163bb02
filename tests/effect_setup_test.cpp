#include "effects/effect_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/ini_store.h"

namespace kq505 {
namespace {

EffectBlocks Defaults() {
    EffectBlocks blocks;
    ResetEffectBlocks(blocks);
    return blocks;
}

std::optional<EffectBlocks> ReadText(std::string_view text) {
    EffectSectionRead read = ReadEffectSection(IniDocument::Parse(text));
    if (read.error != EffectSectionError::none) return std::nullopt;
    return read.blocks;
}

TEST(EffectSetup, EveryValueComesBack) {
    EffectBlocks blocks = Defaults();
    SetEffectType(blocks, EffectBlock::reverb, 0x13 * 128);      // BASEMENT
    SetEffectType(blocks, EffectBlock::chorus, 0x43 * 128 + 8);  // FLANGER 3
    SetEffectType(blocks, EffectBlock::variation, 0x07 * 128);   // ECHO
    int n = 0;
    for (const EffectItem& item : AllEffectItems()) {
        const EffectRange range = RangeOf(blocks, item);
        if (item.kind != EffectItem::type)
            EffectValue(blocks, item) =
                std::clamp(ClampEffectValue(item, ++n), range.min, range.max);
    }
    blocks[EffectBlock::variation].params[0] = 3550;
    blocks.variation_part = 31;

    const std::string text = EffectSectionText(blocks);
    EXPECT_EQ(text.rfind("[Effects]\nreverb_type=2432\nreverb_param1=1\n", 0), 0u);
    EXPECT_NE(text.find("\nvariation_param1=3550\n"), std::string::npos);
    EXPECT_NE(text.find("\nvariation_part=31\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 62);
    EXPECT_EQ(ReadText(text), blocks);
}

TEST(EffectSetup, KeysAreReadAsTheIniStoreFindsThem) {
    // Any case; the first key of a name and the first section of the name count.
    const std::optional<EffectBlocks> read = ReadText(
        "[effects]\nREVERB_Return=5\nreverb_return=6\n[Part 1]\nchorus_pan=9\n"
        "[Effects]\nchorus_return=7\n");
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)[EffectBlock::reverb].return_level, 5);
    EXPECT_EQ((*read)[EffectBlock::chorus].pan, 64);
    EXPECT_EQ((*read)[EffectBlock::chorus].return_level, 64);
}

TEST(EffectSetup, AFileWithoutTheSectionGivesTheDefaults) {
    EXPECT_EQ(ReadText("[Part 1]\r\nvol=100\r\n"), Defaults());
    EXPECT_EQ(ReadText(""), Defaults());
}

TEST(EffectSetup, AMissingKeyGivesTheDefaultOfTheTypeTheFileNames) {
    const std::optional<EffectBlocks> read =
        ReadText("[Effects]\nvariation_type=896\nvariation_param2=100\nreverb_return=90\n");
    ASSERT_TRUE(read);
    EffectBlocks expected = Defaults();
    SetEffectType(expected, EffectBlock::variation, 896);  // ECHO
    expected[EffectBlock::variation].params[1] = 100;
    expected[EffectBlock::reverb].return_level = 90;
    EXPECT_EQ(*read, expected);
    EXPECT_EQ((*read)[EffectBlock::variation].params[0], 1700);
}

TEST(EffectSetup, ValuesAreHeldInTheRangeOfTheirTypeAndOnlyWholeNumbersRead) {
    // HALL 1, CHORUS 1 and DELAY L,C,R: the defaults' types.
    const std::optional<EffectBlocks> read = ReadText(
        "[Effects]\nreverb_pan=0\nvariation_part=40\nchorus_param1=300\n"
        "variation_param1=-5\nvariation_connection= +1 \nreverb_param1=100\n"
        "variation_param2=7551\nvariation_param3=-2147483648\nvariation_param4=2147483647\n"
        "chorus_param3=0\nvariation_param8=99999\n");
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)[EffectBlock::reverb].pan, 1);
    EXPECT_EQ(read->variation_part, kVariationPartOff);
    EXPECT_EQ(read->variation_connection, 1);
    const EffectBlocks defaults = Defaults();
    const std::vector<std::pair<EffectItem, std::int32_t>> params{
        {{EffectItem::param, EffectBlock::reverb, 1}, 69},  // Reverb Time: the table's end
        {{EffectItem::param, EffectBlock::chorus, 1}, 127},
        {{EffectItem::param, EffectBlock::chorus, 3}, 1},
        {{EffectItem::param, EffectBlock::variation, 1}, 1},
        {{EffectItem::param, EffectBlock::variation, 2}, 7550},
        {{EffectItem::param, EffectBlock::variation, 3}, 1},
        {{EffectItem::param, EffectBlock::variation, 4}, 7550},
        // A parameter the type does not name keeps the range of its address.
        {{EffectItem::param, EffectBlock::variation, 8},
         AddressOf({EffectItem::param, EffectBlock::variation, 8}).max},
    };
    for (const auto& [item, value] : params) {
        EXPECT_EQ(EffectValue(*read, item), value) << EffectKey(item);
        const EffectRange range = RangeOf(defaults, item);
        EXPECT_TRUE(value == range.min || value == range.max) << EffectKey(item);
    }
    for (const char* bad : {"12a", "", "1.5", "x", "99999999999"}) {
        const EffectSectionRead refused = ReadEffectSection(
            IniDocument::Parse(std::string("[Effects]\nreverb_param2=") + bad + "\n"));
        EXPECT_EQ(refused.error, EffectSectionError::not_a_number) << bad;
        EXPECT_EQ(refused.key, "reverb_param2");
    }
}

TEST(EffectSetup, ATypeTheTablesDoNotListIsRefused) {
    for (const EffectBlock block : kEffectBlocks) {
        for (const std::int32_t type : {-1, 5, 0x41 * 128 + 3, 16384, 2147483647}) {
            ASSERT_FALSE(FindEffectType(block, type));
            const std::string key = EffectKey({EffectItem::type, block});
            const EffectSectionRead read = ReadEffectSection(
                IniDocument::Parse("[Effects]\n" + key + "=" + std::to_string(type) + "\n"));
            EXPECT_EQ(read.error, EffectSectionError::unknown_type) << key << " " << type;
            EXPECT_EQ(read.key, key);
        }
        // Every type the block lists is read.
        for (const EffectTypeInfo& info : EffectTypes(block)) {
            const std::optional<EffectBlocks> read =
                ReadText("[Effects]\n" + EffectKey({EffectItem::type, block}) + "=" +
                         std::to_string(info.Value()) + "\n");
            ASSERT_TRUE(read) << info.name;
            EXPECT_EQ((*read)[block].type, info.Value());
        }
    }
}

}  // namespace
}  // namespace kq505
