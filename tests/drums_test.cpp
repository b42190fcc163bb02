#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "app/setup_state.h"
#include "drums/drum_edit.h"
#include "drums/drum_setups.h"
#include "files/setup_file.h"
#include "instruments/program_change.h"
#include "model/module_syx.h"
#include "model/part_transmission.h"
#include "model/xg_sysex.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

constexpr int kKick = 36;
constexpr int kSnare = 38;
constexpr int kPitchCoarse = 0x00;
constexpr int kPan = 0x04;
constexpr int kReverb = 0x05;
constexpr int kDrumPart = 9;  // part 10, its A layer XG part 9 in Drums1

MidiEvent Drum(int setup, int note, int param, int value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, std::uint8_t(0x30 + setup), std::uint8_t(note),
                std::uint8_t(param), std::uint8_t(value), 0xF7});
}

// Part 10 on the Standard Kit, its snare 3 semitones up and panned L20, its kick out of the
// reverb, as a new user would set it up.
void EditStandardKit(CKQ505App& app) {
    app.selected_part = kDrumPart;
    ProgramChangeLists lists(app);
    lists.test_note = false;
    app.part_table[bank_msb_a][kDrumPart] = 127;
    lists.SelectProgram(Port::A, 0);
    SetDrumValue(app, 0, kSnare, kPitchCoarse, 64 + 3);
    SetDrumValue(app, 0, kSnare, kPan, 64 - 20);
    SetDrumValue(app, 0, kKick, kReverb, 0);
}

bool IsDrumSetupMessage(const MidiEvent& e) {
    return e.bytes.size() == 9 && e.bytes[0] == 0xF0 && (e.bytes[4] & 0xF0) == 0x30;
}

Events DrumSetupMessages(const Events& events) {
    Events drums;
    std::ranges::copy_if(events, std::back_inserter(drums), IsDrumSetupMessage);
    return drums;
}

TEST(DrumMessages, OneParameterOfEachFormatItsBytesAndText) {
    struct Case {
        int setup, note, param, value;
        Bytes bytes;
        std::string text;
    };
    const std::vector<Case> cases{
        {0, kSnare, 0x00, 67, {0x30, 0x26, 0x00, 0x43}, "+3"},        // semitones
        {1, kSnare, 0x01, 54, {0x31, 0x26, 0x01, 0x36}, "-10 cent"},  // cents
        {2, kKick, 0x05, 0, {0x32, 0x24, 0x05, 0x00}, "0"},           // plain
        {3, 13, 0x04, 44, {0x33, 0x0D, 0x04, 0x2C}, "L20"},           // pan
        {0, 91, 0x04, 0, {0x30, 0x5B, 0x04, 0x00}, "Rnd"},
        {0, 91, 0x04, 127, {0x30, 0x5B, 0x04, 0x7F}, "R63"},
        {0, 42, 0x08, 1, {0x30, 0x2A, 0x08, 0x01}, "Multi"},  // key assign
        {0, 42, 0x09, 1, {0x30, 0x2A, 0x09, 0x01}, "On"},     // off/on
        {0, 42, 0x0F, 58, {0x30, 0x2A, 0x0F, 0x3A}, "-6"},    // offset from 64
    };
    for (const Case& c : cases) {
        Bytes expected{0xF0, 0x43, 0x10, 0x4C};
        expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
        expected.push_back(0xF7);
        const auto message = XgDrumSetupMessage(c.setup, c.note, c.param, c.value);
        EXPECT_EQ(Bytes(message.begin(), message.end()), expected) << c.text;
        EXPECT_EQ(DrumValueText(c.param, c.value), c.text);
        EXPECT_EQ(ParseDrumValueText(c.param, c.text), c.value) << c.text;
    }
    const auto mode = XgPartModeMessage(25, PartMode::drums2);
    EXPECT_EQ(Bytes(mode.begin(), mode.end()),
              (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x19, 0x07, 0x03, 0xF7}));
    const auto reset = XgDrumSetupResetMessage(3);
    EXPECT_EQ(Bytes(reset.begin(), reset.end()),
              (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7D, 0x03, 0xF7}));
}

// What is typed in a cell: the text shown, or a number as the format counts.
TEST(DrumMessages, TypedTextsAreTheirValues) {
    struct Case {
        int param;
        const char* typed;
        std::optional<std::int32_t> value;
        bool started;  // typing on could still make a value
    };
    const std::vector<Case> cases{
        {kPitchCoarse, "3", 67, true},
        {kPitchCoarse, "-12", 52, true},
        {kPitchCoarse, "+64", {}, true},
        {0x01, "+5cent", 69, true},
        {0x01, "+5 c", {}, true},
        {kPan, "r20", 84, true},
        {kPan, "-20", 44, true},
        {kPan, "0", 64, true},
        {kPan, "RND", 0, true},
        {kPan, "-64", {}, true},
        {kPan, "R", {}, true},
        {0x08, "multi", 1, true},
        {0x09, "1", 1, true},
        {0x09, "o", {}, true},
        {0x09, "onx", {}, false},
        {0x02, "128", {}, true},
        {0x02, "1280", {}, false},
        {kPitchCoarse, "x", {}, false},
        {kReverb, "", {}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDrumValueText(c.param, c.typed), c.value) << c.typed;
        EXPECT_EQ(StartsDrumValueText(c.param, c.typed), c.started) << c.typed;
    }
}

TEST(DrumSetups, ModesAndDefaultsFollowTheKitThePartPlays) {
    CKQ505App app;
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        EXPECT_EQ(app.drums.part_modes[xg_part],
                  xg_part == kDrumPart ? PartMode::drums1 : PartMode::normal);
    }
    const auto value = [&](int setup, int note, int param) {
        return DrumValue(app.drums, app.part_table, setup, note, param);
    };
    // The Standard Kit: its own value, the block's where it has none.
    EXPECT_EQ(value(0, 42, kPan), 77);
    EXPECT_EQ(value(0, 91, 0x02), 127);
    // Part 10 on the Room Kit (program 9): its own toms, the Standard Kit's hi-hat.
    app.part_table[bank_msb_a][kDrumPart] = 127;
    app.part_table[program_a][kDrumPart] = 8;
    EXPECT_EQ(KitOfSetup(app.drums, app.part_table, 0).name, "Room Kit");
    EXPECT_EQ(value(0, 50, 0x02), 124);
    EXPECT_EQ(value(0, 42, kPan), 77);
    // Setup 2 follows the B layer of part 3 once it is in Drums2; a program with no kit
    // plays the Standard Kit, MSB 126 the SFX kits.
    app.drums.part_modes[16 + 3] = PartMode::drums2;
    app.part_table[program_b][3] = 5;
    EXPECT_EQ(KitOfSetup(app.drums, app.part_table, 1).name, "Standard Kit");
    app.part_table[bank_msb_b][3] = 126;
    app.part_table[program_b][3] = 1;
    EXPECT_EQ(KitOfSetup(app.drums, app.part_table, 1).name, "SFX 2");
    EXPECT_EQ(KitNoteName(KitOfSetup(app.drums, app.part_table, 1), 13), "Surdo Mute");
    // The window shows the setup of the A layer, else the B layer's, heard on that layer.
    EXPECT_EQ(FollowedDrumSetup(app.drums, 3), 1);
    EXPECT_EQ(DrumSetupPort(app.drums, 3, 1), Port::B);
    app.drums.part_modes[3] = PartMode::drums4;
    EXPECT_EQ(FollowedDrumSetup(app.drums, 3), 3);
    EXPECT_EQ(DrumSetupPort(app.drums, 3, 3), Port::A);
    EXPECT_EQ(FollowedDrumSetup(app.drums, 0), -1);
}

TEST(DrumEdit, AValueEqualToTheKitsFollowsTheKit) {
    RecordingApp r;
    SetDrumValue(r.app, 0, 42, kPan, 90);
    SetDrumValue(r.app, 0, 42, kPan, 77);  // the Standard Kit's own
    EXPECT_EQ(DrumSlot(r.app.drums, 0, 42, kPan), kFollowKit);
    SetDrumValue(r.app, 0, 42, 0x08, 9);  // held to 0..1
    EXPECT_EQ(r.log.TakeEvents(),
              (Events{Drum(0, 42, kPan, 90), Drum(0, 42, kPan, 77), Drum(0, 42, 0x08, 1)}));
    EXPECT_TRUE(IsSetupModified(r.app));
}

TEST(DrumEdit, AProgramChangeOfADrumLayerSendsItsChangedValuesAgainAfterIt) {
    RecordingApp r;
    EditStandardKit(r.app);
    r.log.TakeEvents();
    const Events resend{Drum(0, kKick, kReverb, 0), Drum(0, kSnare, kPitchCoarse, 67),
                        Drum(0, kSnare, kPan, 44)};
    const MidiEvent msb{Port::A, {0xB9, 0x00, 0x7F}}, lsb{Port::A, {0xB9, 0x20, 0x00}};

    ProgramChangeLists lists(r.app);
    lists.test_note = false;
    lists.SelectProgram(Port::A, 8);
    Events expected{msb, lsb, {Port::A, {0xC9, 0x08}}};
    expected.insert(expected.end(), resend.begin(), resend.end());
    EXPECT_EQ(r.log.TakeEvents(), expected);

    // The B layer is in Normal mode: its program change sends nothing else.
    lists.SelectProgram(Port::B, 3);
    EXPECT_EQ(DrumSetupMessages(r.log.TakeEvents()), Events{});

    // F: after the part's rows.
    SendAllPartParameters(r.app);
    const Events f = r.log.TakeEvents();
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(Events(f.end() - 3, f.end()), resend);

    // Undo of a program change: bank, program, then the setup's changed values.
    r.app.edit_history.Record(r.app, StepKind::kProgramChange,
                              [&] { lists.SelectProgram(Port::A, 0); });
    r.log.TakeEvents();
    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), expected);
}

TEST(DrumEdit, ShiftFSendsModesBeforeThePartsAndSetupsAfterEveryProgramChange) {
    RecordingApp r;
    EditStandardKit(r.app);
    SetPartMode(r.app, 16 + 2, PartMode::drums2);
    SetDrumValue(r.app, 1, 49, 0x02, 10);
    r.log.TakeEvents();
    SendAllParts(r.app);
    const Events all = r.log.TakeEvents();
    // After the 62 messages of the effect blocks.
    ASSERT_GT(all.size(), 62u + 32u + 4u);
    Events modes;
    for (const Bytes& m : PartModeMessages(r.app.drums))
        modes.push_back(OnA(m));
    EXPECT_EQ(Events(all.begin() + 62, all.begin() + 62 + 32), modes);
    EXPECT_EQ(modes[kDrumPart].bytes[7], 2);
    EXPECT_EQ(modes[16 + 2].bytes[7], 3);
    const Events tail(all.end() - 4, all.end());
    EXPECT_EQ(tail, (Events{Drum(0, kKick, kReverb, 0), Drum(0, kSnare, kPitchCoarse, 67),
                            Drum(0, kSnare, kPan, 44), Drum(1, 49, 0x02, 10)}));
    EXPECT_EQ(DrumSetupMessages(all).size(), 4u);  // once each, not after every part
}

TEST(DrumEdit, SystemOnAndDrumSetupResetGoBackToTheKit) {
    for (const auto reset : {&SendXgSystemOn, &SendGmSystemOn}) {
        RecordingApp r;
        EditStandardKit(r.app);
        SetPartMode(r.app, 3, PartMode::drums3);
        SetDrumValue(r.app, 3, 60, 0x02, 1);
        r.log.TakeEvents();
        reset(r.app);
        EXPECT_EQ(r.log.TakeEvents().size(), 1u);  // only the system message
        EXPECT_EQ(r.app.drums, CKQ505App().drums);
    }
    RecordingApp r;
    EditStandardKit(r.app);
    SetDrumValue(r.app, 3, 60, 0x02, 1);
    r.log.TakeEvents();
    ResetDrumSetupCommand(r.app, 0);
    EXPECT_EQ(r.log.TakeEvents(),
              Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7D, 0x00, 0xF7})});
    EXPECT_EQ(DrumSlot(r.app.drums, 0, kSnare, kPan), kFollowKit);
    EXPECT_EQ(DrumSlot(r.app.drums, 3, 60, 0x02), 1);  // the other setups stay
}

TEST(DrumHistory, OneStepPerEditAndUndoSendsTheOldValue) {
    RecordingApp r;
    EditHistory& h = r.app.edit_history;
    h.Record(r.app, StepKind::kDrum, [&] { SetDrumValue(r.app, 0, kSnare, kPan, 44); });
    h.Record(r.app, StepKind::kDrum, [&] { SetDrumValue(r.app, 0, kSnare, kPan, 30); });
    h.Record(r.app, StepKind::kDrum, [&] { SetPartMode(r.app, 25, PartMode::drums2); });
    EXPECT_EQ(h.StepCount(), 3u);
    EXPECT_EQ(DescribeStep(*h.NextUndo()), "#10 B Part Mode Normal→Drum 2");
    r.log.TakeEvents();

    h.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(),
              Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x19, 0x07, 0x00, 0xF7})});
    EXPECT_EQ(DescribeStep(*h.NextUndo()), "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ1 38 Pan L20→L34");
    h.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), Events{Drum(0, kSnare, kPan, 44)});
    h.Undo(r.app);  // back to the kit's centre
    EXPECT_EQ(r.log.TakeEvents(), Events{Drum(0, kSnare, kPan, 64)});
    EXPECT_EQ(r.app.drums, CKQ505App().drums);
    h.Redo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), Events{Drum(0, kSnare, kPan, 44)});

    // A reset is one step; undoing it sends the values back, redoing it the reset again.
    h.Record(r.app, StepKind::kDrumReset, [&] { ResetDrumSetupCommand(r.app, 0); });
    r.log.TakeEvents();
    h.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), Events{Drum(0, kSnare, kPan, 44)});
    h.Redo(r.app);
    EXPECT_EQ(r.log.TakeEvents(),
              Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7D, 0x00, 0xF7})});
}

TEST(DrumSetupFile, ChangedValuesAndModesComeBackAndOnlyTheyAreWritten) {
    RecordingApp r;
    EditStandardKit(r.app);
    SetPartMode(r.app, 20, PartMode::drums4);
    SetDrumValue(r.app, 3, 91, 0x0F, 0);
    r.app.drums.values[3][91 - kFirstDrumNote][0x02] = 127;  // kept, but the kit's own
    const std::string text = SetupFileText(CurrentSetup(r.app));
    EXPECT_NE(text.find("version=4\n"), std::string::npos);
    EXPECT_NE(text.find("\n[Drum Setup 1]\n36_reverb=0\n38_pitch_coarse=67\n38_pan=44\n\n"
                        "[Drum Setup 4]\n91_decay2=0\n"),
              std::string::npos);
    EXPECT_EQ(text.find("91_level"), std::string::npos);
    EXPECT_NE(text.find("part_mode_b=5\n"), std::string::npos);

    SetupData read = DefaultSetup();
    ASSERT_EQ(ParseSetupFile(text, read).error, SetupFileError::none);
    EXPECT_EQ(read.drums.part_modes, r.app.drums.part_modes);
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            for (int param = 0; param < kDrumParamCount; ++param) {
                ASSERT_EQ(DrumValue(read.drums, read.part_table, setup, note, param),
                          DrumValue(r.app.drums, r.app.part_table, setup, note, param));
            }
        }
    }
    // A version 2 file opens with the default modes; a bad value refuses the file.
    const std::string v2 = std::string(kSetupFormatLine) + "\nversion=2\n[Part 1]\nvol=5\n";
    ASSERT_EQ(ParseSetupFile(v2, read).error, SetupFileError::none);
    EXPECT_EQ(read.drums, CKQ505App().drums);
    const SetupReadResult bad = ParseSetupFile(
        std::string(kSetupFormatLine) + "\n[Drum Setup 2]\n40_pan=left\n[Part 1]\npart_mode_b=9\n",
        read);
    EXPECT_EQ(bad.where, "[Drum Setup 2] 40_pan");
    const std::string clamped = std::string(kSetupFormatLine) +
                                "\n[Drum Setup 2]\n40_pan=300\n12_pan=1\n[Part 1]\npart_mode_b=9\n";
    ASSERT_EQ(ParseSetupFile(clamped, read).error, SetupFileError::none);
    EXPECT_EQ(DrumSlot(read.drums, 1, 40, kPan), 127);
    EXPECT_EQ(read.drums.part_modes[16], PartMode::drums4);
}

TEST(DrumSetupFile, SaveOpenAndShiftFGiveTheBytesTheEditsSent) {
    RecordingApp edited;
    EditStandardKit(edited.app);
    const Events sent = DrumSetupMessages(edited.log.TakeEvents());
    EXPECT_EQ(sent, (Events{Drum(0, kSnare, kPitchCoarse, 67), Drum(0, kSnare, kPan, 44),
                            Drum(0, kKick, kReverb, 0)}));

    RecordingApp opened;
    SetupData read;
    ASSERT_EQ(ParseSetupFile(SetupFileText(CurrentSetup(edited.app)), read).error,
              SetupFileError::none);
    ApplySetup(opened.app, read);
    SendAllParts(opened.app);
    Events again = DrumSetupMessages(opened.log.TakeEvents());
    // Shift+F goes by note; the edits went in the order they were made.
    auto by_address = [](const MidiEvent& a, const MidiEvent& b) { return a.bytes < b.bytes; };
    Events sorted = sent;
    std::ranges::sort(sorted, by_address);
    std::ranges::sort(again, by_address);
    EXPECT_EQ(again, sorted);
}

TEST(DrumExports, SyxWritesEditedNotesAsDumpsAfterTheParts) {
    CKQ505App app;
    app.part_table[bank_msb_a][kDrumPart] = 127;
    app.drums.part_modes[25] = PartMode::drums2;
    DrumSlot(app.drums, 1, kSnare, kPan) = 44;
    const auto messages = SetupSysExMessages(app.part_table, app.effect_blocks, app.drums);
    const std::optional<XgMessage> last = ReadXgMessage(messages.back());
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->kind, XgMessageKind::bulk_dump);
    EXPECT_EQ(last->address, (XgAddress{0x31, kSnare, 0x00}));
    ASSERT_EQ(last->data.size(), 16u);
    EXPECT_EQ(last->data[kPan], 44);
    EXPECT_EQ(last->data[0x02], 127);  // the Standard Kit's snare level
    // Part 26's first multi part block carries its mode.
    const auto part_dump = std::ranges::find_if(messages, [](const Bytes& m) {
        const auto xg = ReadXgMessage(m);
        return xg && xg->address == XgAddress{0x08, 25, 0x00};
    });
    ASSERT_NE(part_dump, messages.end());
    EXPECT_EQ(ReadXgMessage(*part_dump)->data[0x07], 3);
}

}  // namespace
}  // namespace kq505
