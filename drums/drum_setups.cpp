#include "drums/drum_setups.h"

#include <algorithm>

#include <iterator>

#include "model/midi_messages.h"
#include "model/xg_sysex.h"

namespace kq505 {
namespace {

constexpr std::uint8_t kParameterChangeToDevice0 = 0x10;
constexpr std::uint8_t kDrumSetupHigh = 0x30;
constexpr std::uint8_t kMultiPart = 0x08;
constexpr std::uint8_t kPartModeLow = 0x07;
constexpr std::uint8_t kDrumResetLow = 0x7D;

std::array<std::uint8_t, 9> Change(int high, int mid, int low, std::int32_t value) {
    return {0xF0,
            kYamahaId,
            kParameterChangeToDevice0,
            kXgModelId,
            static_cast<std::uint8_t>(high & 0x7F),
            static_cast<std::uint8_t>(mid & 0x7F),
            static_cast<std::uint8_t>(low & 0x7F),
            DataByte(value),
            0xF7};
}

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

template <std::size_t N>
std::vector<std::uint8_t> Bytes(const std::array<std::uint8_t, N>& message) {
    return {message.begin(), message.end()};
}

}  // namespace

void ResetDrumSetups(DrumSetups& drums) {
    drums = DrumSetups{};
}

void ResetDrumSetup(DrumSetups& drums, int setup) {
    for (DrumNoteValues& note : drums.values[At(setup)])
        note.fill(kFollowKit);
}

std::uint8_t& DrumSlot(DrumSetups& drums, int setup, int note, int param) {
    return drums.values[At(setup)][At(note - kFirstDrumNote)][At(param)];
}

std::uint8_t DrumSlot(const DrumSetups& drums, int setup, int note, int param) {
    return drums.values[At(setup)][At(note - kFirstDrumNote)][At(param)];
}

std::vector<int> DrumSetupsUsedBy(const DrumSetups& drums, std::span<const int> parts) {
    std::array<bool, kDrumSetupCount> used{};
    for (const int part : parts) {
        if (part < 0 || part >= kPartCount) continue;
        for (const int xg_part : {part, part + kPartCount}) {
            const int setup = DrumSetupOfMode(drums.part_modes[At(xg_part)]);
            if (setup >= 0) used[At(setup)] = true;
        }
    }
    std::vector<int> setups;
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        if (used[At(setup)]) setups.push_back(setup);
    }
    return setups;
}

int FollowedDrumSetup(const DrumSetups& drums, int part) {
    const int a = DrumSetupOfMode(drums.part_modes[At(part)]);
    return a >= 0 ? a : DrumSetupOfMode(drums.part_modes[At(part + kPartCount)]);
}

Port DrumSetupPort(const DrumSetups& drums, int part, int setup) {
    const bool a = DrumSetupOfMode(drums.part_modes[At(part)]) == setup;
    const bool b = DrumSetupOfMode(drums.part_modes[At(part + kPartCount)]) == setup;
    return b && !a ? Port::B : Port::A;
}

const DrumKit& KitOfSetup(const DrumSetups& drums, const PartTable& table, int setup) {
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        if (DrumSetupOfMode(drums.part_modes[At(xg_part)]) != setup) continue;
        const bool layer_b = xg_part >= kPartCount;
        const auto part = At(xg_part % kPartCount);
        return DrumKitFor(table[LayerRow(bank_msb_a, layer_b)][part],
                          table[LayerRow(program_a, layer_b)][part]);
    }
    return StandardDrumKit();
}

std::int32_t DrumValue(const DrumSetups& drums, const PartTable& table, int setup, int note,
                       int param) {
    const std::uint8_t own = DrumSlot(drums, setup, note, param);
    if (own != kFollowKit) return own;
    return KitDefault(KitOfSetup(drums, table, setup), note, param);
}

std::array<std::uint8_t, 9> XgDrumSetupMessage(int setup, int note, int param, std::int32_t value) {
    return Change(kDrumSetupHigh + setup, note, param, value);
}

std::array<std::uint8_t, 9> XgPartModeMessage(int xg_part, PartMode mode) {
    return Change(kMultiPart, xg_part, kPartModeLow, static_cast<std::int32_t>(mode));
}

std::array<std::uint8_t, 9> XgDrumSetupResetMessage(int setup) {
    return Change(0x00, 0x00, kDrumResetLow, setup);
}

std::vector<std::vector<std::uint8_t>> PartModeMessages(const DrumSetups& drums, WhichModes which) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const PartMode mode = drums.part_modes[At(xg_part)];
        if (which == WhichModes::changed && mode == DefaultPartMode(xg_part)) continue;
        messages.push_back(Bytes(XgPartModeMessage(xg_part, mode)));
    }
    return messages;
}

std::vector<std::vector<std::uint8_t>> DrumSetupEditMessages(const DrumSetups& drums, int setup) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
        for (int param = 0; param < kDrumParamCount; ++param) {
            const std::uint8_t own = DrumSlot(drums, setup, note, param);
            if (own != kFollowKit)
                messages.push_back(Bytes(XgDrumSetupMessage(setup, note, param, own)));
        }
    }
    return messages;
}

std::vector<std::vector<std::uint8_t>> AllDrumSetupEditMessages(const DrumSetups& drums) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        std::ranges::move(DrumSetupEditMessages(drums, setup), std::back_inserter(messages));
    }
    return messages;
}

}  // namespace kq505
