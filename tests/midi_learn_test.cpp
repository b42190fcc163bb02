#include "model/midi_learn.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/ini_store.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using Events = std::vector<MidiEvent>;

struct Learner : test::RecordingApp {
    MidiLearn& learn = app.midi_learn;
    MidiLearn::Result Cc(int number, int value, std::int64_t time_ms = 0, int channel = 0) {
        return learn.Take(
            app, {std::uint8_t(channel), std::uint8_t(number), std::uint8_t(value), time_ms});
    }
    void Learn(std::initializer_list<Row> rows) {
        const std::vector<Row> list(rows);
        StartLearn(app, list);
    }
};

TEST(MidiLearn, ALearnedCcDrivesItsRowScaledAndGroupsItsStepsByHalfSeconds) {
    Learner t;
    t.Learn({brightness_a});
    EXPECT_TRUE(t.Cc(74, 10).learned);  // the learning move changes nothing
    EXPECT_EQ(t.app.Value(brightness_a), 64);
    EXPECT_FALSE(t.learn.Learning());

    t.app.selected_part = 2;  // the row of the part selected when it moves
    EXPECT_TRUE(t.Cc(74, 127, 1000).moved);
    t.Cc(74, 100, 1200);
    t.Cc(74, 100, 1300);  // no change, nothing sent
    t.Cc(74, 0, 1499);
    EXPECT_EQ(t.log.TakeEvents(),
              (Events{OnA({0xB2, 74, 127}), OnA({0xB2, 74, 100}), OnA({0xB2, 74, 0})}));
    t.learn.Poll(t.app, 1499);
    EXPECT_EQ(t.app.edit_history.StepCount(), 0u);  // still open
    t.Cc(74, 50, 1500);                             // half a second on: a step of its own
    t.learn.Poll(t.app, 1999);
    EXPECT_EQ(t.app.edit_history.StepCount(), 1u);
    t.learn.Poll(t.app, 2000);
    EXPECT_EQ(t.app.edit_history.StepCount(), 2u);
    t.app.edit_history.Undo(t.app);
    EXPECT_EQ(t.app.part_table[brightness_a][2], 0);
    t.app.edit_history.Undo(t.app);
    EXPECT_EQ(t.app.part_table[brightness_a][2], 64);
}

TEST(MidiLearn, ScaledOntoEveryRangeEndToEnd) {
    for (const auto& [row, low, middle, high] :
         {std::tuple{mix, -64, 0, 64}, std::tuple{key_shift, 40, 64, 88},
          std::tuple{eq_treble_freq_b, 28, 43, 58}, std::tuple{vol, 0, 64, 127}}) {
        EXPECT_EQ(ScaledToRow(row, 0), low);
        EXPECT_EQ(ScaledToRow(row, 64), middle);
        EXPECT_EQ(ScaledToRow(row, 127), high);
    }
}

TEST(MidiLearn, AKnobTakesTwoDifferentControllersAndAnNrpnPairBinds) {
    Learner t;
    t.Learn({pan_b, reverb_b});
    t.Cc(20, 1);
    t.Cc(20, 2);  // the same knob turned on is no second controller
    EXPECT_TRUE(t.learn.Learning());
    t.Cc(21, 5);
    EXPECT_FALSE(t.learn.Learning());
    EXPECT_EQ(t.learn.ControllerOf(pan_b), (Controller{Controller::kCc, 20}));
    EXPECT_EQ(t.learn.ControllerOf(reverb_b), (Controller{Controller::kCc, 21}));

    t.Learn({hpf_a});
    t.Cc(99, 1, 0, 3);
    t.Cc(98, 36, 0, 3);
    t.Cc(6, 9, 0, 3);
    EXPECT_EQ(t.learn.ControllerOf(hpf_a), (Controller{Controller::kNrpn, 1 * 128 + 36}));
    // Binding CC 20 elsewhere moves it; the old row is free.
    t.app.midi_learn.Bind({Controller::kCc, 20}, vol);
    EXPECT_FALSE(t.learn.ControllerOf(pan_b));
    t.Cc(99, 1, 10, 3);
    t.Cc(98, 36, 10, 3);
    t.Cc(6, 127, 10, 3);
    t.Cc(20, 0, 10);
    EXPECT_EQ(t.app.Value(hpf_a), 127);
    EXPECT_EQ(t.app.Value(vol), 0);
}

TEST(MidiLearn, TheInputHandsBoundControllersOverAndNeverPlaysThemThrough) {
    Learner t;
    PlayThrough& thru = *t.app.play_through;
    thru.SetThru(true);
    const std::vector<std::uint8_t> cc20{0xB5, 20, 64};
    EXPECT_EQ(thru.RouteInput(cc20).count, 1u);  // nobody listens: played through
    t.Learn({attack_b});
    EXPECT_EQ(thru.RouteInput(cc20).count, 0u);  // taken by the learn
    EXPECT_TRUE(TakeLearnedControllers(t.app, LearnClockMs()).learned);
    EXPECT_EQ(thru.RouteInput(std::vector<std::uint8_t>{0xB5, 20, 127}).count, 0u);
    EXPECT_EQ(thru.RouteInput(std::vector<std::uint8_t>{0xB5, 22, 1}).count, 1u);
    EXPECT_TRUE(TakeLearnedControllers(t.app, LearnClockMs()).moved);
    EXPECT_EQ(t.app.Value(attack_b), 127);
    t.learn.EndMovement(t.app);
    EXPECT_EQ(t.app.edit_history.StepCount(), 1u);
    Unlearn(t.app, attack_b);
    EXPECT_EQ(thru.RouteInput(cc20).count, 1u);
}

TEST(MidiLearn, BindingsGoToTheIniAndBack) {
    MidiLearn learn;
    learn.Bind({Controller::kCc, 74}, brightness_a);
    learn.Bind({Controller::kNrpn, 1 * 128 + 36}, hpf_b);
    IniDocument ini = IniDocument::Parse("[Learn]\nvol=CC7\n");
    ASSERT_TRUE(WriteLearnSection(ini, learn.Bindings()));
    EXPECT_EQ(ini.Find("Learn", "brightness_a"), "CC74");
    EXPECT_EQ(ini.Find("Learn", "hpf_b"), "NRPN1/36");
    EXPECT_EQ(ini.Find("Learn", "vol"), "");  // bound no more
    EXPECT_EQ(ReadLearnSection(ini), learn.Bindings());
    for (const char* bad : {"CC", "CC120", "cc-1", "NRPN1", "NRPN128/0", "PC5"})
        EXPECT_FALSE(ParseController(bad)) << bad;
    EXPECT_EQ(ParseController("cc5"), (Controller{Controller::kCc, 5}));
}

}  // namespace
}  // namespace kq505
