#include "model/module_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "model/midi_messages.h"
#include "model/module_syx.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

Bytes Concat(std::initializer_list<Bytes> messages) {
    Bytes all;
    for (const Bytes& m : messages)
        all.insert(all.end(), m.begin(), m.end());
    return all;
}

TEST(ModuleCommands, AReadNeedsPortAToAskAndModuleInToHear) {
    test::RecordingApp r;
    EXPECT_NE(ModuleReadRefusal(r.app).find("MODULE IN"), std::string::npos);
    r.app.module_in->Open(-1);
    EXPECT_EQ(ModuleReadRefusal(r.app), "");
    r.app.midi_out_a->Close();
    EXPECT_NE(ModuleReadRefusal(r.app).find("MIDI OUT A"), std::string::npos);
}

TEST(ModuleCommands, TheProgressNamesTheBlockAndCountsTheRequests) {
    ModuleReader reader(true, {4});
    const std::size_t total = reader.Total();
    const std::pair<std::size_t, std::string> steps[] = {
        {0, "ﾘﾊﾞｰﾌﾞ  1/" + std::to_string(total)},
        {3, "ｺｰﾗｽ  4/" + std::to_string(total)},
        {6, "ﾊﾟｰﾄ 5 A  7/" + std::to_string(total)},
        {total - 1, "ﾊﾟｰﾄ 5 B  " + std::to_string(total) + "/" + std::to_string(total)},
        {total, ""},
    };
    for (const auto& [position, text] : steps) {
        while (reader.Position() < position) {
            while (reader.OnTimeout()) {
            }
        }
        EXPECT_EQ(ModuleReadProgressText(reader), text) << position;
    }
}

// The file's bytes: XG System On, then the dumps, each with its count and checksum.
TEST(ModuleCommands, TheSysExFileOfTheSetUpStartsWithXgSystemOnAndTheReverbDump) {
    test::RecordingApp r;
    r.app.effect_blocks[EffectBlock::reverb].return_level = 50;
    const Bytes file = SetupSysExFileBytes(r.app);
    const Bytes head{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7,
                     0xF0, 0x43, 0x00, 0x4C, 0x00, 0x0E, 0x02, 0x01, 0x00};
    ASSERT_GT(file.size(), head.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + std::ssize(head)), head);
    EXPECT_EQ(file[head.size() + 0x0C], 50);  // the reverb return, 02 01 0C
    // Six effect dumps, two dumps of each of the 32 XG parts, five parameter changes each.
    const std::size_t dump_data = 0x0E + 6 + 0x0F + 6 + 0x21 + 6 + 32 * (0x29 + 0x3F);
    EXPECT_EQ(file.size(), 9 + (6 + 64) * 11 + dump_data + 32 * 5 * 9);
    EXPECT_EQ(file.back(), 0xF7);
}

TEST(ModuleCommands, AFileThatCannotBeReadWholeChangesNothing) {
    test::TempFolder folder;
    const Bytes good = XgBulkDump({0x08, 0x02, 0x13}, Bytes{90});
    test::WriteBytes(folder / "cut.syx", Text(Concat({good, {0xF0, 0x43, 0x10}})));
    test::WriteBytes(folder / "text.syx", "[KQ505 set-up]\n");
    Bytes large = good;
    large.resize(kSyxFileMaxSize + 1, 0);
    test::WriteBytes(folder / "large.syx", Text(large));
    const std::pair<std::string, SyxFileError> cases[] = {
        {"cut.syx", SyxFileError::truncated},   {"text.syx", SyxFileError::not_sysex},
        {"large.syx", SyxFileError::too_large}, {"missing.syx", SyxFileError::cannot_read},
        {"", SyxFileError::cannot_read},  // the folder itself
    };
    for (const auto& [name, error] : cases) {
        test::RecordingApp r;
        const PartTable before = r.app.part_table;
        EXPECT_EQ(TakeSysExFile(r.app, folder / name).error, error) << name;
        EXPECT_EQ(r.app.part_table, before);
        EXPECT_EQ(r.app.edit_history.StepCount(), 0u);
    }
}

// Only what the file carries changes; the rest of the set-up stays, and the file is one step.
TEST(ModuleCommands, AFileTakesWhatItCarriesAsOneStepAndSendsNothing) {
    test::TempFolder folder;
    test::RecordingApp r;
    r.app.part_table[vol][5] = 90;
    r.app.part_table[reverb_b][1] = 11;
    r.app.effect_blocks[EffectBlock::chorus].return_level = 33;
    const PartTable before = r.app.part_table;
    const EffectBlocks effects_before = r.app.effect_blocks;
    const Bytes file = Concat({
        Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},                  // GM System On: skipped
        XgBulkDump({0x08, 0x13, 0x13}, Bytes{77}),                  // part 4 B reverb
        Bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x0C, 55, 0xF7},  // reverb return
        Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x05, 0x0B, 70, 0xF7},  // part 6 A volume
    });
    test::WriteBytes(folder / "some.syx", Text(file));
    const SysExFileResult result = TakeSysExFile(r.app, folder / "some.syx");
    EXPECT_EQ(result.error, SyxFileError::none);
    EXPECT_EQ(SysExFileStatusText(result, "some.syx"), "some.syx: 3 ﾒｯｾｰｼﾞ読込, 1 ｽｷｯﾌﾟ");
    // Part 6's B layer keeps the volume the table sent it: the A layer's is taken, and listed.
    ASSERT_EQ(result.differences.size(), 1u);
    EXPECT_EQ(result.differences[0], (ModuleDifference{5, vol, 70, 70, 90}));

    PartTable expected = before;
    expected[reverb_b][3] = 77;
    expected[vol][5] = 70;
    EXPECT_EQ(r.app.part_table, expected);
    EXPECT_EQ(r.app.effect_blocks[EffectBlock::reverb].return_level, 55);
    EXPECT_EQ(r.app.effect_blocks[EffectBlock::chorus].return_level, 33);
    EXPECT_TRUE(r.log.TakeEvents().empty());
    ASSERT_EQ(r.app.edit_history.StepCount(), 1u);
    EXPECT_EQ(r.app.edit_history.NextUndo()->kind, StepKind::kSysExFile);
    EXPECT_TRUE(r.app.setup.modified);

    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.app.part_table, before);
    EXPECT_EQ(r.app.effect_blocks, effects_before);
}

}  // namespace
}  // namespace kq505
