#include "files/vardel_export.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "app/kq505_app.h"
#include "files/byte_fields.h"
#include "files/name_field.h"
#include "model/midi_messages.h"
#include "model/part_table.h"

namespace kq505 {
namespace {

constexpr std::size_t kTrackCount = 18;
constexpr std::size_t kLabelBlock = 864;
constexpr std::size_t kConductorTrack = 1040;
constexpr std::size_t kSystemSetupTrack = 1188;
constexpr std::size_t kFirstPartTrack = 1344;
constexpr std::size_t kPartTrackSlot = 1504;
constexpr std::size_t kTrackHeaderSize = 128;
constexpr std::uint32_t kFixedTrackLength = 148;
// The length fields the sequencer has always been given for part tracks. They are not the
// tracks' real lengths (1489 and 877), but they are what its files carry.
constexpr std::uint32_t kPartTrackLengthWithComments = 1432;
constexpr std::uint32_t kPartTrackLengthWithoutComments = 1142;

constexpr std::uint32_t kSetupStart = 240;
constexpr std::uint32_t kSetupSpacing = 60;
constexpr std::uint32_t kLayerBStart = 1920;
constexpr std::int32_t kMaxStep = 1920;  // the settings dialog offers no more

enum Kind : std::uint8_t {
    kController = 0x82,
    kProgram = 0x83,
    kSysEx = 0xC0,
    kComment = 0xC1,
    kEndOfTrack = 0xFF,
};

struct ControllerEvent {
    std::uint8_t code;  // a controller number, or one of the sequencer's codes above 127
    Row row;
};

// Events 2 to 18: the A layer, by channel messages on the part's channel.
constexpr std::array<ControllerEvent, 17> kLayerAEvents{{
    {kCcReverb, reverb_a},
    {kCcChorus, chorus_a},
    {kCcVariation, variation_a},
    {kCcPan, pan_a},
    {kCcBrightness, brightness_a},
    {kCcHarmonic, harmonic_a},
    {143, hpf_a},
    {kCcAttack, attack_a},
    {144, decay_a},
    {kCcRelease, release_a},
    {140, vib_rate_a},
    {141, vib_depth_a},
    {142, vib_delay_a},
    {175, eq_bass_gain_a},
    {176, eq_treble_gain_a},
    {177, eq_bass_freq_a},
    {178, eq_treble_freq_a},
}};

struct XgParameter {
    std::string_view comment;
    std::uint8_t address_high;
    std::uint8_t address_low;
};

constexpr XgParameter kReceiveChannel{"Rcv CH", 0x08, 0x04};
constexpr XgParameter kVelocitySenseOffset{"Velocity Sense Offset", 0x08, kXgVelocitySenseOffset};
constexpr XgParameter kKeyShift{"Key Shift", 0x08, kXgNoteShift};

struct LayerBEvent {
    XgParameter parameter;
    Row row;
};

// Events 25 to 44: the B layer, by XG parameter changes to XG part n + 16.
constexpr std::array<LayerBEvent, 20> kLayerBEvents{{
    {{"Bank Select MSB", 0x08, 0x01}, bank_msb_b},
    {{"Bank Select LSB", 0x08, 0x02}, bank_lsb_b},
    {{"PGM#", 0x08, 0x03}, program_b},
    {{"Reverb", 0x08, 0x13}, reverb_b},
    {{"Chorus", 0x08, 0x12}, chorus_b},
    {{"Variation", 0x08, 0x14}, variation_b},
    {{"Panpot", 0x08, 0x0E}, pan_b},
    {{"Brightness", 0x08, 0x18}, brightness_b},
    {{"Harmonic Content", 0x08, 0x19}, harmonic_b},
    {{"HPF Cutoff", 0x0A, 0x20}, hpf_b},
    {{"EG Attack Time", 0x08, 0x1A}, attack_b},
    {{"EG Decay Time", 0x08, 0x1B}, decay_b},
    {{"EG Release Time", 0x08, 0x1C}, release_b},
    {{"Vibrato Rate", 0x08, 0x15}, vib_rate_b},
    {{"Vibrato Depth", 0x08, 0x16}, vib_depth_b},
    {{"Vibrato Delay", 0x08, 0x17}, vib_delay_b},
    {{"EQ Bass Gain", 0x08, 0x72}, eq_bass_gain_b},
    {{"EQ Treble Gain", 0x08, 0x73}, eq_treble_gain_b},
    {{"EQ Bass Freq.", 0x08, 0x76}, eq_bass_freq_b},
    {{"EQ Treble Freq.", 0x08, 0x77}, eq_treble_freq_b},
}};

void AppendRecord(std::vector<std::uint8_t>& track, Kind kind, std::uint8_t code,
                  std::uint32_t tick, std::uint32_t first = 0, std::uint32_t second = 0) {
    track.push_back(kind);
    track.push_back(code);
    AppendU32(track, tick);
    AppendU16(track, first);
    AppendU16(track, second);
}

void AppendDataRecord(std::vector<std::uint8_t>& track, Kind kind, std::uint32_t tick,
                      std::span<const std::uint8_t> data) {
    AppendRecord(track, kind, 0, tick);
    AppendU32(track, static_cast<std::uint32_t>(data.size()));
    track.insert(track.end(), data.begin(), data.end());
}

// The values reach the tone generator as data bytes, so they are held to 0..127 as the
// editor's own sending does; a byte with bit 7 set would break the message in the song.
void AppendController(std::vector<std::uint8_t>& track, std::uint32_t tick, std::uint8_t code,
                      std::int32_t value) {
    AppendRecord(track, kController, code, tick, 0, DataByte(value));
}

// F0 43 10 4C, the address with the XG part in its middle, the value, F7.
std::array<std::uint8_t, 9> XgMessage(const XgParameter& parameter, int xg_part,
                                      std::int32_t value) {
    const std::uint8_t high = parameter.address_high;
    const std::uint8_t low = parameter.address_low;
    return {0xF0, 0x43, 0x10, 0x4C, high, DataByte(xg_part), low, DataByte(value), 0xF7};
}

// The XG parameter change, with its comment first when comments are wanted.
void AppendXg(std::vector<std::uint8_t>& track, std::uint32_t tick, bool with_comment,
              const XgParameter& parameter, int xg_part, std::int32_t value) {
    if (with_comment) {
        std::vector<std::uint8_t> text(parameter.comment.begin(), parameter.comment.end());
        text.push_back(0);
        AppendDataRecord(track, kComment, tick, text);
    }
    AppendDataRecord(track, kSysEx, tick, XgMessage(parameter, xg_part, value));
}

void PutAttributes(std::span<std::uint8_t, 48> attributes, bool channel_10, int part,
                   std::int32_t module_level) {
    std::fill(attributes.begin() + 6, attributes.begin() + 16, 0xFF);
    std::fill(attributes.begin() + 20, attributes.end(), 0xFF);
    attributes[0] = channel_10 ? 1 : 0;
    attributes[2] = static_cast<std::uint8_t>(part);
    attributes[16] = static_cast<std::uint8_t>((0x20 + (module_level & 0xFF)) & 0xFF);
    attributes[17] = 0x7F;
}

std::vector<std::uint8_t> TrackHeader(std::uint32_t length, bool channel_10, int part,
                                      std::int32_t module_level, std::string_view name) {
    std::vector<std::uint8_t> track(kTrackHeaderSize);
    PutU32(track, 0, length);
    PutAttributes(std::span(track).subspan<16, 48>(), channel_10, part, module_level);
    PutText(track, 64, NameFieldText(name));
    return track;
}

std::vector<std::uint8_t> FixedTrack(const CKQ505App& app, std::string_view name, std::uint8_t code,
                                     std::uint32_t value) {
    auto track = TrackHeader(kFixedTrackLength, false, 0, app.module_level, name);
    AppendRecord(track, kController, code, 0, 0, value);
    AppendRecord(track, kEndOfTrack, 0, kLayerBStart);
    return track;
}

// A step from an edited INI file could be negative or huge and make the ticks run
// backwards or overflow.
std::uint32_t ExportStep(const CKQ505App& app) {
    return static_cast<std::uint32_t>(std::clamp(app.export_step, 0, kMaxStep));
}

// Events 1 to 24: tick 240 onwards, 60 ticks apart.
void AppendSetupPhase(std::vector<std::uint8_t>& track, const CKQ505App& app, int part) {
    const auto value = [&](Row row) { return app.part_table[row][part]; };
    const bool comments = app.export_info != 0;
    const int part_b = part + kPartCount;
    std::uint32_t tick = kSetupStart;
    AppendRecord(track, kProgram, 0, tick,
                 DataByte(value(bank_msb_a)) * 256u + DataByte(value(bank_lsb_a)),
                 DataByte(value(program_a)));
    for (const ControllerEvent& event : kLayerAEvents) {
        AppendController(track, tick += kSetupSpacing, event.code, value(event.row));
    }
    // From here on the B layer hears the part's channel, so the next three reach both layers.
    AppendXg(track, tick += kSetupSpacing, comments, kReceiveChannel, part_b, part);
    AppendController(track, tick += kSetupSpacing, kCcVolume, value(vol));
    AppendController(track, tick += kSetupSpacing, kCcPortamento, value(porta_sw) != 0 ? 127 : 0);
    AppendController(track, tick += kSetupSpacing, kCcPortamentoTime, value(porta_time));
    // Only the softened layer is written; clamping first keeps 64 ± mix from overflowing.
    const std::int32_t m = ClampToRow(mix, value(mix));
    AppendXg(track, tick += kSetupSpacing, comments, kVelocitySenseOffset, m > 0 ? part : part_b,
             m > 0 ? 64 - m : 64 + m);
    AppendXg(track, tick += kSetupSpacing, comments, kKeyShift, part_b, value(key_shift));
}

// Events 25 to 44 and the end record: tick 1920 onwards, export_step apart.
void AppendLayerBPhase(std::vector<std::uint8_t>& track, const CKQ505App& app, int part) {
    const bool comments = app.export_info != 0;
    const std::uint32_t step = ExportStep(app);
    std::uint32_t tick = kLayerBStart;
    for (std::size_t i = 0; i < kLayerBEvents.size(); ++i) {
        if (i > 0) tick += step;
        const LayerBEvent& event = kLayerBEvents[i];
        AppendXg(track, tick, comments, event.parameter, part + kPartCount,
                 app.part_table[event.row][part]);
    }
    AppendRecord(track, kEndOfTrack, 0, tick);
}

std::vector<std::uint8_t> PartTrack(const CKQ505App& app, int part) {
    const std::uint32_t length =
        app.export_info != 0 ? kPartTrackLengthWithComments : kPartTrackLengthWithoutComments;
    auto track = TrackHeader(length, part == 9, part, app.module_level, app.track_names[part]);
    AppendSetupPhase(track, app, part);
    AppendLayerBPhase(track, app, part);
    return track;
}

constexpr std::size_t PartTrackOffset(int part) {
    return kFirstPartTrack + kPartTrackSlot * static_cast<std::size_t>(part);
}

void PutLabelEntry(std::span<std::uint8_t> song, std::size_t offset, std::uint16_t number,
                   std::string_view text) {
    PutU16(song, offset, number);
    song[offset + 2] = 4;
    song[offset + 3] = 4;
    PutText(song, offset + 16, text);
}

void PutFileHeader(std::span<std::uint8_t> song) {
    PutText(song, 0, "VRDL0101");
    PutU16(song, 8, 480);  // ticks per quarter note
    PutU16(song, 10, kTrackCount);
    PutText(song, 256, "Untitled");
    PutText(song, 384, "Copyright(C) by ?");
    PutU32(song, 512, kLabelBlock);
    PutU32(song, 768, kConductorTrack);
    PutU32(song, 772, kSystemSetupTrack);
    for (int part = 0; part < kPartCount; ++part) {
        PutU32(song, 776 + 4 * static_cast<std::size_t>(part), PartTrackOffset(part));
    }
    PutU32(song, kLabelBlock, 160);
    PutLabelEntry(song, kLabelBlock + 4, 0, "Setup");
    PutLabelEntry(song, kLabelBlock + 84, 2, "Start");
}

void Place(std::vector<std::uint8_t>& song, std::size_t offset,
           const std::vector<std::uint8_t>& track) {
    if (song.size() < offset + track.size()) song.resize(offset + track.size());
    std::copy(track.begin(), track.end(), song.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::vector<std::uint8_t> BuildVardelSong(const CKQ505App& app) {
    std::vector<std::uint8_t> song(kFirstPartTrack);
    PutFileHeader(song);
    Place(song, kConductorTrack, FixedTrack(app, "Conductor Track", 155, 120));
    Place(song, kSystemSetupTrack, FixedTrack(app, "System Setup", 161, 0));
    for (int part = 0; part < kPartCount; ++part) {
        Place(song, PartTrackOffset(part), PartTrack(app, part));
    }
    return song;
}

}  // namespace kq505
