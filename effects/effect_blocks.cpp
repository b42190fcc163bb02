#include "effects/effect_blocks.h"

#include <algorithm>

namespace kq505 {
namespace {

constexpr std::uint8_t kXgEffectHigh = 0x02;
constexpr std::uint8_t kXgEffectMid = 0x01;

constexpr int kVariationPartCount = 32;  // the A and B layers of the 16 parts

std::size_t ParamIndex(int number) {
    return static_cast<std::size_t>(std::clamp(number, 1, kEffectParamCount) - 1);
}

// The state and the address tables name the items alike: a block's own items, then the
// sends, connection and part that the variation block shares with the others.
template <class Block, class Shared>
auto& Pick(EffectItem item, Block& block, Shared& shared) {
    switch (item.kind) {
        case EffectItem::type:
            return block.type;
        case EffectItem::param:
            return block.params[ParamIndex(item.number)];
        case EffectItem::return_level:
            return block.return_level;
        case EffectItem::pan:
            return block.pan;
        case EffectItem::chorus_to_reverb:
            return shared.chorus_to_reverb;
        case EffectItem::variation_to_reverb:
            return shared.variation_to_reverb;
        case EffectItem::variation_to_chorus:
            return shared.variation_to_chorus;
        case EffectItem::variation_connection:
            return shared.variation_connection;
        case EffectItem::variation_part:
            break;
    }
    return shared.variation_part;
}

template <class Blocks>
auto& ValueIn(Blocks& blocks, EffectItem item) {
    return Pick(item, blocks[item.block], blocks);
}

}  // namespace

std::int32_t& EffectValue(EffectBlocks& blocks, EffectItem item) {
    return ValueIn(blocks, item);
}

std::int32_t EffectValue(const EffectBlocks& blocks, EffectItem item) {
    return ValueIn(blocks, item);
}

const EffectAddress& AddressOf(EffectItem item) {
    return Pick(item, BlockAddresses(item.block), SendAddresses());
}

EffectRange RangeOf(const EffectBlocks& blocks, EffectItem item) {
    if (item.kind == EffectItem::variation_part) return {0, kVariationPartOff};
    if (item.kind == EffectItem::param) {
        if (const EffectTypeInfo* type = FindEffectType(item.block, blocks[item.block].type)) {
            if (const EffectParamInfo* param = FindEffectParam(*type, item.number)) {
                return {param->min, param->max};
            }
        }
    }
    const EffectAddress& address = AddressOf(item);
    return {address.min, address.max};
}

std::int32_t ClampEffectValue(EffectItem item, std::int32_t value) {
    if (item.kind == EffectItem::variation_part) {
        return value >= 0 && value < kVariationPartCount ? value : kVariationPartOff;
    }
    const EffectAddress& address = AddressOf(item);
    return std::clamp<std::int32_t>(value, address.min, address.max);
}

void ResetEffectBlocks(EffectBlocks& blocks) {
    for (const EffectBlock block : kEffectBlocks) {
        SetEffectType(blocks, block, BlockAddresses(block).type.default_value);
        blocks[block].return_level = BlockAddresses(block).return_level.default_value;
        blocks[block].pan = BlockAddresses(block).pan.default_value;
    }
    const EffectSendAddresses& sends = SendAddresses();
    blocks.chorus_to_reverb = sends.chorus_to_reverb.default_value;
    blocks.variation_to_reverb = sends.variation_to_reverb.default_value;
    blocks.variation_to_chorus = sends.variation_to_chorus.default_value;
    blocks.variation_connection = sends.variation_connection.default_value;
    blocks.variation_part = sends.variation_part.default_value;
}

void SetEffectType(EffectBlocks& blocks, EffectBlock block, std::int32_t type) {
    blocks[block].type = type;
    const EffectTypeInfo* info = FindEffectType(block, type);
    if (!info) return;
    std::ranges::copy(info->defaults, blocks[block].params.begin());
}

std::vector<std::uint8_t> XgEffectMessage(EffectItem item, std::int32_t value) {
    const EffectAddress& address = AddressOf(item);
    value = ClampEffectValue(item, value);
    std::vector<std::uint8_t> message{0xF0,          0x43,         0x10,       0x4C,
                                      kXgEffectHigh, kXgEffectMid, address.low};
    if (address.size == 2) message.push_back(static_cast<std::uint8_t>((value >> 7) & 0x7F));
    message.push_back(static_cast<std::uint8_t>(value & 0x7F));
    message.push_back(0xF7);
    return message;
}

std::vector<EffectItem> AllEffectItems() {
    std::vector<EffectItem> items;
    for (const EffectBlock block : kEffectBlocks) {
        items.push_back({EffectItem::type, block});
        for (int number = 1; number <= kEffectParamCount; ++number)
            items.push_back({EffectItem::param, block, number});
        items.push_back({EffectItem::return_level, block});
        items.push_back({EffectItem::pan, block});
    }
    for (const EffectItem::Kind kind :
         {EffectItem::chorus_to_reverb, EffectItem::variation_to_reverb,
          EffectItem::variation_to_chorus, EffectItem::variation_connection,
          EffectItem::variation_part}) {
        items.push_back({kind});
    }
    return items;
}

std::vector<std::vector<std::uint8_t>> EffectBlockMessages(const EffectBlocks& blocks) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (const EffectItem& item : AllEffectItems())
        messages.push_back(XgEffectMessage(item, EffectValue(blocks, item)));
    return messages;
}

}  // namespace kq505
