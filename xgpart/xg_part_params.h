#pragma once
// The rest of the module beside the part table: every multi part parameter (08 pp xx) that
// no row of the table carries, for all 32 XG parts (the A layers 0..15, the B layers
// 16..31), and the system block (00 00 xx): master tune, master volume and transpose. The
// one message builder of both, and their value texts.
//
// Not here: the bytes the table's rows carry (bank, program, sends, pan, filter, envelope,
// vibrato, volume, note shift, velocity sense offset, portamento), the part mode (the drum
// side keeps it) and the receive channel, which makes the layering itself: the B layer
// listens on Port B on the part's channel.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "effects/effect_tables.h"
#include "model/module_values.h"
#include "model/xg_sysex.h"

namespace kq505 {

struct XgParamInfo {
    std::uint8_t low;       // 08 pp low, or 00 00 low for the system block
    std::uint8_t size;      // 1 byte, or 2 / 4 nibbles
    std::string_view key;   // "note_limit_high", its key in a set-up file
    std::string_view name;  // "Note Limit High"
    std::int32_t min;
    std::int32_t max;
    std::int32_t default_value;  // XG System On's, where it is the same on every part
    ValueFormat format;
};

inline constexpr int kXgPartParamCount = 81;
inline constexpr int kXgSystemParamCount = 3;

// In address order.
const std::array<XgParamInfo, kXgPartParamCount>& XgPartParams();
const std::array<XgParamInfo, kXgSystemParamCount>& XgSystemParams();
// The parameter at 08 pp low; -1 where the list holds none.
int XgPartParamAt(std::uint8_t low);

// Indexes into XgPartParams() and XgSystemParams() that the program uses by name.
enum XgPartParam : int {
    xg_element_reserve,
    xg_mono_poly,
    xg_key_assign,
    xg_detune,
    xg_velocity_depth,
    xg_note_low,
    xg_note_high,
    xg_dry_level,
    xg_velocity_low = 79,
    xg_velocity_high = 80,
};
enum XgSystemParam : int { xg_master_tune, xg_master_volume, xg_transpose };

// The XG part number of channel 10's A layer, which keeps no voices back.
inline constexpr int kXgDrumPart = 9;
// The default of a parameter on one XG part: element reserve is 0 on channel 10's A
// layer, 2 on every other.
std::int32_t XgPartDefault(int xg_part, int param);

using XgPartParamValues = std::array<std::int32_t, kXgPartParamCount>;

// Constructed as XG System On leaves the module.
struct XgPartValues {
    XgPartValues();
    std::array<XgPartParamValues, kXgPartCount> parts;
    std::array<std::int32_t, kXgSystemParamCount> system;
    bool operator==(const XgPartValues&) const = default;
};

void ResetXgPartValues(XgPartValues& values);
std::int32_t ClampXgValue(const XgParamInfo& info, std::int32_t value);

// F0 43 10 4C ah am al dd.. F7: one data byte, or the value in 2 or 4 nibbles, highest
// first.
std::vector<std::uint8_t> XgValueMessage(XgAddress address, int size, std::int32_t value);
std::vector<std::uint8_t> XgPartParamMessage(int xg_part, int param, std::int32_t value);
std::vector<std::uint8_t> XgSystemParamMessage(int param, std::int32_t value);

// The value as its format shows it: "C3", "+12", "-1.5 Hz", "+2.0 cent", "Poly", "On".
std::string XgValueText(const XgParamInfo& info, std::int32_t value);

// The values of one XG part that differ from their defaults, in address order. A note or
// velocity range goes whole: where one end differs, both ends are sent, so that the layer's
// range is the one shown whatever the module held.
std::vector<std::vector<std::uint8_t>> XgPartChangeMessages(const XgPartValues& values,
                                                            int xg_part);
// The system values that differ from their defaults.
std::vector<std::vector<std::uint8_t>> XgSystemChangeMessages(const XgPartValues& values);
// The system values, then the changed values of XG parts 0..31 in order.
std::vector<std::vector<std::uint8_t>> AllXgChangeMessages(const XgPartValues& values);

// A split of a part at `key` (1..127): the A layer plays the notes below it, the B layer the
// key and above. A velocity switch at `velocity` (2..127): the A layer the velocities below
// it, the B layer the velocity and above. The four limits they set, A low, A high, B low,
// B high; the value is held to the range that leaves both layers a note or a velocity.
struct XgLimit {
    int xg_part;
    int param;
    std::int32_t value;
};
std::array<XgLimit, 4> SplitLimits(int part, int key);
std::array<XgLimit, 4> VelocitySwitchLimits(int part, int velocity);

}  // namespace kq505
