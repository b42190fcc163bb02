#include "model/midi_messages.h"

namespace kq505 {

std::vector<std::uint8_t> ShortMessageBytes(std::uint32_t packed) {
    const ShortMessageWire wire = WireBytes(packed);
    const std::span<const std::uint8_t> bytes = wire.View();
    return {bytes.begin(), bytes.end()};
}

ShortMessageWire WireBytes(std::uint32_t packed) {
    const auto status = static_cast<std::uint8_t>(packed & 0xFF);
    const auto data1 = static_cast<std::uint8_t>((packed >> 8) & 0x7F);
    const auto data2 = static_cast<std::uint8_t>((packed >> 16) & 0x7F);
    const std::uint8_t kind = status & 0xF0;
    return {{status, data1, data2}, kind == 0xC0 || kind == 0xD0 ? 2u : 3u};
}

std::array<std::uint8_t, 9> XgPartParameterMessage(int part_number, int address,
                                                   std::int32_t value) {
    return {0xF0, 0x43, 0x10, 0x4C, 0x08, DataByte(part_number), DataByte(address),
            DataByte(value), 0xF7};
}

}  // namespace kq505
