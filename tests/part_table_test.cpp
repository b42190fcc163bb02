#include <gtest/gtest.h>

#include "app/kq505_app.h"
#include "model/part_table.h"
#include "model/value_text.h"

namespace kq505 {
namespace {

TEST(PartTable, ConstructionAndResetGiveTheDefaults) {
    CKQ505App app;
    EXPECT_EQ(app.selected_part, 0);
    EXPECT_EQ(app.preview_note, 69);
    app.part_table[reverb_b][9] = 3;
    app.part_table[mix][15] = -20;
    app.selected_part = 7;
    ResetPartParameters(app.part_table);
    EXPECT_EQ(app.selected_part, 7);
    for (int part = 0; part < kPartCount; ++part) {
        const auto at = [&](Row row) { return app.part_table[row][part]; };
        EXPECT_EQ(at(vol), 100);
        EXPECT_EQ(at(exp), 127);
        EXPECT_EQ(FormatOffset(at(key_shift)), "0");
        EXPECT_EQ(at(reverb_a), 40);
        EXPECT_EQ(at(reverb_b), 40);
        EXPECT_EQ(FormatPan(at(pan_a)), "C");
        EXPECT_EQ(FormatEqFrequency(at(eq_bass_freq_b)), "80");
        EXPECT_EQ(FormatEqFrequency(at(eq_treble_freq_a)), "10k");
        EXPECT_EQ(FormatEqGain(at(eq_bass_gain_a)), "+0");
        EXPECT_EQ(FormatEqGain(at(eq_treble_gain_b)), "+0");
        EXPECT_EQ(FormatMix(at(mix)), "A=B");
        EXPECT_EQ(at(program_a) + 1, 1);
        for (Row row : {brightness_a, harmonic_b, hpf_a, attack_b, decay_a, release_b, vib_rate_a,
                        vib_depth_b, vib_delay_a}) {
            EXPECT_EQ(FormatOffset(at(row)), "0") << kRowInfo[row].name;
        }
        for (Row row : {porta_sw, porta_time, mix_sw, bank_msb_a, bank_lsb_b, program_b, chorus_a,
                        variation_b}) {
            EXPECT_EQ(at(row), 0) << kRowInfo[row].name;
        }
    }
}

TEST(PartTable, RowsAreNamedInOrderAndLayerPairsAlternate) {
    EXPECT_EQ(kRowInfo[0].name, "vol");
    EXPECT_EQ(kRowInfo[6].name, "mix_sw");
    EXPECT_EQ(kRowInfo[27].name, "attack_a");
    EXPECT_EQ(kRowInfo[46].name, "eq_treble_gain_b");
    for (int row = bank_msb_a; row < kRowCount; row += 2) {
        const std::string_view a = kRowInfo[row].name;
        const std::string_view b = kRowInfo[row + 1].name;
        EXPECT_EQ(a.substr(0, a.size() - 2), b.substr(0, b.size() - 2));
        EXPECT_TRUE(a.ends_with("_a") && b.ends_with("_b")) << a;
        EXPECT_FALSE(IsLayerB(static_cast<Row>(row)));
        EXPECT_TRUE(IsLayerB(static_cast<Row>(row + 1)));
    }
    EXPECT_FALSE(IsLayerB(mix_sw));
}

TEST(PartTable, ClampKeepsTheEditingRanges) {
    EXPECT_EQ(ClampToRow(key_shift, 20), 40);
    EXPECT_EQ(ClampToRow(key_shift, 100), 88);
    EXPECT_EQ(ClampToRow(mix, -65), -64);
    EXPECT_EQ(ClampToRow(eq_bass_freq_a, 3), 4);
    EXPECT_EQ(ClampToRow(eq_bass_freq_b, 41), 40);
    EXPECT_EQ(ClampToRow(eq_treble_freq_a, 27), 28);
    EXPECT_EQ(ClampToRow(eq_treble_freq_b, 59), 58);
    EXPECT_EQ(ClampToRow(harmonic_a, 128), 127);
    EXPECT_EQ(ClampToRow(pan_b, -1), 0);
}

TEST(ValueText, Pan) {
    EXPECT_EQ(FormatPan(64), "C");
    EXPECT_EQ(FormatPan(1), "L63");
    EXPECT_EQ(FormatPan(0), "L64");
    EXPECT_EQ(FormatPan(127), "R63");
    EXPECT_EQ(FormatPan(100), "R36");
    EXPECT_EQ(FormatPan(-128), "L192");  // a byte of a settings file, shown as it is
}

TEST(ValueText, OffsetAndEqGain) {
    EXPECT_EQ(FormatOffset(52), "-12");
    EXPECT_EQ(FormatOffset(76), "12");
    EXPECT_EQ(FormatEqGain(63), "-1");
    EXPECT_EQ(FormatEqGain(64), "+0");
    EXPECT_EQ(FormatEqGain(127), "+63");
    EXPECT_EQ(FormatEqGain(58), "-6");
    EXPECT_EQ(FormatEqGain(0), "-64");
}

TEST(ValueText, Mix) {
    EXPECT_EQ(FormatMix(0), "A=B");
    EXPECT_EQ(FormatMix(5), "A<5B");
    EXPECT_EQ(FormatMix(-5), "A5>B");
    EXPECT_EQ(FormatMix(-64), "A64>B");
    EXPECT_EQ(FormatMix(64), "A<64B");
}

TEST(ValueText, EqFrequencyLabelsAndValuesWithoutOne) {
    EXPECT_EQ(FormatEqFrequency(0), "THRU");
    EXPECT_EQ(FormatEqFrequency(4), "32");
    EXPECT_EQ(FormatEqFrequency(12), "80");
    EXPECT_EQ(FormatEqFrequency(28), "500");
    EXPECT_EQ(FormatEqFrequency(34), "1.0k");
    EXPECT_EQ(FormatEqFrequency(40), "2.0k");
    EXPECT_EQ(FormatEqFrequency(54), "10k");
    EXPECT_EQ(FormatEqFrequency(58), "16k");
    EXPECT_EQ(FormatEqFrequency(59), "?");
    EXPECT_EQ(FormatEqFrequency(90), "?");
    EXPECT_EQ(FormatEqFrequency(-1), "?");
}

TEST(ValueText, NoteNames) {
    EXPECT_EQ(NoteName(0), "C-2");
    EXPECT_EQ(NoteName(1), "C#-2");
    EXPECT_EQ(NoteName(60), "C3");
    EXPECT_EQ(NoteName(69), "A3");
    EXPECT_EQ(NoteName(127), "G8");
    EXPECT_EQ(NoteName(-3), "?");
    EXPECT_EQ(NoteName(128), "?");
}

}  // namespace
}  // namespace kq505
