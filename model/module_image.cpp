#include "model/module_image.h"

#include <span>

namespace kq505 {
namespace {

constexpr std::uint8_t kEffectHigh = 0x02;
constexpr std::uint8_t kEffectMid = 0x01;

// The bytes from `low` on; what would run past the block's 128 addresses is not kept.
template <std::size_t N>
bool Write(std::array<std::optional<std::uint8_t>, N>& bytes, std::uint8_t low,
           std::span<const std::uint8_t> data) {
    if (data.empty() || low >= N) return false;
    for (std::size_t i = 0; i < data.size() && low + i < N; ++i)
        bytes[low + i] = data[i];
    return true;
}

}  // namespace

bool ApplyToImage(const XgMessage& message, XgModuleImage& image) {
    const XgAddress& at = message.address;
    if (at.high == kEffectHigh && at.mid == kEffectMid)
        return Write(image.effect, at.low, message.data);
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
    for (const EffectItem& item : AllEffectItems()) {
        const EffectAddress& address = AddressOf(item);
        const std::int32_t value = ClampEffectValue(item, EffectValue(blocks, item));
        if (address.size == 2) {
            image.effect[address.low] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
            image.effect[address.low + 1u] = static_cast<std::uint8_t>(value & 0x7F);
        } else {
            image.effect[address.low] = static_cast<std::uint8_t>(value & 0x7F);
        }
    }
}

}  // namespace kq505
