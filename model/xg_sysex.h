#pragma once
// The XG system-exclusive dialogue with a module: the requests we send, the bulk dumps we
// write and read, and the parameter changes a module's front panel sends.
//
//   dump request       F0 43 2n 4C ah am al F7
//   parameter request  F0 43 3n 4C ah am al F7      answered as a parameter change
//   parameter change   F0 43 1n 4C ah am al dd… F7
//   bulk dump          F0 43 0n 4C bh bl ah am al dd… cs F7
//
// n is the device number (0..15), bh bl the count of data bytes (seven bits each), and the
// checksum makes (bh + bl + ah + am + al + dd… + cs) & 7Fh zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq505 {

inline constexpr std::uint8_t kYamahaId = 0x43;
inline constexpr std::uint8_t kXgModelId = 0x4C;

struct XgAddress {
    std::uint8_t high = 0;
    std::uint8_t mid = 0;
    std::uint8_t low = 0;
    bool operator==(const XgAddress&) const = default;
};

// The largest count of data bytes the two seven-bit bytes of a dump can state.
inline constexpr std::size_t kXgMaxDumpData = 0x3FFF;

std::array<std::uint8_t, 8> XgDumpRequest(XgAddress address, std::uint8_t device = 0);
std::array<std::uint8_t, 8> XgParameterRequest(XgAddress address, std::uint8_t device = 0);

// The seven-bit value that brings the sum of `counted` and itself to zero.
std::uint8_t XgChecksum(std::span<const std::uint8_t> counted);

// A whole bulk dump of `data` at `address`, with its count and checksum. Data bytes are
// held to seven bits; more than kXgMaxDumpData bytes give an empty message.
std::vector<std::uint8_t> XgBulkDump(XgAddress address, std::span<const std::uint8_t> data,
                                     std::uint8_t device = 0);

enum class XgMessageKind { bulk_dump, parameter_change };

// What an XG message says; `data` points into the message it was read from.
struct XgMessage {
    XgMessageKind kind;
    std::uint8_t device;
    XgAddress address;
    std::span<const std::uint8_t> data;
};

// Reads one whole F0…F7 message. None for anything but a parameter change or a bulk dump of
// the XG model, for a dump whose count does not match its data or whose checksum is wrong,
// and for a data byte with bit 7 set.
std::optional<XgMessage> ReadXgMessage(std::span<const std::uint8_t> message);

}  // namespace kq505
