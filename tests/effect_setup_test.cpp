#include "effects/effect_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/ini_store.h"

namespace kq505 {
namespace {

EffectBlocks Defaults() {
    EffectBlocks blocks;
    ResetEffectBlocks(blocks);
    return blocks;
}

std::optional<EffectBlocks> ReadText(std::string_view text) {
    return ReadEffectSection(IniDocument::Parse(text));
}

TEST(EffectSetup, EveryValueComesBack) {
    EffectBlocks blocks = Defaults();
    SetEffectType(blocks, EffectBlock::reverb, 0x13 * 128);      // BASEMENT
    SetEffectType(blocks, EffectBlock::chorus, 0x43 * 128 + 8);  // FLANGER 3
    SetEffectType(blocks, EffectBlock::variation, 0x07 * 128);   // ECHO
    int n = 0;
    for (const EffectItem& item : AllEffectItems()) {
        if (item.kind != EffectItem::type) EffectValue(blocks, item) = ClampEffectValue(item, ++n);
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

TEST(EffectSetup, ValuesAreHeldInRangeAndOnlyWholeNumbersRead) {
    const std::optional<EffectBlocks> read = ReadText(
        "[Effects]\nreverb_pan=0\nvariation_part=40\nchorus_param1=300\n"
        "variation_param1=-5\nvariation_connection= +1 \n");
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)[EffectBlock::reverb].pan, 1);
    EXPECT_EQ(read->variation_part, kVariationPartOff);
    EXPECT_EQ((*read)[EffectBlock::chorus].params[0], 127);
    EXPECT_EQ((*read)[EffectBlock::variation].params[0], 0);
    EXPECT_EQ(read->variation_connection, 1);
    for (const char* bad : {"12a", "", "1.5", "x", "99999999999"}) {
        std::string key;
        EXPECT_FALSE(ReadEffectSection(
            IniDocument::Parse(std::string("[Effects]\nreverb_param2=") + bad + "\n"), &key))
            << bad;
        EXPECT_EQ(key, "reverb_param2");
    }
}

}  // namespace
}  // namespace kq505
