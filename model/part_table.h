#pragma once
// The part parameter table: 47 rows of signed values for each of the 16 parts.
// Rows 0..6 apply to a part as a whole; rows 7..46 come in pairs, the A layer's row
// directly followed by the B layer's row.

#include <array>
#include <cstdint>
#include <string_view>

namespace kq505 {

inline constexpr int kPartCount = 16;
inline constexpr int kRowCount = 47;

enum Row : int {
    vol,
    exp,
    key_shift,
    porta_sw,
    porta_time,
    mix,
    mix_sw,
    bank_msb_a,
    bank_msb_b,
    bank_lsb_a,
    bank_lsb_b,
    program_a,
    program_b,
    reverb_a,
    reverb_b,
    chorus_a,
    chorus_b,
    variation_a,
    variation_b,
    pan_a,
    pan_b,
    brightness_a,
    brightness_b,
    harmonic_a,
    harmonic_b,
    hpf_a,
    hpf_b,
    attack_a,
    attack_b,
    decay_a,
    decay_b,
    release_a,
    release_b,
    vib_rate_a,
    vib_rate_b,
    vib_depth_a,
    vib_depth_b,
    vib_delay_a,
    vib_delay_b,
    eq_bass_freq_a,
    eq_bass_freq_b,
    eq_bass_gain_a,
    eq_bass_gain_b,
    eq_treble_freq_a,
    eq_treble_freq_b,
    eq_treble_gain_a,
    eq_treble_gain_b,
};

struct RowInfo {
    std::string_view name;
    std::int32_t default_value;
    std::int32_t min;  // the range the editors keep; a settings file may bring any byte
    std::int32_t max;
};

// Indexed by Row: name, default, and the range the editors keep.
inline constexpr std::array<RowInfo, kRowCount> kRowInfo{{
    RowInfo{"vol", 100, 0, 127},
    RowInfo{"exp", 127, 0, 127},
    RowInfo{"key_shift", 64, 40, 88},
    RowInfo{"porta_sw", 0, 0, 1},
    RowInfo{"porta_time", 0, 0, 127},
    RowInfo{"mix", 0, -64, 64},
    RowInfo{"mix_sw", 0, 0, 1},
    RowInfo{"bank_msb_a", 0, 0, 127},
    RowInfo{"bank_msb_b", 0, 0, 127},
    RowInfo{"bank_lsb_a", 0, 0, 127},
    RowInfo{"bank_lsb_b", 0, 0, 127},
    RowInfo{"program_a", 0, 0, 127},
    RowInfo{"program_b", 0, 0, 127},
    RowInfo{"reverb_a", 40, 0, 127},
    RowInfo{"reverb_b", 40, 0, 127},
    RowInfo{"chorus_a", 0, 0, 127},
    RowInfo{"chorus_b", 0, 0, 127},
    RowInfo{"variation_a", 0, 0, 127},
    RowInfo{"variation_b", 0, 0, 127},
    RowInfo{"pan_a", 64, 0, 127},
    RowInfo{"pan_b", 64, 0, 127},
    RowInfo{"brightness_a", 64, 0, 127},
    RowInfo{"brightness_b", 64, 0, 127},
    RowInfo{"harmonic_a", 64, 0, 127},
    RowInfo{"harmonic_b", 64, 0, 127},
    RowInfo{"hpf_a", 64, 0, 127},
    RowInfo{"hpf_b", 64, 0, 127},
    RowInfo{"attack_a", 64, 0, 127},
    RowInfo{"attack_b", 64, 0, 127},
    RowInfo{"decay_a", 64, 0, 127},
    RowInfo{"decay_b", 64, 0, 127},
    RowInfo{"release_a", 64, 0, 127},
    RowInfo{"release_b", 64, 0, 127},
    RowInfo{"vib_rate_a", 64, 0, 127},
    RowInfo{"vib_rate_b", 64, 0, 127},
    RowInfo{"vib_depth_a", 64, 0, 127},
    RowInfo{"vib_depth_b", 64, 0, 127},
    RowInfo{"vib_delay_a", 64, 0, 127},
    RowInfo{"vib_delay_b", 64, 0, 127},
    RowInfo{"eq_bass_freq_a", 12, 4, 40},
    RowInfo{"eq_bass_freq_b", 12, 4, 40},
    RowInfo{"eq_bass_gain_a", 64, 0, 127},
    RowInfo{"eq_bass_gain_b", 64, 0, 127},
    RowInfo{"eq_treble_freq_a", 54, 28, 58},
    RowInfo{"eq_treble_freq_b", 54, 28, 58},
    RowInfo{"eq_treble_gain_a", 64, 0, 127},
    RowInfo{"eq_treble_gain_b", 64, 0, 127},
}};

// table[row][part]: the 16 values of one row lie together.
using PartTable = std::array<std::array<std::int32_t, kPartCount>, kRowCount>;

// Every row of every part back to its default. Sends nothing.
void ResetPartParameters(PartTable& table);

// Per-layer rows come in pairs; the B layer's row is the A layer's row + 1.
constexpr bool IsLayerRow(Row row) { return row >= bank_msb_a; }
constexpr bool IsLayerB(Row row) { return IsLayerRow(row) && (row - bank_msb_a) % 2 == 1; }
constexpr Row LayerRow(Row a_row, bool layer_b) { return static_cast<Row>(a_row + (layer_b ? 1 : 0)); }

// Lower bound first, then the upper one.
constexpr std::int32_t ClampToRow(Row row, std::int32_t value) {
    const RowInfo& info = kRowInfo[row];
    return value < info.min ? info.min : (value > info.max ? info.max : value);
}

}  // namespace kq505
