#include "model/randomize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

TEST(Randomize, GroupsAndLayersChooseTheRowsVoiceOffByDefault) {
    RandomizeOptions options;
    const std::vector<Row> all = RandomizedRows(options);
    EXPECT_EQ(all.size(), 34u);  // rows 13..46
    EXPECT_EQ(all.front(), reverb_a);
    EXPECT_EQ(all.back(), eq_treble_gain_b);
    options.groups = kRandomFilter | kRandomVoice;
    options.layer_a = false;
    EXPECT_EQ(RandomizedRows(options),
              (std::vector<Row>{program_b, brightness_b, harmonic_b, hpf_b}));
    EXPECT_EQ(RandomReach(vol, 20), 25);
    EXPECT_EQ(RandomReach(eq_treble_freq_a, 20), 6);  // 28..58
    EXPECT_EQ(RandomReach(eq_bass_freq_a, 1), 1);
    EXPECT_EQ(RandomReach(vol, 0), 0);
}

TEST(Randomize, FixedSeedStaysInsideTheRangeAndTheAmountAndRepeats) {
    PartColumn origin{};
    for (int row = 0; row < kRowCount; ++row)
        origin[row] = kRowInfo[row].min;  // every row at its lower end
    origin[pan_a] = 1;
    origin[reverb_b] = 127;
    origin[hpf_a] = -20;  // a file's value outside the range stays
    RandomizeOptions options;
    options.amount_percent = 10;
    std::set<std::int32_t> pans;
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        const PartColumn values = RandomizedValues(origin, options, seed);
        ASSERT_EQ(values, RandomizedValues(origin, options, seed));
        const std::vector<Row> rows = RandomizedRows(options);
        for (int r = 0; r < kRowCount; ++r) {
            const auto row = static_cast<Row>(r);
            if (std::ranges::find(rows, row) == rows.end() || row == hpf_a) {
                ASSERT_EQ(values[r], origin[r]) << kRowInfo[r].name;
                continue;
            }
            ASSERT_GE(values[r], kRowInfo[r].min) << kRowInfo[r].name;
            ASSERT_LE(values[r], kRowInfo[r].max) << kRowInfo[r].name;
            ASSERT_LE(std::abs(values[r] - origin[r]), RandomReach(row, 10)) << kRowInfo[r].name;
        }
        ASSERT_NE(values[pan_a], 0);  // never the random pan
        pans.insert(values[pan_a]);
    }
    EXPECT_EQ(pans, (std::set<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(Randomize, ATryIsOneStepSendingTheChangedRows) {
    test::RecordingApp t;
    RandomizeOptions options;
    options.groups = kRandomEnvelope;
    options.layer_b = false;
    const PartColumn origin = ColumnOf(t.app.part_table, 0);
    PartColumn values = RandomizedValues(origin, options, 7);
    values[release_a] = origin[release_a];  // one row that stays is not sent
    ApplyRandomized(t.app, values);
    std::size_t expected = 0;
    for (Row row : {attack_a, decay_a})
        expected += values[row] != origin[row] ? (row == decay_a ? 3 : 1) : 0;
    EXPECT_EQ(t.log.TakeEvents().size(), expected);
    EXPECT_EQ(ColumnOf(t.app.part_table, 0), values);
    EXPECT_EQ(t.app.edit_history.StepCount(), expected > 0 ? 1u : 0u);
}

}  // namespace
}  // namespace kq505
