#include "files/vardel_export.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeaderSize = 128;

std::size_t PartTrackAt(int part) {
    return 1344 + 1504 * static_cast<std::size_t>(part);
}

// Every track of the song: the two fixed ones, then the 16 parts.
std::vector<std::size_t> AllTracks() {
    std::vector<std::size_t> tracks{1040, 1188};
    for (int part = 0; part < 16; ++part)
        tracks.push_back(PartTrackAt(part));
    return tracks;
}

std::uint32_t ReadLe(const Bytes& bytes, std::size_t offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes.at(offset + i);
    return value;
}

void PutLe(Bytes& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(Bytes& bytes, std::size_t offset, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + offset);
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + size);
}

struct Record {
    std::uint8_t kind;
    std::uint8_t code;
    std::uint32_t tick;
    std::uint32_t first;
    std::uint32_t second;
    Bytes data;
};

// The records of the track at `track`, through its end record.
std::vector<Record> ReadTrack(const Bytes& song, std::size_t track) {
    std::vector<Record> records;
    std::size_t at = track + kHeaderSize;
    do {
        Record r{song.at(at),
                 song.at(at + 1),
                 ReadLe(song, at + 2, 4),
                 ReadLe(song, at + 6, 2),
                 ReadLe(song, at + 8, 2),
                 {}};
        at += 10;
        if (r.kind == 0xC0 || r.kind == 0xC1) {
            const std::size_t size = ReadLe(song, at, 4);
            r.data = Slice(song, at + 4, size);
            at += 4 + size;
        }
        records.push_back(r);
    } while (records.back().kind != 0xFF && records.size() < 100);
    return records;
}

Bytes Export(const CKQ505App& app) {
    return BuildVardelSong(app);
}

CKQ505App AppWith(int info, int step = 10) {
    CKQ505App app;
    app.export_info = info;
    app.export_step = step;
    return app;
}

// The whole file up to the first part track, written out from the layout.
TEST(VardelSong, HeaderLabelsAndFixedTracks) {
    Bytes expected(1344, 0);
    PutText(expected, 0, "VRDL0101");
    PutLe(expected, 8, 480, 2);
    PutLe(expected, 10, 18, 2);
    PutText(expected, 256, "Untitled");
    PutText(expected, 384, "Copyright(C) by ?");
    PutLe(expected, 512, 864, 4);
    const std::array<std::uint32_t, 18> offsets{1040,  1188,  1344,  2848,  4352,  5856,
                                                7360,  8864,  10368, 11872, 13376, 14880,
                                                16384, 17888, 19392, 20896, 22400, 23904};
    for (std::size_t i = 0; i < offsets.size(); ++i)
        PutLe(expected, 768 + 4 * i, offsets[i], 4);
    PutLe(expected, 864, 160, 4);
    for (std::size_t entry : {868u, 948u}) {
        expected[entry + 2] = 4;
        expected[entry + 3] = 4;
    }
    expected[948] = 2;
    PutText(expected, 868 + 16, "Setup");
    PutText(expected, 948 + 16, "Start");
    const auto fixed_track = [&](std::size_t at, std::string_view name, std::uint8_t code,
                                 std::uint8_t value) {
        expected[at] = 148;
        for (std::size_t i = 6; i < 16; ++i)
            expected[at + 16 + i] = 0xFF;
        expected[at + 16 + 16] = 0x25;
        expected[at + 16 + 17] = 0x7F;
        for (std::size_t i = 20; i < 48; ++i)
            expected[at + 16 + i] = 0xFF;
        PutText(expected, at + 64, name);
        const std::array<std::uint8_t, 20> records{0x82, code, 0,    0,    0, 0, 0, 0, value, 0,
                                                   0xFF, 0,    0x80, 0x07, 0, 0, 0, 0, 0,     0};
        std::copy(records.begin(), records.end(), expected.begin() + at + 128);
    };
    fixed_track(1040, "Conductor Track", 155, 120);
    fixed_track(1188, "System Setup", 161, 0);

    CKQ505App app = AppWith(1, 25);
    app.module_level = 5;
    app.track_names[0] = "ignored by the fixed tracks";
    EXPECT_EQ(Slice(Export(app), 0, 1344), expected);
}

TEST(VardelSong, LengthDependsOnCommentsOnly) {
    const Bytes with = Export(AppWith(1));
    const Bytes without = Export(AppWith(0, 1920));
    EXPECT_EQ(with.size(), 25393u);
    EXPECT_EQ(Export(AppWith(7, 0)).size(), 25393u);
    EXPECT_EQ(without.size(), 24781u);
    EXPECT_EQ(ReadLe(with, PartTrackAt(15), 4), 1432u);
    EXPECT_EQ(ReadLe(without, PartTrackAt(0), 4), 1142u);
}

TEST(VardelSong, DefaultsGiveTheFirstTwoEventsOfEveryPart) {
    for (int info : {0, 1}) {
        const Bytes song = Export(AppWith(info));
        for (int part = 0; part < 16; ++part) {
            const std::size_t at = PartTrackAt(part) + kHeaderSize;
            EXPECT_EQ(Slice(song, at, 10), (Bytes{0x83, 0, 0xF0, 0, 0, 0, 0, 0, 0, 0}));
            EXPECT_EQ(Slice(song, at + 10, 10),
                      (Bytes{0x82, 0x5B, 0x2C, 0x01, 0, 0, 0, 0, 0x28, 0}));
        }
    }
}

std::vector<std::uint32_t> LayerBTicks(int step) {
    const Bytes song = Export(AppWith(0, step));
    std::vector<std::uint32_t> ticks;
    const auto records = ReadTrack(song, PartTrackAt(6));
    for (std::size_t i = 24; i < records.size(); ++i)
        ticks.push_back(records[i].tick);
    EXPECT_EQ(ReadTrack(song, 1040).back().tick, 1920u);
    EXPECT_EQ(ReadTrack(song, 1188).back().tick, 1920u);
    return ticks;
}

TEST(VardelSong, LayerBEventsAreExportStepApart) {
    EXPECT_EQ(LayerBTicks(0), std::vector<std::uint32_t>(21, 1920));
    std::vector<std::uint32_t> ten;
    for (std::uint32_t tick = 1920; tick <= 2110; tick += 10)
        ten.push_back(tick);
    ten.push_back(2110);
    EXPECT_EQ(LayerBTicks(10), ten);
    // A step from outside the settings dialog's 0..1920 cannot run the ticks backwards.
    EXPECT_EQ(LayerBTicks(-50), LayerBTicks(0));
    EXPECT_EQ(LayerBTicks(1'000'000'000).back(), 1920u + 19u * 1920u);
}

TEST(VardelSong, AttributesCarryChannelTenPartAndModuleLevel) {
    CKQ505App app = AppWith(1);
    app.module_level = 3;
    const Bytes song = Export(app);
    for (std::size_t track : AllTracks())
        EXPECT_EQ(song[track + 16 + 16], 0x23) << track;
    for (int part = 0; part < 16; ++part) {
        EXPECT_EQ(song[PartTrackAt(part) + 16], part == 9 ? 1 : 0) << part;
        EXPECT_EQ(song[PartTrackAt(part) + 16 + 2], part) << part;
    }
}

// Event 23 addresses the softened layer only.
TEST(VardelSong, MixSoftensOneLayer) {
    struct Case {
        std::int32_t mix;
        std::uint8_t xg_part;
        std::uint8_t value;
    };
    for (const Case& c : {Case{64, 4, 0}, Case{-64, 20, 0}, Case{5, 4, 59}, Case{-5, 20, 59},
                          Case{0, 20, 64}, Case{1, 4, 63}, Case{127, 4, 0}, Case{-128, 20, 0}}) {
        CKQ505App app = AppWith(0);
        app.part_table[mix][4] = c.mix;
        const Record event = ReadTrack(Export(app), PartTrackAt(4))[22];
        EXPECT_EQ(event.tick, 1560u);
        EXPECT_EQ(event.data, (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, c.xg_part, 0x0D, c.value, 0xF7}))
            << c.mix;
    }
}

// Values a settings file may bring below 0 would otherwise set bit 7 of a data byte.
TEST(VardelSong, ValuesAreHeldToDataBytesAndPortaIsASwitch) {
    CKQ505App app = AppWith(0);
    app.part_table[bank_msb_a][2] = -128;
    app.part_table[bank_lsb_a][2] = 5;
    app.part_table[reverb_a][2] = -1;
    app.part_table[reverb_b][2] = -1;
    app.part_table[porta_sw][2] = 5;
    app.part_table[pan_a][2] = 0;
    const auto records = ReadTrack(Export(app), PartTrackAt(2));
    EXPECT_EQ(records[0].first, 0x0005u);
    EXPECT_EQ(records[1].second, 0u);
    EXPECT_EQ(records[4].code, 10);
    EXPECT_EQ(records[4].second, 0u);
    EXPECT_EQ(records[20].second, 127u);
    EXPECT_EQ(records[27].data[7], 0);
    app.part_table[porta_sw][2] = 0;
    EXPECT_EQ(ReadTrack(Export(app), PartTrackAt(2))[20].second, 0u);
}

TEST(VardelSong, NameFieldKeepsAtMost64Bytes) {
    std::string japanese;
    for (int i = 0; i < 35; ++i)
        japanese += "\x89\xB9";  // 70 bytes
    CKQ505App app = AppWith(1);
    app.track_names[1] = std::string(64, 'n');
    app.track_names[2] = std::string(70, 'm');
    app.track_names[3] = japanese;
    app.track_names[4] = "x" + japanese;
    const Bytes song = Export(app);
    const auto name = [&](int part) { return Slice(song, PartTrackAt(part) + 64, 64); };
    EXPECT_EQ(name(0), Bytes(64, 0));
    EXPECT_EQ(name(1), Bytes(64, 'n'));
    EXPECT_EQ(name(2), Bytes(64, 'm'));
    EXPECT_EQ(name(3), Bytes(japanese.begin(), japanese.begin() + 64));
    Bytes cut(64, 0);
    PutText(cut, 0, ("x" + japanese).substr(0, 63));
    EXPECT_EQ(name(4), cut);
    EXPECT_EQ(song[PartTrackAt(4) + 128], 0x83);  // the events follow the field at once
}

// Writers of the expected part track, from the record layout.
void Rec(Bytes& out, std::uint8_t kind, std::uint8_t code, std::uint32_t tick,
         std::uint16_t first = 0, std::uint16_t second = 0) {
    const std::size_t at = out.size();
    out.resize(at + 10);
    out[at] = kind;
    out[at + 1] = code;
    PutLe(out, at + 2, tick, 4);
    PutLe(out, at + 6, first, 2);
    PutLe(out, at + 8, second, 2);
}

void Data(Bytes& out, std::uint8_t kind, std::uint32_t tick, const Bytes& data) {
    Rec(out, kind, 0, tick);
    out.resize(out.size() + 4);
    PutLe(out, out.size() - 4, static_cast<std::uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
}

void Xg(Bytes& out, std::uint32_t tick, std::string_view comment, std::uint8_t high,
        std::uint8_t part, std::uint8_t low, std::uint8_t value) {
    Bytes text(comment.begin(), comment.end());
    text.push_back(0);
    Data(out, 0xC1, tick, text);
    Data(out, 0xC0, tick, {0xF0, 0x43, 0x10, 0x4C, high, part, low, value, 0xF7});
}

TEST(VardelSong, PartTrackWithCommentsByteForByte) {
    CKQ505App app = AppWith(1, 25);
    app.module_level = 2;
    app.track_names[3] = "Strings";
    const auto set = [&](Row row, std::int32_t value) { app.part_table[row][3] = value; };
    const std::array<Row, 20> a{
        bank_msb_a,  bank_lsb_a,     program_a,        reverb_a,       chorus_a,
        variation_a, pan_a,          brightness_a,     harmonic_a,     hpf_a,
        attack_a,    decay_a,        release_a,        vib_rate_a,     vib_depth_a,
        vib_delay_a, eq_bass_gain_a, eq_treble_gain_a, eq_bass_freq_a, eq_treble_freq_a};
    for (int i = 0; i < 20; ++i) {
        set(a[i], 1 + i);
        set(static_cast<Row>(a[i] + 1), 31 + i);
    }
    set(vol, 21);
    set(exp, 99);
    set(key_shift, 70);
    set(porta_sw, 1);
    set(porta_time, 22);
    set(mix, -7);
    set(mix_sw, 1);

    Bytes t(128, 0);
    PutLe(t, 0, 1432, 4);
    t[16 + 2] = 3;
    for (std::size_t i = 6; i < 16; ++i)
        t[16 + i] = 0xFF;
    t[16 + 16] = 0x22;
    t[16 + 17] = 0x7F;
    for (std::size_t i = 20; i < 48; ++i)
        t[16 + i] = 0xFF;
    PutText(t, 64, "Strings");
    Rec(t, 0x83, 0, 240, 0x0102, 3);
    Rec(t, 0x82, 91, 300, 0, 4);
    Rec(t, 0x82, 93, 360, 0, 5);
    Rec(t, 0x82, 94, 420, 0, 6);
    Rec(t, 0x82, 10, 480, 0, 7);
    Rec(t, 0x82, 74, 540, 0, 8);
    Rec(t, 0x82, 71, 600, 0, 9);
    Rec(t, 0x82, 143, 660, 0, 10);
    Rec(t, 0x82, 73, 720, 0, 11);
    Rec(t, 0x82, 144, 780, 0, 12);
    Rec(t, 0x82, 72, 840, 0, 13);
    Rec(t, 0x82, 140, 900, 0, 14);
    Rec(t, 0x82, 141, 960, 0, 15);
    Rec(t, 0x82, 142, 1020, 0, 16);
    Rec(t, 0x82, 175, 1080, 0, 17);
    Rec(t, 0x82, 176, 1140, 0, 18);
    Rec(t, 0x82, 177, 1200, 0, 19);
    Rec(t, 0x82, 178, 1260, 0, 20);
    Xg(t, 1320, "Rcv CH", 0x08, 19, 0x04, 3);
    Rec(t, 0x82, 7, 1380, 0, 21);
    Rec(t, 0x82, 65, 1440, 0, 127);
    Rec(t, 0x82, 5, 1500, 0, 22);
    Xg(t, 1560, "Velocity Sense Offset", 0x08, 19, 0x0D, 57);
    Xg(t, 1620, "Key Shift", 0x08, 19, 0x08, 70);
    Xg(t, 1920, "Bank Select MSB", 0x08, 19, 0x01, 31);
    Xg(t, 1945, "Bank Select LSB", 0x08, 19, 0x02, 32);
    Xg(t, 1970, "PGM#", 0x08, 19, 0x03, 33);
    Xg(t, 1995, "Reverb", 0x08, 19, 0x13, 34);
    Xg(t, 2020, "Chorus", 0x08, 19, 0x12, 35);
    Xg(t, 2045, "Variation", 0x08, 19, 0x14, 36);
    Xg(t, 2070, "Panpot", 0x08, 19, 0x0E, 37);
    Xg(t, 2095, "Brightness", 0x08, 19, 0x18, 38);
    Xg(t, 2120, "Harmonic Content", 0x08, 19, 0x19, 39);
    Xg(t, 2145, "HPF Cutoff", 0x0A, 19, 0x20, 40);
    Xg(t, 2170, "EG Attack Time", 0x08, 19, 0x1A, 41);
    Xg(t, 2195, "EG Decay Time", 0x08, 19, 0x1B, 42);
    Xg(t, 2220, "EG Release Time", 0x08, 19, 0x1C, 43);
    Xg(t, 2245, "Vibrato Rate", 0x08, 19, 0x15, 44);
    Xg(t, 2270, "Vibrato Depth", 0x08, 19, 0x16, 45);
    Xg(t, 2295, "Vibrato Delay", 0x08, 19, 0x17, 46);
    Xg(t, 2320, "EQ Bass Gain", 0x08, 19, 0x72, 47);
    Xg(t, 2345, "EQ Treble Gain", 0x08, 19, 0x73, 48);
    Xg(t, 2370, "EQ Bass Freq.", 0x08, 19, 0x76, 49);
    Xg(t, 2395, "EQ Treble Freq.", 0x08, 19, 0x77, 50);
    Rec(t, 0xFF, 0, 2395);
    ASSERT_EQ(t.size(), 1489u);
    t.resize(1504);  // the rest of the slot

    const Bytes song = Export(app);
    EXPECT_EQ(Slice(song, PartTrackAt(3), 1504), t);
    EXPECT_EQ(ReadTrack(song, PartTrackAt(3))[18].data, (Bytes{'R', 'c', 'v', ' ', 'C', 'H', 0}));
}

}  // namespace
}  // namespace kq505
