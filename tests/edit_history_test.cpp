#include "app/edit_history.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/setup_state.h"
#include "files/settings_file.h"
#include "instruments/program_change.h"
#include "model/midi_messages.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"
#include "view/form_values.h"
#include "view/knob_geometry.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using test::RecordingApp;
using Events = std::vector<MidiEvent>;

constexpr int kSendPadA = 100;  // pan across, reverb up
constexpr int kDecayB = 206;

MidiEvent Cc(Port port, int channel, int control, int value) {
    return {port, {std::uint8_t(0xB0 + channel), std::uint8_t(control), std::uint8_t(value)}};
}
MidiEvent Xg(int part_number, int address, int value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, std::uint8_t(part_number), std::uint8_t(address),
                std::uint8_t(value), 0xF7});
}

struct History : RecordingApp {
    EditHistory& h = app.edit_history;

    // One slider notification, as the form gives it: every slider's position, then the
    // message of the one that moved.
    void Slide(Row row, int value) {
        FormValues form;
        ShowPart(form, app);
        form.m_nVolPos = row == vol ? value : form.m_nVolPos;
        form.m_nKeyShiftPos = row == key_shift ? value : form.m_nKeyShiftPos;
        form.m_nMixPos = row == mix ? value : form.m_nMixPos;
        ApplySliders(app, form, row);
    }
    void RecordSlide(Row row, int value) {
        h.Record(app, StepKind::kSlider, [&] { Slide(row, value); });
    }
    void Drag(int code, std::initializer_list<std::pair<int, int>> moves) {
        h.BeginGesture(app, StepKind::kKnob);
        for (auto [dx, dy] : moves)
            DragHandle(app, code, dx, dy);
        h.EndGesture(app);
    }
    Events Take() { return log.TakeEvents(); }
    Events Undo() {
        Take();
        h.Undo(app);
        return Take();
    }
    Events Redo() {
        Take();
        h.Redo(app);
        return Take();
    }
};

TEST(EditHistoryGrouping, OneDragIsOneStepWhateverTheNumberOfMoves) {
    History t;
    t.Drag(kSendPadA, {{1, 1}, {1, 1}, {3, 0}, {5, 2}});
    EXPECT_EQ(t.h.StepCount(), 1u);
    EXPECT_EQ(t.app.Value(pan_a), 74);
    t.h.Undo(t.app);
    EXPECT_EQ(t.app.Value(pan_a), 64);
    EXPECT_EQ(t.app.Value(reverb_a), 40);
    EXPECT_FALSE(t.h.CanUndo());

    // A press that moves nothing, or moves and comes back, leaves no step to undo.
    t.Drag(kSendPadA, {});
    t.Drag(kSendPadA, {{4, 0}, {-4, 0}});
    EXPECT_FALSE(t.h.CanUndo());
    EXPECT_TRUE(t.h.CanRedo());
}

TEST(EditHistoryGrouping, AKeyStepDuringADragIsAStepOfItsOwn) {
    History t;
    t.h.BeginGesture(t.app, StepKind::kKnob);
    DragHandle(t.app, kSendPadA, 10, 0);
    t.h.Record(t.app, StepKind::kSwitch, [&] { t.app.Value(porta_sw) = 1; });
    DragHandle(t.app, kSendPadA, 5, 0);
    t.h.EndGesture(t.app);
    ASSERT_EQ(t.h.StepCount(), 3u);
    t.h.Undo(t.app);
    EXPECT_EQ(t.app.Value(pan_a), 74);
    EXPECT_EQ(t.app.Value(porta_sw), 1);
    t.h.Undo(t.app);
    EXPECT_EQ(t.app.Value(porta_sw), 0);
    EXPECT_EQ(t.app.Value(pan_a), 74);
}

TEST(EditHistoryMessages, SliderRowOnItsPartsChannelAndBothPorts) {
    History t;
    t.app.selected_part = 3;
    t.RecordSlide(vol, 90);
    t.app.selected_part = 0;  // another part shown meanwhile
    EXPECT_EQ(t.Undo(), (Events{Cc(Port::A, 3, 7, 100), Cc(Port::B, 3, 7, 100)}));
    EXPECT_EQ(t.app.selected_part, 3);
    EXPECT_EQ(t.app.Value(vol), 100);
    t.app.selected_part = 9;
    EXPECT_EQ(t.Redo(), (Events{Cc(Port::A, 3, 7, 90), Cc(Port::B, 3, 7, 90)}));
    EXPECT_EQ(t.app.selected_part, 3);
}

TEST(EditHistoryMessages, NrpnRowOnItsLayersPort) {
    History t;
    t.app.selected_part = 2;
    t.Drag(kDecayB, {{7, 0}, {3, 0}});
    EXPECT_EQ(t.Undo(),
              (Events{Cc(Port::B, 2, 98, 0x64), Cc(Port::B, 2, 99, 1), Cc(Port::B, 2, 6, 64)}));
    EXPECT_EQ(t.Redo(),
              (Events{Cc(Port::B, 2, 98, 0x64), Cc(Port::B, 2, 99, 1), Cc(Port::B, 2, 6, 74)}));
}

TEST(EditHistoryMessages, XgSystemExclusiveRowOnPortAOnly) {
    History t;
    t.RecordSlide(key_shift, 52);
    EXPECT_EQ(t.Undo(), (Events{Xg(0x10, 0x08, 64)}));
    EXPECT_EQ(t.Redo(), (Events{Xg(0x10, 0x08, 52)}));
}

TEST(EditHistoryMessages, MixSendsTheMixRule) {
    History t;
    t.app.selected_part = 4;
    t.RecordSlide(mix, -5);
    EXPECT_EQ(t.Undo(), (Events{Xg(0x04, 0x0D, 64), Xg(0x14, 0x0D, 64)}));
    EXPECT_EQ(t.Redo(), (Events{Xg(0x04, 0x0D, 64), Xg(0x14, 0x0D, 64), Xg(0x14, 0x0D, 59)}));
}

TEST(EditHistoryMessages, ProgramChangeSendsBankMsbBankLsbAndProgram) {
    History t;
    t.app.selected_part = 1;
    t.app.part_table[bank_msb_b][1] = 8;
    t.app.part_table[bank_lsb_b][1] = 3;
    ProgramChangeLists lists(t.app);
    lists.test_note = false;
    t.h.Record(t.app, StepKind::kProgramChange, [&] { lists.SelectProgram(Port::B, 5); });
    EXPECT_EQ(t.app.pc_sel_b[1], 5);
    EXPECT_EQ(t.Undo(), (Events{Cc(Port::B, 1, 0, 8), Cc(Port::B, 1, 32, 3), OnB({0xC1, 0x00})}));
    EXPECT_EQ(t.app.pc_sel_b[1], 0);
    EXPECT_EQ(t.app.bank_sel_b[1], 0);
    EXPECT_EQ(t.Redo(), (Events{Cc(Port::B, 1, 0, 8), Cc(Port::B, 1, 32, 0), OnB({0xC1, 0x05})}));
    EXPECT_EQ(t.app.pc_sel_b[1], 5);
}

TEST(EditHistoryMessages, KnobRowsInRowOrderAndARandomPanAsTheKnobSendsIt) {
    History t;
    t.Drag(kSendPadA, {{-64, 4}});  // pan to 0 (random), reverb 44
    EXPECT_EQ(t.Undo(), (Events{Cc(Port::A, 0, 91, 40), Cc(Port::A, 0, 10, 64)}));
    EXPECT_EQ(t.Redo(), (Events{Cc(Port::A, 0, 91, 44), Cc(Port::A, 0, 10, 0), Xg(0x00, 0x0E, 0)}));
}

TEST(EditHistoryReset, UndoingXSendsEveryPartItChangedWhole) {
    History t;
    t.app.part_table[vol][2] = 90;
    t.app.part_table[reverb_b][5] = 10;
    t.app.track_names[5] = "Pad";
    t.app.selected_part = 7;
    RecordingApp before;
    before.app.part_table = t.app.part_table;
    for (int part : {2, 5}) {
        before.app.selected_part = part;
        SendAllPartParameters(before.app);
    }

    t.h.Record(t.app, StepKind::kXgSystemOn, [&] { SendXgSystemOn(t.app); });
    EXPECT_EQ(t.Undo(), before.log.events);
    EXPECT_EQ(t.app.part_table, before.app.part_table);
    EXPECT_EQ(t.app.selected_part, 7);
    EXPECT_EQ(t.app.track_names[5], "Pad");  // X leaves the names alone

    EXPECT_EQ(t.Redo(), (Events{OnA({kXgSystemOn.begin(), kXgSystemOn.end()})}));
    EXPECT_EQ(t.app.part_table[vol][2], 100);
    EXPECT_EQ(t.app.part_table[reverb_b][5], 40);
}

TEST(EditHistoryReset, RedoingGSendsGmSystemOn) {
    History t;
    t.app.part_table[exp][0] = 1;
    t.h.Record(t.app, StepKind::kGmSystemOn, [&] { SendGmSystemOn(t.app); });
    t.h.Undo(t.app);
    EXPECT_EQ(t.Redo(), (Events{OnA({kGmSystemOn.begin(), kGmSystemOn.end()})}));
}

TEST(EditHistoryReset, AResetOfATableAtItsDefaultsIsStillAStep) {
    History t;
    t.h.Record(t.app, StepKind::kXgSystemOn, [&] { SendXgSystemOn(t.app); });
    ASSERT_TRUE(t.h.CanUndo());  // the module was reset, whatever the table held
    EXPECT_TRUE(t.Undo().empty());
    EXPECT_EQ(t.Redo(), (Events{OnA({kXgSystemOn.begin(), kXgSystemOn.end()})}));
}

TEST(EditHistoryPartFile, ALoadIsOneStepOfValuesAndName) {
    RecordingApp source;
    source.app.Value(vol) = 90;
    source.app.track_names[0] = "Pad";
    const auto bytes = SaveSettingsFile(source.app);
    History t;
    t.app.selected_part = 4;
    t.h.Record(t.app, StepKind::kPartFile,
               [&] { LoadSettingsFile(t.app, std::span<const std::uint8_t>(bytes)); });
    EXPECT_EQ(t.Undo(), (Events{Cc(Port::A, 4, 7, 100), Cc(Port::B, 4, 7, 100)}));
    EXPECT_EQ(t.app.track_names[4], "");
    t.Redo();
    EXPECT_EQ(t.app.track_names[4], "Pad");
    EXPECT_EQ(DescribeStep(*t.h.NextUndo()), "#05 ﾌｧｲﾙを開く");
}

TEST(EditHistoryBranch, ANewEditDropsWhatCouldHaveBeenRedone) {
    History t;
    for (int v : {10, 20, 30})
        t.RecordSlide(vol, v);
    t.h.Undo(t.app);
    t.h.Undo(t.app);
    EXPECT_TRUE(t.h.CanRedo());
    t.RecordSlide(vol, 50);
    EXPECT_FALSE(t.h.CanRedo());
    EXPECT_EQ(t.h.StepCount(), 2u);
    EXPECT_EQ(t.h.Redo(t.app), nullptr);
    t.h.Undo(t.app);
    EXPECT_EQ(t.app.Value(vol), 10);
}

TEST(EditHistoryBound, KeepsTheNewestThousandSteps) {
    History t;
    for (int i = 1; i <= 1005; ++i)
        t.RecordSlide(vol, i % 128);
    EXPECT_EQ(t.h.StepCount(), EditHistory::kDefaultMaxSteps);
    EXPECT_GE(EditHistory::kDefaultMaxSteps, 1000u);
    int undone = 0;
    while (t.h.Undo(t.app) != nullptr)
        ++undone;
    EXPECT_EQ(undone, 1000);
    EXPECT_EQ(t.app.Value(vol), 5);  // the state after the fifth step, the oldest kept
}

TEST(EditHistorySaved, FollowsUndoRedoAndForgetsADroppedState) {
    History t;
    t.h.MarkSaved();
    EXPECT_TRUE(t.h.AtSaved());
    t.RecordSlide(vol, 1);
    EXPECT_FALSE(t.h.AtSaved());
    t.h.Undo(t.app);
    EXPECT_TRUE(t.h.AtSaved());
    t.h.Redo(t.app);
    t.h.MarkSaved();
    t.h.Undo(t.app);
    t.RecordSlide(vol, 2);  // the saved state was in the dropped branch
    EXPECT_FALSE(t.h.AtSaved());
    t.h.Undo(t.app);
    EXPECT_FALSE(t.h.AtSaved());

    EditHistory small(2);
    CKQ505App app;
    small.MarkSaved();
    for (int v : {1, 2, 3})
        small.Record(app, StepKind::kSlider, [&] { app.Value(vol) = v; });
    while (small.Undo(app) != nullptr) {
    }
    EXPECT_EQ(app.Value(vol), 1);
    EXPECT_FALSE(small.AtSaved());  // the saved state went with the oldest step
}

TEST(EditHistoryNotes, TellsOfEveryChangeAndNamesTheStep) {
    History t;
    int told = 0;
    t.h.on_change = [&] { ++told; };
    t.Drag(kSendPadA, {{10, 4}});
    EXPECT_EQ(DescribeStep(*t.h.NextUndo()), "#01 A Rev 40→44, A Pan C→R10");
    t.h.Undo(t.app);
    EXPECT_EQ(DescribeStep(*t.h.NextRedo()), "#01 A Rev 40→44, A Pan C→R10");
    t.h.Redo(t.app);
    EXPECT_EQ(told, 3);
    t.app.selected_part = 11;
    t.RecordSlide(mix, 5);
    EXPECT_EQ(DescribeStep(*t.h.NextUndo()), "#12 Mix A=B→A<5B");
    t.h.Record(t.app, StepKind::kXgSystemOn, [&] { SendXgSystemOn(t.app); });
    EXPECT_EQ(DescribeStep(*t.h.NextUndo()), "XG System On");
}

TEST(EditHistorySetupMark, CleanAgainWhenUndoAndRedoLeadBackToTheSavedState) {
    History t;
    int told = 0;
    t.app.setup.on_change = [&] { ++told; };
    MarkSetupClean(t.app, "/music/live.kqset");  // as an open or a save leaves it
    t.RecordSlide(vol, 90);
    EXPECT_TRUE(IsSetupModified(t.app));
    t.h.Undo(t.app);
    EXPECT_FALSE(IsSetupModified(t.app));
    EXPECT_EQ(told, 3);  // the window hears of the clean mark too
    t.h.Redo(t.app);
    EXPECT_TRUE(IsSetupModified(t.app));

    MarkSetupClean(t.app, "/music/live.kqset");  // saved with vol 90
    t.h.Undo(t.app);
    EXPECT_TRUE(IsSetupModified(t.app));
    t.h.Redo(t.app);
    EXPECT_FALSE(IsSetupModified(t.app));

    // Edits mark the set-up at once; a drag that ends where it began leaves it clean.
    t.h.BeginGesture(t.app, StepKind::kKnob);
    DragHandle(t.app, kSendPadA, 4, 0);
    EXPECT_TRUE(IsSetupModified(t.app));
    DragHandle(t.app, kSendPadA, -4, 0);
    t.h.EndGesture(t.app);
    EXPECT_FALSE(IsSetupModified(t.app));
}

}  // namespace
}  // namespace kq505
