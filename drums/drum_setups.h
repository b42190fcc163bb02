#pragma once
// The drum side of the module beside the part table: the part mode of each of the 32 XG
// parts (the A layers 0..15, the B layers 16..31) and the four drum setups, notes 13..91,
// 16 parameters each. A value the user has not changed follows the kit of the part that
// uses the setup, as the module's does after a program change; the one message builder of
// the drum setup block 3n rr xx and of the part mode.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "drums/drum_tables.h"
#include "model/midi_output.h"
#include "model/module_values.h"
#include "model/part_table.h"

namespace kq505 {

// A drum setup value the user has not changed: it is the kit's default.
inline constexpr std::uint8_t kFollowKit = 0xFF;

using DrumNoteValues = std::array<std::uint8_t, kDrumParamCount>;
using DrumSetupValues = std::array<DrumNoteValues, kDrumNoteCount>;

// The XG part number of channel 10's A layer, which starts as a drum part.
inline constexpr int kFirstDrumXgPart = 9;
constexpr PartMode DefaultPartMode(int xg_part) {
    return xg_part == kFirstDrumXgPart ? PartMode::drums1 : PartMode::normal;
}

constexpr std::array<PartMode, kXgPartCount> DefaultPartModes() {
    std::array<PartMode, kXgPartCount> modes{};
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part)
        modes[static_cast<std::size_t>(xg_part)] = DefaultPartMode(xg_part);
    return modes;
}

constexpr std::array<DrumSetupValues, kDrumSetupCount> ValuesFollowingTheKit() {
    std::array<DrumSetupValues, kDrumSetupCount> values{};
    for (DrumSetupValues& setup : values) {
        for (DrumNoteValues& note : setup)
            note.fill(kFollowKit);
    }
    return values;
}

// Constructed as XG System On leaves the module.
struct DrumSetups {
    std::array<PartMode, kXgPartCount> part_modes = DefaultPartModes();
    // 0..127, or kFollowKit.
    std::array<DrumSetupValues, kDrumSetupCount> values = ValuesFollowingTheKit();
    bool operator==(const DrumSetups&) const = default;
};

// What XG System On and GM System On leave: the default part modes, every value the kit's.
void ResetDrumSetups(DrumSetups& drums);
// Every value of one setup back to the kit's, as Drum Setup Reset and a program change
// leave it in the module.
void ResetDrumSetup(DrumSetups& drums, int setup);

std::uint8_t& DrumSlot(DrumSetups& drums, int setup, int note, int param);
std::uint8_t DrumSlot(const DrumSetups& drums, int setup, int note, int param);

// The setups, in order, whose mode the A or the B layer of one of `parts` (0..15) has.
std::vector<int> DrumSetupsUsedBy(const DrumSetups& drums, std::span<const int> parts);

// The setup the drum window follows for a part: its A layer's when that is in a Drums mode,
// else its B layer's; -1 when neither is.
int FollowedDrumSetup(const DrumSetups& drums, int part);
// The layer of the part that plays the setup, B only where the B layer alone does; its
// notes are heard there.
Port DrumSetupPort(const DrumSetups& drums, int part, int setup);

// The kit whose defaults a setup follows: that of the first XG part (A layers, then B
// layers) whose mode is the setup's, by its bank MSB and program; the Standard Kit when no
// part uses the setup.
const DrumKit& KitOfSetup(const DrumSetups& drums, const PartTable& table, int setup);
// The value the module holds: the user's, or the kit's default.
std::int32_t DrumValue(const DrumSetups& drums, const PartTable& table, int setup, int note,
                       int param);

// F0 43 10 4C 3n rr xx dd F7: setup n (0..3), note rr, parameter xx.
std::array<std::uint8_t, 9> XgDrumSetupMessage(int setup, int note, int param, std::int32_t value);
// F0 43 10 4C 08 pp 07 dd F7.
std::array<std::uint8_t, 9> XgPartModeMessage(int xg_part, PartMode mode);
// F0 43 10 4C 00 00 7D n F7: the module sets the setup back to its kit's defaults.
std::array<std::uint8_t, 9> XgDrumSetupResetMessage(int setup);

// The part modes of the 32 XG parts in XG part order: all of them, or, after XG System On,
// those that differ from the default.
enum class WhichModes { all, changed };
std::vector<std::vector<std::uint8_t>> PartModeMessages(const DrumSetups& drums,
                                                        WhichModes which = WhichModes::all);
// The values the user changed in the setup, by note, then by parameter.
std::vector<std::vector<std::uint8_t>> DrumSetupEditMessages(const DrumSetups& drums, int setup);
// The same for setups 1 to 4 in order.
std::vector<std::vector<std::uint8_t>> AllDrumSetupEditMessages(const DrumSetups& drums);

}  // namespace kq505
