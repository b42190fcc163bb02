#include "model/play_through.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/device_names.h"
#include "model/midi_send.h"
#include "model/note_preview.h"
#include "model/play_through_send.h"
#include "tests/support/recording_app.h"
#include "view/track_label.h"

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;
using test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

// An input that a test plays by hand; it remembers what it was opened on.
class HandPlayedInput final : public MidiInput {
  public:
    bool Open(int device) override {
        opened.push_back(device);
        return open_ = device != failing;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    std::vector<int> opened;
    int failing = -100;

  private:
    bool open_ = false;
};

struct ThruApp : RecordingApp {
    explicit ThruApp(int thru = 1, int thru_channel = 0) {
        auto in = std::make_unique<HandPlayedInput>();
        input = in.get();
        app.midi_in = std::move(in);
        app.thru = thru;
        app.thru_channel = thru_channel;
        app.input_device_names = [] { return std::vector<std::string>{"keys"}; };
        app.output_device_names = [] { return std::vector<std::string>{"synth a", "synth b"}; };
        OpenMidiPorts(app);
    }
    void Play(Bytes message) { ForwardInput(app, message); }
    Events Both(Bytes message) { return {OnA(message), OnB(std::move(message))}; }

    HandPlayedInput* input = nullptr;
};

TEST(PlayThrough, ChordBendAndSustainGoToBothPortsOnTheSelectedPart) {
    ThruApp r;
    SelectPart(r.app, 4);
    const std::vector<Bytes> played{{0x90, 60, 100},    {0x90, 64, 90},  {0x90, 67, 80},
                                    {0xE0, 0x00, 0x50}, {0xB0, 64, 127}, {0xD0, 0x30},
                                    {0xA0, 60, 20},     {0xB0, 1, 33},   {0x80, 60, 0x40}};
    Events expected;
    for (Bytes message : played) {
        r.Play(message);
        message[0] = static_cast<std::uint8_t>(message[0] | 4);
        for (const MidiEvent& e : r.Both(message))
            expected.push_back(e);
    }
    EXPECT_EQ(r.log.TakeEvents(), expected);
}

TEST(PlayThrough, ThruChannelOneKeepsTheChannelOfTheInput) {
    ThruApp r(1, 1);
    SelectPart(r.app, 4);
    r.Play({0x99, 36, 100});
    r.Play({0xE2, 0x7F, 0x7F});
    const Events both = r.Both({0x99, 36, 100});
    Events expected = both;
    for (const MidiEvent& e : r.Both({0xE2, 0x7F, 0x7F}))
        expected.push_back(e);
    EXPECT_EQ(r.log.TakeEvents(), expected);
}

TEST(PlayThrough, NoteOffsAndPedalUpsFollowTheirNoteAfterThePartChanges) {
    ThruApp r;
    SelectPart(r.app, 2);
    r.Play({0x90, 60, 100});
    r.Play({0xB0, 64, 127});
    r.Play({0xB0, 66, 127});
    r.Play({0xB0, 67, 100});
    SelectPart(r.app, 9);
    r.log.TakeEvents();
    r.Play({0x90, 62, 100});  // a new note: the new part
    r.Play({0x90, 60, 0});    // velocity 0 ends the held note where it began
    r.Play({0xB0, 64, 100});  // the pedal stays with its part while it is down
    r.Play({0xB0, 64, 0});
    r.Play({0xB0, 66, 0});
    r.Play({0xB0, 67, 0});
    r.Play({0xB0, 64, 127});  // pressed again: now on the new part
    Events expected;
    for (const Bytes& m : std::vector<Bytes>{{0x99, 62, 100},
                                             {0x92, 60, 0},
                                             {0xB2, 64, 100},
                                             {0xB2, 64, 0},
                                             {0xB2, 66, 0},
                                             {0xB2, 67, 0},
                                             {0xB9, 64, 127}}) {
        for (const MidiEvent& e : r.Both(m))
            expected.push_back(e);
    }
    EXPECT_EQ(r.log.TakeEvents(), expected);
}

TEST(PlayThrough, ANoteStruckAgainOnANewPartEndsOnTheOldOneFirst) {
    ThruApp r;
    r.Play({0x90, 60, 100});
    SelectPart(r.app, 1);
    r.log.TakeEvents();
    r.Play({0x90, 60, 110});
    r.Play({0x80, 60, 64});
    Events expected = r.Both({0x80, 60, 0x40});
    for (const Bytes& m : std::vector<Bytes>{{0x91, 60, 110}, {0x81, 60, 64}}) {
        for (const MidiEvent& e : r.Both(m))
            expected.push_back(e);
    }
    EXPECT_EQ(r.log.TakeEvents(), expected);
}

TEST(PlayThrough, TheTableKeepsItsControllersAndProgramsAndSystemMessagesStayHome) {
    ThruApp r;
    const std::vector<Bytes> kept{{0xC0, 5},
                                  {0xB0, 0, 1},
                                  {0xB0, 32, 2},
                                  {0xB0, 7, 90},
                                  {0xB0, 11, 90},
                                  {0xB0, 10, 0},
                                  {0xB0, 91, 10},
                                  {0xB0, 93, 10},
                                  {0xB0, 94, 10},
                                  {0xB0, 5, 10},
                                  {0xB0, 65, 127},
                                  {0xB0, 71, 1},
                                  {0xB0, 72, 1},
                                  {0xB0, 73, 1},
                                  {0xB0, 74, 1},
                                  {0xB0, 98, 8},
                                  {0xB0, 99, 1},
                                  {0xB0, 6, 70},
                                  {0xB0, 38, 1},
                                  {0xB0, 96, 0},
                                  {0xB0, 97, 0},
                                  {0xB0, 121, 0},
                                  {0xB0, 123, 0},
                                  {0xF8},
                                  {0xFE},
                                  {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
                                  {0x90, 60},
                                  {0x90, 0x80, 1},
                                  {0x90, 60, 1, 2},
                                  {0x45, 1, 2},
                                  {}};
    for (const Bytes& m : kept)
        r.Play(m);
    EXPECT_EQ(r.log.TakeEvents(), Events{});
    // Controllers the table has no row for pass: modulation, breath, foot, sustain, RPN.
    for (const std::uint8_t cc : {1, 2, 4, 64, 100, 101}) {
        r.Play({0xB0, cc, 5});
        EXPECT_EQ(r.log.TakeEvents(), r.Both({0xB0, cc, 5})) << int{cc};
    }
}

TEST(PlayThrough, WithThruOffNothingNewPassesButHeldNotesStillEnd) {
    ThruApp off(0);
    for (const Bytes& m : std::vector<Bytes>{{0x90, 60, 100}, {0xE0, 0, 64}, {0xB0, 64, 127}})
        off.Play(m);
    EXPECT_EQ(off.log.TakeEvents(), Events{});

    ThruApp r;
    r.Play({0x90, 60, 100});
    r.Play({0xB0, 64, 127});
    r.app.thru = 0;
    r.log.TakeEvents();
    ReinitialiseMidiPorts(r.app);  // closing the input ends what it held
    Events expected = r.Both({0x80, 60, 0x40});
    for (const MidiEvent& e : r.Both({0xB0, 64, 0}))
        expected.push_back(e);
    EXPECT_EQ(r.log.TakeEvents(), expected);

    // Thru turned off while a key is down: its note-off still arrives, nothing new does.
    r.app.thru = 1;
    ReinitialiseMidiPorts(r.app);
    r.Play({0x90, 61, 100});
    r.app.play_through->SetThru(false);
    r.log.TakeEvents();
    r.Play({0x90, 62, 100});
    r.Play({0x80, 61, 0});
    EXPECT_EQ(r.log.TakeEvents(), r.Both({0x80, 61, 0}));
}

TEST(PlayThrough, AnOutputOnTheInputsOwnDeviceIsLeftOut) {
    ThruApp r;
    r.app.input_device_names = [] {
        return std::vector<std::string>{"USB Keys:USB Keys MIDI 1 20:0",
                                        "Midi Through:Midi Through Port-0 14:0"};
    };
    r.app.output_device_names = [] {
        return std::vector<std::string>{"Midi Through:Midi Through Port-0 14:0", "synth"};
    };
    r.app.in_device = 1;
    r.app.out_b_device = 1;
    ReinitialiseMidiPorts(r.app);
    r.log.TakeEvents();
    r.Play({0x90, 60, 100});
    EXPECT_EQ(r.log.TakeEvents(), (Events{OnB({0x90, 60, 100})}));

    r.app.in_device = 0;  // another input: both again
    ReinitialiseMidiPorts(r.app);
    r.log.TakeEvents();
    r.Play({0x90, 61, 100});
    EXPECT_EQ(r.log.TakeEvents(), r.Both({0x90, 61, 100}));
}

TEST(PlayThrough, TheInputOpensAfterTheOutputsOnItsDeviceOrWhereItsNameNowStands) {
    ThruApp r(0);
    EXPECT_EQ(r.input->opened, (std::vector<int>{0}));
    r.app.in_device = -1;
    EXPECT_TRUE(ReinitialiseMidiPorts(r.app).input_opened);
    r.app.in_device = 0;
    r.app.in_name = "moved";
    r.app.input_device_names = [] { return std::vector<std::string>{"a", "b", "moved"}; };
    r.input->failing = 2;
    const PortOpenResult result = ReinitialiseMidiPorts(r.app);
    EXPECT_TRUE(result.port_a_opened && result.port_b_opened);
    EXPECT_FALSE(result.input_opened);
    EXPECT_EQ(r.input->opened, (std::vector<int>{0, -1, 2}));
    CloseMidiPorts(r.app);
    EXPECT_FALSE(r.app.midi_in->IsOpen());
}

TEST(PlayThrough, TheKeyboardPlaysOnTheSelectedPartOnItsPortsAndEndsWhereItBegan) {
    RecordingApp r;
    SelectPart(r.app, 3);
    SendKeyboardMessage(r.app, Bytes{0x90, 60, 100}, kPortBBit);
    SendKeyboardMessage(r.app, Bytes{0x90, 64, 100}, kBothPorts);
    EXPECT_TRUE(r.app.play_through->IsKeyboardNoteDown(60));
    EXPECT_FALSE(r.app.play_through->IsInputNoteDown(60));
    SelectPart(r.app, 5);
    SendKeyboardMessage(r.app, Bytes{0x80, 60, 64}, kPortABit);
    EndKeyboardNotes(r.app);
    EXPECT_EQ(r.log.TakeEvents(),
              (Events{OnB({0x93, 60, 100}), OnA({0x93, 64, 100}), OnB({0x93, 64, 100}),
                      OnB({0x83, 60, 64}), OnA({0x83, 64, 0x40}), OnB({0x83, 64, 0x40})}));
    EXPECT_FALSE(r.app.play_through->IsKeyboardNoteDown(64));
    EndKeyboardNotes(r.app);
    EXPECT_TRUE(r.log.events.empty());
}

TEST(PlayThrough, InputNotesAreKnownDownUntilTheirNoteOffWithThruOnOrOff) {
    for (const bool on : {true, false}) {
        PlayThrough thru;
        thru.SetThru(on);
        thru.RouteInput(Bytes{0x95, 70, 1});
        thru.RouteInput(Bytes{0x93, 70, 1});
        EXPECT_TRUE(thru.IsInputNoteDown(70));
        EXPECT_FALSE(thru.IsInputNoteDown(71));
        EXPECT_FALSE(thru.IsKeyboardNoteDown(70));
        thru.RouteInput(Bytes{0x85, 70, 0});
        EXPECT_TRUE(thru.IsInputNoteDown(70));  // still down on channel 4
        thru.RouteInput(Bytes{0x93, 70, 0});
        EXPECT_FALSE(thru.IsInputNoteDown(70));
    }
}

TEST(PlayThrough, ACycleKeepsTheInputsFramesPerPortAndDropsBeyondItsRoom) {
    PlayThrough thru;
    thru.SetThru(true);
    thru.SetPart(2);
    thru.SetLoopPorts(kPortBBit);
    CycleEvents a;
    CycleEvents b;
    EXPECT_TRUE(ForwardInCycle(thru, Bytes{0x90, 60, 100}, 17, a, b));
    thru.SetLoopPorts(kNoPorts);
    EXPECT_TRUE(ForwardInCycle(thru, Bytes{0xE0, 0, 64}, 40, a, b));
    EXPECT_TRUE(ForwardInCycle(thru, Bytes{0xC0, 1}, 41, a, b));
    ASSERT_EQ(a.Size(), 2u);
    ASSERT_EQ(b.Size(), 1u);
    EXPECT_EQ(a.begin()[0].frame, 17u);
    EXPECT_EQ(a.begin()[0].packed, 0x00643C92u);
    EXPECT_EQ(a.begin()[1].frame, 40u);
    EXPECT_EQ(b.begin()[0].packed, 0x004000E2u);
    std::array<std::uint8_t, 3> wire{};
    EXPECT_EQ(ShortMessageWireBytes(a.begin()[0].packed, wire), 3u);
    EXPECT_EQ(wire, (std::array<std::uint8_t, 3>{0x92, 60, 100}));
    EXPECT_EQ(ShortMessageWireBytes(0x00001DD3u, wire), 2u);
    // The note-off of the note that skipped B goes to A alone.
    EXPECT_TRUE(ForwardInCycle(thru, Bytes{0x80, 60, 0}, 50, a, b));
    EXPECT_EQ(b.Size(), 1u);

    a.Clear();
    b.Clear();
    for (std::size_t i = 0; i < CycleEvents::kCapacity; ++i)
        ASSERT_TRUE(ForwardInCycle(thru, Bytes{0xD0, 5}, 1, a, b)) << i;
    EXPECT_FALSE(ForwardInCycle(thru, Bytes{0xD0, 5}, 2, a, b));
    EXPECT_EQ(a.Size(), CycleEvents::kCapacity);
}

TEST(Preview, WithThruOnItEndsItsOwnNotesOnTheirPortsOnly) {
    RecordingApp r;
    r.app.preview_note = 60;
    r.app.preview_velocity = 100;
    r.app.thru = 1;
    SelectPart(r.app, 4);
    SendPreviewNote(r.app, Port::A);
    SendPreviewNote(r.app, Port::A);  // twice the same note: one note-off
    SelectPart(r.app, 6);
    r.app.preview_note = 62;
    SendPreviewNote(r.app, Port::B);
    r.log.TakeEvents();
    SendPreviewEnd(r.app);
    EXPECT_EQ(r.log.TakeEvents(), (Events{OnA({0x84, 60, 0x40}), OnB({0x86, 62, 0x40})}));
    SendPreviewEnd(r.app);
    EXPECT_TRUE(r.log.events.empty());
}

TEST(Preview, WithThruOffItEndsEveryChannelOfBothPorts) {
    RecordingApp r;
    r.app.thru = 0;
    SendPreviewNote(r.app, Port::A);
    r.log.TakeEvents();
    SendPreviewEnd(r.app);
    const Events events = r.log.TakeEvents();
    ASSERT_EQ(events.size(), 32u);
    for (int channel = 0; channel < 16; ++channel) {
        const auto cc = static_cast<std::uint8_t>(0xB0 | channel);
        EXPECT_EQ(events[2 * channel], OnA({cc, 0x7B, 0}));
        EXPECT_EQ(events[2 * channel + 1], OnB({cc, 0x7B, 0}));
    }
}

TEST(DeviceNames, OurOwnPortsAreKnownByTheirClient) {
    for (const char* own : {"KQ505:MIDI OUT A", "KQ505:KQ505 MIDI OUT B 129:0",
                            "KQ505-01:KQ505 MIDI OUT B", "KQ505:MIDI IN"}) {
        EXPECT_TRUE(IsOwnPortName(own)) << own;
    }
    for (const char* other : {"KQ5050:x", "KQ505-:x", "KQ505-1a:x", "KQ505 synth:in",
                              "fluidsynth:midi_00", "system:KQ505:x", ""}) {
        EXPECT_FALSE(IsOwnPortName(other)) << other;
    }
}

TEST(DeviceNames, BothSidesOfOneDeviceAreTheSameDevice) {
    EXPECT_TRUE(IsSameMidiDevice("Midi Through:Midi Through Port-0 14:0",
                                 "Midi Through:Midi Through Port-0 14:0"));
    EXPECT_TRUE(IsSameMidiDevice("a2j:Midi Through [14] (capture): Midi Through Port-0",
                                 "a2j:Midi Through [14] (playback): Midi Through Port-0"));
    EXPECT_TRUE(IsSameMidiDevice("Midi-Bridge:UM-ONE:(capture_0) UM-ONE MIDI 1",
                                 "Midi-Bridge:UM-ONE:(playback_0) UM-ONE MIDI 1"));
    EXPECT_FALSE(IsSameMidiDevice("Midi Through:Midi Through Port-0 14:0",
                                  "Midi Through:Midi Through Port-1 14:1"));
    EXPECT_FALSE(IsSameMidiDevice("a2j:UM-ONE [20] (capture): UM-ONE MIDI 1",
                                  "a2j:Midi Through [14] (playback): Midi Through Port-0"));
    EXPECT_FALSE(IsSameMidiDevice("vkeybd:out", "fluidsynth:midi_00"));
    EXPECT_FALSE(IsSameMidiDevice("", ""));
}

}  // namespace
}  // namespace kq505

namespace kq505 {
namespace {

// A signal ends the program with eight notes and the sustain pedal held on the input, a key
// of the soft keyboard down and a preview sounding: each ends where it went, before the
// ports close.
TEST(PlayThrough, EndingAtOnceEndsEveryHeldNoteThenClosesThePorts) {
    ThruApp r;
    SelectPart(r.app, 2);
    constexpr std::array<std::uint8_t, 8> kChord{48, 52, 55, 60, 64, 67, 72, 76};
    for (const std::uint8_t note : kChord)
        r.Play({0x90, note, 100});
    r.Play({0xB0, 64, 127});
    SendKeyboardMessage(r.app, Bytes{0x90, 90, 100}, kPortBBit);
    r.app.preview_note = 30;
    r.app.preview_velocity = 90;
    SendPreviewNote(r.app, Port::A);
    r.log.TakeEvents();

    EndNotesAndCloseMidiPorts(r.app);
    Events expected{OnB({0x82, 90, 0x40}), OnA({0x82, 30, 0x40})};
    for (const std::uint8_t note : kChord) {
        for (const MidiEvent& e : r.Both({0x82, note, 0x40}))
            expected.push_back(e);
    }
    for (const MidiEvent& e : r.Both({0xB2, 64, 0}))
        expected.push_back(e);
    EXPECT_EQ(r.log.TakeEvents(), expected);
    EXPECT_TRUE(r.app.sounding_previews.empty());
    EXPECT_FALSE(r.app.midi_out_a->IsOpen() || r.app.midi_out_b->IsOpen() ||
                 r.app.midi_in->IsOpen());

    EndNotesAndCloseMidiPorts(r.app);  // a second time: nothing is left to end
    EXPECT_EQ(r.log.TakeEvents(), Events{});
}

}  // namespace
}  // namespace kq505
