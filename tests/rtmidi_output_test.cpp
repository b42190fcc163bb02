#include "model/midi_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/kq505_app.h"
#include "app/startup.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "model/part_transmission.h"
#include "model/play_through_send.h"
#include "tests/support/jack_sender.h"
#include "tests/support/jack_session.h"
#include "tests/support/recording_app.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "view/track_label.h"

namespace kq505 {

// "A: B5 07 5A", so that a failed comparison of received events can be read.
void PrintTo(const MidiEvent& event, std::ostream* os) {
    *os << (event.port == Port::A ? "A:" : "B:");
    for (std::uint8_t byte : event.bytes) {
        *os << ' ' << "0123456789ABCDEF"[byte >> 4] << "0123456789ABCDEF"[byte & 15];
    }
}

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using test::JackMidiReceiver;
using test::JackServer;
using test::ScopedEnv;

// Whatever reaches the terminal (stdout and stderr, C and C++ streams alike) meanwhile.
class TerminalCapture {
  public:
    TerminalCapture() : file_(std::tmpfile()), out_(dup(STDOUT_FILENO)), err_(dup(STDERR_FILENO)) {
        Flush();
        dup2(fileno(file_), STDOUT_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~TerminalCapture() { Stop(); }

    std::string Stop() {
        if (file_ == nullptr) return text_;
        Flush();
        dup2(out_, STDOUT_FILENO);
        dup2(err_, STDERR_FILENO);
        close(out_);
        close(err_);
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            text_.push_back(static_cast<char>(c));
        std::fclose(file_);
        file_ = nullptr;
        return text_;
    }

  private:
    static void Flush() {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
    }

    std::FILE* file_;
    int out_;
    int err_;
    std::string text_;
};

std::vector<Bytes> BytesOn(Port port, const std::vector<MidiEvent>& events) {
    std::vector<Bytes> bytes;
    for (const MidiEvent& e : events) {
        if (e.port == port) bytes.push_back(e.bytes);
    }
    return bytes;
}

bool Contains(const std::vector<Bytes>& messages, const Bytes& message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// Every step of an output, with the numbers that no system lists; returns how many of those
// opened.
int TryEverything(MidiOutput& out) {
    int opened = 0;
    out.Open(0);
    out.Open(-1);
    for (int device : {-2, 1 << 20, INT_MAX, INT_MIN})
        opened += out.Open(device) ? 1 : 0;
    out.SendShortMessage(ControlChange(0, kCcVolume, 100));
    out.SendSysEx(kXgSystemOn);
    out.Close();
    MidiOutputDeviceNames();
    MidiInputDeviceNames();
    return opened;
}

// Even a client that finds no server takes part in JACK's shared memory, so these take the
// lock of the JACK tests too.
class RtMidiOutput : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(lock_.Held()) << "another JACK test never let go"; }

    test::JackTestLock lock_;
};

TEST_F(RtMidiOutput, FailsQuietlyWhereTheChosenSystemIsAbsent) {
    ScopedEnv api("KQ505_MIDI_API", "jack");
    ScopedEnv server("JACK_DEFAULT_SERVER", ("kq505-absent-" + std::to_string(getpid())).c_str());
    const auto out = MakeMidiOutput(Port::A);
    TerminalCapture terminal;
    const bool opened_real = out->Open(0);
    const bool opened_virtual = out->Open(-1);
    const bool closed = !out->IsOpen();
    out->SendShortMessage(ControlChange(0, kCcVolume, 100));
    out->SendSysEx(kXgSystemOn);
    const auto outputs = MidiOutputDeviceNames();
    const auto inputs = MidiInputDeviceNames();
    EXPECT_EQ(terminal.Stop(), "");
    EXPECT_FALSE(opened_real);
    EXPECT_FALSE(opened_virtual);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(outputs.empty());
    EXPECT_TRUE(inputs.empty());
}

// Whichever system this machine has (none, ALSA or both), the automatic choice prints nothing
// and never opens a device beyond the list.
TEST_F(RtMidiOutput, AutomaticChoiceIsQuietAnywhere) {
    ScopedEnv api("KQ505_MIDI_API", nullptr);
    ScopedEnv server("JACK_DEFAULT_SERVER", ("kq505-absent-" + std::to_string(getpid())).c_str());
    const auto out = MakeMidiOutput(Port::B);
    TerminalCapture terminal;
    const int opened = TryEverything(*out);
    EXPECT_EQ(terminal.Stop(), "");
    EXPECT_EQ(opened, 0);
}

class RtMidiJack : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!JackServer::Installed()) {
            GTEST_SKIP() << "jackd is not installed, so no JACK server can start here";
        }
        ASSERT_TRUE(lock_.Held()) << "another JACK test never let go";
        server_.emplace(server_name_);
        ASSERT_TRUE(server_->WaitUntilReady(10s)) << server_->Log();
        receiver_.emplace();
        ASSERT_TRUE(receiver_->IsActive());
    }

    // The device number of the receiver's input for `port`, or -100 when it is not listed.
    static int DeviceOf(const std::vector<std::string>& names, const std::string& input) {
        const auto it = std::find(names.begin(), names.end(), input);
        return it == names.end() ? -100 : static_cast<int>(it - names.begin());
    }

    test::JackTestLock lock_;
    // One name for every run: the tests take turns through the lock, and JACK frees a slot of
    // its registry only for a server of the same name.
    const std::string server_name_ = "kq505-rtmidi-test";
    ScopedEnv server_env_{"JACK_DEFAULT_SERVER", server_name_.c_str()};
    ScopedEnv api_env_{"KQ505_MIDI_API", "jack"};
    std::optional<JackServer> server_;  // declared before the receiver, so it stops last
    std::optional<JackMidiReceiver> receiver_;
};

// The session both apps go through: reset, then a whole part with values away from the
// defaults on part 5.
void SendSession(CKQ505App& app) {
    SendXgSystemOn(app);
    app.selected_part = 5;
    auto& table = app.part_table;
    for (int row = 0; row < kRowCount; ++row)
        table[row][5] = (row * 37 + 11) % 100;
    table[vol][5] = 90;
    table[key_shift][5] = 76;
    table[porta_sw][5] = 1;
    table[mix][5] = -20;
    table[eq_bass_freq_b][5] = 30;
    SendAllPartParameters(app);
}

TEST_F(RtMidiJack, WholePartArrivesInOrderOnEachPort) {
    const auto names = MidiOutputDeviceNames();
    const int device_a = DeviceOf(names, receiver_->InputName(Port::A));
    const int device_b = DeviceOf(names, receiver_->InputName(Port::B));
    ASSERT_GE(device_a, 0);
    ASSERT_GE(device_b, 0);

    test::RecordingApp expected;
    SendSession(expected.app);
    const std::vector<MidiEvent> sent = expected.log.TakeEvents();

    CKQ505App app;
    UseSystemMidi(app);
    app.out_a_device = device_a;
    app.out_b_device = device_b;
    ASSERT_TRUE(app.midi_out_a->Open(app.out_a_device));
    ASSERT_TRUE(app.midi_out_b->Open(app.out_b_device));
    SendSession(app);
    const std::vector<MidiEvent> received = receiver_->Receive(sent.size(), 5s);
    EXPECT_FALSE(receiver_->Overflowed());

    const auto on_a = BytesOn(Port::A, received);
    const auto on_b = BytesOn(Port::B, received);
    EXPECT_EQ(on_a, BytesOn(Port::A, sent));
    EXPECT_EQ(on_b, BytesOn(Port::B, sent));
    ASSERT_FALSE(on_a.empty());
    EXPECT_EQ(on_a.front(), (Bytes{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_EQ(on_a[1], (Bytes{0xB5, 0x07, 0x5A}));
    ASSERT_FALSE(on_b.empty());
    EXPECT_EQ(on_b.front(), (Bytes{0xB5, 0x07, 0x5A}));
    EXPECT_TRUE(Contains(on_a, Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x15, 0x08, 0x4C, 0xF7}));
    EXPECT_TRUE(Contains(on_a, Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x15, 0x0D, 0x2C, 0xF7}));
    EXPECT_TRUE(Contains(on_b, Bytes{0xB5, 0x41, 0x7F}));
    EXPECT_TRUE(Contains(on_b, Bytes{0xB5, 0x62, 0x34}));
    EXPECT_TRUE(Contains(on_b, Bytes{0xB5, 0x06, 0x1E}));
    for (const Bytes& message : on_b)
        EXPECT_NE(message.front(), 0xF0) << "SysEx on Port B";
}

TEST_F(RtMidiJack, DevicesBeyondTheListFailQuietlyAndLeaveTheOutputClosed) {
    const auto names = MidiOutputDeviceNames();
    const int device_a = DeviceOf(names, receiver_->InputName(Port::A));
    ASSERT_GE(device_a, 0);
    const auto out = MakeMidiOutput(Port::A);
    TerminalCapture terminal;
    const bool opened = out->Open(device_a);
    const bool past_end = out->Open(static_cast<int>(names.size()));
    const bool still_open = out->IsOpen();
    const bool far_past_end = out->Open(static_cast<int>(names.size()) + 1000);
    const bool negative = out->Open(-2);
    out->SendShortMessage(ControlChange(0, kCcVolume, 100));
    EXPECT_EQ(terminal.Stop(), "");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(past_end);
    EXPECT_FALSE(still_open);
    EXPECT_FALSE(far_past_end);
    EXPECT_FALSE(negative);
    EXPECT_TRUE(receiver_->Receive(0, 0ms).empty());
}

// Far more than one JACK cycle carries: the output's queue holds them until the cycles
// have taken them all.
TEST_F(RtMidiJack, ABurstOfManyCyclesArrivesWhole) {
    const int device_b = DeviceOf(MidiOutputDeviceNames(), receiver_->InputName(Port::B));
    const auto out = MakeMidiOutput(Port::B);
    ASSERT_TRUE(out->Open(device_b));
    std::vector<MidiEvent> sent;
    for (int i = 0; i < 3000; ++i) {
        const Bytes bytes{static_cast<std::uint8_t>(0xB0 | (i % 16)), 0x07,
                          static_cast<std::uint8_t>(i % 128)};
        out->SendShortMessage(PackShortMessage(bytes[0], bytes[1], bytes[2]));
        sent.push_back({Port::B, bytes});
    }
    EXPECT_EQ(receiver_->Receive(sent.size(), 5s), sent);
    EXPECT_FALSE(receiver_->Overflowed());
}

// A client of the graph that holds every cycle back, as a loaded machine does.
class SlowJackClient {
  public:
    explicit SlowJackClient(std::chrono::milliseconds hold) : hold_(hold) {
        client_ = jack_client_open("kq505-slow", JackNoStartServer, nullptr);
        if (client_ == nullptr) return;
        jack_set_process_callback(client_, &SlowJackClient::Process, this);
        active_ = jack_activate(client_) == 0;
    }
    ~SlowJackClient() {
        if (client_ != nullptr) jack_client_close(client_);
    }
    SlowJackClient(const SlowJackClient&) = delete;
    SlowJackClient& operator=(const SlowJackClient&) = delete;
    bool IsActive() const { return active_; }

  private:
    static int Process(jack_nframes_t, void* self) {
        std::this_thread::sleep_for(static_cast<SlowJackClient*>(self)->hold_);
        return 0;
    }
    jack_client_t* client_ = nullptr;
    std::chrono::milliseconds hold_;
    bool active_ = false;
};

// What was sent just before a close (the note-offs that end a session) still arrives when
// each cycle comes far later than usual.
TEST_F(RtMidiJack, WhatWasSentBeforeACloseArrivesWhenCyclesComeLate) {
    const int device_a = DeviceOf(MidiOutputDeviceNames(), receiver_->InputName(Port::A));
    const auto out = MakeMidiOutput(Port::A);
    ASSERT_TRUE(out->Open(device_a));
    SlowJackClient slow(250ms);
    ASSERT_TRUE(slow.IsActive());
    const std::vector<MidiEvent> sent{{Port::A, {0x80, 60, 0x40}}, {Port::A, {0x81, 62, 0x40}}};
    for (const MidiEvent& event : sent)
        out->SendShortMessage(PackShortMessage(event.bytes[0], event.bytes[1], event.bytes[2]));
    out->Close();
    EXPECT_EQ(receiver_->Receive(sent.size(), 10s), sent);
}

TEST_F(RtMidiJack, SendsToAServerThatWentAwayAreDroppedQuietly) {
    const int device_a = DeviceOf(MidiOutputDeviceNames(), receiver_->InputName(Port::A));
    const auto out = MakeMidiOutput(Port::A);
    ASSERT_TRUE(out->Open(device_a));
    receiver_.reset();
    server_.reset();
    TerminalCapture terminal;
    // More than RtMidi's JACK ring buffer holds, so that it overflows as well.
    for (int i = 0; i < 3000; ++i)
        out->SendShortMessage(ControlChange(0, kCcVolume, i % 128));
    out->SendSysEx(kXgSystemOn);
    const bool reopened = out->Open(device_a);
    EXPECT_EQ(terminal.Stop(), "");
    EXPECT_FALSE(reopened);
    EXPECT_FALSE(out->IsOpen());
}

TEST_F(RtMidiJack, AutomaticChoiceGoesOnToJackWithoutAnAlsaSequencer) {
    if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has an ALSA sequencer";
    const std::string in_a = receiver_->InputName(Port::A);
    for (const char* api : {static_cast<const char*>(nullptr), "", "no-such-api"}) {
        ScopedEnv choice("KQ505_MIDI_API", api);
        EXPECT_GE(DeviceOf(MidiOutputDeviceNames(), in_a), 0) << (api ? api : "unset");
    }
    // Asked for by name, ALSA is not replaced by JACK.
    ScopedEnv choice("KQ505_MIDI_API", "alsa");
    EXPECT_TRUE(MidiOutputDeviceNames().empty());
    EXPECT_FALSE(MakeMidiOutput(Port::A)->Open(-1));
}

// The full JACK names of the MIDI outputs whose port name is `port_name`.
std::vector<std::string> OutputsNamed(jack_client_t* client, const std::string& port_name) {
    std::vector<std::string> found;
    const std::string pattern = ":" + port_name + "$";
    if (const char** ports =
            jack_get_ports(client, pattern.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
        for (const char** p = ports; *p != nullptr; ++p)
            found.emplace_back(*p);
        jack_free(ports);
    }
    return found;
}

// A synthesizer is running, so JACK lists a device 0; a first start still connects nothing.
TEST_F(RtMidiJack, AFirstStartWithoutAnIniFileConnectsNothing) {
    const test::TempFolder folder;
    CKQ505App app;
    UseSystemMidi(app);
    ASSERT_FALSE(app.output_device_names().empty());
    RunStartUpSteps(app, {folder.path() / "bin" / "kq505", folder.path() / "config", {}});
    const PortOpenResult opened = OpenMidiPorts(app);
    EXPECT_TRUE(opened.port_a_opened && opened.port_b_opened);
    EXPECT_TRUE(app.outputs_unchosen);
    for (const Port port : {Port::A, Port::B}) {
        const std::string input = receiver_->InputName(port);
        EXPECT_EQ(jack_port_connected(jack_port_by_name(receiver_->client(), input.c_str())), 0);
    }
}

TEST_F(RtMidiJack, DeviceMinusOneIsAVirtualPortOthersCanConnectTo) {
    CKQ505App app;
    UseSystemMidi(app);
    MidiOutput* out_a = app.midi_out_a.get();
    ASSERT_TRUE(out_a->Open(-1));
    ASSERT_TRUE(app.midi_out_b->Open(-1));
    const auto ports_a = OutputsNamed(receiver_->client(), "MIDI OUT A");
    const auto ports_b = OutputsNamed(receiver_->client(), "MIDI OUT B");
    ASSERT_EQ(ports_a.size(), 1u);
    ASSERT_EQ(ports_b.size(), 1u);
    // Another program lists it as a source; our own list never does.
    EXPECT_GE(DeviceOf(MidiInputDeviceNames(), ports_a[0]), 0);
    EXPECT_LT(DeviceOf(app.input_device_names(), ports_a[0]), 0);

    const std::string in_a = receiver_->InputName(Port::A);
    ASSERT_EQ(jack_connect(receiver_->client(), ports_a[0].c_str(), in_a.c_str()), 0);
    // A connection takes effect from a later cycle; what went out before is not for in_a.
    std::this_thread::sleep_for(50ms);
    out_a->SendShortMessage(ControlChange(5, kCcVolume, 90));
    EXPECT_EQ(receiver_->Receive(1, 5s), (std::vector<MidiEvent>{{Port::A, {0xB5, 0x07, 0x5A}}}));

    // Closed, the port stays for the patchbay's connections, but sends nothing.
    out_a->Close();
    out_a->SendShortMessage(ControlChange(5, kCcVolume, 91));
    EXPECT_EQ(OutputsNamed(receiver_->client(), "MIDI OUT A"), ports_a);
    EXPECT_TRUE(receiver_->Receive(1, 100ms).empty());
}

// The system's input as the program makes it, on JACK here (the ALSA sequencer is not on
// these machines): our "MIDI IN" left to a patchbay (-1), played through onto both outputs.
TEST_F(RtMidiJack, TheInputPlaysThroughOnBothPortsOnTheSelectedPart) {
    CKQ505App app;
    UseSystemMidi(app);
    const auto names = app.output_device_names();
    app.out_a_device = DeviceOf(names, receiver_->InputName(Port::A));
    app.out_b_device = DeviceOf(names, receiver_->InputName(Port::B));
    app.in_device = -1;
    app.thru = 1;
    SelectPart(app, 3);
    const PortOpenResult opened = OpenMidiPorts(app);
    ASSERT_TRUE(opened.port_a_opened && opened.port_b_opened && opened.input_opened);
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    ASSERT_TRUE(sender.ConnectTo("KQ505:MIDI IN"));
    // A connection takes hold some cycles later: channel pressure until it comes through.
    bool through = false;
    for (int tries = 0; tries < 50 && !through; ++tries) {
        ASSERT_TRUE(sender.Play({{0, {0xD0, 0}}}));
        through = !receiver_->Receive(2, 100ms).empty();
    }
    ASSERT_TRUE(through);
    receiver_->Receive(100, 100ms);

    const std::vector<Bytes> played{{0x90, 60, 100}, {0x90, 64, 100}, {0x90, 67, 100}, {0xC0, 5},
                                    {0xB0, 7, 20},   {0xE0, 0, 0x60}, {0xB0, 64, 127}};
    std::vector<test::TimedMessage> batch;
    for (const Bytes& m : played)
        batch.push_back({static_cast<std::uint32_t>(batch.size() * 7), m});
    ASSERT_TRUE(sender.Play(batch));
    const std::vector<Bytes> expected{
        {0x93, 60, 100}, {0x93, 64, 100}, {0x93, 67, 100}, {0xE3, 0, 0x60}, {0xB3, 64, 127}};
    const std::vector<MidiEvent> received = receiver_->Receive(2 * expected.size(), 5s);
    EXPECT_EQ(BytesOn(Port::A, received), expected);
    EXPECT_EQ(BytesOn(Port::B, received), expected);

    // The part changes while the chord is held: its note-offs still reach part 3.
    SelectPart(app, 8);
    ASSERT_TRUE(sender.Play({{0, {0x80, 60, 0}}, {1, {0x90, 72, 90}}}));
    const std::vector<Bytes> after{{0x83, 60, 0}, {0x98, 72, 90}};
    const std::vector<MidiEvent> later = receiver_->Receive(4, 5s);
    EXPECT_EQ(BytesOn(Port::A, later), after);
    EXPECT_EQ(BytesOn(Port::B, later), after);

    // Closing the input ends what it left down, where each went.
    CloseMidiPorts(app);
    const std::vector<MidiEvent> ended = receiver_->Receive(8, 5s);
    EXPECT_EQ(
        BytesOn(Port::A, ended),
        (std::vector<Bytes>{{0x83, 64, 0x40}, {0x83, 67, 0x40}, {0x88, 72, 0x40}, {0xB3, 64, 0}}));
    EXPECT_EQ(BytesOn(Port::B, ended), BytesOn(Port::A, ended));
}

}  // namespace
}  // namespace kq505
