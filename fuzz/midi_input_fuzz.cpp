// Plays any bytes on the MIDI input through the play-through, on both of the paths the input
// takes: RtMidi's input thread, which sends at once on Port A and Port B, and the JACK process
// callback, which files the messages into the cycle's events. Checks what goes out against
// what the play-through must never pass, against what the input holds down, and across the
// two paths.
//
// The bytes are cut into messages at every status byte, so that short, long and stray
// messages arrive as a JACK event may bring them. Three status bytes that no device sends
// stand for what the user does meanwhile: F4 d sets Thru (bit 0 of d), ThruChannel (bit 1)
// and the ports whose device is the input's own (bits 2 and 3); F5 d selects part d & 15;
// FD closes the input and opens it again.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "model/play_through.h"
#include "model/play_through_send.h"
#include "model/recording_midi_output.h"

namespace {

using kq505::MidiEvent;
using kq505::Port;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

constexpr std::uint8_t kSetThru = 0xF4;
constexpr std::uint8_t kSetPart = 0xF5;
constexpr std::uint8_t kReopen = 0xFD;
constexpr std::array<std::uint8_t, 3> kPedals{64, 66, 67};

// A broken rule names itself, so that a finding says which one it broke.
[[noreturn]] void Fail(const char* rule, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, line, rule);
    std::abort();
}
#define Check(holds) ((holds) ? void() : Fail(#holds, __LINE__))

std::size_t ChannelMessageLength(std::uint8_t status) {
    if (status < 0x80 || status >= 0xF0) return 0;
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

bool IsChannelMessage(std::span<const std::uint8_t> m) {
    if (m.empty() || m.size() != ChannelMessageLength(m[0])) return false;
    for (std::size_t i = 1; i < m.size(); ++i) {
        if (m[i] >= 0x80) return false;
    }
    return true;
}

bool IsNoteOn(std::span<const std::uint8_t> m) {
    return (m[0] & 0xF0) == 0x90 && m[2] != 0;
}
bool IsNoteOff(std::span<const std::uint8_t> m) {
    return (m[0] & 0xF0) == 0x80 || ((m[0] & 0xF0) == 0x90 && m[2] == 0);
}
int PedalIndex(std::span<const std::uint8_t> m) {
    if ((m[0] & 0xF0) != 0xB0) return -1;
    for (std::size_t i = 0; i < kPedals.size(); ++i) {
        if (m[1] == kPedals[i]) return static_cast<int>(i);
    }
    return -1;
}

std::uint8_t PortBit(Port port) {
    return port == Port::A ? kq505::kPortABit : kq505::kPortBBit;
}

// Where a held note or pedal of the input went; no ports while it is up.
struct Where {
    int channel = 0;
    std::uint8_t ports = kq505::kNoPorts;
    bool operator==(const Where&) const = default;
};

// Whether `events` end the note or pedal held at `where`: the same kind and number on its
// channel, on each of its ports, and a note ended (note-off or note-on at velocity 0).
bool EndsOn(const Events& events, const Where& where, std::uint8_t data1, bool note) {
    std::uint8_t ended = kq505::kNoPorts;
    for (const MidiEvent& e : events) {
        const std::span<const std::uint8_t> m(e.bytes);
        const bool ends = note ? IsNoteOff(m) : PedalIndex(m) >= 0 && m[2] < 64;
        if (ends && (m[0] & 0x0F) == where.channel && m[1] == data1) ended |= PortBit(e.port);
    }
    return (ended & where.ports) == where.ports;
}

struct Settings {
    bool thru = false;
    bool keep_channel = false;
    std::uint8_t loop_ports = kq505::kNoPorts;
    int part = 0;
};

class Player {
  public:
    Player()
        : app_(std::make_unique<kq505::RecordingMidiOutput>(log_, Port::A),
               std::make_unique<kq505::RecordingMidiOutput>(log_, Port::B)),
          table_(kq505::TableControllers()) {
        app_.midi_out_a->Open(0);
        app_.midi_out_b->Open(1);
    }

    void Play(std::span<const std::uint8_t> m) {
        if (!m.empty() && m[0] == kSetThru) return Set(m.size() > 1 ? m[1] : 0);
        if (!m.empty() && m[0] == kSetPart) return SelectPart(m.size() > 1 ? m[1] & 0x0F : 0);
        if (!m.empty() && m[0] == kReopen) return Reopen();
        kq505::ForwardInput(app_, m);
        const Events sent = log_.TakeEvents();
        a_.Clear();
        b_.Clear();
        Check(kq505::ForwardInCycle(jack_, m, 0, a_, b_));
        Check(OnPort(sent, Port::A) == Filed(a_, Port::A));
        Check(OnPort(sent, Port::B) == Filed(b_, Port::B));
        for (const MidiEvent& e : sent)
            Check(MayLeave(e.bytes));
        if (!IsChannelMessage(m)) return Check(sent.empty());
        if (!settings_.thru) Check(!HasNoteOn(sent));
        Follow(m, sent);
    }

    // The input closes: every note and pedal it left down ends where it went, once.
    void Reopen() {
        kq505::CloseMidiInput(app_);
        const Events sent = log_.TakeEvents();
        for (int channel = 0; channel < 16; ++channel) {
            for (int note = 0; note < 128; ++note) {
                Where& held = notes_[channel][note];
                Check(EndsOn(sent, held, static_cast<std::uint8_t>(note), true));
                held = {};
            }
            for (std::size_t pedal = 0; pedal < kPedals.size(); ++pedal) {
                Where& held = pedals_[channel][pedal];
                Check(EndsOn(sent, held, kPedals[pedal], false));
                held = {};
            }
        }
        Events from_jack;
        jack_.EndInputNotes([&](std::uint32_t packed, std::uint8_t ports) {
            if ((ports & kq505::kPortABit) != 0) from_jack.push_back(Sent(Port::A, packed));
            if ((ports & kq505::kPortBBit) != 0) from_jack.push_back(Sent(Port::B, packed));
        });
        Check(from_jack == sent);
        kq505::CloseMidiInput(app_);
        Check(log_.TakeEvents().empty());
        Check(app_.midi_in->Open(0));
    }

  private:
    void Set(std::uint8_t d) {
        settings_.thru = (d & 1) != 0;
        settings_.keep_channel = (d & 2) != 0;
        settings_.loop_ports = static_cast<std::uint8_t>((d >> 2) & kq505::kBothPorts);
        for (kq505::PlayThrough* thru : {app_.play_through.get(), &jack_}) {
            thru->SetThru(settings_.thru);
            thru->SetKeepChannel(settings_.keep_channel);
            thru->SetLoopPorts(settings_.loop_ports);
        }
    }

    void SelectPart(int part) {
        settings_.part = part;
        app_.play_through->SetPart(part);
        jack_.SetPart(part);
    }

    static MidiEvent Sent(Port port, std::uint32_t packed) {
        return {port, kq505::ShortMessageBytes(packed)};
    }

    static Events OnPort(const Events& sent, Port port) {
        Events out;
        for (const MidiEvent& e : sent) {
            if (e.port == port) out.push_back(e);
        }
        return out;
    }
    static Events Filed(const kq505::CycleEvents& events, Port port) {
        Events out;
        for (const kq505::CycleEvents::Event& e : events)
            out.push_back(Sent(port, e.packed));
        return out;
    }

    // Never a program change, a controller of the table, a mode message or a system message:
    // the table alone sets those on the tone generator.
    bool MayLeave(const Bytes& m) const {
        if (!IsChannelMessage(m)) return false;
        const int kind = m[0] & 0xF0;
        if (kind == 0xC0) return false;
        return kind != 0xB0 || (m[1] < 120 && !table_.test(m[1]));
    }

    static bool HasNoteOn(const Events& sent) {
        for (const MidiEvent& e : sent) {
            if (IsNoteOn(e.bytes)) return true;
        }
        return false;
    }

    // Where a new note or pedal of this message goes while Thru is on.
    Where Target(std::span<const std::uint8_t> m) const {
        return {settings_.keep_channel ? m[0] & 0x0F : settings_.part,
                static_cast<std::uint8_t>(kq505::kBothPorts & ~settings_.loop_ports)};
    }

    // Where `sent` put the message of this kind and number; no ports when it went nowhere.
    static Where WentTo(const Events& sent, std::span<const std::uint8_t> m) {
        Where where;
        for (const MidiEvent& e : sent) {
            if ((e.bytes[0] & 0xF0) != (m[0] & 0xF0) || e.bytes[1] != m[1] || e.bytes[2] != m[2])
                continue;
            where.channel = e.bytes[0] & 0x0F;
            where.ports |= PortBit(e.port);
        }
        return where;
    }

    void Follow(std::span<const std::uint8_t> m, const Events& sent) {
        const int channel = m[0] & 0x0F;
        if (IsNoteOn(m) || IsNoteOff(m)) {
            keys_[channel].set(m[1], IsNoteOn(m));
            bool down = false;
            for (const auto& keys : keys_)
                down = down || keys.test(m[1]);
            Check(app_.play_through->IsInputNoteDown(m[1]) == down);
        }
        if (IsNoteOn(m)) return FollowStart(notes_[channel][m[1]], m, sent, true);
        if (IsNoteOff(m)) return FollowEnd(notes_[channel][m[1]], m, sent, true);
        const int pedal = PedalIndex(m);
        if (pedal < 0) return;
        Where& held = pedals_[channel][static_cast<std::size_t>(pedal)];
        if (m[2] < 64) return FollowEnd(held, m, sent, false);
        if (held.ports == kq505::kNoPorts) FollowStart(held, m, sent, false);
    }

    // A new note goes where the settings say; one struck again while it sounds elsewhere
    // ends there first.
    void FollowStart(Where& held, std::span<const std::uint8_t> m, const Events& sent, bool note) {
        const Where went = WentTo(sent, m);
        if (went.ports == kq505::kNoPorts) return;
        Check(settings_.thru && went == Target(m));
        if (note && held.ports != kq505::kNoPorts && held != went)
            Check(EndsOn(sent, held, m[1], true));
        held = went;
    }

    void FollowEnd(Where& held, std::span<const std::uint8_t> m, const Events& sent, bool note) {
        Check(EndsOn(sent, held, m[1], note));
        held = {};
    }

    kq505::MidiLog log_;
    kq505::CKQ505App app_;
    kq505::PlayThrough jack_;
    kq505::CycleEvents a_;
    kq505::CycleEvents b_;
    std::bitset<128> table_;
    Settings settings_;
    std::array<std::array<Where, 128>, 16> notes_{};
    std::array<std::array<Where, kPedals.size()>, 16> pedals_{};
    std::array<std::bitset<128>, 16> keys_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto player = std::make_unique<Player>();
    const std::span<const std::uint8_t> in(data, size);
    std::size_t start = 0;
    for (std::size_t i = 1; i <= size; ++i) {
        if (i == size || in[i] >= 0x80) {
            player->Play(in.subspan(start, i - start));
            start = i;
        }
    }
    player->Reopen();
    return 0;
}
