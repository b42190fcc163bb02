#include "xgpart/xg_part_params.h"

#include <algorithm>

#include "effects/effect_value_text.h"
#include "model/midi_messages.h"
#include "model/xg_sysex.h"

namespace kq505 {
namespace {

// From the XG multi part and system tables; element reserve's default is that of every
// part but channel 10's A layer.
constexpr std::array<XgParamInfo, kXgPartParamCount> kPartParams{{
    {0x00, 1, "element_reserve", "Element Reserve", 0, 32, 2, ValueFormat::plain},
    {0x05, 1, "mono_poly_mode", "Mono/Poly Mode", 0, 1, 1, ValueFormat::mono_poly},
    {0x06, 1, "same_note_key_assign", "Same Note Key Assign", 0, 2, 1, ValueFormat::key_assign},
    {0x09, 2, "detune", "Detune", 0, 255, 128, ValueFormat::detune_hz},
    {0x0C, 1, "velocity_sense_depth", "Velocity Sense Depth", 0, 127, 64, ValueFormat::plain},
    {0x0F, 1, "note_limit_low", "Note Limit Low", 0, 127, 0, ValueFormat::note_name},
    {0x10, 1, "note_limit_high", "Note Limit High", 0, 127, 127, ValueFormat::note_name},
    {0x11, 1, "dry_level", "Dry Level", 0, 127, 127, ValueFormat::plain},
    {0x1D, 1, "wheel_pitch", "Wheel Pitch", 40, 88, 64, ValueFormat::semitones},
    {0x1E, 1, "wheel_filter", "Wheel Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x1F, 1, "wheel_amplitude", "Wheel Amplitude", 1, 127, 64, ValueFormat::percent100},
    {0x20, 1, "wheel_lfo_pitch", "Wheel LFO Pitch", 0, 127, 10, ValueFormat::plain},
    {0x21, 1, "wheel_lfo_filter", "Wheel LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x22, 1, "wheel_lfo_amplitude", "Wheel LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x23, 1, "bend_pitch", "Bend Pitch", 40, 88, 66, ValueFormat::semitones},
    {0x24, 1, "bend_filter", "Bend Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x25, 1, "bend_amplitude", "Bend Amplitude", 0, 127, 64, ValueFormat::offset64},
    {0x26, 1, "bend_lfo_pitch", "Bend LFO Pitch", 0, 127, 0, ValueFormat::plain},
    {0x27, 1, "bend_lfo_filter", "Bend LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x28, 1, "bend_lfo_amplitude", "Bend LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x30, 1, "rcv_pitch_bend", "Rcv Pitch Bend", 0, 1, 1, ValueFormat::off_on},
    {0x31, 1, "rcv_chan_after_touch", "Rcv Chan After Touch", 0, 1, 1, ValueFormat::off_on},
    {0x32, 1, "rcv_program_change", "Rcv Program Change", 0, 1, 1, ValueFormat::off_on},
    {0x33, 1, "rcv_control_change", "Rcv Control Change", 0, 1, 1, ValueFormat::off_on},
    {0x34, 1, "rcv_poly_after_touch", "Rcv Poly After Touch", 0, 1, 1, ValueFormat::off_on},
    {0x35, 1, "rcv_note_message", "Rcv Note Message", 0, 1, 1, ValueFormat::off_on},
    {0x36, 1, "rcv_rpn", "Rcv RPN", 0, 1, 1, ValueFormat::off_on},
    {0x37, 1, "rcv_nrpn", "Rcv NRPN", 0, 1, 1, ValueFormat::off_on},
    {0x38, 1, "rcv_modulation", "Rcv Modulation", 0, 1, 1, ValueFormat::off_on},
    {0x39, 1, "rcv_volume", "Rcv Volume", 0, 1, 1, ValueFormat::off_on},
    {0x3A, 1, "rcv_pan", "Rcv Pan", 0, 1, 1, ValueFormat::off_on},
    {0x3B, 1, "rcv_expression", "Rcv Expression", 0, 1, 1, ValueFormat::off_on},
    {0x3C, 1, "rcv_hold1", "Rcv Hold1", 0, 1, 1, ValueFormat::off_on},
    {0x3D, 1, "rcv_portamento", "Rcv Portamento", 0, 1, 1, ValueFormat::off_on},
    {0x3E, 1, "rcv_sostenuto", "Rcv Sostenuto", 0, 1, 1, ValueFormat::off_on},
    {0x3F, 1, "rcv_soft_pedal", "Rcv Soft Pedal", 0, 1, 1, ValueFormat::off_on},
    {0x40, 1, "rcv_bank_select", "Rcv Bank Select", 0, 1, 1, ValueFormat::off_on},
    {0x41, 1, "scale_tuning_c", "Scale Tuning C", 0, 127, 64, ValueFormat::cents},
    {0x42, 1, "scale_tuning_c_sharp", "Scale Tuning C#", 0, 127, 64, ValueFormat::cents},
    {0x43, 1, "scale_tuning_d", "Scale Tuning D", 0, 127, 64, ValueFormat::cents},
    {0x44, 1, "scale_tuning_d_sharp", "Scale Tuning D#", 0, 127, 64, ValueFormat::cents},
    {0x45, 1, "scale_tuning_e", "Scale Tuning E", 0, 127, 64, ValueFormat::cents},
    {0x46, 1, "scale_tuning_f", "Scale Tuning F", 0, 127, 64, ValueFormat::cents},
    {0x47, 1, "scale_tuning_f_sharp", "Scale Tuning F#", 0, 127, 64, ValueFormat::cents},
    {0x48, 1, "scale_tuning_g", "Scale Tuning G", 0, 127, 64, ValueFormat::cents},
    {0x49, 1, "scale_tuning_g_sharp", "Scale Tuning G#", 0, 127, 64, ValueFormat::cents},
    {0x4A, 1, "scale_tuning_a", "Scale Tuning A", 0, 127, 64, ValueFormat::cents},
    {0x4B, 1, "scale_tuning_a_sharp", "Scale Tuning A#", 0, 127, 64, ValueFormat::cents},
    {0x4C, 1, "scale_tuning_b", "Scale Tuning B", 0, 127, 64, ValueFormat::cents},
    {0x4D, 1, "cat_pitch", "CAT Pitch", 40, 88, 64, ValueFormat::semitones},
    {0x4E, 1, "cat_filter", "CAT Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x4F, 1, "cat_amplitude", "CAT Amplitude", 0, 127, 64, ValueFormat::offset64},
    {0x50, 1, "cat_lfo_pitch", "CAT LFO Pitch", 0, 127, 0, ValueFormat::plain},
    {0x51, 1, "cat_lfo_filter", "CAT LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x52, 1, "cat_lfo_amplitude", "CAT LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x53, 1, "pat_pitch", "PAT Pitch", 40, 88, 64, ValueFormat::semitones},
    {0x54, 1, "pat_filter", "PAT Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x55, 1, "pat_amplitude", "PAT Amplitude", 0, 127, 64, ValueFormat::offset64},
    {0x56, 1, "pat_lfo_pitch", "PAT LFO Pitch", 0, 127, 0, ValueFormat::plain},
    {0x57, 1, "pat_lfo_filter", "PAT LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x58, 1, "pat_lfo_amplitude", "PAT LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x59, 1, "ac1_controller", "AC1 Controller", 0, 95, 16, ValueFormat::plain},
    {0x5A, 1, "ac1_pitch", "AC1 Pitch", 40, 88, 64, ValueFormat::semitones},
    {0x5B, 1, "ac1_filter", "AC1 Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x5C, 1, "ac1_amplitude", "AC1 Amplitude", 0, 127, 64, ValueFormat::offset64},
    {0x5D, 1, "ac1_lfo_pitch", "AC1 LFO Pitch", 0, 127, 0, ValueFormat::plain},
    {0x5E, 1, "ac1_lfo_filter", "AC1 LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x5F, 1, "ac1_lfo_amplitude", "AC1 LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x60, 1, "ac2_controller", "AC2 Controller", 0, 95, 17, ValueFormat::plain},
    {0x61, 1, "ac2_pitch", "AC2 Pitch", 40, 88, 64, ValueFormat::semitones},
    {0x62, 1, "ac2_filter", "AC2 Filter", 0, 127, 64, ValueFormat::filter_cents},
    {0x63, 1, "ac2_amplitude", "AC2 Amplitude", 0, 127, 64, ValueFormat::offset64},
    {0x64, 1, "ac2_lfo_pitch", "AC2 LFO Pitch", 0, 127, 0, ValueFormat::plain},
    {0x65, 1, "ac2_lfo_filter", "AC2 LFO Filter", 0, 127, 0, ValueFormat::plain},
    {0x66, 1, "ac2_lfo_amplitude", "AC2 LFO Amplitude", 0, 127, 0, ValueFormat::plain},
    {0x69, 1, "peg_initial_level", "PEG Initial Level", 0, 127, 64, ValueFormat::offset64},
    {0x6A, 1, "peg_attack_time", "PEG Attack Time", 0, 127, 64, ValueFormat::offset64},
    {0x6B, 1, "peg_release_level", "PEG Release Level", 0, 127, 64, ValueFormat::offset64},
    {0x6C, 1, "peg_release_time", "PEG Release Time", 0, 127, 64, ValueFormat::offset64},
    {0x6D, 1, "velocity_limit_low", "Velocity Limit Low", 1, 127, 1, ValueFormat::plain},
    {0x6E, 1, "velocity_limit_high", "Velocity Limit High", 1, 127, 127, ValueFormat::plain},
}};

constexpr std::array<XgParamInfo, kXgSystemParamCount> kSystemParams{{
    {0x00, 4, "master_tune", "Master Tune", 0, 2047, 1024, ValueFormat::master_tune_cents},
    {0x04, 1, "master_volume", "Master Volume", 0, 127, 127, ValueFormat::plain},
    {0x06, 1, "transpose", "Transpose", 40, 88, 64, ValueFormat::semitones},
}};

static_assert(kPartParams[xg_note_high].low == 0x10 && kPartParams[xg_dry_level].low == 0x11);
static_assert(kPartParams[xg_velocity_low].low == 0x6D &&
              kPartParams[xg_velocity_high].low == 0x6E);
static_assert(kSystemParams[xg_transpose].low == 0x06);

constexpr std::uint8_t kParameterChangeToDevice0 = 0x10;
constexpr std::uint8_t kMultiPart = 0x08;
constexpr std::uint8_t kDrumPartElementReserve = 0;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool IsRangeEnd(int param) {
    return param == xg_note_low || param == xg_note_high || param == xg_velocity_low ||
           param == xg_velocity_high;
}

// The other end of a note or velocity range.
int OtherEnd(int param) {
    switch (param) {
        case xg_note_low:
            return xg_note_high;
        case xg_note_high:
            return xg_note_low;
        case xg_velocity_low:
            return xg_velocity_high;
        default:
            return xg_velocity_low;
    }
}

bool Changed(const XgPartValues& values, int xg_part, int param) {
    return values.parts[At(xg_part)][At(param)] != XgPartDefault(xg_part, param);
}

}  // namespace

const std::array<XgParamInfo, kXgPartParamCount>& XgPartParams() {
    return kPartParams;
}

const std::array<XgParamInfo, kXgSystemParamCount>& XgSystemParams() {
    return kSystemParams;
}

int XgPartParamAt(std::uint8_t low) {
    const auto found = std::ranges::find(kPartParams, low, &XgParamInfo::low);
    return found == kPartParams.end() ? -1 : static_cast<int>(found - kPartParams.begin());
}

std::int32_t XgPartDefault(int xg_part, int param) {
    if (param == xg_element_reserve && xg_part == kXgDrumPart) return kDrumPartElementReserve;
    return kPartParams[At(param)].default_value;
}

XgPartValues::XgPartValues() {
    ResetXgPartValues(*this);
}

void ResetXgPartValues(XgPartValues& values) {
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        for (int param = 0; param < kXgPartParamCount; ++param)
            values.parts[At(xg_part)][At(param)] = XgPartDefault(xg_part, param);
    }
    for (int param = 0; param < kXgSystemParamCount; ++param)
        values.system[At(param)] = kSystemParams[At(param)].default_value;
}

std::int32_t ClampXgValue(const XgParamInfo& info, std::int32_t value) {
    return std::clamp(value, info.min, info.max);
}

std::vector<std::uint8_t> XgValueMessage(XgAddress address, int size, std::int32_t value) {
    std::vector<std::uint8_t> message{0xF0,       kYamahaId,    kParameterChangeToDevice0,
                                      kXgModelId, address.high, address.mid,
                                      address.low};
    if (size == 1) {
        message.push_back(DataByte(value));
    } else {
        for (int nibble = size - 1; nibble >= 0; --nibble)
            message.push_back(static_cast<std::uint8_t>((value >> (4 * nibble)) & 0x0F));
    }
    message.push_back(0xF7);
    return message;
}

std::vector<std::uint8_t> XgPartParamMessage(int xg_part, int param, std::int32_t value) {
    const XgParamInfo& info = kPartParams[At(param)];
    return XgValueMessage({kMultiPart, static_cast<std::uint8_t>(xg_part & 0x7F), info.low},
                          info.size, value);
}

std::vector<std::uint8_t> XgSystemParamMessage(int param, std::int32_t value) {
    const XgParamInfo& info = kSystemParams[At(param)];
    return XgValueMessage({0x00, 0x00, info.low}, info.size, value);
}

std::string XgValueText(const XgParamInfo& info, std::int32_t value) {
    return EffectValueText(info.format, value);
}

std::vector<std::vector<std::uint8_t>> XgPartChangeMessages(const XgPartValues& values,
                                                            int xg_part) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (int param = 0; param < kXgPartParamCount; ++param) {
        const bool changed = Changed(values, xg_part, param) ||
                             (IsRangeEnd(param) && Changed(values, xg_part, OtherEnd(param)));
        if (changed)
            messages.push_back(
                XgPartParamMessage(xg_part, param, values.parts[At(xg_part)][At(param)]));
    }
    return messages;
}

std::vector<std::vector<std::uint8_t>> XgSystemChangeMessages(const XgPartValues& values) {
    std::vector<std::vector<std::uint8_t>> messages;
    for (int param = 0; param < kXgSystemParamCount; ++param) {
        const std::int32_t value = values.system[At(param)];
        if (value != kSystemParams[At(param)].default_value)
            messages.push_back(XgSystemParamMessage(param, value));
    }
    return messages;
}

std::vector<std::vector<std::uint8_t>> AllXgChangeMessages(const XgPartValues& values) {
    std::vector<std::vector<std::uint8_t>> messages = XgSystemChangeMessages(values);
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        for (std::vector<std::uint8_t>& message : XgPartChangeMessages(values, xg_part))
            messages.push_back(std::move(message));
    }
    return messages;
}

namespace {

std::array<XgLimit, 4> Limits(int part, int low_param, int high_param, std::int32_t lowest,
                              std::int32_t at) {
    const int a = part;
    const int b = part + kPartCount;
    return {{{a, low_param, lowest},
             {a, high_param, at - 1},
             {b, low_param, at},
             {b, high_param, 127}}};
}

}  // namespace

std::array<XgLimit, 4> SplitLimits(int part, int key) {
    return Limits(part, xg_note_low, xg_note_high, 0, std::clamp(key, 1, 127));
}

std::array<XgLimit, 4> VelocitySwitchLimits(int part, int velocity) {
    return Limits(part, xg_velocity_low, xg_velocity_high, 1, std::clamp(velocity, 2, 127));
}

}  // namespace kq505
