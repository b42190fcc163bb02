#include "effects/effect_tables.h"

#include <algorithm>

#include "effects/xg_effect_data.h"

namespace kq505 {

std::span<const EffectTypeInfo> EffectTypes(EffectBlock block) {
    switch (block) {
        case EffectBlock::reverb:
            return xg_data::k_reverb_types;
        case EffectBlock::chorus:
            return xg_data::k_chorus_types;
        case EffectBlock::variation:
            break;
    }
    return xg_data::k_variation_types;
}

const EffectTypeInfo* FindEffectType(EffectBlock block, std::int32_t type_value) {
    const auto types = EffectTypes(block);
    const auto found = std::ranges::find(types, type_value, &EffectTypeInfo::Value);
    return found == types.end() ? nullptr : &*found;
}

const EffectParamInfo* FindEffectParam(const EffectTypeInfo& type, int number) {
    const auto found = std::ranges::find(type.params, number, &EffectParamInfo::number);
    return found == type.params.end() ? nullptr : &*found;
}

const EffectBlockAddresses& BlockAddresses(EffectBlock block) {
    return xg_data::kBlockAddresses[static_cast<std::size_t>(block)];
}

const EffectSendAddresses& SendAddresses() {
    return xg_data::kSendAddresses;
}

std::span<const std::string_view> ValueTable(ValueFormat format) {
    const auto found =
        std::ranges::find(xg_data::kValueTables, format, &xg_data::ValueTableEntry::format);
    if (found == xg_data::kValueTables.end()) return {};
    return found->texts;
}

}  // namespace kq505
