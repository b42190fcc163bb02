#pragma once
// The state of the three XG effect blocks as the program keeps it beside the part table,
// and the one message builder of the effect block 02 01 xx.

#include <array>
#include <cstdint>
#include <vector>

#include "effects/effect_tables.h"

namespace kq505 {

struct EffectBlockValues {
    std::int32_t type = 0;  // MSB × 128 + LSB
    std::array<std::int32_t, kEffectParamCount> params{};
    std::int32_t return_level = 0;
    std::int32_t pan = 0;
    bool operator==(const EffectBlockValues&) const = default;
};

inline constexpr std::int32_t kVariationPartOff = 127;

struct EffectBlocks {
    std::array<EffectBlockValues, kEffectBlockCount> blocks{};
    std::int32_t chorus_to_reverb = 0;
    std::int32_t variation_to_reverb = 0;
    std::int32_t variation_to_chorus = 0;
    std::int32_t variation_connection = 0;  // 0 insertion, 1 system
    // The XG part an insertion variation works on: 0..15 the A layers, 16..31 the B layers
    // (the program's XG part numbers), kVariationPartOff for none.
    std::int32_t variation_part = kVariationPartOff;

    EffectBlockValues& operator[](EffectBlock block) {
        return blocks[static_cast<std::size_t>(block)];
    }
    const EffectBlockValues& operator[](EffectBlock block) const {
        return blocks[static_cast<std::size_t>(block)];
    }
    bool operator==(const EffectBlocks&) const = default;
};

// One value of the effect blocks.
struct EffectItem {
    enum Kind : std::uint8_t {
        type,
        param,  // `number` 1..16 of `block`
        return_level,
        pan,
        chorus_to_reverb,
        variation_to_reverb,
        variation_to_chorus,
        variation_connection,
        variation_part,
    };
    Kind kind = type;
    EffectBlock block = EffectBlock::reverb;  // for type, param, return_level and pan
    int number = 1;
    bool operator==(const EffectItem&) const = default;
};

struct EffectRange {
    std::int32_t min;
    std::int32_t max;
};

std::int32_t& EffectValue(EffectBlocks& blocks, EffectItem item);
std::int32_t EffectValue(const EffectBlocks& blocks, EffectItem item);
// Where the item lives in the effect block and how many bytes it takes there.
const EffectAddress& AddressOf(EffectItem item);
// The values the item may hold: a parameter the block's type names has its own range,
// every other item the range of its address; the variation part 0..31 and 127.
EffectRange RangeOf(const EffectBlocks& blocks, EffectItem item);
// The value as the item may hold it: held at the nearer end of its address range; a
// variation part that names no XG part of the program becomes "off".
std::int32_t ClampEffectValue(EffectItem item, std::int32_t value);

// The defaults the tone generator takes at XG System On and GM System On.
void ResetEffectBlocks(EffectBlocks& blocks);
// The type and the parameters 1..16 that the tone generator sets with it; an unknown type
// leaves the parameters as they are.
void SetEffectType(EffectBlocks& blocks, EffectBlock block, std::int32_t type);

// F0 43 10 4C 02 01 aa vv F7, or F0 43 10 4C 02 01 aa mm ll F7 for the two-byte items
// (types and variation parameters 1..10: value = mm × 128 + ll).
std::vector<std::uint8_t> XgEffectMessage(EffectItem item, std::int32_t value);

// Every item of the three blocks, each block led by its type (which resets the block's
// parameters in the tone generator), then the sends, connection and part.
std::vector<EffectItem> AllEffectItems();
std::vector<std::vector<std::uint8_t>> EffectBlockMessages(const EffectBlocks& blocks);

}  // namespace kq505
