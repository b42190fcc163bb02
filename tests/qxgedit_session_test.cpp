// A session saved by QXGEdit (tests/data/qxgedit-session.syx; tests/data/README says how
// it was made and what was set in it) opened as a .syx file.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "model/module_syx.h"
#include "model/module_take.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SessionBytes() {
    std::ifstream in(std::string(KQ505_SOURCE_DIR) + "/tests/data/qxgedit-session.syx",
                     std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Opened {
    test::RecordingApp app;
    SyxReadResult read;
    std::vector<ModuleDifference> differences;
};

// Opens the session into a table at its defaults, as the window does: all 16 parts and the
// effect blocks, one step.
void Open(Opened& opened) {
    XgModuleImage image;
    opened.read = ReadSysExFile(SessionBytes(), image);
    const std::array<int, kPartCount> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    opened.differences = TakeModuleImage(opened.app.app, image, all, true, StepKind::kSysExFile);
}

// What was set on part p (1..16) in QXGEdit, as the XG byte of the A layer.
struct SetInQxgedit {
    Row row;
    std::int32_t (*value)(int p);
};

constexpr SetInQxgedit kPartValues[] = {
    {bank_lsb_a, [](int p) { return p % 4 == 0 ? p / 4 : 0; }},
    {program_a, [](int p) { return 10 + p - 1; }},  // shown from 1
    {vol, [](int p) { return 60 + 4 * p; }},
    {pan_a, [](int p) { return 64 + 5 * p - 42; }},  // shown around 0
    {reverb_a, [](int p) { return 6 * p + 2; }},
    {chorus_a, [](int p) { return 4 * p; }},
    {variation_a, [](int p) { return 2 * p + 1; }},
    {brightness_a, [](int p) { return 64 + p - 20; }},
    {harmonic_a, [](int p) { return 64 + 2 * p - 17; }},
    {attack_a, [](int p) { return 64 - p; }},
    {release_a, [](int p) { return 64 + p; }},
};

TEST(QxgeditSession, ItsSixteenPartsLandOnTheALayersAndNothingIsSent) {
    Opened opened;
    Open(opened);
    EXPECT_EQ(opened.read.error, SyxFileError::none);
    EXPECT_EQ(opened.read.taken, 175u);  // every message is an XG parameter change
    EXPECT_EQ(opened.read.skipped, 0u);

    PartTable expected;
    ResetPartParameters(expected);
    for (const SetInQxgedit& set : kPartValues) {
        for (int p = 1; p <= kPartCount; ++p)
            expected[set.row][static_cast<std::size_t>(p - 1)] = set.value(p);
    }
    // Offset 50 on part 3 is a mix of +14 (the A layer's offset lowered by 14).
    expected[mix][2] = 14;
    for (int row = 0; row < kRowCount; ++row) {
        SCOPED_TRACE(kRowInfo[row].name);
        EXPECT_EQ(opened.app.app.part_table[row], expected[row]);
    }
    EXPECT_TRUE(opened.app.log.TakeEvents().empty());
}

TEST(QxgeditSession, WhatTheTableCannotHoldIsListed) {
    Opened opened;
    Open(opened);
    // Shift +2 and -3 on the A layers of parts 1 and 2: the key shift moves the B layer
    // only. Offset 70 on part 4 raises the A layer, which no mix does.
    const std::vector<ModuleDifference> expected{
        {0, key_shift, 64, 64 + 2, 64},
        {1, key_shift, 64, 64 - 3, 64},
        {3, mix, 0, 70, 64},
    };
    EXPECT_EQ(opened.differences, expected);
}

TEST(QxgeditSession, EachEffectTypeBringsTheParametersQxgeditShowedWithIt) {
    Opened opened;
    Open(opened);
    const EffectBlocks& e = opened.app.app.effect_blocks;
    EXPECT_EQ(e[EffectBlock::reverb].type, 0x02 * 128 + 0x01);     // ROOM 2
    EXPECT_EQ(e[EffectBlock::chorus].type, 0x42 * 128 + 0x01);     // CELESTE 2
    EXPECT_EQ(e[EffectBlock::variation].type, 0x07 * 128 + 0x00);  // ECHO

    // Parameters as QXGEdit showed them once the type was chosen, in XG bytes.
    struct Shown {
        EffectBlock block;
        int number;
        std::int32_t value;
    };
    constexpr Shown kShown[] = {
        {EffectBlock::reverb, 2, 10},       // Diffusion 10
        {EffectBlock::reverb, 10, 40},      // Dry/Wet -24
        {EffectBlock::reverb, 12, 4},       // Density 4
        {EffectBlock::reverb, 14, 8},       // Damp 0.8
        {EffectBlock::chorus, 2, 18},       // LFO PM 18
        {EffectBlock::chorus, 3, 90},       // Feedback 26
        {EffectBlock::chorus, 7, 62},       // Low Gain -2
        {EffectBlock::chorus, 9, 60},       // High Gain -4
        {EffectBlock::chorus, 10, 84},      // Dry/Wet 20
        {EffectBlock::variation, 1, 1700},  // L Delay 1 170.0 ms
        {EffectBlock::variation, 2, 80},    // L Feedb 16
        {EffectBlock::variation, 3, 1780},  // R Delay 1 178.0 ms
        {EffectBlock::variation, 5, 10},    // Damp 1.0
        {EffectBlock::variation, 7, 1780},  // R Delay 2 178.0 ms
        {EffectBlock::variation, 10, 40},   // Dry/Wet -24
    };
    for (const Shown& shown : kShown) {
        SCOPED_TRACE(shown.number);
        EXPECT_EQ(e[shown.block].params[static_cast<std::size_t>(shown.number - 1)], shown.value);
    }

    EffectBlocks expected;
    ResetEffectBlocks(expected);
    SetEffectType(expected, EffectBlock::reverb, 0x02 * 128 + 0x01);
    SetEffectType(expected, EffectBlock::chorus, 0x42 * 128 + 0x01);
    SetEffectType(expected, EffectBlock::variation, 0x07 * 128 + 0x00);
    expected[EffectBlock::reverb].return_level = 80;
    expected[EffectBlock::chorus].return_level = 50;
    expected[EffectBlock::variation].return_level = 90;
    expected.variation_to_reverb = 30;
    expected.variation_connection = 1;  // system
    EXPECT_EQ(e, expected);
}

}  // namespace
}  // namespace kq505
