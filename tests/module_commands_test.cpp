#include "model/module_commands.h"

#include <gtest/gtest.h>

#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ModuleCommands, AReadNeedsPortAToAskAndModuleInToHear) {
    test::RecordingApp r;
    EXPECT_NE(ModuleReadRefusal(r.app).find("MODULE IN"), std::string::npos);
    r.app.module_in->Open(-1);
    EXPECT_EQ(ModuleReadRefusal(r.app), "");
    r.app.midi_out_a->Close();
    EXPECT_NE(ModuleReadRefusal(r.app).find("MIDI OUT A"), std::string::npos);
}

TEST(ModuleCommands, TheSetUpsSysExFileIsXgSystemOnThenTheDumpsEachWithItsChecksum) {
    test::RecordingApp r;
    r.app.effect_blocks[EffectBlock::reverb].return_level = 50;  // 02 01 0C
    const Bytes file = SetupSysExFileBytes(r.app);
    // XG System On, then the reverb dump: 0E bytes at 02 01 00, HALL 1 first.
    const Bytes head{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7, 0xF0,
                     0x43, 0x00, 0x4C, 0x00, 0x0E, 0x02, 0x01, 0x00, 0x01, 0x00};
    ASSERT_EQ(Bytes(file.begin(), file.begin() + std::ssize(head)), head);
    EXPECT_EQ(file[9 + 9 + 0x0C], 50);
    // Six effect dumps, two of each of the 32 XG parts, five parameter changes each.
    const std::size_t data = 0x0E + 6 + 0x0F + 6 + 0x21 + 6 + 32 * (0x29 + 0x3F);
    EXPECT_EQ(file.size(), 9 + (6 + 64) * 11 + data + 32 * 5 * 9);
}

// What the file carries is one step; the rest of the set-up stays; a broken file is nothing.
TEST(ModuleCommands, AFileTakesWhatItCarriesAsOneStepOrNothingAtAll) {
    test::TempFolder folder;
    test::RecordingApp r;
    r.app.part_table[vol][5] = 90;
    r.app.part_table[reverb_a][0] = -5;  // no byte holds it: part 1 is not in the file
    const PartTable before = r.app.part_table;
    const Bytes dump = XgBulkDump({0x08, 0x13, 0x13}, Bytes{77});            // part 4 B reverb
    const Bytes change{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x05, 0x0B, 70, 0xF7};  // part 6 A vol
    Bytes file{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};  // GM System On: skipped
    file.insert(file.end(), dump.begin(), dump.end());
    file.insert(file.end(), change.begin(), change.end());
    const std::string bytes(file.begin(), file.end());
    test::WriteBytes(folder / "cut.syx", bytes.substr(0, bytes.size() - 1));
    test::WriteBytes(folder / "large.syx", bytes + std::string(kSyxFileMaxSize, '\xF7'));
    test::WriteBytes(folder / "some.syx", bytes);
    for (const char* refused : {"cut.syx", "large.syx", "missing.syx", ""}) {
        EXPECT_NE(TakeSysExFile(r.app, folder / refused).error, SyxFileError::none) << refused;
        EXPECT_EQ(r.app.part_table, before);
    }
    const SysExFileResult result = TakeSysExFile(r.app, folder / "some.syx");
    EXPECT_EQ(SysExFileStatusText(result, "some.syx"), "some.syx: 2 ﾒｯｾｰｼﾞ読込, 1 ｽｷｯﾌﾟ");
    // Part 6's B layer keeps the volume the table sent it: the A layer's is taken, and listed.
    EXPECT_EQ(result.differences, (std::vector<ModuleDifference>{{5, vol, 70, 70, 90}}));
    PartTable expected = before;
    expected[reverb_b][3] = 77;
    expected[vol][5] = 70;
    EXPECT_EQ(r.app.part_table, expected);
    EXPECT_EQ(r.app.edit_history.StepCount(), 1u);
    EXPECT_TRUE(r.log.TakeEvents().empty());
}

// The drum side goes out with the set-up's file and comes back from it.
TEST(ModuleCommands, TheSysExFileCarriesThePartModesAndTheDrumSetups) {
    test::TempFolder folder;
    test::RecordingApp source;
    source.app.drums.part_modes[20] = PartMode::drums4;  // part 5 B
    DrumSlot(source.app.drums, 3, 38, 0) = 67;
    DrumSlot(source.app.drums, 0, 36, 5) = 1;
    const Bytes file = SetupSysExFileBytes(source.app);
    test::WriteBytes(folder / "drums.syx", std::string(file.begin(), file.end()));
    test::RecordingApp target;
    EXPECT_EQ(TakeSysExFile(target.app, folder / "drums.syx").error, SyxFileError::none);
    EXPECT_EQ(target.app.drums, source.app.drums);
}

}  // namespace
}  // namespace kq505
