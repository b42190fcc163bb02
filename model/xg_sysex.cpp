#include "model/xg_sysex.h"

#include <algorithm>

namespace kq505 {
namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;
// The high nibble of the third byte: what the message is.
constexpr std::uint8_t kBulkDump = 0x00;
constexpr std::uint8_t kParameterChange = 0x10;
constexpr std::uint8_t kDumpRequest = 0x20;
constexpr std::uint8_t kParameterRequest = 0x30;
// F0 43 1n 4C ah am al … F7 and F0 43 0n 4C bh bl ah am al … cs F7
constexpr std::size_t kParameterHeader = 7;
constexpr std::size_t kDumpHeader = 9;

constexpr std::uint8_t Seven(int value) {
    return static_cast<std::uint8_t>(value & 0x7F);
}

constexpr std::uint8_t Status(std::uint8_t kind, std::uint8_t device) {
    return static_cast<std::uint8_t>(kind | (device & 0x0F));
}

std::array<std::uint8_t, 8> Request(std::uint8_t kind, XgAddress address, std::uint8_t device) {
    return {kSysExStart,         kYamahaId,          Status(kind, device), kXgModelId,
            Seven(address.high), Seven(address.mid), Seven(address.low),   kSysExEnd};
}

bool AllDataBytes(std::span<const std::uint8_t> bytes) {
    return std::ranges::all_of(bytes, [](std::uint8_t b) { return b < 0x80; });
}

XgAddress AddressAt(std::span<const std::uint8_t> bytes) {
    return {bytes[0], bytes[1], bytes[2]};
}

std::optional<XgMessage> ReadDump(std::span<const std::uint8_t> message, std::uint8_t device) {
    if (message.size() < kDumpHeader + 2) return std::nullopt;
    const std::size_t count = std::size_t{message[4]} << 7 | message[5];
    if (count != message.size() - kDumpHeader - 2) return std::nullopt;
    // The count, the address, the data and the checksum.
    const std::span<const std::uint8_t> counted = message.subspan(4, message.size() - 5);
    if (XgChecksum(counted) != 0) return std::nullopt;
    return XgMessage{XgMessageKind::bulk_dump, device, AddressAt(message.subspan(6)),
                     message.subspan(kDumpHeader, count)};
}

}  // namespace

std::array<std::uint8_t, 8> XgDumpRequest(XgAddress address, std::uint8_t device) {
    return Request(kDumpRequest, address, device);
}

std::array<std::uint8_t, 8> XgParameterRequest(XgAddress address, std::uint8_t device) {
    return Request(kParameterRequest, address, device);
}

std::uint8_t XgChecksum(std::span<const std::uint8_t> counted) {
    unsigned sum = 0;
    for (const std::uint8_t b : counted)
        sum += b;
    return static_cast<std::uint8_t>((0x80 - (sum & 0x7F)) & 0x7F);
}

std::vector<std::uint8_t> XgBulkDump(XgAddress address, std::span<const std::uint8_t> data,
                                     std::uint8_t device) {
    if (data.size() > kXgMaxDumpData) return {};
    const auto count = static_cast<int>(data.size());
    std::vector<std::uint8_t> dump{
        kSysExStart,         kYamahaId,          Status(kBulkDump, device),
        kXgModelId,          Seven(count >> 7),  Seven(count),
        Seven(address.high), Seven(address.mid), Seven(address.low)};
    dump.reserve(data.size() + kDumpHeader + 2);
    for (const std::uint8_t b : data)
        dump.push_back(b & 0x7F);
    dump.push_back(XgChecksum(std::span(dump).subspan(4)));
    dump.push_back(kSysExEnd);
    return dump;
}

std::optional<XgMessage> ReadXgMessage(std::span<const std::uint8_t> message) {
    if (message.size() < kParameterHeader + 1 || message.front() != kSysExStart ||
        message.back() != kSysExEnd || message[1] != kYamahaId || message[3] != kXgModelId)
        return std::nullopt;
    const std::span<const std::uint8_t> inner = message.subspan(1, message.size() - 2);
    if (!AllDataBytes(inner)) return std::nullopt;
    const auto kind = static_cast<std::uint8_t>(message[2] & 0x70);
    const auto device = static_cast<std::uint8_t>(message[2] & 0x0F);
    if (kind == kBulkDump) return ReadDump(message, device);
    if (kind != kParameterChange || message.size() < kParameterHeader + 2) return std::nullopt;
    return XgMessage{XgMessageKind::parameter_change, device, AddressAt(message.subspan(4)),
                     message.subspan(kParameterHeader, message.size() - kParameterHeader - 1)};
}

}  // namespace kq505
