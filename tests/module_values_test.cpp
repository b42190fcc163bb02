#include "model/module_values.h"

#include <gtest/gtest.h>

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
    PartTable table = DefaultTable();
    table[pan_a][kPart] = 3;
    std::vector<ModuleDifference> differences;
    ModuleToPart(module, kPart, table, differences);
    EXPECT_EQ(table[vol][kPart], 90);
    EXPECT_EQ(table[mix][kPart], 14);
    EXPECT_EQ(table[key_shift][kPart], 66);
    EXPECT_EQ(table[porta_sw][kPart], 1);
    EXPECT_EQ(table[pan_a][kPart], 3);
    EXPECT_EQ(differences, (std::vector<ModuleDifference>{{kPart, vol, 90, 90, 80},
                                                          {kPart, key_shift, 66, 60, 66},
                                                          {kPart, mix, 14, 50, 60}}));
}

}  // namespace
}  // namespace kq505
