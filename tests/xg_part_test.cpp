#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "files/setup_file.h"
#include "files/smf_export.h"
#include "model/module_syx.h"
#include "model/module_take.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"
#include "xgpart/xg_part_edit.h"
#include "xgpart/xg_part_image.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {
namespace {

using test::OnA;
using test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

constexpr std::uint8_t kC3 = 60;

// The port and the bytes, so that a failure shows them.
std::vector<std::string> Hex(const Events& events) {
    std::vector<std::string> texts;
    for (const MidiEvent& e : events) {
        std::string text = e.port == Port::A ? "A" : "B";
        for (const std::uint8_t b : e.bytes) {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            text += {' ', kDigits[b >> 4], kDigits[b & 0x0F]};
        }
        texts.push_back(text);
    }
    return texts;
}

MidiEvent Part(int xg_part, int low, int value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, std::uint8_t(xg_part), std::uint8_t(low),
                std::uint8_t(value), 0xF7});
}

int ParamAt(std::uint8_t low) {
    const int param = XgPartParamAt(low);
    EXPECT_GE(param, 0) << int(low);
    return param;
}

bool IsXgPartMessage(const MidiEvent& e) {
    return e.bytes.size() >= 9 && e.bytes[4] == 0x08 && XgPartParamAt(e.bytes[6]) >= 0;
}

TEST(XgPartMessages, OneParameterOfEachFormatItsBytesAndText) {
    struct Case {
        int xg_part;
        std::uint8_t low;
        std::int32_t value;
        Bytes tail;  // from the address on
        std::string text;
    };
    const std::vector<Case> cases{
        {0, 0x0C, 80, {0x08, 0x00, 0x0C, 0x50}, "80"},              // plain
        {16, 0x10, 59, {0x08, 0x10, 0x10, 0x3B}, "B2"},             // note name
        {3, 0x09, 138, {0x08, 0x03, 0x09, 0x08, 0x0A}, "+1.0 Hz"},  // detune, two nibbles
        {4, 0x09, 0, {0x08, 0x04, 0x09, 0x00, 0x00}, "-12.8 Hz"},   //
        {31, 0x23, 76, {0x08, 0x1F, 0x23, 0x4C}, "+12"},            // semitones
        {1, 0x1E, 60, {0x08, 0x01, 0x1E, 0x3C}, "-600 cent"},       // filter
        {2, 0x1F, 127, {0x08, 0x02, 0x1F, 0x7F}, "+100 %"},         // amplitude
        {5, 0x6A, 70, {0x08, 0x05, 0x6A, 0x46}, "6"},               // offset from 64
        {6, 0x42, 54, {0x08, 0x06, 0x42, 0x36}, "-10 cent"},        // scale tuning
        {7, 0x30, 0, {0x08, 0x07, 0x30, 0x00}, "Off"},              // receive switch
        {8, 0x05, 0, {0x08, 0x08, 0x05, 0x00}, "Mono"},             // mono/poly
        {9, 0x06, 2, {0x08, 0x09, 0x06, 0x02}, "Instr"},            // key assign
    };
    for (const Case& c : cases) {
        Bytes expected{0xF0, 0x43, 0x10, 0x4C};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        expected.push_back(0xF7);
        const int param = ParamAt(c.low);
        EXPECT_EQ(XgPartParamMessage(c.xg_part, param, c.value), expected) << c.text;
        EXPECT_EQ(XgValueText(XgPartParams()[param], c.value), c.text);
    }
    // The system block: master tune in four nibbles, volume and transpose in one byte.
    EXPECT_EQ(XgSystemParamMessage(xg_master_tune, 1034),
              (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x0A, 0xF7}));
    EXPECT_EQ(XgValueText(XgSystemParams()[xg_master_tune], 1034), "+1.0 cent");
    EXPECT_EQ(XgSystemParamMessage(xg_master_volume, 100),
              (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x64, 0xF7}));
    EXPECT_EQ(XgSystemParamMessage(xg_transpose, 52),
              (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x06, 0x34, 0xF7}));
    EXPECT_EQ(XgValueText(XgSystemParams()[xg_transpose], 52), "-12");
}

TEST(XgPartValues, EveryAddressBesideTheTableOnceWithItsDefaults) {
    // The table's bytes, the part mode and the receive channel are no parameters here.
    for (const std::uint8_t low :
         {0x01, 0x03, 0x04, 0x07, 0x08, 0x0B, 0x0D, 0x0E, 0x13, 0x18, 0x1C, 0x67, 0x68})
        EXPECT_EQ(XgPartParamAt(low), -1) << int(low);
    for (std::uint8_t low = 0x41; low <= 0x4C; ++low)
        EXPECT_GE(XgPartParamAt(low), 0);
    const XgPartValues values;
    EXPECT_EQ(values.parts[kXgDrumPart][xg_element_reserve], 0);
    EXPECT_EQ(values.parts[kXgDrumPart + 16][xg_element_reserve], 2);
    EXPECT_EQ(values.parts[0][ParamAt(0x23)], 66);  // bend pitch +2
    EXPECT_EQ(values.parts[31][ParamAt(0x60)], 17);
    EXPECT_EQ(values.system, (std::array<std::int32_t, 3>{1024, 127, 64}));
    EXPECT_TRUE(AllXgChangeMessages(values).empty());
}

TEST(XgPartEdit, SplitAndVelocitySwitchAreFourLimitsOnPortA) {
    RecordingApp r;
    MakeSplit(r.app, 0, kC3);
    EXPECT_EQ(r.log.TakeEvents(), (Events{Part(0x00, 0x0F, 0), Part(0x00, 0x10, 59),
                                          Part(0x10, 0x0F, 60), Part(0x10, 0x10, 127)}));
    MakeVelocitySwitch(r.app, 2, 100);
    EXPECT_EQ(r.log.TakeEvents(), (Events{Part(0x02, 0x6D, 1), Part(0x02, 0x6E, 99),
                                          Part(0x12, 0x6D, 100), Part(0x12, 0x6E, 127)}));
    // Each layer keeps a note and a velocity.
    EXPECT_EQ(SplitLimits(3, 0)[1].value, 0);
    EXPECT_EQ(VelocitySwitchLimits(3, 1)[1].value, 1);
    EXPECT_EQ(r.app.xg_parts.parts[16][xg_note_low], 60);
}

TEST(XgPartEdit, ShiftFSendsChangedValuesAfterEachPartsRowsAndRangesWhole) {
    RecordingApp fresh;
    SendAllParts(fresh.app);
    const Events untouched = fresh.log.TakeEvents();
    EXPECT_TRUE(std::ranges::none_of(untouched, IsXgPartMessage));

    RecordingApp r;
    MakeSplit(r.app, 1, kC3);
    SetXgPartValue(r.app, 1, xg_note_low, 0);  // A's low end is its default
    SetXgPartValue(r.app, 17, ParamAt(0x09), 130);
    SetXgSystemValue(r.app, xg_master_volume, 90);
    r.log.TakeEvents();
    SendAllParts(r.app);
    const Events all = r.log.TakeEvents();
    EXPECT_EQ(all.front(), OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 90, 0xF7}));
    Events xg;
    std::ranges::copy_if(all, std::back_inserter(xg), IsXgPartMessage);
    // By address, the detune's two nibbles before the limits.
    EXPECT_EQ(Hex(xg), Hex(Events{Part(1, 0x0F, 0), Part(1, 0x10, 59),
                                  OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 17, 0x09, 0x08, 0x02, 0xF7}),
                                  Part(17, 0x0F, 60), Part(17, 0x10, 127)}));
    // Right after part 2's rows (its last, the B layer's treble gain), before part 3's volume.
    const auto first = std::ranges::find(all, xg.front());
    ASSERT_TRUE(first > all.begin() && all.end() - first > 5);
    EXPECT_EQ(*(first - 1), (MidiEvent{Port::B, {0xB1, 0x06, 64}}));
    EXPECT_EQ(*(first + 5), OnA({0xB2, 0x07, 100}));

    // Values brought back to their defaults leave Shift+F as it was.
    for (const int xg_part : {1, 17})
        for (const int param : {int{xg_note_low}, int{xg_note_high}, ParamAt(0x09)})
            SetXgPartValue(r.app, xg_part, param, XgPartDefault(xg_part, param));
    SetXgSystemValue(r.app, xg_master_volume, 127);
    r.log.TakeEvents();
    SendAllParts(r.app);
    EXPECT_EQ(r.log.TakeEvents(), untouched);
}

TEST(XgPartEdit, SystemOnResetsAndUndoSendsTheValuesBack) {
    for (const auto reset : {&SendXgSystemOn, &SendGmSystemOn}) {
        RecordingApp r;
        MakeSplit(r.app, 4, 72);
        SetXgSystemValue(r.app, xg_master_tune, 1000);
        r.log.TakeEvents();
        r.app.edit_history.Record(r.app, StepKind::kXgSystemOn, [&] { reset(r.app); });
        EXPECT_EQ(r.log.TakeEvents().size(), 1u);  // only the system message
        EXPECT_EQ(r.app.xg_parts, XgPartValues{});
        r.app.edit_history.Undo(r.app);
        EXPECT_EQ(r.log.TakeEvents(),
                  (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0, 0, 0, 0x00, 0x03, 0x0E, 0x08, 0xF7}),
                          Part(4, 0x10, 71), Part(20, 0x0F, 72)}));
    }
    RecordingApp r;
    EditHistory& h = r.app.edit_history;
    h.Record(r.app, StepKind::kXgPart, [&] { MakeSplit(r.app, 0, kC3); });
    EXPECT_EQ(h.StepCount(), 1u);
    EXPECT_EQ(DescribeStep(*h.NextUndo()),
              "#01 A Note Limit High G8→B2, #01 B Note Limit Low C-2→C3");
    r.log.TakeEvents();
    h.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), (Events{Part(0, 0x10, 127), Part(16, 0x0F, 0)}));
    EXPECT_EQ(r.app.xg_parts, XgPartValues{});
}

// A split at C3 with a B layer detuned and the module tuned up a cent, as a new user would.
void EditLayers(CKQ505App& app) {
    MakeSplit(app, 0, kC3);
    SetXgPartValue(app, 16, ParamAt(0x09), 138);
    SetXgSystemValue(app, xg_master_tune, 1034);
}

TEST(XgPartFile, ChangedValuesComeBackAndOnlyTheyAreWritten) {
    RecordingApp r;
    EditLayers(r.app);
    const std::string text = SetupFileText(CurrentSetup(r.app));
    EXPECT_NE(text.find("version=4\n"), std::string::npos);
    EXPECT_NE(text.find("\n[XG System]\nmaster_tune=1034\n\n[XG Part 1]\ndetune_b=138\n"
                        "note_limit_low_b=60\nnote_limit_high_a=59\n"),
              std::string::npos);
    EXPECT_EQ(text.find("XG Part 2]"), std::string::npos);
    SetupData read;
    ASSERT_EQ(ParseSetupFile(text, read).error, SetupFileError::none);
    EXPECT_EQ(read.xg_parts, r.app.xg_parts);

    // A version 3 file opens with the defaults; a bad value refuses the file; values are held
    // to their ranges and the first key of a name counts.
    const std::string head = std::string(kSetupFormatLine) + "\nversion=3\n";
    ASSERT_EQ(ParseSetupFile(head + "[Part 1]\nvol=5\n", read).error, SetupFileError::none);
    EXPECT_EQ(read.xg_parts, XgPartValues{});
    EXPECT_EQ(ParseSetupFile(head + "[XG Part 16]\ndetune_a=x\n", read).where,
              "[XG Part 16] detune_a");
    ASSERT_EQ(ParseSetupFile(head + "[xg part 16]\nVELOCITY_LIMIT_LOW_B=0\nvelocity_limit_low_b=9\n"
                                    "wheel_pitch_a=99\n[XG Part 17]\ndetune_a=1\n[XG System]\n"
                                    "transpose=-3\n",
                             read)
                  .error,
              SetupFileError::none);
    EXPECT_EQ(read.xg_parts.parts[31][xg_velocity_low], 1);
    EXPECT_EQ(read.xg_parts.parts[15][ParamAt(0x1D)], 88);
    EXPECT_EQ(read.xg_parts.system[xg_transpose], 40);
    EXPECT_EQ(read.xg_parts.parts[0][ParamAt(0x09)], 128);
}

TEST(XgPartFile, SaveOpenAndShiftFSendTheSplitAgain) {
    RecordingApp edited;
    EditLayers(edited.app);
    RecordingApp opened;
    SetupData read;
    ASSERT_EQ(ParseSetupFile(SetupFileText(CurrentSetup(edited.app)), read).error,
              SetupFileError::none);
    ApplySetup(opened.app, read);
    SendAllParts(opened.app);
    Events xg;
    std::ranges::copy_if(opened.log.TakeEvents(), std::back_inserter(xg), IsXgPartMessage);
    EXPECT_EQ(Hex(xg), Hex(Events{Part(0, 0x0F, 0), Part(0, 0x10, 59),
                                  OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 16, 0x09, 0x08, 0x0A, 0xF7}),
                                  Part(16, 0x0F, 60), Part(16, 0x10, 127)}));
}

bool Holds(const Bytes& file, const Bytes& message) {
    return std::ranges::search(file, message).size() == message.size();
}

TEST(XgPartExports, SmfAndSyxCarryTheValuesAndASyxReadsThemBack) {
    CKQ505App app;
    EditLayers(app);
    // The conductor track: F0, the length, then the rest of the message.
    const Bytes smf = BuildStandardMidiFile(app);
    EXPECT_TRUE(Holds(smf, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x10, 0x3B, 0xF7}));
    EXPECT_TRUE(Holds(smf, {0xF0, 0x0B, 0x43, 0x10, 0x4C, 0, 0, 0, 0x00, 0x04, 0x00, 0x0A, 0xF7}));

    const auto messages =
        SetupSysExMessages(app.part_table, app.effect_blocks, app.drums, app.xg_parts);
    EXPECT_EQ(messages[1], (Bytes{0xF0, 0x43, 0x10, 0x4C, 0, 0, 0, 0x00, 0x04, 0x00, 0x0A, 0xF7}));
    XgModuleImage image;
    for (const Bytes& message : messages) {
        const std::optional<XgMessage> xg = ReadXgMessage(message);
        if (xg) ApplyToImage(*xg, image);
    }
    EXPECT_EQ(image.parts[0].multi_part[0x10], 59);
    EXPECT_EQ(image.parts[16].multi_part[0x0A], 0x0A);  // the detune's low nibble
    XgPartValues read;
    std::vector<int> all(kPartCount);
    std::iota(all.begin(), all.end(), 0);
    ImageToXgParts(image, all, read);
    EXPECT_EQ(read, app.xg_parts);
}

TEST(XgPartExports, TheModulesOwnChangesAreFollowed) {
    RecordingApp r;
    EXPECT_TRUE(
        FollowModuleMessage(r.app, Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x12, 0x6D, 0x40, 0xF7}));
    EXPECT_EQ(r.app.xg_parts.parts[18][xg_velocity_low], 64);
    EXPECT_TRUE(
        FollowModuleMessage(r.app, Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x50, 0xF7}));
    EXPECT_EQ(r.app.xg_parts.system[xg_master_volume], 80);
    EXPECT_EQ(r.app.edit_history.StepCount(), 2u);
    EXPECT_TRUE(r.log.TakeEvents().empty());
    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(),
              Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x7F, 0xF7})});
}

}  // namespace
}  // namespace kq505
