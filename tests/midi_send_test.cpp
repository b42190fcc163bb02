#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using test::RecordingApp;
using Events = std::vector<MidiEvent>;
using Names = std::vector<std::string>;

TEST(MidiMessages, ShortMessageBytesByStatus) {
    EXPECT_EQ(ShortMessageBytes(0x00640700 | 0xB2), (std::vector<std::uint8_t>{0xB2, 0x07, 0x64}));
    EXPECT_EQ(ShortMessageBytes(0x00002AC5), (std::vector<std::uint8_t>{0xC5, 0x2A}));
    EXPECT_EQ(ShortMessageBytes(0x00643C94), (std::vector<std::uint8_t>{0x94, 0x3C, 0x64}));
    EXPECT_EQ(ShortMessageBytes(0x000030D1), (std::vector<std::uint8_t>{0xD1, 0x30}));
}

TEST(MidiMessages, DataBytesNeverCarryTheStatusBit) {
    EXPECT_EQ(ShortMessageBytes(ControlChange(0, kCcPan, -5)),
              (std::vector<std::uint8_t>{0xB0, 10, 0}));
    EXPECT_EQ(ShortMessageBytes(ControlChange(3, kCcVolume, 200)),
              (std::vector<std::uint8_t>{0xB3, 7, 127}));
    const auto xg = XgPartParameterMessage(16, kXgVelocitySenseOffset, -20);
    EXPECT_EQ(std::vector<std::uint8_t>(xg.begin(), xg.end()),
              (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x10, 0x0D, 0x00, 0xF7}));
}

TEST(MidiSend, PartMessageGoesOutOnTheSelectedChannel) {
    RecordingApp r;
    r.app.selected_part = 2;
    SendPartMessage(r.app, Port::A, ControlChange(0, kCcVolume, 100));
    SendPartMessage(r.app, Port::B, PackShortMessage(kProgramChange, 5));
    EXPECT_EQ(r.log.events, (Events{OnA({0xB2, 0x07, 0x64}), OnB({0xC2, 0x05})}));
}

TEST(MidiSend, NrpnIsLsbThenMsbThenDataEntry) {
    RecordingApp r;
    SendNrpn(r.app, Port::B, kNrpnVibratoRate, 70);
    EXPECT_EQ(r.log.events,
              (Events{OnB({0xB0, 0x62, 0x08}), OnB({0xB0, 0x63, 0x01}), OnB({0xB0, 0x06, 0x46})}));
}

TEST(MidiSend, XgPartParameterGoesToPortAWithTheLayersPartNumber) {
    RecordingApp r;
    r.app.part_table[key_shift][0] = 0x34;
    SendRowMessage(r.app, key_shift);
    r.app.selected_part = 15;
    r.app.part_table[key_shift][15] = 0x40;
    SendRowMessage(r.app, key_shift);
    EXPECT_EQ(r.log.events, (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x10, 0x08, 0x34, 0xF7}),
                                    OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x1F, 0x08, 0x40, 0xF7})}));
}

// What an edit of each row sends: part 2 selected (channel 2), the row holding `value`.
struct RowCase {
    Row row;
    std::int32_t value;
    Events expected;
};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << kRowInfo[c.row].name;
}

class RowCarrier : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowCarrier, SendsTheRowsMessageOnItsPort) {
    const RowCase& c = GetParam();
    RecordingApp r;
    r.app.selected_part = 2;
    r.app.part_table[c.row][2] = c.value;
    SendRowMessage(r.app, c.row);
    EXPECT_EQ(r.log.events, c.expected);
}

Events Cc(Port port, std::uint8_t cc, std::uint8_t v) {
    return {{port, {0xB2, cc, v}}};
}
Events Nrpn(Port port, std::uint8_t lsb, std::uint8_t v) {
    return {{port, {0xB2, 0x62, lsb}}, {port, {0xB2, 0x63, 0x01}}, {port, {0xB2, 0x06, v}}};
}
Events Both(std::uint8_t cc, std::uint8_t v) {
    return {OnA({0xB2, cc, v}), OnB({0xB2, cc, v})};
}
MidiEvent Xg(std::uint8_t part, std::uint8_t address, std::uint8_t v) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, part, address, v, 0xF7});
}

const Port A = Port::A;
const Port B = Port::B;

INSTANTIATE_TEST_SUITE_P(
    EveryRow, RowCarrier,
    ::testing::Values(
        RowCase{vol, 90, Both(7, 90)}, RowCase{exp, 33, Both(11, 33)},
        RowCase{key_shift, 76, {Xg(0x12, 0x08, 76)}}, RowCase{porta_sw, 1, Both(65, 127)},
        RowCase{porta_sw, 0, Both(65, 0)}, RowCase{porta_time, 33, Both(5, 33)},
        RowCase{mix, 10, {Xg(0x02, 0x0D, 64), Xg(0x12, 0x0D, 64), Xg(0x02, 0x0D, 54)}},
        RowCase{mix_sw, 1, {}}, RowCase{bank_msb_a, 33, Cc(A, 0, 33)},
        RowCase{bank_msb_b, 34, Cc(B, 0, 34)}, RowCase{bank_lsb_a, 35, Cc(A, 32, 35)},
        RowCase{bank_lsb_b, 36, Cc(B, 32, 36)}, RowCase{program_a, 37, {OnA({0xC2, 37})}},
        RowCase{program_b, 38, {OnB({0xC2, 38})}}, RowCase{reverb_a, 39, Cc(A, 91, 39)},
        RowCase{reverb_b, 40, Cc(B, 91, 40)}, RowCase{chorus_a, 41, Cc(A, 93, 41)},
        RowCase{chorus_b, 42, Cc(B, 93, 42)}, RowCase{variation_a, 43, Cc(A, 94, 43)},
        RowCase{variation_b, 44, Cc(B, 94, 44)}, RowCase{pan_a, 0, Cc(A, 10, 0)},
        RowCase{pan_b, 127, Cc(B, 10, 127)}, RowCase{brightness_a, 45, Cc(A, 74, 45)},
        RowCase{brightness_b, 46, Cc(B, 74, 46)}, RowCase{harmonic_a, 47, Cc(A, 71, 47)},
        RowCase{harmonic_b, 48, Cc(B, 71, 48)}, RowCase{hpf_a, 49, Nrpn(A, 0x24, 49)},
        RowCase{hpf_b, 50, Nrpn(B, 0x24, 50)}, RowCase{attack_a, 51, Cc(A, 73, 51)},
        RowCase{attack_b, 52, Cc(B, 73, 52)}, RowCase{decay_a, 53, Nrpn(A, 0x64, 53)},
        RowCase{decay_b, 54, Nrpn(B, 0x64, 54)}, RowCase{release_a, 55, Cc(A, 72, 55)},
        RowCase{release_b, 56, Cc(B, 72, 56)}, RowCase{vib_rate_a, 57, Nrpn(A, 0x08, 57)},
        RowCase{vib_rate_b, 58, Nrpn(B, 0x08, 58)}, RowCase{vib_depth_a, 59, Nrpn(A, 0x09, 59)},
        RowCase{vib_depth_b, 60, Nrpn(B, 0x09, 60)}, RowCase{vib_delay_a, 61, Nrpn(A, 0x0A, 61)},
        RowCase{vib_delay_b, 62, Nrpn(B, 0x0A, 62)}, RowCase{eq_bass_freq_a, 4, Nrpn(A, 0x34, 4)},
        RowCase{eq_bass_freq_b, 40, Nrpn(B, 0x34, 40)},
        RowCase{eq_bass_gain_a, 63, Nrpn(A, 0x30, 63)},
        RowCase{eq_bass_gain_b, 64, Nrpn(B, 0x30, 64)},
        RowCase{eq_treble_freq_a, 28, Nrpn(A, 0x35, 28)},
        RowCase{eq_treble_freq_b, 58, Nrpn(B, 0x35, 58)},
        RowCase{eq_treble_gain_a, 65, Nrpn(A, 0x31, 65)},
        RowCase{eq_treble_gain_b, 66, Nrpn(B, 0x31, 66)}));

TEST(MidiPorts, OpenReportsEachPortAndClosedPortsDropMessages) {
    RecordingApp r;
    CloseMidiPorts(r.app);
    r.app.out_a_device = 3;
    r.app.out_b_device = 3;
    r.out(Port::B).failing_devices = {3};  // both settings name one device: the second fails
    const PortOpenResult opened = OpenMidiPorts(r.app);
    EXPECT_TRUE(opened.port_a_opened);
    EXPECT_FALSE(opened.port_b_opened);
    SendRowMessage(r.app, vol);
    EXPECT_EQ(r.log.TakeEvents(), (Events{OnA({0xB0, 7, 100})}));
}

TEST(MidiPorts, ReleaseSilencesAndReinitialiseReopensOnTheCurrentDevices) {
    RecordingApp r;
    CloseMidiPorts(r.app);
    CloseMidiPorts(r.app);  // closing a closed port does nothing
    r.app.Value(vol) = 90;
    SendRowMessage(r.app, vol);
    EXPECT_TRUE(r.log.events.empty());
    r.app.out_a_device = 4;
    r.app.out_b_device = -1;
    const PortOpenResult opened = ReinitialiseMidiPorts(r.app);
    EXPECT_TRUE(opened.port_a_opened && opened.port_b_opened);
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0, 4}));
    EXPECT_EQ(r.out(Port::B).opened_devices, (std::vector<int>{1, -1}));
    SendRowMessage(r.app, vol);
    EXPECT_EQ(r.log.events, (Events{OnA({0xB0, 7, 90}), OnB({0xB0, 7, 90})}));
}

TEST(MidiDeviceResolution, AStoredNameIsFoundWhereItStandsNow) {
    const Names names{"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0",
                      "SC-8850:SC-8850 Part A 28:0", "SC-8850:SC-8850 Part B 28:1"};
    EXPECT_EQ(ResolveMidiDevice(names, 1, "UM-ONE:UM-ONE MIDI 1 24:0"), 1);
    EXPECT_EQ(ResolveMidiDevice(names, 1, "SC-8850:SC-8850 Part B 28:1"), 3);
    EXPECT_EQ(ResolveMidiDevice(names, 7, "SC-8850:SC-8850 Part A 28:0"), 2);
    EXPECT_EQ(ResolveMidiDevice(names, -1, "UM-ONE:UM-ONE MIDI 1 24:0"), 1);
    // Plugged in anew, a device gets another ALSA client number.
    EXPECT_EQ(ResolveMidiDevice(names, 0, "UM-ONE:UM-ONE MIDI 1 20:0"), 1);
    EXPECT_EQ(ResolveMidiDevice(names, 0, "UM-ONE:UM-ONE MIDI 1"), 1);
    // JACK names carry no address; a trailing number alone is part of a name.
    EXPECT_EQ(ResolveMidiDevice(Names{"a:midi_1", "b:out 2"}, 0, "b:out 2"), 1);
    EXPECT_EQ(ResolveMidiDevice(Names{"b:out 2", "b:out"}, 0, "b:out 3"), 0);
}

TEST(MidiDeviceResolution, WithoutAUsableNameTheStoredNumberStays) {
    const Names names{"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0"};
    EXPECT_EQ(ResolveMidiDevice(names, 1, ""), 1);
    EXPECT_EQ(ResolveMidiDevice(names, 5, ""), 5);
    EXPECT_EQ(ResolveMidiDevice(names, 1, "MU2000:MU2000 Port 1 20:0"), 1);
    EXPECT_EQ(ResolveMidiDevice(names, -1, "MU2000:MU2000 Port 1 20:0"), -1);
    EXPECT_EQ(ResolveMidiDevice(Names{}, 3, "UM-ONE:UM-ONE MIDI 1 24:0"), 3);
}

TEST(MidiDeviceResolution, AmongEqualNamesTheStoredNumberWins) {
    const Names twins{"UM-ONE:UM-ONE MIDI 1 20:0", "Midi Through:Midi Through Port-0 14:0",
                      "UM-ONE:UM-ONE MIDI 1 24:0", "UM-ONE:UM-ONE MIDI 1 20:0"};
    EXPECT_EQ(ResolveMidiDevice(twins, 3, "UM-ONE:UM-ONE MIDI 1 20:0"), 3);
    EXPECT_EQ(ResolveMidiDevice(twins, 1, "UM-ONE:UM-ONE MIDI 1 20:0"), 0);
    // A whole match anywhere goes before a match without the address at the number.
    EXPECT_EQ(ResolveMidiDevice(twins, 0, "UM-ONE:UM-ONE MIDI 1 24:0"), 2);
    EXPECT_EQ(ResolveMidiDevice(twins, 2, "UM-ONE:UM-ONE MIDI 1 32:0"), 2);
}

struct NamedPortsApp : RecordingApp {
    NamedPortsApp() {
        CloseMidiPorts(app);
        app.output_device_names = [this] {
            ++enumerations;
            return names;
        };
    }
    Names names{"Midi Through:Midi Through Port-0 14:0", "MU2000:MU2000 Port 1 20:0",
                "MU2000:MU2000 Port 2 20:1"};
    int enumerations = 0;
};

TEST(MidiPorts, EachPortOpensWhereItsNameStandsNowOrElseAtItsNumber) {
    NamedPortsApp r;
    r.app.out_a_device = 0;
    r.app.out_a_name = "MU2000:MU2000 Port 1 20:0";
    r.app.out_b_device = 1;
    r.app.out_b_name = "MU2000:MU2000 Port 2 20:1";
    // A USB device plugged in before the tone generator moves it two places on.
    r.names.insert(r.names.begin() + 1, {"UM-ONE:UM-ONE MIDI 1 24:0", "Keys:Keys MIDI 1 28:0"});
    EXPECT_TRUE(OpenMidiPorts(r.app).port_a_opened);
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0, 3}));
    EXPECT_EQ(r.out(Port::B).opened_devices, (std::vector<int>{1, 4}));
    EXPECT_EQ(r.app.out_a_device, 3);  // the settings dialog shows it chosen
    EXPECT_EQ(r.app.out_b_device, 4);
    EXPECT_EQ(r.enumerations, 1);

    // The tone generator unplugged: its stored number is opened, its name kept for later.
    r.names.resize(2);
    r.app.out_a_device = 1;
    ReinitialiseMidiPorts(r.app);
    EXPECT_EQ(r.out(Port::A).opened_devices.back(), 1);
    EXPECT_EQ(r.app.out_a_name, "MU2000:MU2000 Port 1 20:0");
    EXPECT_EQ(r.enumerations, 2);
}

TEST(MidiPorts, WithoutStoredNamesTheDevicesAreNotAskedFor) {
    NamedPortsApp r;
    r.app.out_a_device = 2;
    r.app.out_b_device = -1;
    OpenMidiPorts(r.app);
    ReinitialiseMidiPorts(r.app);
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0, 2, 2}));
    EXPECT_EQ(r.out(Port::B).opened_devices, (std::vector<int>{1, -1, -1}));
    EXPECT_EQ(r.enumerations, 0);
}

}  // namespace
}  // namespace kq505
