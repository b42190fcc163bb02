#include "model/module_image.h"

#include <span>

namespace kq505 {
namespace {

constexpr std::uint8_t kEffectHigh = 0x02;
constexpr std::uint8_t kEffectMid = 0x01;
constexpr std::uint8_t kFirstDrumHigh = 0x30;

// The bytes from `low` on; what would run past the block's 128 addresses is not kept.
template <std::size_t N>
bool Write(std::array<std::optional<std::uint8_t>, N>& bytes, std::uint8_t low,
           std::span<const std::uint8_t> data) {
    if (data.empty() || low >= N) return false;
    for (std::size_t i = 0; i < data.size() && low + i < N; ++i)
        bytes[low + i] = data[i];
    return true;
}

void WriteItem(XgModuleImage& image, const EffectItem& item, std::int32_t value) {
    const EffectAddress& address = AddressOf(item);
    value = ClampEffectValue(item, value);
    if (address.size == 2) {
        image.effect[address.low] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
        image.effect[address.low + 1u] = static_cast<std::uint8_t>(value & 0x7F);
    } else {
        image.effect[address.low] = static_cast<std::uint8_t>(value & 0x7F);
    }
}

// The block whose type's two bytes the message writes, if any.
std::optional<EffectBlock> TypeWritten(const XgMessage& message) {
    for (const EffectBlock block : kEffectBlocks) {
        const std::size_t type = AddressOf({EffectItem::type, block}).low;
        if (message.address.low <= type + 1 && message.address.low + message.data.size() > type)
            return block;
    }
    return std::nullopt;
}

// The module sets a type's parameters 1..16 with the type, so a type changed alone (the way
// editors save their sessions) brings them; an unknown type leaves them as they are.
void TypeDefaultsToImage(EffectBlock block, XgModuleImage& image) {
    const std::uint8_t low = AddressOf({EffectItem::type, block}).low;
    const std::optional<std::uint8_t>& msb = image.effect[low];
    const std::optional<std::uint8_t>& lsb = image.effect[low + 1u];
    if (!msb || !lsb) return;
    const EffectTypeInfo* info = FindEffectType(block, *msb * 128 + *lsb);
    if (!info) return;
    for (int number = 1; number <= kEffectParamCount; ++number)
        WriteItem(image, {EffectItem::param, block, number},
                  info->defaults[static_cast<std::size_t>(number - 1)]);
}

bool WriteEffect(const XgMessage& message, XgModuleImage& image) {
    if (!Write(image.effect, message.address.low, message.data)) return false;
    const std::optional<EffectBlock> block = TypeWritten(message);
    if (message.kind != XgMessageKind::parameter_change || !block) return true;
    TypeDefaultsToImage(*block, image);
    // Parameters the same message carries after the type stand over the type's defaults.
    return Write(image.effect, message.address.low, message.data);
}

}  // namespace

bool ApplyToImage(const XgMessage& message, XgModuleImage& image) {
    const XgAddress& at = message.address;
    if (at.high == kEffectHigh && at.mid == kEffectMid) return WriteEffect(message, image);
    if (at.high == 0x00 && at.mid == 0x00) return Write(image.system, at.low, message.data);
    if (at.high >= kFirstDrumHigh && at.high < kFirstDrumHigh + kDrumSetupCount) {
        if (at.mid < kFirstDrumNote || at.mid > kLastDrumNote) return false;
        return Write(image.drums[at.high - kFirstDrumHigh][at.mid - kFirstDrumNote], at.low,
                     message.data);
    }
    if (at.mid >= kXgPartCount) return false;
    XgPartBytes& part = image.parts[at.mid];
    if (at.high == static_cast<std::uint8_t>(XgPartBlock::multi_part))
        return Write(part.multi_part, at.low, message.data);
    if (at.high == static_cast<std::uint8_t>(XgPartBlock::multi_part_filter) && at.low == 0x20) {
        part.hpf = message.data.front();
        return true;
    }
    return false;
}

void ImageToEffects(const XgModuleImage& image, EffectBlocks& blocks) {
    for (const EffectItem& item : AllEffectItems()) {
        const EffectAddress& address = AddressOf(item);
        const std::optional<std::uint8_t>& first = image.effect[address.low];
        if (!first) continue;
        std::int32_t value = *first;
        if (address.size == 2) {
            const std::optional<std::uint8_t>& second = image.effect[address.low + 1u];
            if (!second) continue;
            value = value * 128 + *second;
        }
        EffectValue(blocks, item) = ClampEffectValue(item, value);
    }
}

void EffectsToImage(const EffectBlocks& blocks, XgModuleImage& image) {
    for (const EffectItem& item : AllEffectItems())
        WriteItem(image, item, EffectValue(blocks, item));
}

}  // namespace kq505
