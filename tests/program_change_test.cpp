#include "instruments/program_change.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "instruments/instrument_list.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;

// A record with its fields at their columns: LSB at 2, MSB at 6, program at 10, level at 18,
// name at 22.
std::string Record(char type, std::string_view lsb, std::string_view msb, std::string_view program,
                   std::string_view name) {
    std::string line(22, ' ');
    line[0] = type;
    line.replace(2, lsb.size(), lsb);
    line.replace(6, msb.size(), msb);
    line.replace(10, program.size(), program);
    line.replace(18, 1, "0");
    return line.append(name);
}
std::string P(std::string_view msb, std::string_view name) {
    return Record('P', "", msb, "", name);
}
std::string M(std::string_view lsb, std::string_view msb, std::string_view program,
              std::string_view name) {
    return Record('M', lsb, msb, program, name);
}

// "ｱｺｰｽﾃｨｯｸ" in Shift_JIS half-width katakana.
const std::string kKatakana = "\xB1\xBA\xB0\xBD\xC3\xA8\xAF\xB8";

// The test's own list: three maps (48 without a name), voices in maps 0 and 48.
void LoadList(CKQ505App& app) {
    std::string text = "; list of the test";
    for (const std::string& line : {
             P("000", "GM  "),
             P("048", ""),
             P("064", "SFX"),
             M("000", "000", "001", "Piano"),
             M("008", "000", "001", "Piano Var  "),
             M("003", "000", "001", kKatakana),
             M("008", "000", "003", "Only LSB 8"),
             M("000", "048", "001", "Map48 P1"),
             M("008", "048", "001", "Map48 P1 LSB8"),
             M("000", "048", "002", "Map48 P2"),
             M("000", "048", "003", "Map48 P3 LSB0"),
             M("008", "048", "003", "Map48 P3 LSB8"),
             M("008", "048", "128", "Map48 P128"),
         }) {
        text.append("\r\n").append(line);
    }
    app.instrument_text = text;
    ParseInstrumentList(app);
}

std::vector<std::string> Texts(const ProgramList& list) {
    std::vector<std::string> texts;
    for (const ProgramListEntry& entry : list)
        texts.push_back(entry.text);
    return texts;
}

MidiEvent On(Port port, Bytes bytes) {
    return {port, std::move(bytes)};
}

// Bank MSB, bank LSB and program change on one port and channel.
std::vector<MidiEvent> Choice(Port port, int channel, int msb, int lsb, int program) {
    const auto status = [&](int high) { return std::uint8_t(high + channel); };
    return {On(port, {status(0xB0), 0x00, std::uint8_t(msb)}),
            On(port, {status(0xB0), 0x20, std::uint8_t(lsb)}),
            On(port, {status(0xC0), std::uint8_t(program)})};
}

TEST(ProgramChangeEntries, MapsListNamedMsbsWithoutTrailingSpaces) {
    RecordingApp rec;
    LoadList(rec.app);
    const ProgramList maps = MapEntries(rec.app.map_names);
    EXPECT_EQ(maps, (ProgramList{{"000 GM", 0}, {"048", 48}, {"064 SFX", 64}}));
}

TEST(ProgramChangeEntries, ProgramsAreAll128AndMap48NamesMostByLsb8) {
    RecordingApp rec;
    LoadList(rec.app);
    const ProgramList map0 = ProgramEntries(rec.app.instrument_names, 0);
    ASSERT_EQ(map0.size(), 128u);
    EXPECT_EQ(map0[0], (ProgramListEntry{"001 Piano", 0}));
    // Only map 48 looks under LSB 8; elsewhere a program named only there stays unnamed.
    EXPECT_EQ(map0[2], (ProgramListEntry{"003 ", 2}));
    EXPECT_EQ(map0[127], (ProgramListEntry{"128 ", 127}));

    const std::vector<std::string> map48 = Texts(ProgramEntries(rec.app.instrument_names, 48));
    ASSERT_EQ(map48.size(), 128u);
    EXPECT_EQ(map48[0], "001 Map48 P1");
    EXPECT_EQ(map48[1], "002 Map48 P2");
    EXPECT_EQ(map48[2], "003 Map48 P3 LSB8");
    EXPECT_EQ(map48[3], "004 ");
    EXPECT_EQ(map48[127], "128 Map48 P128");
}

TEST(ProgramChangeEntries, BanksListNamedLsbsInOrderWithTheirBytes) {
    RecordingApp rec;
    LoadList(rec.app);
    EXPECT_EQ(BankEntries(rec.app.instrument_names, 0, 0),
              (ProgramList{{"000 Piano", 0}, {"003 " + kKatakana, 3}, {"008 Piano Var  ", 8}}));
    EXPECT_EQ(BankEntries(rec.app.instrument_names, 0, 2), (ProgramList{{"008 Only LSB 8", 8}}));
    EXPECT_TRUE(BankEntries(rec.app.instrument_names, 64, 0).empty());
}

TEST(ProgramChangeEntries, BankRowsBeyondTheTablesGiveBareNumbers) {
    // A settings file may bring any byte into the bank rows.
    RecordingApp rec;
    LoadList(rec.app);
    for (const int msb : {-1, 128, 255}) {
        const ProgramList programs = ProgramEntries(rec.app.instrument_names, msb);
        ASSERT_EQ(programs.size(), 128u);
        EXPECT_EQ(programs[0].text, "001 ");
        EXPECT_TRUE(BankEntries(rec.app.instrument_names, msb, 0).empty());
        EXPECT_TRUE(BankEntries(rec.app.instrument_names, 0, msb).empty());
    }
}

class ProgramChangeListsTest : public ::testing::Test {
  protected:
    ProgramChangeListsTest() {
        LoadList(app());
        app().preview_note = 60;
        app().preview_velocity = 100;
    }
    CKQ505App& app() { return rec.app; }
    std::int32_t Cell(Row row, int part) { return app().part_table[row][part]; }
    std::vector<MidiEvent> Take() { return rec.log.TakeEvents(); }

    RecordingApp rec;
};

TEST_F(ProgramChangeListsTest, OpeningBuildsFromTheTableAndSelectsTheRememberedPositions) {
    app().selected_part = 5;
    app().part_table[bank_msb_a][5] = 48;
    app().part_table[program_a][5] = 2;
    app().part_table[program_b][5] = 0;
    // Positions need not match the table: they are what was last chosen for the part.
    app().map_sel_a[5] = 2;
    app().pc_sel_a[5] = 7;
    app().bank_sel_a[5] = 1;
    app().map_sel_b[5] = 3;  // beyond the three maps
    app().pc_sel_b[5] = 127;
    app().bank_sel_b[5] = 2;

    const ProgramChangeLists lists(app());
    const PortLists& a = lists.Lists(Port::A);
    EXPECT_EQ(a.maps.size(), 3u);
    EXPECT_EQ(a.programs[2].text, "003 Map48 P3 LSB8");
    EXPECT_EQ(a.banks, (ProgramList{{"000 Map48 P3 LSB0", 0}, {"008 Map48 P3 LSB8", 8}}));
    EXPECT_EQ((std::array{a.map_sel, a.pc_sel, a.bank_sel}), (std::array{2, 7, 1}));

    const PortLists& b = lists.Lists(Port::B);
    EXPECT_EQ(b.maps, a.maps);
    EXPECT_EQ(b.programs[0].text, "001 Piano");
    EXPECT_EQ(b.banks.size(), 3u);
    EXPECT_EQ((std::array{b.map_sel, b.pc_sel, b.bank_sel}), (std::array{-1, 127, 2}));
    EXPECT_TRUE(lists.test_note);
    EXPECT_TRUE(Take().empty());
}

TEST_F(ProgramChangeListsTest, MapChoiceSetsLsbZeroAndKeepsTheProgram) {
    app().selected_part = 3;
    app().part_table[program_a][3] = 2;
    app().part_table[bank_lsb_a][3] = 8;
    app().pc_sel_a[3] = 2;
    ProgramChangeLists lists(app());
    lists.test_note = false;

    EXPECT_FALSE(lists.SelectMap(Port::A, 0));
    // Map 0 names program 3 only under LSB 8; LSB 0 is sent all the same.
    EXPECT_EQ(Take(), Choice(Port::A, 3, 0, 0, 2));
    EXPECT_EQ(Cell(bank_msb_a, 3), 0);
    EXPECT_EQ(Cell(bank_lsb_a, 3), 0);
    EXPECT_EQ(Cell(program_a, 3), 2);
    EXPECT_EQ((std::array{app().map_sel_a[3], app().pc_sel_a[3], app().bank_sel_a[3]}),
              (std::array{0, 2, 0}));
    const PortLists& a = lists.Lists(Port::A);
    EXPECT_EQ(a.banks, (ProgramList{{"008 Only LSB 8", 8}}));
    EXPECT_EQ((std::array{a.map_sel, a.pc_sel, a.bank_sel}), (std::array{0, 2, 0}));

    EXPECT_FALSE(lists.SelectMap(Port::A, 1));
    EXPECT_EQ(Take(), Choice(Port::A, 3, 48, 0, 2));
    EXPECT_EQ(a.programs[2].text, "003 Map48 P3 LSB8");
    EXPECT_EQ(Texts(a.banks), (std::vector<std::string>{"000 Map48 P3 LSB0", "008 Map48 P3 LSB8"}));
    EXPECT_EQ(Cell(bank_msb_b, 3), 0);
}

TEST_F(ProgramChangeListsTest, ProgramAndBankChoicesOfPortBStayOnPortB) {
    app().selected_part = 9;
    ProgramChangeLists lists(app());
    lists.test_note = false;

    lists.SelectProgram(Port::B, 0);
    EXPECT_EQ(Take(), Choice(Port::B, 9, 0, 0, 0));
    EXPECT_EQ(Texts(lists.Lists(Port::B).banks),
              (std::vector<std::string>{"000 Piano", "003 " + kKatakana, "008 Piano Var  "}));
    lists.SelectBank(Port::B, 2);
    EXPECT_EQ(Take(), Choice(Port::B, 9, 0, 8, 0));
    EXPECT_EQ(Cell(bank_lsb_b, 9), 8);
    EXPECT_EQ(app().bank_sel_b[9], 2);

    // A new program starts again at LSB 0 and the first bank position.
    lists.SelectProgram(Port::B, 127);
    EXPECT_EQ(Take(), Choice(Port::B, 9, 0, 0, 127));
    EXPECT_EQ((std::array{Cell(program_b, 9), Cell(bank_lsb_b, 9)}), (std::array{127, 0}));
    EXPECT_EQ((std::array{app().pc_sel_b[9], app().bank_sel_b[9]}), (std::array{127, 0}));
    EXPECT_TRUE(lists.Lists(Port::B).banks.empty());
    EXPECT_EQ(lists.Lists(Port::B).bank_sel, -1);

    // Port A is untouched, rows and remembered positions alike.
    EXPECT_EQ((std::array{Cell(bank_msb_a, 9), Cell(bank_lsb_a, 9), Cell(program_a, 9)}),
              (std::array{0, 0, 0}));
    EXPECT_EQ((std::array{app().map_sel_a[9], app().pc_sel_a[9], app().bank_sel_a[9]}),
              (std::array{0, 0, 0}));
}

// A choice's three messages followed by what its test note sends.
std::vector<MidiEvent> WithNotes(std::vector<MidiEvent> choice,
                                 std::initializer_list<MidiEvent> notes) {
    choice.insert(choice.end(), notes);
    return choice;
}

TEST_F(ProgramChangeListsTest, ANewTestNoteFirstEndsTheOneStillSoundingOnItsPort) {
    app().selected_part = 4;
    ProgramChangeLists lists(app());
    EXPECT_TRUE(lists.SelectProgram(Port::A, 5));
    EXPECT_EQ(Take(), WithNotes(Choice(Port::A, 4, 0, 0, 5), {OnA({0x94, 60, 100})}));

    // Another part and note meanwhile: the old note ends where it sounds, before the new one.
    app().selected_part = 6;
    app().preview_note = 62;
    EXPECT_TRUE(lists.SelectProgram(Port::A, 6));
    EXPECT_EQ(Take(), WithNotes(Choice(Port::A, 6, 0, 0, 6),
                                {OnA({0x84, 60, 0x40}), OnA({0x96, 62, 100})}));

    lists.EndTestNote(Port::A);
    EXPECT_EQ(Take(), (std::vector{OnA({0x86, 62, 0x40})}));
    lists.EndTestNote(Port::A);  // nothing sounds there any more
    EXPECT_TRUE(Take().empty());
}

TEST_F(ProgramChangeListsTest, EachPortsGateEndsOnlyItsOwnTestNote) {
    app().selected_part = 4;
    ProgramChangeLists lists(app());
    lists.SelectProgram(Port::A, 5);
    Take();
    // A choice for Port B leaves Port A's note alone, and so does the end of B's gate.
    EXPECT_TRUE(lists.SelectBank(Port::B, 1));
    EXPECT_EQ(Take(), WithNotes(Choice(Port::B, 4, 0, 3, 0), {OnB({0x94, 60, 100})}));
    EXPECT_TRUE(lists.SelectBank(Port::B, 2));
    EXPECT_EQ(Take(), WithNotes(Choice(Port::B, 4, 0, 8, 0),
                                {OnB({0x84, 60, 0x40}), OnB({0x94, 60, 100})}));
    lists.EndTestNote(Port::B);
    EXPECT_EQ(Take(), (std::vector{OnB({0x84, 60, 0x40})}));
    lists.EndTestNote(Port::A);
    EXPECT_EQ(Take(), (std::vector{OnA({0x84, 60, 0x40})}));
    EXPECT_TRUE(app().sounding_previews.empty());
}

TEST_F(ProgramChangeListsTest, ChoicesOutsideTheListsDoNothing) {
    ProgramChangeLists lists(app());
    const PartTable before = app().part_table;
    EXPECT_FALSE(lists.SelectMap(Port::A, 3));
    EXPECT_FALSE(lists.SelectMap(Port::B, -1));
    EXPECT_FALSE(lists.SelectProgram(Port::A, 128));
    EXPECT_FALSE(lists.SelectBank(Port::B, 3));
    EXPECT_EQ(app().part_table, before);
    EXPECT_TRUE(Take().empty());
}

TEST_F(ProgramChangeListsTest, ChoicesActOnThePartSelectedNow) {
    app().selected_part = 1;
    ProgramChangeLists lists(app());
    lists.test_note = false;
    app().selected_part = 6;
    app().part_table[program_a][6] = 2;
    app().pc_sel_a[6] = 2;

    lists.SelectMap(Port::A, 1);
    EXPECT_EQ(Take(), Choice(Port::A, 6, 48, 0, 2));
    EXPECT_EQ(Cell(bank_msb_a, 6), 48);
    EXPECT_EQ(Cell(bank_msb_a, 1), 0);
    EXPECT_EQ((std::array{app().map_sel_a[6], app().map_sel_a[1]}), (std::array{1, 0}));
    // Refilled for part 6: its program 3 in map 48.
    EXPECT_EQ(lists.Lists(Port::A).pc_sel, 2);
    EXPECT_EQ(lists.Lists(Port::A).banks.size(), 2u);
    // Port B still shows what was built for part 1.
    EXPECT_EQ(lists.Lists(Port::B).banks.size(), 3u);
}

TEST_F(ProgramChangeListsTest, PositionsAreRememberedPerPartAcrossOpeningsAndResets) {
    app().selected_part = 2;
    {
        ProgramChangeLists lists(app());
        lists.test_note = false;
        lists.SelectMap(Port::A, 1);
        lists.SelectProgram(Port::A, 2);
        lists.SelectBank(Port::A, 1);
        lists.SelectMap(Port::B, 2);
        lists.SelectProgram(Port::B, 40);
    }
    ResetPartParameters(app().part_table);
    const ProgramChangeLists again(app());
    const PortLists& a = again.Lists(Port::A);
    const PortLists& b = again.Lists(Port::B);
    EXPECT_EQ((std::array{a.map_sel, a.pc_sel, a.bank_sel}), (std::array{1, 2, 1}));
    EXPECT_EQ((std::array{b.map_sel, b.pc_sel, b.bank_sel}), (std::array{2, 40, 0}));
    // The lists come from the reset table all the same: map 0, program 1.
    EXPECT_EQ(a.banks.size(), 3u);

    app().selected_part = 3;
    const ProgramChangeLists other(app());
    const PortLists& a3 = other.Lists(Port::A);
    EXPECT_EQ((std::array{a3.map_sel, a3.pc_sel, a3.bank_sel}), (std::array{0, 0, 0}));
}

TEST(ProgramChangeEmptyList, NoMapsButProgramsStillSend) {
    RecordingApp rec;
    ProgramChangeLists lists(rec.app);
    lists.test_note = false;
    const PortLists& a = lists.Lists(Port::A);
    EXPECT_TRUE(a.maps.empty());
    EXPECT_TRUE(a.banks.empty());
    ASSERT_EQ(a.programs.size(), 128u);
    EXPECT_EQ(a.programs[41].text, "042 ");
    EXPECT_EQ((std::array{a.map_sel, a.pc_sel, a.bank_sel}), (std::array{-1, 0, -1}));

    EXPECT_FALSE(lists.SelectMap(Port::A, 0));
    EXPECT_TRUE(rec.log.TakeEvents().empty());
    rec.app.part_table[bank_lsb_a][0] = 5;
    lists.SelectProgram(Port::A, 41);
    EXPECT_EQ(rec.log.TakeEvents(), Choice(Port::A, 0, 0, 0, 41));
}

}  // namespace
}  // namespace kq505
