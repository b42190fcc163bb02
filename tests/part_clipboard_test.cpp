#include "model/part_clipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/part_compare.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using Events = std::vector<MidiEvent>;

// Part 1 with a name and three rows away from their defaults.
struct Copied : test::RecordingApp {
    Copied() {
        app.part_table[vol][0] = 90;
        app.part_table[pan_a][0] = 20;
        app.part_table[brightness_b][0] = 100;
        app.track_names[0] = "Pad";
    }
    void Select(int part) { app.selected_part = part; }
};

TEST(PartClipboard, PasteSendsOnlyTheChangedRowsInRowOrderOnThePartsChannel) {
    Copied t;
    const auto bytes = PartClipBytes(t.app);
    for (const auto& clip : {ClipFromBytes(bytes), ClipFromText(PartClipText(t.app))}) {
        ASSERT_TRUE(clip);
        Copied into;
        into.Select(4);
        into.app.part_table[vol][4] = 90;  // already as pasted: not sent
        PastePart(into.app, *clip);
        EXPECT_EQ(into.log.TakeEvents(), (Events{OnA({0xB4, 10, 20}), OnB({0xB4, 74, 100})}));
        EXPECT_EQ(into.app.track_names[4], "Pad");
        EXPECT_EQ(ColumnOf(into.app.part_table, 4), ColumnOf(t.app.part_table, 0));
        EXPECT_EQ(into.app.edit_history.StepCount(), 1u);
        into.app.edit_history.Undo(into.app);
        EXPECT_EQ(into.app.part_table[pan_a][4], 64);
        EXPECT_EQ(into.app.track_names[4], "");
    }
}

TEST(PartClipboard, TextIsTheSetUpSectionAndAnyPartSectionOfOtherTextPastes) {
    Copied t;
    t.Select(0);
    const std::string text = PartClipText(t.app);
    EXPECT_TRUE(text.starts_with("[Part 1]\ntrack_name=\"Pad\"\n")) << text;
    EXPECT_NE(text.find("\npan_a=20\n"), std::string::npos);
    EXPECT_EQ(text.find("[Part 2]"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');

    // From a mail: quoted around, another part's number, keys it lacks at their defaults.
    const auto clip =
        ClipFromText("Hi,\r\n\r\n[Part 12]\r\nvol=30\r\nEXP=5\r\n[Effects]\r\nvol=1\r\n");
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->values[vol], 30);
    EXPECT_EQ(clip->values[exp], 5);
    EXPECT_EQ(clip->values[reverb_a], 40);

    for (const char* refused : {"", "vol=30", "[Part 17]\nvol=1", "[Part 1]\nname=x",
                                "[Part 1]\nvol=loud", "[Effects]\nvol=1"})
        EXPECT_FALSE(ClipFromText(refused)) << refused;
    std::array<std::uint8_t, kSettingsFileSize> wrong = PartClipBytes(t.app);
    wrong[0] = 'X';
    EXPECT_FALSE(ClipFromBytes(wrong));
}

TEST(LayerOperations, SwapTwiceGivesTheFirstStateBackSendingWhatChangedEachTime) {
    Copied t;
    t.Select(2);
    t.app.part_table[program_b][2] = 5;
    t.app.part_table[reverb_a][2] = 10;
    t.app.pc_sel_b[2] = 5;
    const PartColumn first = ColumnOf(t.app.part_table, 2);
    const Events swapped{OnA({0xB2, 0, 0}),   OnA({0xB2, 32, 0}), OnA({0xC2, 5}),
                         OnB({0xB2, 0, 0}),   OnB({0xB2, 32, 0}), OnB({0xC2, 0}),
                         OnA({0xB2, 91, 40}), OnB({0xB2, 91, 10})};
    const Events back{OnA({0xB2, 0, 0}),   OnA({0xB2, 32, 0}), OnA({0xC2, 0}),
                      OnB({0xB2, 0, 0}),   OnB({0xB2, 32, 0}), OnB({0xC2, 5}),
                      OnA({0xB2, 91, 10}), OnB({0xB2, 91, 40})};
    ApplyLayerOperation(t.app, LayerOperation::kSwap);
    EXPECT_EQ(t.log.TakeEvents(), swapped);
    EXPECT_EQ(t.app.pc_sel_a[2], 5);
    EXPECT_EQ(t.app.pc_sel_b[2], 0);
    ApplyLayerOperation(t.app, LayerOperation::kSwap);
    EXPECT_EQ(t.log.TakeEvents(), back);
    EXPECT_EQ(ColumnOf(t.app.part_table, 2), first);
    EXPECT_EQ(t.app.pc_sel_b[2], 5);
    EXPECT_EQ(t.app.edit_history.StepCount(), 2u);
}

TEST(LayerOperations, CopiesLeaveThePartRowsAndTheSourceLayer) {
    for (const auto& [operation, from, to] :
         {std::tuple{LayerOperation::kCopyAToB, pan_a, pan_b},
          std::tuple{LayerOperation::kCopyBToA, pan_b, pan_a}}) {
        Copied t;
        t.app.part_table[from][0] = 3;
        t.app.part_table[key_shift][0] = 70;
        const PartColumn before = ColumnOf(t.app.part_table, 0);
        ApplyLayerOperation(t.app, operation);
        PartColumn expected = before;
        for (int row = bank_msb_a; row < kRowCount; row += 2)
            expected[operation == LayerOperation::kCopyAToB ? row + 1 : row] =
                before[operation == LayerOperation::kCopyAToB ? row : row + 1];
        EXPECT_EQ(ColumnOf(t.app.part_table, 0), expected);
        EXPECT_EQ(t.app.part_table[to][0], 3);
        EXPECT_EQ(t.app.part_table[key_shift][0], 70);
    }
}

TEST(PartCompare, RoundTripSendsExactlyTheTwoStatesAndMakesNoStep) {
    Copied t;
    t.Select(0);
    RememberStoredParts(t.app);  // part 1 as opened: vol 90, A pan 20, B LPF 100
    t.app.part_table[vol][0] = 50;
    t.app.part_table[brightness_a][0] = 10;
    t.log.TakeEvents();

    StartCompare(t.app);
    EXPECT_TRUE(Comparing(t.app));
    EXPECT_EQ(t.log.TakeEvents(),
              (Events{OnA({0xB0, 7, 90}), OnB({0xB0, 7, 90}), OnA({0xB0, 74, 64})}));
    EXPECT_EQ(t.app.part_table[vol][0], 90);

    t.Select(3);  // choosing another part ends it on the compared part's channel
    EndCompare(t.app);
    EXPECT_FALSE(Comparing(t.app));
    EXPECT_EQ(t.log.TakeEvents(),
              (Events{OnA({0xB0, 7, 50}), OnB({0xB0, 7, 50}), OnA({0xB0, 74, 10})}));
    EXPECT_EQ(t.app.part_table[vol][0], 50);
    EXPECT_EQ(t.app.selected_part, 3);
    EXPECT_EQ(t.app.edit_history.StepCount(), 0u);
    EndCompare(t.app);
    EXPECT_TRUE(t.log.TakeEvents().empty());
}

TEST(PartCompare, ARowChangedWhileComparingKeepsItsChange) {
    Copied t;
    RememberStoredParts(t.app);
    t.app.part_table[chorus_a][0] = 30;
    t.app.part_table[program_a][0] = 7;
    StartCompare(t.app);
    t.app.part_table[program_a][0] = 9;  // the program change dialog, meanwhile
    t.log.TakeEvents();
    EndCompare(t.app);
    EXPECT_EQ(t.app.part_table[chorus_a][0], 30);
    EXPECT_EQ(t.app.part_table[program_a][0], 9);
    EXPECT_EQ(t.log.TakeEvents(), (Events{OnA({0xB0, 93, 30})}));
}

TEST(PartCompare, APartFileRemembersItsOwnPartOnlyAndTheStartIsTheDefaults) {
    Copied t;  // nothing opened yet: the parts compare with the defaults
    t.Select(1);
    t.app.part_table[vol][1] = 10;
    t.app.part_table[vol][2] = 11;
    RememberStoredPart(t.app);
    EXPECT_EQ(t.app.compare.stored[vol][1], 10);
    EXPECT_EQ(t.app.compare.stored[vol][2], 100);
    EXPECT_EQ(t.app.compare.stored[vol][0], 100);
}

}  // namespace
}  // namespace kq505
