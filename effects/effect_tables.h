#pragma once
// The facts of the XG effect blocks (reverb, chorus, variation): their types, the
// parameters each type names, each type's defaults, the value tables and the addresses of
// the effect block 02 01 xx. The data is generated from effects/data/*.tsv by
// scripts/gen_effect_tables.py; see effects/data/README.txt for its sources and licence
// (GPL-2.0-or-later).

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kq505 {

enum class EffectBlock : std::uint8_t { reverb, chorus, variation };
inline constexpr int kEffectBlockCount = 3;
inline constexpr int kEffectParamCount = 16;
inline constexpr std::array<EffectBlock, kEffectBlockCount> kEffectBlocks{
    EffectBlock::reverb, EffectBlock::chorus, EffectBlock::variation};

// How a raw value is shown; one entry per format of the tables.
enum class ValueFormat : std::uint8_t {
    plain,
    offset64,
    gain_db,
    semitones,
    cents,
    pan,
    dry_wet,
    er_rev_balance,
    x0_1,
    delay_0_1ms,
    tenths,
    phase_deg,
    percent100,
    filter_cents,
    detune_hz,
    master_tune_cents,
    program,
    part_or_off,
    channel_or_off,
    note_name,
    level_db_curve,
    lfo_freq,
    lfo_freq_alt,
    mod_delay_offset,
    eq_freq,
    reverb_time,
    delay_time_200,
    room_size,
    delay_time_400,
    reverb_dimension,
    er_type,
    gate_type,
    input_mode,
    input_select,
    pan_direction,
    amp_type,
    off_on,
    key_assign,
    mono_poly,
    part_mode,
    variation_connection,
};

// One parameter a type names: its number 1..16, range and display.
struct EffectParamInfo {
    std::uint8_t number;
    std::string_view name;
    std::string_view short_name;
    std::int16_t min;
    std::int16_t max;
    ValueFormat format;
};

struct EffectTypeInfo {
    EffectBlock block;
    std::uint8_t msb;
    std::uint8_t lsb;
    std::string_view name;
    std::span<const EffectParamInfo> params;  // empty for NO EFFECT and THRU
    std::array<std::int16_t, kEffectParamCount> defaults;

    // The type as the block stores and sends it: MSB × 128 + LSB.
    constexpr std::int32_t Value() const { return msb * 128 + lsb; }
};

// A place in the effect block 02 01 xx: its low address and size (1 byte, or two 7-bit
// bytes MSB first), with the range and default of the value it holds.
struct EffectAddress {
    std::uint8_t low;
    std::uint8_t size;
    std::int16_t min;
    std::int16_t max;
    std::int16_t default_value;
};

struct EffectBlockAddresses {
    EffectAddress type;
    std::array<EffectAddress, kEffectParamCount> params;
    EffectAddress return_level;
    EffectAddress pan;
};

struct EffectSendAddresses {
    EffectAddress chorus_to_reverb;
    EffectAddress variation_to_reverb;
    EffectAddress variation_to_chorus;
    EffectAddress variation_connection;
    EffectAddress variation_part;
};

// The types of a block in list order.
std::span<const EffectTypeInfo> EffectTypes(EffectBlock block);
// The type of this value in the block, or null when the block has no such type.
const EffectTypeInfo* FindEffectType(EffectBlock block, std::int32_t type_value);
// What parameter `number` (1..16) means in this type, or null when the type does not use it.
const EffectParamInfo* FindEffectParam(const EffectTypeInfo& type, int number);

const EffectBlockAddresses& BlockAddresses(EffectBlock block);
const EffectSendAddresses& SendAddresses();

// The texts of a table or list format, by value; empty for a formula format.
std::span<const std::string_view> ValueTable(ValueFormat format);

}  // namespace kq505
