#include "model/randomize.h"

#include <algorithm>
#include <array>
#include <random>
#include <utility>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

struct GroupRows {
    RandomGroup group;
    std::vector<Row> a_rows;
};

const std::array<GroupRows, 6>& Groups() {
    static const std::array<GroupRows, 6> groups{{
        {kRandomSends, {reverb_a, chorus_a, variation_a, pan_a}},
        {kRandomFilter, {brightness_a, harmonic_a, hpf_a}},
        {kRandomEnvelope, {attack_a, decay_a, release_a}},
        {kRandomVibrato, {vib_rate_a, vib_depth_a, vib_delay_a}},
        {kRandomEq, {eq_bass_freq_a, eq_bass_gain_a, eq_treble_freq_a, eq_treble_gain_a}},
        {kRandomVoice, {program_a}},
    }};
    return groups;
}

}  // namespace

std::vector<Row> RandomizedRows(const RandomizeOptions& options) {
    std::vector<Row> rows;
    for (const GroupRows& group : Groups()) {
        if ((options.groups & group.group) == 0) continue;
        for (Row a_row : group.a_rows) {
            if (options.layer_a) rows.push_back(a_row);
            if (options.layer_b) rows.push_back(LayerRow(a_row, true));
        }
    }
    std::ranges::sort(rows);
    return rows;
}

std::int32_t RandomReach(Row row, int amount_percent) {
    const int amount = std::clamp(amount_percent, 0, 100);
    if (amount == 0) return 0;
    const std::int32_t span = kRowInfo[row].max - kRowInfo[row].min;
    return std::max<std::int32_t>(1, (span * amount + 50) / 100);
}

PartColumn RandomizedValues(const PartColumn& origin, const RandomizeOptions& options,
                            std::uint32_t seed) {
    std::mt19937 generator(seed);
    PartColumn values = origin;
    for (Row row : RandomizedRows(options)) {
        const std::int32_t reach = RandomReach(row, options.amount_percent);
        // A pan of 0 is the XG random pan, no place on the way.
        const bool pan = LayerRow(pan_a, IsLayerB(row)) == row;
        const std::int32_t low = std::max(origin[row] - reach, kRowInfo[row].min + (pan ? 1 : 0));
        const std::int32_t high = std::min(origin[row] + reach, kRowInfo[row].max);
        // A value a file brought from outside the range stays where it is.
        if (low > high) continue;
        values[row] = std::uniform_int_distribution<std::int32_t>(low, high)(generator);
    }
    return values;
}

void ApplyRandomized(CKQ505App& app, const PartColumn& values) {
    app.edit_history.Record(app, StepKind::kRandomize, [&] { PutPartValues(app, values); });
}

}  // namespace kq505
