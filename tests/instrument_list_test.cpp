#include "instruments/instrument_list.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

// Puts `text` at `column` of a line padded with spaces, the way the records are laid out.
void Put(std::string& line, std::size_t column, std::string_view text) {
    if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
    line.replace(column, text.size(), text);
}

std::string M(std::string_view lsb, std::string_view msb, std::string_view program,
              std::string_view level, std::string_view name) {
    std::string line = "M";
    Put(line, 2, lsb);
    Put(line, 6, msb);
    Put(line, 10, program);
    Put(line, 18, level);
    Put(line, 22, name);
    return line;
}
std::string M(int lsb, int msb, int program, int level, std::string_view name) {
    return M(std::to_string(lsb), std::to_string(msb), std::to_string(program),
             std::to_string(level), name);
}
std::string P(int msb, int level, std::string_view name) {
    std::string line = "P";
    Put(line, 6, std::to_string(msb));
    Put(line, 18, std::to_string(level));
    Put(line, 22, name);
    return line;
}
std::string L(int level, std::string_view name) {
    std::string line = "L";
    Put(line, 18, std::to_string(level));
    Put(line, 22, name);
    return line;
}

// A header line, then the given lines, each after a CR LF.
std::string List(std::initializer_list<std::string> lines, std::string_view eol = "\r\n") {
    std::string text = "; instrument list";
    for (const auto& line : lines)
        text.append(eol).append(line);
    return text;
}

void Parse(CKQ505App& app, std::string text, int module_level = 0) {
    app.instrument_text = std::move(text);
    app.module_level = module_level;
    ParseInstrumentList(app);
}

std::string Voice(const CKQ505App& app, int msb, int program_index, int lsb) {
    return app.instrument_names.Get(msb, program_index, lsb);
}

TEST(InstrumentList, OnlyLinesAfterACrLfAreRecords) {
    CKQ505App app;
    Parse(app, M(0, 0, 1, 0, "Piano"));
    EXPECT_EQ(app.instrument_names.NamedCount(), 0u);

    Parse(app, List({M(0, 0, 1, 0, "Piano"), P(0, 0, "GM"), L(0, "XG")}, "\n"));
    EXPECT_EQ(app.instrument_names.NamedCount(), 0u);
    EXPECT_EQ(app.map_names[0], "");
    EXPECT_EQ(app.module_names[0], "");

    Parse(app, M(0, 0, 1, 0, "First") + "\r\n" + M(0, 0, 2, 0, "Second"));
    EXPECT_EQ(Voice(app, 0, 0, 0), "");
    EXPECT_EQ(Voice(app, 0, 1, 0), "Second");
}

TEST(InstrumentList, RecordsAreReadAtTheirColumns) {
    CKQ505App app;
    Parse(app, List({"M 0   0   1       0   GrandPno", M(3, 8, 128, 0, "Last one  "),
                     "; M 1   1   1       0   a comment", " M 2   0   1       0   indented"}));
    EXPECT_EQ(Voice(app, 0, 0, 0), "GrandPno");
    EXPECT_EQ(Voice(app, 8, 127, 3), "Last one  ");  // spaces inside and after the name stay
    EXPECT_EQ(app.instrument_names.NamedCount(), 2u);
}

TEST(InstrumentList, RecordTypesAreIndependentAndTheLastLineWins) {
    CKQ505App app;
    Parse(app,
          List({M(0, 0, 1, 2, "Deep"), P(0, 1, "One"), M(0, 0, 1, 0, "Shallow"), L(1, "MU"),
                P(0, 0, "Zero"), M(1, 0, 1, 0, "Level 0 first"), M(1, 0, 1, 2, "Level 2 last"),
                L(1, "MU50"), M(2, 0, 1, 0, "Removed"), M(2, 0, 1, 0, "")}),
          2);
    EXPECT_EQ(Voice(app, 0, 0, 0), "Shallow");
    EXPECT_EQ(Voice(app, 0, 0, 1), "Level 2 last");
    EXPECT_EQ(app.map_names[0], "Zero ");
    EXPECT_EQ(app.module_names[1], "MU50");
    EXPECT_EQ(app.instrument_names.NamedCount(), 2u);  // a later empty name removes the voice
}

TEST(InstrumentList, LevelsAboveTheModuleAreSkippedUntilAReloadAtAHigherLevel) {
    CKQ505App app;
    Parse(app,
          List({P(64, 2, "SFX"), M(0, 64, 1, 2, "Cutting"), M(0, 0, 1, 0, "Piano"),
                M(0, 0, 1, 1, "Piano L1"), L(2, "MU100"), P(0, 0, "GM")}),
          1);
    EXPECT_EQ(app.map_names[64], "");
    EXPECT_EQ(Voice(app, 64, 0, 0), "");
    EXPECT_EQ(Voice(app, 0, 0, 0), "Piano L1");

    app.module_level = 2;
    ReloadSettings(app);
    EXPECT_EQ(app.map_names[64], "SFX ");
    EXPECT_EQ(Voice(app, 64, 0, 0), "Cutting");

    app.module_level = 0;
    ReloadSettings(app);
    EXPECT_EQ(app.map_names[64], "");
    EXPECT_EQ(Voice(app, 64, 0, 0), "");
    EXPECT_EQ(Voice(app, 0, 0, 0), "Piano");
    EXPECT_EQ(app.map_names[0], "GM ");
    EXPECT_EQ(app.module_names[2], "MU100");
}

TEST(InstrumentList, LevelNamesAreNeverFilteredAndSurviveAReload) {
    CKQ505App app;
    Parse(app, List({L(0, "XG"), L(5, "Level five")}), 0);
    EXPECT_EQ(app.module_names[5], "Level five");

    app.instrument_text = List({L(5, "Replaced")});
    ReloadSettings(app);
    EXPECT_EQ(app.module_names[0], "XG");  // a reload does not clear level names
    EXPECT_EQ(app.module_names[5], "Replaced");
}

TEST(InstrumentList, NumberFieldsStartAtTheirFirstColumnAndStayInsideTheirWidth) {
    CKQ505App app;
    Parse(app, List({M(" 12", "001", "0002", "+0", "leading space, zeros, sign"),
                     M("5", "6", "7", "0000", "9 starts the name"), P(3, 0, "") + "x",
                     M("-0", "0", "+1", "-1", "negative level applies")}));
    EXPECT_EQ(Voice(app, 1, 1, 0), "leading space, zeros, sign");
    EXPECT_EQ(Voice(app, 6, 6, 5), "9 starts the name");  // level digits end with column 21
    EXPECT_EQ(Voice(app, 0, 0, 0), "negative level applies");
    EXPECT_EQ(app.instrument_names.NamedCount(), 3u);
}

TEST(InstrumentList, MapNamesCarryOneAppendedSpace) {
    CKQ505App app;
    Parse(app, List({P(0, 0, ""), P(1, 0, "GM"), P(2, 0, "Trailing ")}));
    EXPECT_EQ(app.map_names[0], " ");
    EXPECT_EQ(app.map_names[1], "GM ");
    EXPECT_EQ(app.map_names[2], "Trailing  ");
}

TEST(InstrumentList, ShiftJisNamesAreKeptByteForByte) {
    const std::string piano = "\x83\x73\x83\x41\x83\x6d";         // ピアノ
    const std::string so_backslash = "\x83\x5c\x83\x74\x83\x67";  // ソフト, 0x5C trail byte
    const std::string halfwidth = "\xcc\xdf\xd7\xbd";             // ﾌﾟﾗｽ
    CKQ505App app;
    Parse(app, List({M(0, 0, 1, 0, piano), P(0, 0, so_backslash), L(0, halfwidth),
                     M(0, 0, 2, 0, std::string("a\0b\xff", 4))}));
    EXPECT_EQ(Voice(app, 0, 0, 0), piano);
    EXPECT_EQ(app.map_names[0], so_backslash + " ");
    EXPECT_EQ(app.module_names[0], halfwidth);
    EXPECT_EQ(Voice(app, 0, 1, 0), std::string("a\0b\xff", 4));
}

TEST(InstrumentList, RecordsOutsideTheTablesAreSkipped) {
    CKQ505App app;
    Parse(app, List({L(8, "eight"), L(-1, "minus"), P(128, 0, "Map 128"), P(-1, 0, "Map -1"),
                     M(128, 0, 1, 0, "lsb"), M(0, 128, 1, 0, "msb"), M(-1, 0, 1, 0, "lsb-"),
                     M(0, 0, 0, 0, "program 0"), M(0, 0, 129, 0, "program 129"),
                     M(0, 0, 99999999, 0, "wide program"), L(7, "seven"), P(127, 0, "Top"),
                     M(127, 127, 128, 0, "corner")}));
    EXPECT_EQ(app.module_names[7], "seven");
    EXPECT_EQ(app.map_names[127], "Top ");
    EXPECT_EQ(app.map_names[0], "");
    EXPECT_EQ(Voice(app, 127, 127, 127), "corner");
    EXPECT_EQ(app.instrument_names.NamedCount(), 1u);
    for (const auto& name : app.module_names)
        EXPECT_TRUE(name.empty() || name == "seven");
}

TEST(InstrumentList, AShortRecordStaysWithinItsLine) {
    CKQ505App app;
    Parse(app, List({"P     7", P(8, 0, "Eight"), "P     9           1", "M 1   2   3",
                     M(4, 2, 3, 0, "Next"), "L", L(3, "Three"),
                     "M 5   2   3       0   Bare LF\n" + M(6, 2, 3, 0, "not a record"),
                     "M 7   2   3       0   Bare CR\rtail"}));
    EXPECT_EQ(app.map_names[7], " ");  // level past the line end reads 0, name empty
    EXPECT_EQ(app.map_names[8], "Eight ");
    EXPECT_EQ(app.map_names[9], "");  // level "1" cut by the line end still reads 1
    EXPECT_EQ(Voice(app, 2, 2, 1), "");
    EXPECT_EQ(Voice(app, 2, 2, 4), "Next");
    EXPECT_EQ(app.module_names[0], "");
    EXPECT_EQ(app.module_names[3], "Three");
    EXPECT_EQ(Voice(app, 2, 2, 5), "Bare LF");
    EXPECT_EQ(Voice(app, 2, 2, 6), "");
    EXPECT_EQ(Voice(app, 2, 2, 7), "Bare CR");
}

class InstrumentListFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  ("kq505_" + std::to_string(::getpid()) + "_" + test->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& file, const std::string& bytes) {
        const auto path = folder_ / file;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path folder_;
};

TEST_F(InstrumentListFile, MissingFilesAndFoldersCannotBeRead) {
    CKQ505App app;
    app.instrument_text = "kept";
    app.map_names[0] = "kept ";
    app.instrument_file_path = (folder_ / "xg.ins").string();
    EXPECT_FALSE(LoadInstrumentList(app));
    app.instrument_file_path = folder_.string();
    EXPECT_FALSE(LoadInstrumentList(app));
    EXPECT_EQ(app.instrument_text, "kept");
    EXPECT_EQ(app.map_names[0], "kept ");
}

TEST_F(InstrumentListFile, LoadKeepsTheTextWithoutTrailingWhiteSpaceAndParsesIt) {
    CKQ505App app;
    app.module_level = 1;
    app.map_names[5] = "stale ";
    app.instrument_file_path =
        Write("xg.ins", List({L(1, "MU"), P(0, 1, "GM"), M(0, 0, 1, 0, "Last  ")}) + " \r\n\t\r\n");
    ASSERT_TRUE(LoadInstrumentList(app));
    EXPECT_EQ(app.instrument_text, List({L(1, "MU"), P(0, 1, "GM"), M(0, 0, 1, 0, "Last")}));
    EXPECT_EQ(Voice(app, 0, 0, 0), "Last");
    EXPECT_EQ(app.map_names[0], "GM ");
    EXPECT_EQ(app.map_names[5], "");
    EXPECT_EQ(app.module_names[1], "MU");

    app.instrument_file_path = Write("empty.ins", " \r\n");
    ASSERT_TRUE(LoadInstrumentList(app));
    EXPECT_EQ(app.instrument_text, "");
    EXPECT_EQ(app.instrument_names.NamedCount(), 0u);
}

}  // namespace
}  // namespace kq505

namespace kq505 {
namespace {

// The list shipped with the program: the XG voices, the General MIDI names at bank 0 and the
// XG kits.
TEST(ShippedInstrumentList, NamesEveryGeneralMidiVoiceAndTheKits) {
    CKQ505App app;
    app.instrument_file_path = KQ505_SOURCE_DIR "/res/xg.ins";
    ASSERT_TRUE(LoadInstrumentList(app));
    EXPECT_EQ(app.module_names[0], "XG");
    EXPECT_GE(app.instrument_names.NamedCount(), 480u);
    for (int program = 0; program < 128; ++program) {
        EXPECT_FALSE(app.instrument_names.Get(0, program, 0).empty()) << program;
    }
    EXPECT_EQ(app.instrument_names.Get(0, 0, 0), "Acoustic Grand Piano");
    EXPECT_EQ(app.instrument_names.Get(0, 56, 0), "Trumpet");
    EXPECT_EQ(app.instrument_names.Get(0, 127, 0), "Gunshot");
    EXPECT_EQ(app.instrument_names.Get(127, 0, 0), "Standard Kit");
    EXPECT_EQ(app.instrument_names.Get(127, 48, 0), "Classic Kit");
    EXPECT_EQ(app.instrument_names.Get(126, 1, 0), "SFX Kit 2");
    EXPECT_FALSE(app.map_names[0].empty());
    EXPECT_FALSE(app.map_names[127].empty());
}

TEST(ShippedInstrumentList, NamesTheXgVariationsAndSfxVoicesAtTheirBanks) {
    CKQ505App app;
    app.instrument_file_path = KQ505_SOURCE_DIR "/res/xg.ins";
    ASSERT_TRUE(LoadInstrumentList(app));
    EXPECT_EQ(app.instrument_names.Get(0, 0, 1), "GrndPnoK");
    EXPECT_EQ(app.instrument_names.Get(0, 0, 40), "PianoStr");
    EXPECT_EQ(app.instrument_names.Get(0, 4, 64), "60sEl.P");
    EXPECT_EQ(app.instrument_names.Get(0, 7, 65), "PierceCl");
    EXPECT_EQ(app.instrument_names.Get(64, 0, 0), "CuttngNz");
    EXPECT_EQ(app.instrument_names.Get(64, 115, 0), "FireWork");
    EXPECT_EQ(app.map_names[64], "Sound FX ");
    // The bank variations sit at their LSB only, never at the program numbered from 0.
    EXPECT_EQ(app.instrument_names.Get(0, 1, 1), "BritPnoK");
    EXPECT_EQ(app.instrument_names.Get(0, 0, 0), "Acoustic Grand Piano");
    for (const int msb : {0, 64, 126, 127})
        EXPECT_EQ(app.map_names[static_cast<std::size_t>(msb)].back(), ' ') << msb;
    EXPECT_TRUE(app.map_names[1].empty());
}

}  // namespace
}  // namespace kq505
