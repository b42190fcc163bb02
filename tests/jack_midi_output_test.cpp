// The JACK backend on a server of the test's own: one client for the whole program, the
// bytes of whole parts, a server that goes away and comes back, and the device lists.

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "model/midi_system.h"
#include "model/part_transmission.h"
#include "tests/support/jack_sender.h"
#include "tests/support/jack_session.h"
#include "tests/support/recording_app.h"
#include "tests/support/scoped_env.h"
#include "view/track_label.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using test::JackMidiReceiver;
using test::JackServer;
using test::ScopedEnv;

// Every port of the graph whose full name matches `pattern` (a JACK regular expression).
Names PortsMatching(jack_client_t* client, const char* pattern, unsigned long flags = 0) {
    Names names;
    if (const char** ports = jack_get_ports(client, pattern, JACK_DEFAULT_MIDI_TYPE, flags)) {
        for (const char** p = ports; *p != nullptr; ++p)
            names.emplace_back(*p);
        jack_free(ports);
    }
    return names;
}

Names ConnectionsNow(jack_client_t* client, const std::string& port_name) {
    Names names;
    const jack_port_t* port = jack_port_by_name(client, port_name.c_str());
    if (port == nullptr) return names;
    if (const char** ports = jack_port_get_all_connections(client, port)) {
        for (const char** p = ports; *p != nullptr; ++p)
            names.emplace_back(*p);
        jack_free(ports);
    }
    return names;
}

// Another client sees a change to the graph a little later on some servers: PipeWire makes a
// connection after it said yes, and tells of new clients and ports tens of milliseconds later
// on a loaded machine. This reads until it gets `expected`, for up to two seconds, and then
// returns what there is.
template <typename Read, typename Value>
Value Settled(Read read, const Value& expected) {
    const auto deadline = Clock::now() + 2s;
    Value value = read();
    while (value != expected && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        value = read();
    }
    return value;
}

Names ConnectionsOf(jack_client_t* client, const std::string& port_name, const Names& expected) {
    return Settled([&] { return ConnectionsNow(client, port_name); }, expected);
}

// The full names of our ports as another client sees them, sorted: PipeWire lists them in
// another order than jackd.
Names OurPorts(jack_client_t* client, unsigned long flags = 0) {
    Names ports = PortsMatching(client, "^KQ505:", flags);
    std::ranges::sort(ports);
    return ports;
}

int Position(const Names& names, const std::string& name) {
    const auto it = std::ranges::find(names, name);
    return it == names.end() ? -100 : static_cast<int>(it - names.begin());
}

// Part p gets values of its own away from the defaults, then the whole of it is sent.
void SendWholePart(CKQ505App& app, int part) {
    app.selected_part = part;
    for (int row = 0; row < kRowCount; ++row)
        app.part_table[row][part] = (row * 37 + part * 5 + 11) % 100;
    app.part_table[mix][part] = part % 2 == 0 ? -20 : 20;
    SendAllPartParameters(app);
}

// A reset, then all 16 parts in one burst, as loading a set-up does.
void ResetThenSendAllParts(CKQ505App& app) {
    SendXgSystemOn(app);
    for (int part = 0; part < kPartCount; ++part)
        SendWholePart(app, part);
}

std::vector<MidiEvent> Recorded(void (*session)(CKQ505App&)) {
    test::RecordingApp expected;
    session(expected.app);
    return expected.log.TakeEvents();
}

std::vector<Bytes> BytesOn(Port port, const std::vector<MidiEvent>& events) {
    std::vector<Bytes> bytes;
    for (const MidiEvent& e : events) {
        if (e.port == port) bytes.push_back(e.bytes);
    }
    return bytes;
}

// With KQ505_JACK_TEST_EXTERNAL set, the tests run on the JACK server that is there (PipeWire's,
// under pw-jack) instead of starting jackd; those that stop the server are skipped then.
bool OnExternalServer() {
    return std::getenv("KQ505_JACK_TEST_EXTERNAL") != nullptr;
}

class JackMidiOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!OnExternalServer() && !JackServer::Installed()) {
            GTEST_SKIP() << "jackd is not installed, so no JACK server can start here";
        }
        ASSERT_TRUE(lock_.Held()) << "another JACK test never let go";
        if (!OnExternalServer()) server_env_.emplace("JACK_DEFAULT_SERVER", server_name_.c_str());
        StartServer();
        UseSystemMidi(app_);
    }

    void StartServer() {
        if (!OnExternalServer()) {
            server_.emplace(server_name_);
            ASSERT_TRUE(server_->WaitUntilReady(10s)) << server_->Log();
        }
        receiver_.emplace();
        ASSERT_TRUE(receiver_->IsActive());
    }
    bool SkipsServerStop() const { return OnExternalServer(); }
    void StopServer() {
        receiver_.reset();
        server_.reset();
    }

    // Port A on the receiver's first input, Port B on its second, by device number.
    void OpenOnReceiver() {
        const Names names = app_.output_device_names();
        app_.out_a_device = Position(names, receiver_->InputName(Port::A));
        app_.out_b_device = Position(names, receiver_->InputName(Port::B));
        ASSERT_GE(app_.out_a_device, 0);
        ASSERT_GE(app_.out_b_device, 0);
        const PortOpenResult opened = OpenMidiPorts(app_);
        ASSERT_TRUE(opened.port_a_opened && opened.port_b_opened);
    }

    // Waits until the receiver has `expected` on both ports, and compares port by port.
    void ExpectReceived(const std::vector<MidiEvent>& expected) {
        const std::vector<MidiEvent> received = receiver_->Receive(expected.size(), 10s);
        EXPECT_FALSE(receiver_->Overflowed());
        EXPECT_EQ(BytesOn(Port::A, received), BytesOn(Port::A, expected));
        EXPECT_EQ(BytesOn(Port::B, received), BytesOn(Port::B, expected));
    }

    test::JackTestLock lock_;
    // One name for every run: the tests take turns through the lock, and a server that did
    // not end cleanly leaves its slot in JACK's registry to the next one of the same name.
    const std::string server_name_ = "kq505-jack-test";
    std::optional<ScopedEnv> server_env_;
    ScopedEnv api_env_{"KQ505_MIDI_API", "jack"};
    std::optional<JackServer> server_;  // declared before the receiver, so it stops last
    std::optional<JackMidiReceiver> receiver_;
    CKQ505App app_;  // declared last: its client goes before the server
};

// Lists, opens, reopens, releases and opens again: the server meets one client, "KQ505",
// with the ports "MIDI OUT A", "MIDI OUT B", "MIDI IN" and "MODULE IN", and nothing else of
// ours.
TEST_F(JackMidiOutputTest, OneClientKq505WithTwoPortsForEverything) {
    OpenOnReceiver();
    app_.input_device_names();
    ReinitialiseMidiPorts(app_);
    CloseMidiPorts(app_);
    app_.out_a_device = -1;
    OpenMidiPorts(app_);
    app_.output_device_names();

    EXPECT_EQ(Settled([&] { return receiver_->ClientsRegistered(); }, Names{"KQ505"}),
              Names{"KQ505"});
    const Names ours{"KQ505:MIDI IN", "KQ505:MIDI OUT A", "KQ505:MIDI OUT B", "KQ505:MODULE IN"};
    EXPECT_EQ(Settled([&] { return OurPorts(receiver_->client()); }, ours), ours);
    // Opening connects, closing disconnects, -1 leaves the port to a patchbay.
    EXPECT_TRUE(ConnectionsOf(receiver_->client(), "KQ505:MIDI OUT A", {}).empty());
    EXPECT_EQ(ConnectionsOf(receiver_->client(), "KQ505:MIDI OUT B",
                            Names{receiver_->InputName(Port::B)}),
              Names{receiver_->InputName(Port::B)});
}

TEST_F(JackMidiOutputTest, AWholePartAndAllSixteenPartsArriveExactAndInOrder) {
    OpenOnReceiver();
    const std::vector<MidiEvent> one_part = Recorded([](CKQ505App& app) { SendWholePart(app, 5); });
    SendWholePart(app_, 5);
    ExpectReceived(one_part);

    const std::vector<MidiEvent> all_parts = Recorded(&ResetThenSendAllParts);
    ASSERT_GT(all_parts.size(), 1000u);
    ResetThenSendAllParts(app_);
    ExpectReceived(all_parts);
    EXPECT_EQ(app_.midi_out_a->DroppedCount(), 0u);
    EXPECT_EQ(app_.midi_out_b->DroppedCount(), 0u);
}

// Far more than the queue holds, faster than the cycles take it: the rest is dropped and
// counted, the sends never wait, and what arrives is in order.
TEST_F(JackMidiOutputTest, AFullQueueDropsAndCountsWithoutWaiting) {
    OpenOnReceiver();
    constexpr int kSent = 12000;  // some 60 KB against a ring of 32 KiB
    std::vector<std::uint32_t> packed;
    std::vector<MidiEvent> sent;
    for (int i = 0; i < kSent; ++i) {
        packed.push_back(ControlChange(i / 128 % 16, kCcVolume, i % 128));
        sent.push_back({Port::A, ShortMessageBytes(packed.back())});
    }
    // A send that waited for room would drop nothing: the drops show that none waited.
    for (const std::uint32_t message : packed)
        app_.midi_out_a->SendShortMessage(message);
    const std::uint64_t dropped = app_.midi_out_a->DroppedCount();
    const std::vector<MidiEvent> received = receiver_->Receive(kSent - dropped, 10s);

    EXPECT_FALSE(receiver_->Overflowed());
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(received.size() + dropped, std::size_t{kSent});
    // In order: every received message is found after the one before it.
    auto next = sent.begin();
    for (const MidiEvent& event : received) {
        next = std::find(next, sent.end(), event);
        ASSERT_NE(next, sent.end()) << "out of order or never sent";
        ++next;
    }
}

TEST_F(JackMidiOutputTest, SendsAfterTheServerDiedReturnAtOnceAndThePortsAreClosed) {
    if (SkipsServerStop()) GTEST_SKIP() << "the server is not ours to stop";
    OpenOnReceiver();
    StopServer();
    // No bound on the time here, which a loaded machine would break: a send that waited for
    // the dead server even 5 ms would take the 20,000 of them past the test's time-out.
    for (int i = 0; i < 10000; ++i) {
        SendPartMessage(app_, i % 2 == 0 ? Port::A : Port::B, ControlChange(0, kCcVolume, i % 128));
        SendSysEx(app_, kXgSystemOn);
    }
    const auto deadline = Clock::now() + 5s;
    while (app_.midi_out_a->IsOpen() && Clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(app_.midi_out_a->IsOpen());
    EXPECT_FALSE(app_.midi_out_b->IsOpen());
    // Once the server is known to be gone, a send is dropped and counted at once.
    const std::uint64_t before = app_.midi_out_a->DroppedCount();
    SendSysEx(app_, kXgSystemOn);
    EXPECT_EQ(app_.midi_out_a->DroppedCount(), before + 1);
    // Without a server nothing opens, and nothing waits for one to come.
    const PortOpenResult opened = ReinitialiseMidiPorts(app_);
    EXPECT_FALSE(opened.port_a_opened || opened.port_b_opened);
}

// The dead client is closed by a reinitialisation without a server, as a user may press it
// too early. libjack keeps per-process state that outlives a dead server while another client
// of the process (here the receiver) stays open, so the test lets go of the dead client
// before that receiver comes; the program has no other client.
TEST_F(JackMidiOutputTest, ReinitialisingAfterANewServerStartedSendsAgain) {
    if (SkipsServerStop()) GTEST_SKIP() << "the server is not ours to stop";
    OpenOnReceiver();
    EXPECT_FALSE(app_.midi_server_lost());
    StopServer();
    const auto deadline = Clock::now() + 5s;
    while (app_.midi_out_a->IsOpen() && Clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(app_.midi_server_lost());  // told on libjack's thread, seen on ours
    const PortOpenResult too_early = ReinitialiseMidiPorts(app_);
    EXPECT_FALSE(too_early.port_a_opened || too_early.port_b_opened);
    StartServer();

    const PortOpenResult opened = ReinitialiseMidiPorts(app_);
    EXPECT_TRUE(opened.port_a_opened);
    EXPECT_TRUE(opened.port_b_opened);
    EXPECT_FALSE(app_.midi_server_lost());
    EXPECT_EQ(Settled([&] { return receiver_->ClientsRegistered(); }, Names{"KQ505"}),
              Names{"KQ505"});
    const std::vector<MidiEvent> one_part = Recorded([](CKQ505App& app) { SendWholePart(app, 9); });
    SendWholePart(app_, 9);
    ExpectReceived(one_part);
}

// At 31,250 bit/s, ten bits to a byte: 320 us a byte, 15.36 frames at 48 kHz; a System
// On holds the next message for 50 ms more. Each port keeps its own link.
TEST_F(JackMidiOutputTest, PacedSendsKeepTheLinkSpeedAndTheResetTimeInFrames) {
    app_.midi_pace = 1;
    OpenOnReceiver();
    const auto session = [](CKQ505App& app) {
        SendXgSystemOn(app);
        SendWholePart(app, 3);
    };
    const std::vector<MidiEvent> expected = Recorded(session);
    session(app_);
    const std::vector<test::TimedMidiEvent> received =
        receiver_->ReceiveTimed(expected.size(), 10s);
    ASSERT_EQ(received.size(), expected.size());
    for (const Port port : {Port::A, Port::B}) {
        const test::TimedMidiEvent* previous = nullptr;
        for (const test::TimedMidiEvent& event : received) {
            if (event.event.port != port) continue;
            if (previous != nullptr) {
                const std::uint32_t gap = event.frame - previous->frame;
                const double wire = previous->event.bytes.size() * 15.36;
                const bool reset =
                    previous->event.bytes == Bytes(kXgSystemOn.begin(), kXgSystemOn.end());
                EXPECT_GE(gap, wire + (reset ? 2400 : 0))
                    << "after " << previous->event.bytes.size() << " bytes on port " << int(port);
            }
            previous = &event;
        }
    }
    std::vector<MidiEvent> bytes;
    for (const test::TimedMidiEvent& event : received)
        bytes.push_back(event.event);
    EXPECT_EQ(BytesOn(Port::A, bytes), BytesOn(Port::A, expected));
    EXPECT_EQ(BytesOn(Port::B, bytes), BytesOn(Port::B, expected));
}

// Device n is the n-th MIDI input of the graph in the server's order, our own ports never
// among them; a stored full JACK name wins over the number.
TEST_F(JackMidiOutputTest, DeviceListsLeaveOutOurPortsAndAStoredNameWins) {
    OpenOnReceiver();
    const Names outputs = app_.output_device_names();
    const Names inputs = app_.input_device_names();
    Names others_inputs;
    for (const std::string& name : PortsMatching(receiver_->client(), nullptr, JackPortIsInput)) {
        if (!name.starts_with("KQ505:")) others_inputs.push_back(name);
    }
    EXPECT_EQ(outputs, others_inputs);
    EXPECT_EQ(Position(outputs, receiver_->InputName(Port::A)), app_.out_a_device);
    for (const std::string& name : inputs)
        EXPECT_FALSE(name.starts_with("KQ505:")) << name;
    const Names our_outputs{"KQ505:MIDI OUT A", "KQ505:MIDI OUT B"};
    EXPECT_EQ(Settled([&] { return OurPorts(receiver_->client(), JackPortIsOutput); }, our_outputs),
              our_outputs);

    app_.out_a_device = 0;
    app_.out_a_name = receiver_->InputName(Port::B);
    app_.out_b_device = 99;
    app_.out_b_name = receiver_->InputName(Port::A);
    const PortOpenResult opened = ReinitialiseMidiPorts(app_);
    EXPECT_TRUE(opened.port_a_opened && opened.port_b_opened);
    EXPECT_EQ(ConnectionsOf(receiver_->client(), "KQ505:MIDI OUT A",
                            Names{receiver_->InputName(Port::B)}),
              Names{receiver_->InputName(Port::B)});
    EXPECT_EQ(ConnectionsOf(receiver_->client(), "KQ505:MIDI OUT B",
                            Names{receiver_->InputName(Port::A)}),
              Names{receiver_->InputName(Port::A)});

    // A number beyond the list opens nothing and leaves the port unconnected.
    app_.out_a_name.clear();
    app_.out_a_device = static_cast<int>(outputs.size());
    EXPECT_FALSE(ReinitialiseMidiPorts(app_).port_a_opened);
    EXPECT_TRUE(ConnectionsOf(receiver_->client(), "KQ505:MIDI OUT A", {}).empty());
}

// What the receiver got from one path: the events on `port` whose channel is `channel`.
std::vector<test::TimedMidiEvent> OnPath(const std::vector<test::TimedMidiEvent>& events, Port port,
                                         int channel) {
    std::vector<test::TimedMidiEvent> path;
    for (const test::TimedMidiEvent& e : events) {
        if (e.event.port == port && (e.event.bytes.at(0) & 0x0F) == channel) path.push_back(e);
    }
    return path;
}

std::vector<Bytes> BytesOf(const std::vector<test::TimedMidiEvent>& events) {
    std::vector<Bytes> bytes;
    for (const test::TimedMidiEvent& e : events)
        bytes.push_back(e.event.bytes);
    return bytes;
}

std::vector<std::uint32_t> FramesOf(const std::vector<test::TimedMidiEvent>& events) {
    std::vector<std::uint32_t> frames;
    for (const test::TimedMidiEvent& e : events)
        frames.push_back(e.frame);
    return frames;
}

// Device n connects source n to "MIDI IN". The sender is also connected straight to the
// receiver, so its own events (channel 0 on the first input) show the frames it played at:
// the play-through must arrive in the same cycle at the same frames, on both ports, on the
// selected part's channel, and after a part change its note-off and pedal release must still
// reach the old part.
TEST_F(JackMidiOutputTest, TheInputPlaysThroughInTheSameCycleAtTheSameFrames) {
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    app_.in_device = Position(app_.input_device_names(), sender.OutputName());
    ASSERT_GE(app_.in_device, 0);
    app_.thru = 1;
    SelectPart(app_, 5);
    OpenOnReceiver();
    ASSERT_TRUE(app_.midi_in->IsOpen());
    EXPECT_EQ(ConnectionsOf(receiver_->client(), "KQ505:MIDI IN", Names{sender.OutputName()}),
              Names{sender.OutputName()});
    ASSERT_EQ(jack_connect(receiver_->client(), sender.OutputName().c_str(),
                           receiver_->InputName(Port::A).c_str()),
              0);
    // Connections take hold some cycles later: channel pressure until all three paths carry.
    bool through = false;
    for (int tries = 0; tries < 50 && !through; ++tries) {
        ASSERT_TRUE(sender.Play({{0, {0xD0, 0}}}));
        through = receiver_->Receive(3, 100ms).size() >= 3;
    }
    ASSERT_TRUE(through);
    receiver_->Receive(100, 100ms);

    ASSERT_TRUE(sender.Play({{3, {0x90, 60, 100}},
                             {3, {0x90, 64, 100}},
                             {17, {0x90, 67, 100}},
                             {40, {0xB0, 64, 127}}}));
    const std::vector<test::TimedMidiEvent> chord = receiver_->ReceiveTimed(12, 5s);
    const auto played = OnPath(chord, Port::A, 0);
    const std::vector<Bytes> expected{
        {0x95, 60, 100}, {0x95, 64, 100}, {0x95, 67, 100}, {0xB5, 64, 127}};
    ASSERT_EQ(played.size(), 4u);
    EXPECT_EQ(BytesOf(OnPath(chord, Port::A, 5)), expected);
    EXPECT_EQ(BytesOf(OnPath(chord, Port::B, 5)), expected);
    EXPECT_EQ(FramesOf(OnPath(chord, Port::A, 5)), FramesOf(played));
    EXPECT_EQ(FramesOf(OnPath(chord, Port::B, 5)), FramesOf(played));
    for (const test::TimedMidiEvent& out : OnPath(chord, Port::B, 5)) {
        std::cout << "in -> out: "
                  << static_cast<std::int64_t>(out.frame) -
                         static_cast<std::int64_t>(played.front().frame)
                  << " frames after the first input event\n";
    }

    SelectPart(app_, 9);
    ASSERT_TRUE(sender.Play({{0, {0x80, 60, 0}}, {0, {0xB0, 64, 0}}, {1, {0x90, 72, 90}}}));
    const std::vector<test::TimedMidiEvent> later = receiver_->ReceiveTimed(9, 5s);
    EXPECT_EQ(BytesOf(OnPath(later, Port::A, 5)),
              (std::vector<Bytes>{{0x85, 60, 0}, {0xB5, 64, 0}}));
    EXPECT_EQ(BytesOf(OnPath(later, Port::B, 5)),
              (std::vector<Bytes>{{0x85, 60, 0}, {0xB5, 64, 0}}));
    EXPECT_EQ(BytesOf(OnPath(later, Port::A, 9)), (std::vector<Bytes>{{0x99, 72, 90}}));
    EXPECT_EQ(BytesOf(OnPath(later, Port::B, 9)), (std::vector<Bytes>{{0x99, 72, 90}}));
}

bool IsNote(const MidiEvent& e) {
    return (e.bytes.at(0) & 0xE0) == 0x80;
}

// A send of all parts queued by the user-interface thread and notes played through meet in
// the same cycles: JACK takes a port's events only in frame order, so any played note put in
// out of order would be lost. Everything arrives, and the queued bytes keep their order.
TEST_F(JackMidiOutputTest, PlayedNotesAndQueuedSendsShareCyclesWithoutLoss) {
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    app_.in_device = Position(app_.input_device_names(), sender.OutputName());
    app_.thru = 1;
    SelectPart(app_, 5);
    OpenOnReceiver();
    ASSERT_TRUE(app_.midi_in->IsOpen());
    bool through = false;
    for (int tries = 0; tries < 50 && !through; ++tries) {
        ASSERT_TRUE(sender.Play({{0, {0xD0, 0}}}));
        through = receiver_->Receive(2, 100ms).size() >= 2;
    }
    ASSERT_TRUE(through);
    receiver_->Receive(100, 100ms);

    const std::vector<MidiEvent> queued = Recorded(&ResetThenSendAllParts);
    ResetThenSendAllParts(app_);  // several cycles' worth
    constexpr int kNotes = 12;
    for (int i = 0; i < kNotes; ++i) {
        const auto note = static_cast<std::uint8_t>(48 + i);
        ASSERT_TRUE(sender.Play({{static_cast<std::uint32_t>(5 + i), {0x90, note, 100}}}));
    }
    const std::vector<MidiEvent> received = receiver_->Receive(queued.size() + 2 * kNotes, 10s);
    std::vector<MidiEvent> notes;
    std::vector<MidiEvent> rest;
    for (const MidiEvent& e : received)
        (IsNote(e) ? notes : rest).push_back(e);
    EXPECT_EQ(BytesOn(Port::A, rest), BytesOn(Port::A, queued));
    EXPECT_EQ(BytesOn(Port::B, rest), BytesOn(Port::B, queued));
    std::vector<Bytes> played;
    for (int i = 0; i < kNotes; ++i)
        played.push_back({0x95, static_cast<std::uint8_t>(48 + i), 100});
    EXPECT_EQ(BytesOn(Port::A, notes), played);
    EXPECT_EQ(BytesOn(Port::B, notes), played);
}

// Connections take hold some cycles after they are made: channel pressure on the first
// channel until `paths` copies of it arrive, then whatever lingers is taken away.
bool WaitUntilAllPathsCarry(test::JackMidiSender& sender, JackMidiReceiver& receiver,
                            std::size_t paths) {
    bool carried = false;
    for (int tries = 0; tries < 50 && !carried; ++tries) {
        if (!sender.Play({{0, {0xD0, 0}}})) return false;
        carried = receiver.Receive(paths, 100ms).size() >= paths;
    }
    receiver.Receive(100, 100ms);
    return carried;
}

// Every event of one port, as bytes.
std::vector<Bytes> BytesOnPort(const std::vector<test::TimedMidiEvent>& events, Port port) {
    std::vector<Bytes> bytes;
    for (const test::TimedMidiEvent& e : events) {
        if (e.event.port == port) bytes.push_back(e.event.bytes);
    }
    return bytes;
}

// What passes and what does not, under each setting. The sender plays on channel 3 into
// "MIDI IN" and, as a witness of what was played, straight into the receiver's first input.
// Thru=0 comes first: the witness path is connected after "MIDI IN", so once it carries,
// "MIDI IN" does too, and silence on the ports means nothing was forwarded.
TEST_F(JackMidiOutputTest, WhatThePlayThroughForwardsUnderEachSetting) {
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    app_.in_device = Position(app_.input_device_names(), sender.OutputName());
    ASSERT_GE(app_.in_device, 0);
    app_.thru = 0;
    SelectPart(app_, 5);
    OpenOnReceiver();
    ASSERT_TRUE(app_.midi_in->IsOpen());
    ASSERT_EQ(ConnectionsOf(receiver_->client(), "KQ505:MIDI IN", Names{sender.OutputName()}),
              Names{sender.OutputName()});
    ASSERT_EQ(jack_connect(receiver_->client(), sender.OutputName().c_str(),
                           receiver_->InputName(Port::A).c_str()),
              0);
    ASSERT_TRUE(WaitUntilAllPathsCarry(sender, *receiver_, 1));

    // Thru=0: a stored In number alone forwards nothing, not even notes.
    const std::vector<test::TimedMessage> plain{{2, {0xE2, 0x00, 0x48}},  // pitch bend
                                                {5, {0x92, 60, 100}},
                                                {8, {0xD2, 70}},      // channel pressure
                                                {11, {0xB2, 1, 64}},  // modulation
                                                {14, {0x82, 60, 0}}};
    ASSERT_TRUE(sender.Play(plain));
    const std::vector<test::TimedMidiEvent> off = receiver_->ReceiveTimed(plain.size() + 1, 300ms);
    EXPECT_EQ(BytesOnPort(off, Port::A), BytesOf(OnPath(off, Port::A, 2))) << "only the witness";
    EXPECT_EQ(OnPath(off, Port::A, 2).size(), plain.size());
    EXPECT_TRUE(BytesOnPort(off, Port::B).empty());

    // Thru=1 on the part's channel: the table's controllers (volume, reverb send, bank
    // select), program changes and system messages stay behind; the rest goes to both
    // ports at the frames it was played at.
    app_.thru = 1;
    ASSERT_TRUE(ReinitialiseMidiPorts(app_).port_b_opened);
    ASSERT_TRUE(WaitUntilAllPathsCarry(sender, *receiver_, 3));
    std::vector<test::TimedMessage> mixed = plain;
    mixed.insert(mixed.end(), {{16, {0xB2, 7, 90}},
                               {18, {0xB2, 91, 40}},
                               {20, {0xB2, 0, 1}},
                               {22, {0xB2, 32, 3}},
                               {24, {0xC2, 10}},
                               {26, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                               {28, {0xB2, 1, 0}}});
    ASSERT_TRUE(sender.Play(mixed));
    const std::vector<Bytes> forwarded{{0xE5, 0x00, 0x48}, {0x95, 60, 100}, {0xD5, 70},
                                       {0xB5, 1, 64},      {0x85, 60, 0},   {0xB5, 1, 0}};
    const std::vector<test::TimedMidiEvent> on =
        receiver_->ReceiveTimed(mixed.size() + 2 * forwarded.size(), 5s);
    EXPECT_EQ(BytesOf(OnPath(on, Port::A, 5)), forwarded);
    EXPECT_EQ(BytesOnPort(on, Port::B), forwarded);
    // The frames at which the witness brought what was forwarded.
    std::vector<std::uint32_t> witnessed;
    for (const test::TimedMidiEvent& e : OnPath(on, Port::A, 2)) {
        Bytes on_part = e.event.bytes;
        on_part[0] = static_cast<std::uint8_t>((on_part[0] & 0xF0) | 5);
        if (std::ranges::find(forwarded, on_part) != forwarded.end()) witnessed.push_back(e.frame);
    }
    ASSERT_EQ(witnessed.size(), forwarded.size());
    EXPECT_EQ(FramesOf(OnPath(on, Port::B, 5)), witnessed);

    // ThruChannel=1: each message keeps its own channel, here 3 and 12; the volume still
    // stays behind.
    app_.thru_channel = 1;
    ASSERT_TRUE(ReinitialiseMidiPorts(app_).port_b_opened);
    ASSERT_TRUE(WaitUntilAllPathsCarry(sender, *receiver_, 3));
    const std::vector<test::TimedMessage> own{
        {3, {0xEB, 0x7F, 0x7F}}, {6, {0x92, 64, 80}}, {9, {0xBB, 7, 20}}, {12, {0x82, 64, 0}}};
    ASSERT_TRUE(sender.Play(own));
    const std::vector<Bytes> kept{{0xEB, 0x7F, 0x7F}, {0x92, 64, 80}, {0x82, 64, 0}};
    const std::vector<test::TimedMidiEvent> same = receiver_->ReceiveTimed(own.size() + 6, 5s);
    EXPECT_EQ(BytesOnPort(same, Port::B), kept);
    // On the first input the witness and Port A bring each forwarded message twice.
    EXPECT_EQ(BytesOnPort(same, Port::A), (std::vector<Bytes>{{0xEB, 0x7F, 0x7F},
                                                              {0xEB, 0x7F, 0x7F},
                                                              {0x92, 64, 80},
                                                              {0x92, 64, 80},
                                                              {0xBB, 7, 20},
                                                              {0x82, 64, 0},
                                                              {0x82, 64, 0}}));
}

// A MIDI device that sends back out whatever comes in, as a through port does, with its two
// sides named as the two directions of one device.
class LoopbackDevice {
  public:
    LoopbackDevice() {
        client_ = jack_client_open("kq505-loopback", JackNoStartServer, nullptr);
        if (client_ == nullptr) return;
        in_ = jack_port_register(client_, "midi_playback_1", JACK_DEFAULT_MIDI_TYPE,
                                 JackPortIsInput, 0);
        out_ = jack_port_register(client_, "midi_capture_1", JACK_DEFAULT_MIDI_TYPE,
                                  JackPortIsOutput, 0);
        if (in_ == nullptr || out_ == nullptr) return;
        jack_set_process_callback(client_, &LoopbackDevice::Process, this);
        active_ = jack_activate(client_) == 0;
    }
    ~LoopbackDevice() {
        if (client_ != nullptr) jack_client_close(client_);
    }
    LoopbackDevice(const LoopbackDevice&) = delete;
    LoopbackDevice& operator=(const LoopbackDevice&) = delete;

    bool IsActive() const { return active_; }
    std::string InputName() const { return jack_port_name(in_); }
    std::string OutputName() const { return jack_port_name(out_); }

  private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& device = *static_cast<LoopbackDevice*>(self);
        void* in = jack_port_get_buffer(device.in_, frames);
        void* out = jack_port_get_buffer(device.out_, frames);
        jack_midi_clear_buffer(out);
        const std::uint32_t count = jack_midi_get_event_count(in);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) == 0)
                jack_midi_event_write(out, event.time, event.buffer, event.size);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* out_ = nullptr;
    bool active_ = false;
};

// The input and Port A on the two sides of one loopback device, which the keyboard also
// plays into: Port A is left out of the play-through, so nothing circles, while Port B still
// gets every note once. What the device sends back is watched on the receiver's first input.
TEST_F(JackMidiOutputTest, AnInputThatPortAAlsoFeedsDoesNotCircle) {
    LoopbackDevice device;
    ASSERT_TRUE(device.IsActive());
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    ASSERT_TRUE(sender.ConnectTo(":midi_playback_1"));
    ASSERT_EQ(jack_connect(receiver_->client(), device.OutputName().c_str(),
                           receiver_->InputName(Port::A).c_str()),
              0);
    app_.in_device = Position(app_.input_device_names(), device.OutputName());
    app_.out_a_device = Position(app_.output_device_names(), device.InputName());
    app_.out_b_device = Position(app_.output_device_names(), receiver_->InputName(Port::B));
    ASSERT_GE(app_.in_device, 0);
    ASSERT_GE(app_.out_a_device, 0);
    ASSERT_GE(app_.out_b_device, 0);
    app_.thru = 1;
    SelectPart(app_, 5);
    const PortOpenResult opened = OpenMidiPorts(app_);
    ASSERT_TRUE(opened.port_a_opened && opened.port_b_opened);
    ASSERT_TRUE(app_.midi_in->IsOpen());
    ASSERT_TRUE(WaitUntilAllPathsCarry(sender, *receiver_, 2));

    const std::vector<test::TimedMessage> played{
        {4, {0x92, 60, 100}}, {9, {0xE2, 0x00, 0x50}}, {14, {0x82, 60, 0}}};
    ASSERT_TRUE(sender.Play(played));
    const std::vector<MidiEvent> received = receiver_->Receive(2 * played.size(), 2s);
    std::vector<Bytes> bytes;
    for (const test::TimedMessage& m : played)
        bytes.push_back(m.bytes);
    EXPECT_EQ(BytesOn(Port::A, received), bytes) << "only the keyboard comes back";
    EXPECT_EQ(BytesOn(Port::B, received),
              (std::vector<Bytes>{{0x95, 60, 100}, {0xE5, 0x00, 0x50}, {0x85, 60, 0}}));
    EXPECT_FALSE(receiver_->Overflowed());
}

}  // namespace
}  // namespace kq505
