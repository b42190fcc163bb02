#include "files/smf_export.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "app/kq505_app.h"
#include "drums/drum_setups.h"
#include "effects/effect_blocks.h"
#include "files/name_field.h"
#include "model/midi_messages.h"
#include "model/part_table.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {
namespace {

constexpr std::uint16_t kTicksPerQuarter = 480;
constexpr std::uint16_t kTrackCount = 1 + kPartCount;
constexpr std::uint32_t kMicrosecondsPerQuarter = 500000;  // tempo 120

// The part tracks' schedule, shared with the song export so both files play alike.
constexpr std::uint32_t kFirstPhaseStart = 240;
constexpr std::uint32_t kFirstPhaseStep = 60;
constexpr std::uint32_t kSecondPhaseStart = 1920;
// One 4/4 bar: the conductor ends where the song export's fixed tracks end.
constexpr std::uint32_t kConductorEnd = 1920;
// The effect blocks follow XG System On once the tone generator has had the time it needs
// to reset (about 50 ms; 60 ticks at tempo 120 are 62.5 ms), before the parts begin.
constexpr std::uint32_t kEffectBlocksTick = 60;

// A variable-length quantity holds at most 28 bits.
constexpr std::uint32_t kMaxDelta = 0x0FFFFFFF;
constexpr std::int64_t kMaxStep = 1920;  // the song export's limit, so both keep the same ticks

constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint8_t kMetaTrackName = 0x03;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;

// XG parameter-change address blocks: the multi-part block and the one that carries the
// high-pass filter.
constexpr std::uint8_t kXgMultiPart = 0x08;
constexpr std::uint8_t kXgMultiPartFilter = 0x0A;
constexpr int kXgReceiveChannel = 0x04;

enum class Carrier { kControl, kNrpn };

struct FirstPhaseEvent {
    Row row;
    Carrier carrier;
    int number;  // controller number or NRPN parameter
};

// Events 2 to 18 of a part: the A layer alone, before the B layer listens to the channel.
constexpr std::array<FirstPhaseEvent, 17> kFirstPhase{{
    {reverb_a, Carrier::kControl, kCcReverb},
    {chorus_a, Carrier::kControl, kCcChorus},
    {variation_a, Carrier::kControl, kCcVariation},
    {pan_a, Carrier::kControl, kCcPan},
    {brightness_a, Carrier::kControl, kCcBrightness},
    {harmonic_a, Carrier::kControl, kCcHarmonic},
    {hpf_a, Carrier::kNrpn, kNrpnHpfCutoff},
    {attack_a, Carrier::kControl, kCcAttack},
    {decay_a, Carrier::kNrpn, kNrpnDecay},
    {release_a, Carrier::kControl, kCcRelease},
    {vib_rate_a, Carrier::kNrpn, kNrpnVibratoRate},
    {vib_depth_a, Carrier::kNrpn, kNrpnVibratoDepth},
    {vib_delay_a, Carrier::kNrpn, kNrpnVibratoDelay},
    {eq_bass_gain_a, Carrier::kNrpn, kNrpnEqBassGain},
    {eq_treble_gain_a, Carrier::kNrpn, kNrpnEqTrebleGain},
    {eq_bass_freq_a, Carrier::kNrpn, kNrpnEqBassFrequency},
    {eq_treble_freq_a, Carrier::kNrpn, kNrpnEqTrebleFrequency},
}};

struct SecondPhaseEvent {
    Row row;
    std::uint8_t block;
    int address;
    std::string_view comment;
};

// Events 25 to 44: the B layer, one XG parameter change each.
constexpr std::array<SecondPhaseEvent, 20> kSecondPhase{{
    {bank_msb_b, kXgMultiPart, 0x01, "Bank Select MSB"},
    {bank_lsb_b, kXgMultiPart, 0x02, "Bank Select LSB"},
    {program_b, kXgMultiPart, 0x03, "PGM#"},
    {reverb_b, kXgMultiPart, 0x13, "Reverb"},
    {chorus_b, kXgMultiPart, 0x12, "Chorus"},
    {variation_b, kXgMultiPart, 0x14, "Variation"},
    {pan_b, kXgMultiPart, kXgPan, "Panpot"},
    {brightness_b, kXgMultiPart, 0x18, "Brightness"},
    {harmonic_b, kXgMultiPart, 0x19, "Harmonic Content"},
    {hpf_b, kXgMultiPartFilter, 0x20, "HPF Cutoff"},
    {attack_b, kXgMultiPart, 0x1A, "EG Attack Time"},
    {decay_b, kXgMultiPart, 0x1B, "EG Decay Time"},
    {release_b, kXgMultiPart, 0x1C, "EG Release Time"},
    {vib_rate_b, kXgMultiPart, 0x15, "Vibrato Rate"},
    {vib_depth_b, kXgMultiPart, 0x16, "Vibrato Depth"},
    {vib_delay_b, kXgMultiPart, 0x17, "Vibrato Delay"},
    {eq_bass_gain_b, kXgMultiPart, 0x72, "EQ Bass Gain"},
    {eq_treble_gain_b, kXgMultiPart, 0x73, "EQ Treble Gain"},
    {eq_bass_freq_b, kXgMultiPart, 0x76, "EQ Bass Freq."},
    {eq_treble_freq_b, kXgMultiPart, 0x77, "EQ Treble Freq."},
}};

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Seven bits per byte, most significant group first, bit 7 set on all but the last.
void AppendVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
    value = std::min(value, kMaxDelta);
    int shift = 21;
    while (shift > 0 && (value >> shift) == 0)
        shift -= 7;
    for (; shift > 0; shift -= 7)
        out.push_back(static_cast<std::uint8_t>(0x80 | ((value >> shift) & 0x7F)));
    out.push_back(static_cast<std::uint8_t>(value & 0x7F));
}

void AppendText(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::array<std::uint8_t, 9> XgParameterChange(std::uint8_t block, int part_number, int address,
                                              std::int32_t value) {
    return {
        0xF0, 0x43, 0x10, 0x4C, block, DataByte(part_number), DataByte(address), DataByte(value),
        0xF7};
}

// The name as the song export keeps it: its field ends at the first zero byte.
std::string_view TrackNameText(std::string_view name) {
    return NameFieldText(name.substr(0, name.find('\0')));
}

// The events of one track, each placed at an absolute tick and written with its delta.
class TrackWriter {
  public:
    // Ticks never go back; a step between two events stays within one delta's range.
    void At(std::uint64_t tick) { tick_ = std::max(tick, last_tick_); }
    std::uint64_t Tick() const { return tick_; }

    void Channel(std::uint32_t packed) {
        Delta();
        const std::vector<std::uint8_t> bytes = ShortMessageBytes(packed);
        events_.insert(events_.end(), bytes.begin(), bytes.end());
    }
    void Control(int channel, int control, std::int32_t value) {
        Channel(ControlChange(channel, static_cast<std::uint8_t>(control), value));
    }
    // CC98 parameter, CC99 01h, CC6 value: the three controllers at the same tick.
    void Nrpn(int channel, int parameter, std::int32_t value) {
        Control(channel, kCcNrpnLsb, parameter);
        Control(channel, kCcNrpnMsb, kNrpnMsb);
        Control(channel, kCcDataEntry, value);
    }
    void Meta(std::uint8_t type, std::span<const std::uint8_t> data) {
        Delta();
        events_.push_back(0xFF);
        events_.push_back(type);
        AppendVariableLength(events_, static_cast<std::uint32_t>(data.size()));
        events_.insert(events_.end(), data.begin(), data.end());
    }
    void Meta(std::uint8_t type, std::string_view text) {
        Meta(type, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    // `message` is complete, F0 to F7; the file keeps F0 as the event's status and counts
    // the bytes after it.
    void SysEx(std::span<const std::uint8_t> message) {
        Delta();
        events_.push_back(0xF0);
        const auto rest = message.subspan(1);
        AppendVariableLength(events_, static_cast<std::uint32_t>(rest.size()));
        events_.insert(events_.end(), rest.begin(), rest.end());
    }
    void EndOfTrack() { Meta(kMetaEndOfTrack, std::span<const std::uint8_t>{}); }

    void AppendChunk(std::vector<std::uint8_t>& out) const {
        AppendText(out, "MTrk");
        AppendU32(out, static_cast<std::uint32_t>(events_.size()));
        out.insert(out.end(), events_.begin(), events_.end());
    }

  private:
    void Delta() {
        AppendVariableLength(events_, static_cast<std::uint32_t>(
                                          std::min<std::uint64_t>(tick_ - last_tick_, kMaxDelta)));
        last_tick_ = tick_;
    }

    std::uint64_t tick_ = 0;
    std::uint64_t last_tick_ = 0;
    std::vector<std::uint8_t> events_;
};

// The tick after the last program change of any part: the B layers' programs are the third
// event of the second phase. A drum setup value sent before a program change of a drum part
// would be reset by it, so they follow it by the same pause as the effect blocks follow XG
// System On.
std::uint32_t DrumSetupsTick(const CKQ505App& app) {
    const auto step =
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(app.export_step, 0, kMaxStep));
    return kSecondPhaseStart + 2 * step + kEffectBlocksTick;
}

void WriteConductorTrack(const CKQ505App& app, std::vector<std::uint8_t>& out) {
    TrackWriter track;
    track.Meta(kMetaTrackName, "Conductor Track");
    constexpr std::array<std::uint8_t, 3> tempo{(kMicrosecondsPerQuarter >> 16) & 0xFF,
                                                (kMicrosecondsPerQuarter >> 8) & 0xFF,
                                                kMicrosecondsPerQuarter & 0xFF};
    track.Meta(kMetaTempo, tempo);
    // 4/4, a metronome click every quarter note (24 MIDI clocks), 8 32nds per quarter.
    constexpr std::array<std::uint8_t, 4> time_signature{4, 2, 24, 8};
    track.Meta(kMetaTimeSignature, time_signature);
    track.SysEx(kXgSystemOn);
    track.At(kEffectBlocksTick);
    for (const std::vector<std::uint8_t>& message : EffectBlockMessages(app.effect_blocks))
        track.SysEx(message);
    // Before the parts' program changes, which select a kit or a voice by the mode; XG
    // System On has set the others.
    for (const std::vector<std::uint8_t>& message :
         PartModeMessages(app.drums, WhichModes::changed))
        track.SysEx(message);
    // No program change resets them, so they need not wait for the parts.
    for (const std::vector<std::uint8_t>& message : AllXgChangeMessages(app.xg_parts))
        track.SysEx(message);
    const std::vector<std::vector<std::uint8_t>> drums = AllDrumSetupEditMessages(app.drums);
    if (!drums.empty()) {
        track.At(DrumSetupsTick(app));
        for (const std::vector<std::uint8_t>& message : drums)
            track.SysEx(message);
    }
    track.At(std::max<std::uint64_t>(kConductorEnd, track.Tick()));
    track.EndOfTrack();
    track.AppendChunk(out);
}

class PartTrack {
  public:
    PartTrack(const CKQ505App& app, int part) : app_(app), part_(part) {}

    void Write(std::vector<std::uint8_t>& out) {
        track_.Meta(kMetaTrackName, TrackNameText(app_.track_names[part_]));

        track_.At(kFirstPhaseStart);
        track_.Control(part_, kCcBankMsb, Value(bank_msb_a));
        track_.Control(part_, kCcBankLsb, Value(bank_lsb_a));
        track_.Channel(
            PackShortMessage(static_cast<std::uint8_t>(kProgramChange | part_), Value(program_a)));
        for (const FirstPhaseEvent& e : kFirstPhase) {
            NextFirstPhaseTick();
            if (e.carrier == Carrier::kControl) {
                track_.Control(part_, e.number, Value(e.row));
            } else {
                track_.Nrpn(part_, e.number, Value(e.row));
            }
        }

        // From here on the B layer receives the part's channel, so volume and portamento
        // reach both layers.
        NextFirstPhaseTick();
        LayerB(kXgMultiPart, kXgReceiveChannel, part_, "Rcv CH");
        NextFirstPhaseTick();
        track_.Control(part_, kCcVolume, Value(vol));
        // Expression shares the volume's tick, so every other event keeps the song's ticks.
        track_.Control(part_, kCcExpression, Value(exp));
        NextFirstPhaseTick();
        track_.Control(part_, kCcPortamento, Value(porta_sw) != 0 ? 127 : 0);
        NextFirstPhaseTick();
        track_.Control(part_, kCcPortamentoTime, Value(porta_time));
        NextFirstPhaseTick();
        VelocitySenseOffset();
        NextFirstPhaseTick();
        LayerB(kXgMultiPart, kXgNoteShift, Value(key_shift), "Key Shift");

        const std::uint64_t step = std::clamp<std::int64_t>(app_.export_step, 0, kMaxStep);
        track_.At(kSecondPhaseStart);
        for (std::size_t i = 0; i < kSecondPhase.size(); ++i) {
            if (i > 0) track_.At(track_.Tick() + step);
            const SecondPhaseEvent& e = kSecondPhase[i];
            LayerB(e.block, e.address, Value(e.row), e.comment);
        }
        track_.EndOfTrack();
        track_.AppendChunk(out);
    }

  private:
    std::int32_t Value(Row row) const { return app_.part_table[row][part_]; }
    void NextFirstPhaseTick() { track_.At(track_.Tick() + kFirstPhaseStep); }

    void Comment(std::string_view text) {
        if (app_.export_info != 0) track_.Meta(kMetaText, text);
    }
    void LayerB(std::uint8_t block, int address, std::int32_t value, std::string_view comment) {
        Comment(comment);
        track_.SysEx(XgParameterChange(block, part_ + kPartCount, address, value));
    }

    // One message only: a positive mix softens the A layer, otherwise the B layer gets
    // 64 + mix, which is 64 itself for a mix of 0.
    void VelocitySenseOffset() {
        const std::int32_t m = Value(mix);
        const int part_number = m > 0 ? part_ : part_ + kPartCount;
        const std::int32_t offset = m > 0 ? 64 - m : 64 + m;
        Comment("Velocity Sense Offset");
        track_.SysEx(XgParameterChange(kXgMultiPart, part_number, kXgVelocitySenseOffset, offset));
    }

    const CKQ505App& app_;
    const int part_;
    TrackWriter track_;
};

}  // namespace

std::vector<std::uint8_t> BuildStandardMidiFile(const CKQ505App& app) {
    std::vector<std::uint8_t> out;
    AppendText(out, "MThd");
    AppendU32(out, 6);
    AppendU16(out, 1);
    AppendU16(out, kTrackCount);
    AppendU16(out, kTicksPerQuarter);
    WriteConductorTrack(app, out);
    for (int part = 0; part < kPartCount; ++part)
        PartTrack(app, part).Write(out);
    return out;
}

}  // namespace kq505
