#pragma once
// The encodings of every MIDI message the program sends. A short message is packed into
// 32 bits: status in bits 0-7, first data byte in bits 8-15, second in bits 16-23.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kq505 {

inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;

// Control numbers the program uses.
enum Cc : std::uint8_t {
    kCcBankMsb = 0,
    kCcPortamentoTime = 5,
    kCcDataEntry = 6,
    kCcVolume = 7,
    kCcPan = 10,
    kCcExpression = 11,
    kCcBankLsb = 32,
    kCcDataEntryLsb = 38,
    kCcSustain = 64,
    kCcPortamento = 65,
    kCcSostenuto = 66,
    kCcSoftPedal = 67,
    kCcHarmonic = 71,
    kCcRelease = 72,
    kCcAttack = 73,
    kCcBrightness = 74,
    kCcReverb = 91,
    kCcChorus = 93,
    kCcVariation = 94,
    kCcDataIncrement = 96,
    kCcDataDecrement = 97,
    kCcNrpnLsb = 98,
    kCcNrpnMsb = 99,
    kCcAllNotesOff = 123,
};

// XG multi-part parameter addresses.
inline constexpr int kXgNoteShift = 0x08;
inline constexpr int kXgVelocitySenseOffset = 0x0D;
inline constexpr int kXgPan = 0x0E;

// XG NRPN parameter numbers; their MSB is always 01h.
inline constexpr int kNrpnMsb = 0x01;
inline constexpr int kNrpnVibratoRate = 0x08;
inline constexpr int kNrpnVibratoDepth = 0x09;
inline constexpr int kNrpnVibratoDelay = 0x0A;
inline constexpr int kNrpnHpfCutoff = 0x24;
inline constexpr int kNrpnEqBassGain = 0x30;
inline constexpr int kNrpnEqTrebleGain = 0x31;
inline constexpr int kNrpnEqBassFrequency = 0x34;
inline constexpr int kNrpnEqTrebleFrequency = 0x35;
inline constexpr int kNrpnDecay = 0x64;

inline constexpr std::array<std::uint8_t, 9> kXgSystemOn{0xF0, 0x43, 0x10, 0x4C, 0x00,
                                                          0x00, 0x7E, 0x00, 0xF7};
inline constexpr std::array<std::uint8_t, 6> kGmSystemOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// A data byte never carries bit 7: a value outside 0..127 (only a settings file can bring
// one) is held at the nearest end rather than turned into a status byte.
constexpr std::uint8_t DataByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 127 ? 127 : value));
}

constexpr std::uint32_t PackShortMessage(std::uint8_t status, std::int32_t data1,
                                         std::int32_t data2 = 0) {
    return status | (std::uint32_t{DataByte(data1)} << 8) | (std::uint32_t{DataByte(data2)} << 16);
}

constexpr std::uint32_t ControlChange(int channel, std::uint8_t control, std::int32_t value) {
    return PackShortMessage(static_cast<std::uint8_t>(kControlChange | (channel & 0x0F)), control,
                            value);
}

// The wire bytes of a packed short message: two for program change and channel pressure,
// three for every other channel message.
std::vector<std::uint8_t> ShortMessageBytes(std::uint32_t packed);

// The same bytes without allocating, for paths that must not: the first `size` count.
struct ShortMessageWire {
    std::array<std::uint8_t, 3> bytes;
    std::size_t size;
    std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};
ShortMessageWire WireBytes(std::uint32_t packed);

// F0 43 10 4C 08 pp aa vv F7: XG multi-part parameter change to device 0, no checksum.
std::array<std::uint8_t, 9> XgPartParameterMessage(int part_number, int address,
                                                   std::int32_t value);

}  // namespace kq505
