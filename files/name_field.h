#pragma once
// Both file formats keep a track name in a fixed 64-byte field of Shift_JIS bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kq505 {

inline constexpr std::size_t kNameFieldSize = 64;

// The first byte of a double-byte Shift_JIS (code page 932) character.
constexpr bool IsShiftJisLeadByte(std::uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The bytes of `name` that a name field keeps: all of them when they fit, otherwise the
// longest run of whole characters within 64 bytes. Cutting half a double-byte character
// would leave a lead byte that turns the name into garbage when it is shown, so the
// character is dropped whole. A name that fits is never altered.
std::string_view NameFieldText(std::string_view name);

}  // namespace kq505
