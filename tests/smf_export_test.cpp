#include "files/smf_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}
void Put(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::size_t FirstDifference(const Bytes& a, const Bytes& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

// Part n at the table defaults, with comments and a step of 10: 785 bytes of events.
Bytes DefaultPartTrack(std::uint8_t n) {
    const std::uint8_t cc = 0xB0 | n, b = 0x10 + n;
    Bytes t;
    const auto nrpn = [&](std::uint8_t parameter, std::uint8_t value) {
        Put(t, {0x3C, cc, 0x62, parameter, 0x00, cc, 0x63, 0x01, 0x00, cc, 0x06, value});
    };
    const auto xg = [&](std::initializer_list<std::uint8_t> delta, std::uint8_t length,
                        std::string_view text, std::uint8_t block, std::uint8_t part,
                        std::uint8_t address, std::uint8_t value) {
        Put(t, delta);
        Put(t, {0xFF, 0x01, length});
        Put(t, text);
        Put(t, {0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C, block, part, address, value, 0xF7});
    };
    Put(t, {0x00, 0xFF, 0x03, 0x00});
    Put(t, {0x81, 0x70, cc, 0x00, 0x00, 0x00, cc, 0x20, 0x00, 0x00,
            static_cast<std::uint8_t>(0xC0 | n), 0x00});
    Put(t, {0x3C, cc, 0x5B, 0x28, 0x3C, cc, 0x5D, 0x00, 0x3C, cc, 0x5E, 0x00});
    Put(t, {0x3C, cc, 0x0A, 0x40, 0x3C, cc, 0x4A, 0x40, 0x3C, cc, 0x47, 0x40});
    nrpn(0x24, 0x40);
    Put(t, {0x3C, cc, 0x49, 0x40});
    nrpn(0x64, 0x40);
    Put(t, {0x3C, cc, 0x48, 0x40});
    nrpn(0x08, 0x40);
    nrpn(0x09, 0x40);
    nrpn(0x0A, 0x40);
    nrpn(0x30, 0x40);
    nrpn(0x31, 0x40);
    nrpn(0x34, 0x0C);
    nrpn(0x35, 0x36);
    xg({0x3C}, 0x06, "Rcv CH", 0x08, b, 0x04, n);
    Put(t, {0x3C, cc, 0x07, 0x64, 0x00, cc, 0x0B, 0x7F});
    Put(t, {0x3C, cc, 0x41, 0x00, 0x3C, cc, 0x05, 0x00});
    xg({0x3C}, 0x15, "Velocity Sense Offset", 0x08, b, 0x0D, 0x40);
    xg({0x3C}, 0x09, "Key Shift", 0x08, b, 0x08, 0x40);
    xg({0x82, 0x2C}, 0x0F, "Bank Select MSB", 0x08, b, 0x01, 0x00);
    xg({0x0A}, 0x0F, "Bank Select LSB", 0x08, b, 0x02, 0x00);
    xg({0x0A}, 0x04, "PGM#", 0x08, b, 0x03, 0x00);
    xg({0x0A}, 0x06, "Reverb", 0x08, b, 0x13, 0x28);
    xg({0x0A}, 0x06, "Chorus", 0x08, b, 0x12, 0x00);
    xg({0x0A}, 0x09, "Variation", 0x08, b, 0x14, 0x00);
    xg({0x0A}, 0x06, "Panpot", 0x08, b, 0x0E, 0x40);
    xg({0x0A}, 0x0A, "Brightness", 0x08, b, 0x18, 0x40);
    xg({0x0A}, 0x10, "Harmonic Content", 0x08, b, 0x19, 0x40);
    xg({0x0A}, 0x0A, "HPF Cutoff", 0x0A, b, 0x20, 0x40);
    xg({0x0A}, 0x0E, "EG Attack Time", 0x08, b, 0x1A, 0x40);
    xg({0x0A}, 0x0D, "EG Decay Time", 0x08, b, 0x1B, 0x40);
    xg({0x0A}, 0x0F, "EG Release Time", 0x08, b, 0x1C, 0x40);
    xg({0x0A}, 0x0C, "Vibrato Rate", 0x08, b, 0x15, 0x40);
    xg({0x0A}, 0x0D, "Vibrato Depth", 0x08, b, 0x16, 0x40);
    xg({0x0A}, 0x0D, "Vibrato Delay", 0x08, b, 0x17, 0x40);
    xg({0x0A}, 0x0C, "EQ Bass Gain", 0x08, b, 0x72, 0x40);
    xg({0x0A}, 0x0E, "EQ Treble Gain", 0x08, b, 0x73, 0x40);
    xg({0x0A}, 0x0D, "EQ Bass Freq.", 0x08, b, 0x76, 0x0C);
    xg({0x0A}, 0x0F, "EQ Treble Freq.", 0x08, b, 0x77, 0x36);
    Put(t, {0x00, 0xFF, 0x2F, 0x00});
    return t;
}

// The effect blocks at their defaults, as system-exclusive events 02 01 aa: HALL 1, CHORUS 1
// and DELAY L,C,R, each type first, with their parameters, return and pan; then the sends,
// the connection (insertion) and the part (off). 695 bytes; the first at delta 60.
Bytes DefaultEffectEvents() {
    Bytes t;
    bool first = true;
    const auto one = [&](std::uint8_t address, std::uint8_t value) {
        Put(t, {static_cast<std::uint8_t>(first ? 0x3C : 0x00), 0xF0, 0x08, 0x43, 0x10, 0x4C, 0x02,
                0x01, address, value, 0xF7});
        first = false;
    };
    const auto two = [&](std::uint8_t address, int value) {
        Put(t,
            {0x00, 0xF0, 0x09, 0x43, 0x10, 0x4C, 0x02, 0x01, address,
             static_cast<std::uint8_t>(value >> 7), static_cast<std::uint8_t>(value & 0x7F), 0xF7});
    };
    const auto ones = [&](std::uint8_t address, std::initializer_list<std::uint8_t> values) {
        for (const std::uint8_t v : values)
            one(address++, v);
    };
    Put(t, {0x3C, 0xF0, 0x09, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x00, 0xF7});
    first = false;
    ones(0x02, {18, 10, 8, 13, 49, 0, 0, 0, 0, 40});
    ones(0x10, {0, 4, 50, 8, 64, 0});
    ones(0x0C, {64, 64});
    two(0x20, 0x41 * 128);
    ones(0x22, {6, 54, 77, 106, 0, 28, 64, 46, 64, 64});
    ones(0x30, {46, 64, 10, 0, 0, 0});
    ones(0x2C, {64, 64});
    two(0x40, 0x05 * 128);
    int address = 0x42;
    for (const int v : {3333, 1667, 5000, 5000, 74, 100, 10, 0, 0, 32}) {
        two(static_cast<std::uint8_t>(address), v);
        address += 2;
    }
    ones(0x70, {0, 60, 28, 64, 46, 64});
    ones(0x56, {64, 64});
    ones(0x2E, {0});
    ones(0x58, {0, 0, 0, 127});
    return t;
}

TEST(SmfExport, DefaultTableWithCommentsByteByByte) {
    CKQ505App app;
    app.export_info = 1;
    app.export_step = 10;

    Bytes expected;
    Put(expected, "MThd");
    Put(expected, {0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x11, 0x01, 0xE0});
    Put(expected, "MTrk");
    Put(expected, {0x00, 0x00, 0x02, 0xE9, 0x00, 0xFF, 0x03, 0x0F});
    Put(expected, "Conductor Track");
    Put(expected, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    Put(expected, {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    Put(expected, {0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
    const Bytes effects = DefaultEffectEvents();
    ASSERT_EQ(effects.size(), 695u);
    expected.insert(expected.end(), effects.begin(), effects.end());
    Put(expected, {0x8E, 0x44, 0xFF, 0x2F, 0x00});  // 1920 - 60
    for (std::uint8_t n = 0; n < 16; ++n) {
        Put(expected, "MTrk");
        Put(expected, {0x00, 0x00, 0x03, 0x15});
        const Bytes track = DefaultPartTrack(n);
        expected.insert(expected.end(), track.begin(), track.end());
    }
    ASSERT_EQ(expected.size(), 13519u);

    const Bytes file = BuildStandardMidiFile(app);
    EXPECT_EQ(file.size(), expected.size());
    EXPECT_EQ(FirstDifference(file, expected), expected.size());
}

// ---------------------------------------------------------------------------------------
// A decoder of our own, strict about the format, so that the remaining tests can speak in
// absolute ticks and whole events.

struct Event {
    std::uint64_t tick;
    Bytes bytes;  // channel: status and data; meta: FF, type, data; system exclusive: F0, data
    bool operator==(const Event&) const = default;
};
using Track = std::vector<Event>;

struct Smf {
    int format = -1;
    int division = 0;
    std::vector<Track> tracks;
    std::string error;
};

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
    bool Has(std::size_t n) const { return data_.size() - pos_ >= n; }
    bool AtEnd() const { return pos_ == data_.size(); }
    std::uint8_t Byte() { return data_[pos_++]; }
    std::uint32_t BigEndian(int size) {
        std::uint32_t v = 0;
        for (int i = 0; i < size; ++i)
            v = (v << 8) | Byte();
        return v;
    }
    std::optional<std::uint32_t> Vlq() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4 && Has(1); ++i) {
            const std::uint8_t b = Byte();
            v = (v << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) return v;
        }
        return std::nullopt;
    }
    Bytes Take(std::size_t n) {
        Bytes out(data_.begin() + pos_, data_.begin() + pos_ + n);
        pos_ += n;
        return out;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

std::string DecodeTrack(Reader r, Track& track) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!r.AtEnd()) {
        const auto delta = r.Vlq();
        if (!delta || !r.Has(1)) return "bad delta";
        tick += *delta;
        Event e{tick, {}};
        const std::uint8_t first = r.Byte();
        if (first == 0xFF || first == 0xF0 || first == 0xF7) {
            e.bytes.push_back(first);
            if (first == 0xFF) {
                if (!r.Has(1)) return "short meta";
                e.bytes.push_back(r.Byte());
            }
            const auto length = r.Vlq();
            if (!length || !r.Has(*length)) return "bad length";
            const Bytes data = r.Take(*length);
            e.bytes.insert(e.bytes.end(), data.begin(), data.end());
            if (first == 0xF0 && e.bytes.back() != 0xF7) return "SysEx without F7";
        } else {
            const bool has_status = (first & 0x80) != 0;
            if (has_status) running = first;
            if (running == 0) return "data without status";
            e.bytes.push_back(running);
            const int kind = running & 0xF0;
            const std::size_t data_count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (!has_status) e.bytes.push_back(first);
            while (e.bytes.size() < data_count + 1) {
                if (!r.Has(1)) return "short channel event";
                e.bytes.push_back(r.Byte());
            }
        }
        track.push_back(std::move(e));
    }
    if (track.empty() || track.back().bytes != Bytes{0xFF, 0x2F}) return "no end of track";
    for (std::size_t i = 0; i + 1 < track.size(); ++i) {
        if (track[i].bytes == Bytes{0xFF, 0x2F}) return "end of track before the end";
    }
    return {};
}

Smf Decode(std::span<const std::uint8_t> file) {
    Smf smf;
    Reader r(file);
    if (!r.Has(14) || r.Take(4) != Bytes{'M', 'T', 'h', 'd'} || r.BigEndian(4) != 6) {
        smf.error = "bad header";
        return smf;
    }
    smf.format = static_cast<int>(r.BigEndian(2));
    const std::uint32_t count = r.BigEndian(2);
    smf.division = static_cast<int>(r.BigEndian(2));
    for (std::uint32_t i = 0; i < count && smf.error.empty(); ++i) {
        if (!r.Has(8) || r.Take(4) != Bytes{'M', 'T', 'r', 'k'}) {
            smf.error = "bad track chunk";
            break;
        }
        const std::uint32_t length = r.BigEndian(4);
        if (!r.Has(length)) {
            smf.error = "track runs past the file";
            break;
        }
        const Bytes chunk = r.Take(length);
        smf.tracks.emplace_back();
        smf.error = DecodeTrack(Reader(chunk), smf.tracks.back());
    }
    if (smf.error.empty() && !r.AtEnd()) smf.error = "bytes after the last track";
    return smf;
}

Smf Export(const CKQ505App& app) {
    const Smf smf = Decode(BuildStandardMidiFile(app));
    EXPECT_EQ(smf.error, "");
    EXPECT_EQ(smf.tracks.size(), 17u);
    return smf;
}

Event Meta(std::uint64_t tick, std::uint8_t type, std::string_view text) {
    Event e{tick, {0xFF, type}};
    Put(e.bytes, text);
    return e;
}

bool IsSysEx(const Event& e) {
    return e.bytes[0] == 0xF0;
}
bool IsText(const Event& e) {
    return e.bytes[0] == 0xFF && e.bytes[1] == 0x01;
}

Track WithoutTexts(Track track) {
    std::erase_if(track, IsText);
    return track;
}

std::vector<std::uint64_t> SysExTicks(const Track& track) {
    std::vector<std::uint64_t> ticks;
    for (const Event& e : track) {
        if (IsSysEx(e)) ticks.push_back(e.tick);
    }
    return ticks;
}

TEST(SmfLayout, ConductorKeepsOneBarWhateverTheParts) {
    CKQ505App app;
    app.export_step = 200;
    const Smf smf = Export(app);
    ASSERT_EQ(smf.tracks.size(), 17u);
    EXPECT_EQ(smf.format, 1);
    EXPECT_EQ(smf.tracks[0].back(), (Event{1920, {0xFF, 0x2F}}));
    EXPECT_EQ(smf.tracks[1].back(), (Event{1920 + 19 * 200, {0xFF, 0x2F}}));
}

TEST(SmfLayout, EffectBlocksFollowXgSystemOnInTheConductor) {
    CKQ505App app;
    app.effect_blocks[EffectBlock::reverb].type = 0x01 * 128 + 0x01;  // HALL 2
    app.effect_blocks[EffectBlock::variation].params[0] = 7000;       // 36h × 128 + 58h
    app.effect_blocks.variation_part = 16;
    const Smf with_effects = Export(app);
    const Track& conductor = with_effects.tracks[0];
    ASSERT_EQ(conductor.size(), 3u + 1u + 62u + 1u);
    EXPECT_EQ(conductor[3], (Event{0, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}}));
    EXPECT_EQ(conductor[4],
              (Event{60, {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x01, 0xF7}}));
    const Event delay{60, {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x36, 0x58, 0xF7}};
    const Event part{60, {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x10, 0xF7}};
    EXPECT_EQ(std::count(conductor.begin(), conductor.end(), delay), 1);
    EXPECT_EQ(conductor[65], part);
    // The parts do not carry them.
    const Smf plain = Export(CKQ505App());
    for (std::size_t n = 1; n < 17; ++n)
        EXPECT_EQ(with_effects.tracks[n], plain.tracks[n]);
}

TEST(SmfLayout, PartModesFollowTheEffectsAndDrumSetupsTheLastProgramChange) {
    CKQ505App app;
    app.export_step = 10;
    EXPECT_EQ(Export(app).tracks[0].size(), 3u + 1u + 62u + 1u);  // default modes: none
    app.drums.part_modes[25] = PartMode::drums2;
    DrumSlot(app.drums, 1, 38, 0x04) = 44;
    const Track conductor = Export(app).tracks[0];
    ASSERT_EQ(conductor.size(), 3u + 1u + 62u + 2u + 1u);
    EXPECT_EQ(conductor[66], (Event{60, {0xF0, 0x43, 0x10, 0x4C, 0x08, 0x19, 0x07, 0x03, 0xF7}}));
    // The B layers' programs go out at 1920 + 2 × step; the setups 60 ticks later.
    EXPECT_EQ(conductor[67], (Event{2000, {0xF0, 0x43, 0x10, 0x4C, 0x31, 38, 0x04, 44, 0xF7}}));
    EXPECT_EQ(conductor[68], (Event{2000, {0xFF, 0x2F}}));
}

// Part 9 with its own value in every row; the other parts must not leak into its track.
TEST(SmfPartTrack, EveryEventAtItsTick) {
    CKQ505App app;
    app.export_step = 7;
    for (int row = 0; row < kRowCount; ++row)
        app.part_table[row][9] = 10 + row;
    app.part_table[key_shift][9] = 76;
    app.part_table[porta_sw][9] = 1;
    app.part_table[mix][9] = -10;
    app.part_table[vol][8] = 1;
    app.track_names[9] = "Drums";
    const Smf smf = Export(app);
    ASSERT_EQ(smf.tracks.size(), 17u);

    Track expected{
        Meta(0, 0x03, "Drums"), {240, {0xB9, 0, 17}}, {240, {0xB9, 32, 19}}, {240, {0xC9, 21}}};
    const auto cc = [&](std::uint64_t tick, std::uint8_t control, std::uint8_t value) {
        expected.push_back({tick, {0xB9, control, value}});
    };
    const auto nrpn = [&](std::uint64_t tick, std::uint8_t parameter, std::uint8_t value) {
        cc(tick, 98, parameter);
        cc(tick, 99, 1);
        cc(tick, 6, value);
    };
    const auto xg = [&](std::uint64_t tick, std::uint8_t block, std::uint8_t part,
                        std::uint8_t address, std::uint8_t value) {
        expected.push_back({tick, {0xF0, 0x43, 0x10, 0x4C, block, part, address, value, 0xF7}});
    };
    cc(300, 91, 23);
    cc(360, 93, 25);
    cc(420, 94, 27);
    cc(480, 10, 29);
    cc(540, 74, 31);
    cc(600, 71, 33);
    nrpn(660, 0x24, 35);
    cc(720, 73, 37);
    nrpn(780, 0x64, 39);
    cc(840, 72, 41);
    nrpn(900, 0x08, 43);
    nrpn(960, 0x09, 45);
    nrpn(1020, 0x0A, 47);
    nrpn(1080, 0x30, 51);
    nrpn(1140, 0x31, 55);
    nrpn(1200, 0x34, 49);
    nrpn(1260, 0x35, 53);
    xg(1320, 0x08, 0x19, 0x04, 9);
    cc(1380, 7, 10);
    cc(1380, 11, 11);  // expression right after the volume
    cc(1440, 65, 127);
    cc(1500, 5, 14);
    xg(1560, 0x08, 0x19, 0x0D, 54);
    xg(1620, 0x08, 0x19, 0x08, 76);
    xg(1920, 0x08, 0x19, 0x01, 18);
    xg(1927, 0x08, 0x19, 0x02, 20);
    xg(1934, 0x08, 0x19, 0x03, 22);
    xg(1941, 0x08, 0x19, 0x13, 24);
    xg(1948, 0x08, 0x19, 0x12, 26);
    xg(1955, 0x08, 0x19, 0x14, 28);
    xg(1962, 0x08, 0x19, 0x0E, 30);
    xg(1969, 0x08, 0x19, 0x18, 32);
    xg(1976, 0x08, 0x19, 0x19, 34);
    xg(1983, 0x0A, 0x19, 0x20, 36);
    xg(1990, 0x08, 0x19, 0x1A, 38);
    xg(1997, 0x08, 0x19, 0x1B, 40);
    xg(2004, 0x08, 0x19, 0x1C, 42);
    xg(2011, 0x08, 0x19, 0x15, 44);
    xg(2018, 0x08, 0x19, 0x16, 46);
    xg(2025, 0x08, 0x19, 0x17, 48);
    xg(2032, 0x08, 0x19, 0x72, 52);
    xg(2039, 0x08, 0x19, 0x73, 56);
    xg(2046, 0x08, 0x19, 0x76, 50);
    xg(2053, 0x08, 0x19, 0x77, 54);
    expected.push_back({2053, {0xFF, 0x2F}});
    EXPECT_EQ(smf.tracks[10], expected);
}

TEST(SmfPartTrack, ChannelAndXgPartFollowThePart) {
    CKQ505App app;
    const Smf smf = Export(app);
    ASSERT_EQ(smf.tracks.size(), 17u);
    for (int n = 0; n < kPartCount; ++n) {
        const Track& track = smf.tracks[n + 1];
        for (const Event& e : track) {
            if (e.bytes[0] < 0xF0) {
                EXPECT_EQ(e.bytes[0] & 0x0F, n) << "part " << n;
            } else if (IsSysEx(e)) {
                EXPECT_EQ(e.bytes[5], n + 16) << "part " << n;
            }
        }
        const auto receive = std::find_if(track.begin(), track.end(), IsSysEx);
        ASSERT_NE(receive, track.end());
        EXPECT_EQ(receive->bytes[6], 0x04);
        EXPECT_EQ(receive->bytes[7], n);
    }
}

TEST(SmfPartTrack, CommentsStandBeforeTheirSysEx) {
    CKQ505App app;
    app.export_step = 10;
    app.export_info = 1;
    const Smf with = Export(app);
    app.export_info = 0;
    const Smf without = Export(app);
    ASSERT_EQ(with.tracks.size(), 17u);
    ASSERT_EQ(without.tracks.size(), 17u);

    const std::vector<std::string_view> texts{"Rcv CH",          "Velocity Sense Offset",
                                              "Key Shift",       "Bank Select MSB",
                                              "Bank Select LSB", "PGM#",
                                              "Reverb",          "Chorus",
                                              "Variation",       "Panpot",
                                              "Brightness",      "Harmonic Content",
                                              "HPF Cutoff",      "EG Attack Time",
                                              "EG Decay Time",   "EG Release Time",
                                              "Vibrato Rate",    "Vibrato Depth",
                                              "Vibrato Delay",   "EQ Bass Gain",
                                              "EQ Treble Gain",  "EQ Bass Freq.",
                                              "EQ Treble Freq."};
    for (int n = 0; n < kPartCount; ++n) {
        const Track& track = with.tracks[n + 1];
        std::vector<std::string_view> seen;
        for (std::size_t i = 0; i < track.size(); ++i) {
            if (!IsSysEx(track[i])) continue;
            ASSERT_GT(i, 0u);
            const Event& comment = track[i - 1];
            ASSERT_TRUE(IsText(comment)) << "part " << n << " event " << i;
            EXPECT_EQ(comment.tick, track[i].tick);
            seen.emplace_back(reinterpret_cast<const char*>(comment.bytes.data()) + 2,
                              comment.bytes.size() - 2);
        }
        EXPECT_EQ(seen, texts);
        EXPECT_EQ(WithoutTexts(track), without.tracks[n + 1]);
        EXPECT_EQ(WithoutTexts(without.tracks[n + 1]), without.tracks[n + 1]);
    }
}

TEST(SmfPartTrack, StepSpacesTheSecondPhase) {
    CKQ505App app;
    app.export_step = 0;
    const Smf step0 = Export(app);
    app.export_step = 10;
    const Smf step10 = Export(app);
    app.export_step = -5;
    const Smf negative = Export(app);
    ASSERT_EQ(step0.tracks.size(), 17u);
    ASSERT_EQ(step10.tracks.size(), 17u);

    std::vector<std::uint64_t> ticks0{1320, 1560, 1620};
    std::vector<std::uint64_t> ticks10 = ticks0;
    for (std::uint64_t k = 0; k < 20; ++k) {
        ticks0.push_back(1920);
        ticks10.push_back(1920 + 10 * k);
    }
    for (int n = 0; n < kPartCount; ++n) {
        EXPECT_EQ(SysExTicks(step0.tracks[n + 1]), ticks0);
        EXPECT_EQ(step0.tracks[n + 1].back().tick, 1920u);
        EXPECT_EQ(SysExTicks(step10.tracks[n + 1]), ticks10);
        EXPECT_EQ(step10.tracks[n + 1].back().tick, 2110u);
        const Track& track0 = step0.tracks[n + 1];
        const Track& track10 = step10.tracks[n + 1];
        EXPECT_EQ(Track(track0.begin(), track0.begin() + 45),
                  Track(track10.begin(), track10.begin() + 45));
    }
    EXPECT_EQ(negative.tracks, step0.tracks);
    // The song export holds the step at 1920; a hand-edited INI must not part the two.
    app.export_step = 1920;
    const Smf step1920 = Export(app);
    app.export_step = 5000;
    EXPECT_EQ(Export(app).tracks, step1920.tracks);
}

// The one velocity sense offset message of a part, and its portamento switch.
TEST(SmfPartTrack, MixRuleAndPortamentoSwitch) {
    struct Case {
        std::int32_t mix;
        std::int32_t porta_sw;
        std::uint8_t part_number;
        std::uint8_t offset;
        std::uint8_t porta_value;
    };
    for (const Case c :
         {Case{64, 0, 0x03, 0, 0}, Case{-64, 1, 0x13, 0, 127}, Case{0, 2, 0x13, 64, 127},
          Case{5, 0, 0x03, 59, 0}, Case{-5, 1, 0x13, 59, 127}}) {
        CKQ505App app;
        app.part_table[mix][3] = c.mix;
        app.part_table[porta_sw][3] = c.porta_sw;
        const Smf smf = Export(app);
        ASSERT_EQ(smf.tracks.size(), 17u);
        std::vector<Event> offsets;
        for (const Event& e : smf.tracks[4]) {
            if (IsSysEx(e) && e.bytes[6] == 0x0D) offsets.push_back(e);
        }
        EXPECT_EQ(offsets,
                  (std::vector<Event>{
                      {1560, {0xF0, 0x43, 0x10, 0x4C, 0x08, c.part_number, 0x0D, c.offset, 0xF7}}}))
            << "mix " << c.mix;
        EXPECT_EQ(smf.tracks[4][42], (Event{1440, {0xB3, 65, c.porta_value}}))
            << "porta_sw " << c.porta_sw;
    }
}

// Values that only a settings file can bring stay data bytes.
TEST(SmfPartTrack, OutOfRangeValuesStayDataBytes) {
    CKQ505App app;
    for (int row = 0; row < kRowCount; ++row)
        app.part_table[row][0] = row % 2 ? 300 : -7;
    const Smf smf = Export(app);
    ASSERT_EQ(smf.tracks.size(), 17u);
    for (const Event& e : smf.tracks[1]) {
        if (e.bytes[0] == 0xFF) continue;
        const std::size_t last = IsSysEx(e) ? e.bytes.size() - 1 : e.bytes.size();
        for (std::size_t i = 1; i < last; ++i)
            EXPECT_LT(e.bytes[i], 0x80);
    }
    EXPECT_EQ(smf.tracks[1][1], (Event{240, {0xB0, 0, 127}}));     // bank_msb_a, row 7
    EXPECT_EQ(smf.tracks[1][3], (Event{240, {0xC0, 127}}));        // program_a, row 11
    EXPECT_EQ(smf.tracks[1][4], (Event{300, {0xB0, 91, 127}}));    // reverb_a, row 13
    EXPECT_EQ(smf.tracks[1][40], (Event{1380, {0xB0, 7, 0}}));     // vol, row 0
    EXPECT_EQ(smf.tracks[1][41], (Event{1380, {0xB0, 11, 127}}));  // exp, row 1
}

std::string Repeat(std::string_view piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

Bytes NameOf(const std::string& name) {
    CKQ505App app;
    app.track_names[5] = name;
    const Smf smf = Export(app);
    if (smf.tracks.size() != 17u) return {};
    const Event& first = smf.tracks[6].front();
    EXPECT_EQ(first.tick, 0u);
    EXPECT_EQ(Bytes(first.bytes.begin(), first.bytes.begin() + 2), (Bytes{0xFF, 0x03}));
    return Bytes(first.bytes.begin() + 2, first.bytes.end());
}

TEST(SmfTrackNames, EachPartTrackCarriesItsName) {
    CKQ505App app;
    for (int n = 0; n < kPartCount; ++n)
        app.track_names[n] = "P" + std::to_string(n + 1);
    app.track_names[15] = "";
    const Smf smf = Export(app);
    ASSERT_EQ(smf.tracks.size(), 17u);
    for (int n = 0; n < 15; ++n) {
        EXPECT_EQ(smf.tracks[n + 1][0], Meta(0, 0x03, "P" + std::to_string(n + 1)));
    }
    EXPECT_EQ(smf.tracks[16][0], Meta(0, 0x03, ""));
}

TEST(SmfTrackNames, CutTo64BytesWithoutSplittingACharacter) {
    const std::string a = "\x82\xA0";            // a hiragana A, two bytes
    const std::string japanese = Repeat(a, 35);  // 70 bytes
    EXPECT_EQ(NameOf(japanese), Bytes(japanese.begin(), japanese.begin() + 64));
    const std::string halfwidth = Repeat("\xB1", 70);  // half-width katakana, one byte each
    EXPECT_EQ(NameOf(halfwidth), Bytes(halfwidth.begin(), halfwidth.begin() + 64));
    EXPECT_EQ(NameOf(std::string("Piano\0\0\0", 8)), (Bytes{'P', 'i', 'a', 'n', 'o'}));

    // One byte, 31 double-byte characters, then a 64th byte that starts a character or not.
    const std::string prefix = "A" + Repeat(a, 31);
    for (const char lead : {'\x81', '\x9F', '\xE0', '\xFC'}) {
        EXPECT_EQ(NameOf(prefix + lead + "\x40" + "B").size(), 63u) << int(lead & 0xFF);
    }
    for (const char single : {'\x80', '\xA0', '\xDF', '\xFD'}) {
        EXPECT_EQ(NameOf(prefix + single + "BC").size(), 64u) << int(single & 0xFF);
    }
    // A name that fits is kept whole, as the song export keeps it, even one that an older
    // file cut after a lead byte.
    EXPECT_EQ(NameOf(prefix + '\x81').size(), 64u);
}

}  // namespace
}  // namespace kq505
