#include "model/module_values.h"

#include "model/module_image.h"

#include <gtest/gtest.h>

#include <vector>

namespace kq505 {
namespace {

constexpr int kPart = 5;

PartTable DefaultTable() {
    PartTable table{};
    ResetPartParameters(table);
    return table;
}

// Every value each row keeps comes back from what the module holds after it was sent, and
// nothing else of the part moves.
TEST(ModuleValues, EveryRowComesBackFromWhatItsSendLeavesInTheModule) {
    for (int row = 0; row < kRowCount; ++row) {
        if (row == exp || row == mix_sw) continue;  // the module holds neither
        for (std::int32_t value = kRowInfo[row].min; value <= kRowInfo[row].max; ++value) {
            PartTable sent = DefaultTable();
            sent[row][kPart] = value;
            XgModuleParts module{};
            PartToModule(sent, kPart, module);
            PartTable read = DefaultTable();
            read[exp][kPart] = 3;  // kept, as the module has no expression
            std::vector<ModuleDifference> differences;
            ModuleToPart(module, kPart, read, differences);
            ASSERT_EQ(read[exp][kPart], 3);
            read[exp][kPart] = sent[exp][kPart];
            // Pan 0 goes out as the byte 1: both are hard left, and the byte 0 is random.
            const bool pan = row == pan_a || row == pan_b;
            if (pan && value == 0) sent[row][kPart] = 1;
            ASSERT_EQ(read, sent) << kRowInfo[row].name << " = " << value;
            ASSERT_TRUE(differences.empty()) << kRowInfo[row].name << " = " << value;
        }
    }
}

TEST(ModuleValues, TheLayersOfOnePartGoToXgPartsPAndPPlus16) {
    PartTable table = DefaultTable();
    table[reverb_a][kPart] = 11;
    table[reverb_b][kPart] = 22;
    table[hpf_b][kPart] = 33;
    table[eq_treble_freq_a][kPart] = 44;
    table[key_shift][kPart] = 70;
    XgModuleParts module{};
    PartToModule(table, kPart, module);
    EXPECT_EQ(module[kPart].multi_part[0x13], 11);
    EXPECT_EQ(module[kPart + 16].multi_part[0x13], 22);
    EXPECT_EQ(module[kPart + 16].hpf, 33);
    EXPECT_EQ(module[kPart].multi_part[0x77], 44);
    EXPECT_EQ(module[kPart + 16].multi_part[0x08], 70);
    EXPECT_FALSE(module[kPart].multi_part[0x08]);  // the A layer is never shifted
    EXPECT_FALSE(module[kPart + 1].multi_part[0x13]);
}

// What the table cannot hold takes the A layer's side and is listed; what was not read stays.
TEST(ModuleValues, WhatTheTableCannotHoldIsListedAndWhatWasNotReadStays) {
    XgModuleParts module{};
    XgPartBytes& a = module[kPart];
    XgPartBytes& b = module[kPart + 16];
    a.multi_part[0x0B] = 90;  // volume
    b.multi_part[0x0B] = 80;
    a.multi_part[0x0D] = 50;  // both offsets lowered: no mix says that
    b.multi_part[0x0D] = 60;
    a.multi_part[0x08] = 60;  // a shifted A layer
    b.multi_part[0x08] = 66;
    a.multi_part[0x67] = 1;  // portamento on both: no difference
    b.multi_part[0x67] = 1;
    b.multi_part[0x0E] = 0;  // a random pan
    PartTable table = DefaultTable();
    table[pan_a][kPart] = 3;
    std::vector<ModuleDifference> differences;
    ModuleToPart(module, kPart, table, differences);
    EXPECT_EQ(table[vol][kPart], 90);
    EXPECT_EQ(table[mix][kPart], 14);
    EXPECT_EQ(table[key_shift][kPart], 66);
    EXPECT_EQ(table[porta_sw][kPart], 1);
    EXPECT_EQ(table[pan_a][kPart], 3);
    EXPECT_EQ(table[pan_b][kPart], 64);
    EXPECT_EQ(differences, (std::vector<ModuleDifference>{{kPart, pan_b, 64, 0, 0},
                                                          {kPart, vol, 90, 90, 80},
                                                          {kPart, key_shift, 66, 60, 66},
                                                          {kPart, mix, 14, 50, 60}}));
}

TEST(ModuleImage, DumpsAndChangesFillTheImageAtTheirAddresses) {
    XgModuleImage image;
    const std::vector<std::uint8_t> data(0x29, 0x11);
    const auto apply = [&image](const std::vector<std::uint8_t>& message) {
        const std::optional<XgMessage> read = ReadXgMessage(message);
        return read && ApplyToImage(*read, image);
    };
    EXPECT_TRUE(apply(XgBulkDump({0x08, 0x1F, 0x00}, data)));
    EXPECT_EQ(image.parts[31].multi_part[0x28], 0x11);
    EXPECT_FALSE(image.parts[31].multi_part[0x29]);
    // A dump that would run past the block keeps what lies inside it.
    EXPECT_TRUE(apply(XgBulkDump({0x08, 0x02, 0x7E}, std::vector<std::uint8_t>{1, 2, 3})));
    EXPECT_EQ(image.parts[2].multi_part[0x7F], 0x02);
    EXPECT_TRUE(apply({0xF0, 0x43, 0x10, 0x4C, 0x0A, 0x04, 0x20, 0x55, 0xF7}));
    EXPECT_EQ(image.parts[4].hpf, 0x55);
    EXPECT_FALSE(apply(XgBulkDump({0x08, 0x20, 0x00}, data)));  // no 33rd part
    // A drum instrument keeps its 16 bytes; notes 13..91 of setups 1..4 alone.
    EXPECT_TRUE(apply(XgBulkDump({0x33, 0x24, 0x00}, data)));
    EXPECT_EQ(image.drums[3][0x24 - 13][15], 0x11);
    EXPECT_TRUE(apply({0xF0, 0x43, 0x10, 0x4C, 0x30, 0x5B, 0x04, 0x14, 0xF7}));
    EXPECT_EQ(image.drums[0][91 - 13][4], 0x14);
    EXPECT_FALSE(apply(XgBulkDump({0x30, 0x0C, 0x00}, data)));
    EXPECT_FALSE(apply(XgBulkDump({0x34, 0x24, 0x00}, data)));
    EXPECT_FALSE(apply({0xF0, 0x43, 0x10, 0x4C, 0x0A, 0x04, 0x21, 0x55, 0xF7}));
}

TEST(ModuleImage, TheEffectBlocksComeBackFromWhatTheirSendLeavesInTheModule) {
    EffectBlocks sent;
    ResetEffectBlocks(sent);
    SetEffectType(sent, EffectBlock::chorus, 0x42 * 128 + 1);
    sent[EffectBlock::variation].params[0] = 3333;  // two bytes
    sent[EffectBlock::reverb].params[12] = 7;       // the second block
    sent.variation_part = 20;
    sent.variation_to_chorus = 99;
    XgModuleImage image;
    EffectsToImage(sent, image);
    EXPECT_EQ(image.effect[0x42], 3333 / 128);
    EXPECT_EQ(image.effect[0x43], 3333 % 128);
    EXPECT_EQ(image.effect[0x12], 7);
    EffectBlocks read;
    ResetEffectBlocks(read);
    ImageToEffects(image, read);
    EXPECT_EQ(read, sent);
    // Bytes not read leave the items as they were.
    EffectBlocks untouched;
    ImageToEffects(XgModuleImage{}, untouched);
    EXPECT_EQ(untouched, EffectBlocks{});
}

}  // namespace
}  // namespace kq505
