#include <gtest/gtest.h>

#include <vector>

#include "model/midi_messages.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using test::RecordingApp;
using Events = std::vector<MidiEvent>;

MidiEvent VelocitySenseOffset(std::uint8_t part_number, std::uint8_t value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, part_number, 0x0D, value, 0xF7});
}

Events MixOn(int part, std::int32_t m) {
    RecordingApp r;
    r.app.selected_part = part;
    r.app.Value(mix) = m;
    SendMixOffsets(r.app);
    return r.log.events;
}

TEST(MixRule, RestoresBothLayersThenSoftensOne) {
    EXPECT_EQ(MixOn(0, 10), (Events{VelocitySenseOffset(0x00, 64), VelocitySenseOffset(0x10, 64),
                                    VelocitySenseOffset(0x00, 54)}));
    EXPECT_EQ(MixOn(3, -10), (Events{VelocitySenseOffset(0x03, 64), VelocitySenseOffset(0x13, 64),
                                     VelocitySenseOffset(0x13, 54)}));
    EXPECT_EQ(MixOn(9, 0), (Events{VelocitySenseOffset(0x09, 64), VelocitySenseOffset(0x19, 64)}));
    EXPECT_EQ(MixOn(15, 64).back(), VelocitySenseOffset(0x0F, 0));
    EXPECT_EQ(MixOn(6, -64).back(), VelocitySenseOffset(0x16, 0));
    EXPECT_EQ(MixOn(12, -5).back(), VelocitySenseOffset(0x1C, 59));
}

// The whole of part 5 with a value in every row that differs from its default.
TEST(SendAll, SendsEveryRowOfTheSelectedPartInOrder) {
    RecordingApp r;
    r.app.selected_part = 5;
    for (int row = 0; row < kRowCount; ++row)
        r.app.part_table[row][5] = 10 + row;
    r.app.part_table[key_shift][5] = 76;
    r.app.part_table[porta_sw][5] = 1;
    r.app.part_table[mix][5] = -10;
    r.app.part_table[vol][4] = 1;  // other parts stay unsent
    SendAllPartParameters(r.app);

    const auto cc = [](Port p, std::uint8_t c, std::uint8_t v) {
        return MidiEvent{p, {0xB5, c, v}};
    };
    Events expected{cc(Port::A, 7, 10),
                    cc(Port::B, 7, 10),
                    cc(Port::A, 11, 11),
                    cc(Port::B, 11, 11),
                    OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x15, 0x08, 0x4C, 0xF7}),
                    cc(Port::A, 65, 127),
                    cc(Port::B, 65, 127),
                    cc(Port::A, 5, 14),
                    cc(Port::B, 5, 14),
                    VelocitySenseOffset(0x05, 64),
                    VelocitySenseOffset(0x15, 64),
                    VelocitySenseOffset(0x15, 54)};
    for (Port p : {Port::A, Port::B}) {
        const std::uint8_t b = p == Port::B ? 1 : 0;
        const auto nrpn = [&](std::uint8_t lsb, std::uint8_t v) {
            expected.push_back(cc(p, 98, lsb));
            expected.push_back(cc(p, 99, 1));
            expected.push_back(cc(p, 6, v));
        };
        expected.push_back(cc(p, 0, 17 + b));
        expected.push_back(cc(p, 32, 19 + b));
        expected.push_back({p, {0xC5, static_cast<std::uint8_t>(21 + b)}});
        expected.push_back(cc(p, 91, 23 + b));
        expected.push_back(cc(p, 93, 25 + b));
        expected.push_back(cc(p, 94, 27 + b));
        expected.push_back(cc(p, 10, 29 + b));
        expected.push_back(cc(p, 74, 31 + b));
        expected.push_back(cc(p, 71, 33 + b));
        nrpn(0x24, 35 + b);
        expected.push_back(cc(p, 73, 37 + b));
        nrpn(0x64, 39 + b);
        expected.push_back(cc(p, 72, 41 + b));
        nrpn(0x08, 43 + b);
        nrpn(0x09, 45 + b);
        nrpn(0x0A, 47 + b);
        nrpn(0x34, 49 + b);
        nrpn(0x30, 51 + b);
        nrpn(0x35, 53 + b);
        nrpn(0x31, 55 + b);
    }
    ASSERT_EQ(expected.size(), 12u + 2 * (11 + 9 * 3));
    EXPECT_EQ(r.log.events, expected);
}

TEST(SendAll, PanZeroGoesOutAsControllerOnly) {
    RecordingApp r;
    r.app.Value(pan_a) = 0;
    SendAllPartParameters(r.app);
    for (const MidiEvent& e : r.log.events) {
        EXPECT_FALSE(e.bytes.size() == 9 && e.bytes[6] == kXgPan);
    }
}

TEST(SystemReset, SendsOnlyTheSystemMessageAndResetsEveryPart) {
    for (bool xg : {true, false}) {
        RecordingApp r;
        r.app.selected_part = 7;
        r.app.preview_note = 60;
        for (int part = 0; part < kPartCount; ++part)
            r.app.part_table[reverb_b][part] = part;
        r.app.part_table[mix][7] = 30;
        xg ? SendXgSystemOn(r.app) : SendGmSystemOn(r.app);
        EXPECT_EQ(r.app.selected_part, 7);
        EXPECT_EQ(r.app.preview_note, 60);
        PartTable defaults{};
        ResetPartParameters(defaults);
        EXPECT_EQ(r.app.part_table, defaults);
        const Events expected =
            xg ? Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})}
               : Events{OnA({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})};
        EXPECT_EQ(r.log.events, expected);
    }
}

}  // namespace
}  // namespace kq505
