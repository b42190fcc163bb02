#pragma once
// Little-endian fields at fixed offsets of a byte buffer, whatever the host's byte order.
// Offsets are the writer's own constants; a field always lies inside its buffer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kq505 {

inline void PutU16(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
    out[offset] = static_cast<std::uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

inline void PutU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
    PutU16(out, offset, value & 0xFFFF);
    PutU16(out, offset + 2, value >> 16);
}

// The text's bytes without a terminator; the rest of the field stays as it is (zero).
inline void PutText(std::span<std::uint8_t> out, std::size_t offset, std::string_view text) {
    std::transform(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(offset),
                   [](char c) { return static_cast<std::uint8_t>(c); });
}

inline void AppendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    AppendU16(out, value & 0xFFFF);
    AppendU16(out, value >> 16);
}

}  // namespace kq505
