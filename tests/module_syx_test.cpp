#include "model/module_syx.h"

#include <gtest/gtest.h>

#include "model/midi_messages.h"
#include "model/module_take.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ModuleSyx, TheWholeSetUpComesBackFromItsFile) {
    test::RecordingApp source;
    for (int row = 0; row < kRowCount; ++row) {
        if (row == exp || row == mix_sw) continue;  // the module keeps neither
        for (int part = 0; part < kPartCount; ++part) {
            const RowInfo& info = kRowInfo[row];
            source.app.part_table[row][part] =
                info.min + (row * 7 + part * 3) % (info.max - info.min + 1);
        }
    }
    SetEffectType(source.app.effect_blocks, EffectBlock::variation, 0x05 * 128);
    source.app.effect_blocks[EffectBlock::variation].params[1] = 7000;
    source.app.effect_blocks.variation_part = 17;
    const auto messages = SetupSysExMessages(source.app.part_table, source.app.effect_blocks);
    ASSERT_EQ(messages.size(), 1u + 6u + 32u * 2u + 32u * 5u);
    EXPECT_EQ(Bytes(messages[0].begin(), messages[0].end()),
              Bytes(kq505::kXgSystemOn.begin(), kq505::kXgSystemOn.end()));
    // XG part 9 starts as a drum part on channel 10; part 25 receives B10.
    const Bytes& part9 = messages[1 + 6 + 9 * 2];
    EXPECT_EQ((Bytes{part9[6], part9[7], part9[8], part9[9 + 4], part9[9 + 7]}),
              (Bytes{0x08, 9, 0x00, 9, 2}));
    EXPECT_EQ(messages[1 + 6 + 25 * 2][9 + 4], 25);
    // Element reserve: 2 voices kept back on every part but that drum part.
    EXPECT_EQ((Bytes{messages[1 + 6][9], part9[9], messages[1 + 6 + 25 * 2][9]}), (Bytes{2, 0, 2}));

    XgModuleImage image;
    const SyxReadResult read = ReadSysExFile(SyxFileBytes(messages), image);
    EXPECT_EQ(read.error, SyxFileError::none);
    EXPECT_EQ(read.taken, messages.size() - 1);
    EXPECT_EQ(read.skipped, 1u);  // XG System On
    test::RecordingApp target;
    const std::array<int, kPartCount> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_TRUE(TakeModuleImage(target.app, image, all, true, StepKind::kSysExFile).empty());
    EXPECT_EQ(target.app.part_table, source.app.part_table);
    EXPECT_EQ(target.app.effect_blocks, source.app.effect_blocks);
    EXPECT_TRUE(target.log.TakeEvents().empty());
}

TEST(ModuleSyx, AFileThatIsNotWholeLeavesTheImageAsItWas) {
    XgModuleImage image;
    image.parts[0].hpf = 9;
    const Bytes cut{0xF0, 0x43, 0x10, 0x4C, 0x0A, 0x00, 0x20, 0x10, 0xF7, 0xF0, 0x43};
    EXPECT_EQ(ReadSysExFile(cut, image).error, SyxFileError::truncated);
    EXPECT_EQ(image.parts[0].hpf, 9);
    const Bytes other{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7, 0xF0, 0x43,
                      0x10, 0x4C, 0x0A, 0x00, 0x20, 0x10, 0xF7};
    const SyxReadResult read = ReadSysExFile(other, image);
    EXPECT_EQ(read.skipped, 1u);
    EXPECT_EQ(image.parts[0].hpf, 0x10);
}

}  // namespace
}  // namespace kq505
