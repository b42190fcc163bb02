#pragma once
// Play-through: what is played on the MIDI input, or on the soft keyboard, goes out on Port A
// and Port B at once, so that the A layer and the B layer of the selected part sound
// together. Routing runs on the thread that reads the input (RtMidi's input thread, or the
// JACK process callback), so it never locks, allocates or waits: fixed arrays and atomics.

#include <array>
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/learn_tap.h"

namespace kq505 {

// The ports a message goes to, as bits.
enum PortBits : std::uint8_t { kNoPorts = 0, kPortABit = 1, kPortBBit = 2, kBothPorts = 3 };

struct ThruMessage {
    std::uint32_t packed;  // as midi_messages.h packs it
    std::uint8_t ports;    // PortBits
};

// What one incoming message turns into: at most a note-off for a note struck again while it
// still sounds elsewhere, then the message itself.
struct ThruMessages {
    std::array<ThruMessage, 2> items{};
    std::size_t count = 0;

    void Add(std::uint32_t packed, std::uint8_t ports) {
        if (ports != kNoPorts) items[count++] = {packed, ports};
    }
    const ThruMessage* begin() const { return items.data(); }
    const ThruMessage* end() const { return items.data() + count; }
};

// Where a new message of one source goes: `channel` -1 keeps the message's own channel.
struct ThruTarget {
    int channel;
    std::uint8_t ports;
};

// The notes and pedals of one source that are down, and where each went, so that its
// note-off or pedal-up reaches the same part on the same ports after the selected part, the
// channel rule or play-through itself changed. Only the source's thread routes; any thread
// may ask which notes are down, and the owner may end them all once the source is quiet.
class HeldNotes {
  public:
    // `forward_new` false lets only the ends of what is held through.
    ThruMessages Route(std::span<const std::uint8_t> message, ThruTarget target, bool forward_new);
    bool IsNoteDown(int note) const;
    // A note-off for every note and a release for every pedal that is down, each where it
    // went; `send(packed, ports)`.
    template <class Send>
    void EndAll(Send&& send);

  private:
    // 0 = up; else kDown | ports << 4 | output channel.
    static constexpr std::uint8_t kDown = 0x80;
    static constexpr std::size_t kPedals = 3;  // sustain, sostenuto, soft

    static std::uint8_t Record(int channel, std::uint8_t ports) {
        return static_cast<std::uint8_t>(kDown | (ports << 4) | (channel & 0x0F));
    }

    std::array<std::array<std::atomic<std::uint8_t>, 128>, 16> notes_{};
    std::array<std::array<std::atomic<std::uint8_t>, kPedals>, 16> pedals_{};
};

// The play-through of the program: its settings, set by the user-interface thread, and the
// held notes of the MIDI input and of the soft keyboard.
class PlayThrough {
  public:
    PlayThrough();

    // User-interface thread: Thru, ThruChannel (1 keeps the input's channel), the selected
    // part, and the ports whose device is the input's own device, which would send back in.
    void SetThru(bool on) { thru_.store(on, std::memory_order_relaxed); }
    void SetKeepChannel(bool keep) { keep_channel_.store(keep, std::memory_order_relaxed); }
    void SetPart(int part) { part_.store(part & 0x0F, std::memory_order_relaxed); }
    void SetLoopPorts(std::uint8_t ports) { loop_ports_.store(ports, std::memory_order_relaxed); }
    bool Thru() const { return thru_.load(std::memory_order_relaxed); }
    std::uint8_t LoopPorts() const { return loop_ports_.load(std::memory_order_relaxed); }

    // The input's thread: channel voice messages, but neither program changes nor the
    // controllers that the part table carries, to both ports while Thru is on. Ends of held
    // notes and pedals always pass, so that turning Thru off never leaves a note hanging.
    ThruMessages RouteInput(std::span<const std::uint8_t> message);
    // User-interface thread: a soft keyboard message, always on the selected part's channel.
    ThruMessages RouteKeyboard(std::span<const std::uint8_t> message, std::uint8_t ports);

    // Held on the input, on any channel, whether played through or not.
    bool IsInputNoteDown(int note) const;
    bool IsKeyboardNoteDown(int note) const { return keyboard_.IsNoteDown(note); }
    // Once the input is closed (so its thread is quiet) or the keyboard window goes.
    template <class Send>
    void EndInputNotes(Send&& send) {
        input_.EndAll(send);
    }
    template <class Send>
    void EndKeyboardNotes(Send&& send) {
        keyboard_.EndAll(send);
    }

    // What may pass the input: a complete channel voice message that neither changes the
    // program nor sets a controller of the table.
    bool MayForward(std::span<const std::uint8_t> message) const;

    // The controllers the input hands to MIDI learn; those it takes are not played through.
    LearnTap& Learn() { return learn_; }

  private:
    std::bitset<128> table_controllers_;
    std::atomic<bool> thru_{false};
    std::atomic<bool> keep_channel_{false};
    std::atomic<int> part_{0};
    std::atomic<std::uint8_t> loop_ports_{kNoPorts};
    HeldNotes input_;
    HeldNotes keyboard_;
    LearnTap learn_;
    // Input thread writes, any thread reads: which keys of the input are down, per channel.
    std::array<std::array<std::atomic<bool>, 128>, 16> input_keys_{};
};

// What the play-through puts on one port within one cycle of a real-time callback, in the
// order of the input's frames: a fixed array, filled and emptied by that callback alone.
class CycleEvents {
  public:
    static constexpr std::size_t kCapacity = 512;
    struct Event {
        std::uint32_t frame;
        std::uint32_t packed;
    };

    // False, and the event dropped, once the cycle's room is spent.
    bool Add(std::uint32_t frame, std::uint32_t packed) {
        if (count_ == kCapacity) return false;
        events_[count_++] = {frame, packed};
        return true;
    }
    void Clear() { count_ = 0; }
    std::size_t Size() const { return count_; }
    const Event* begin() const { return events_.data(); }
    const Event* end() const { return events_.data() + count_; }

  private:
    std::array<Event, kCapacity> events_{};
    std::size_t count_ = 0;
};

// One input event of the cycle, at `frame`, into the events of Port A and Port B; false
// when one was dropped for want of room.
bool ForwardInCycle(PlayThrough& thru, std::span<const std::uint8_t> message, std::uint32_t frame,
                    CycleEvents& port_a, CycleEvents& port_b);

// A packed short message as wire bytes without allocating; returns the length (2 or 3), 0
// for a status that is no channel message.
std::size_t ShortMessageWireBytes(std::uint32_t packed, std::span<std::uint8_t, 3> bytes);

template <class Send>
void HeldNotes::EndAll(Send&& send) {
    constexpr std::array<std::uint8_t, kPedals> kPedalControllers{64, 66, 67};
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
        for (std::uint32_t note = 0; note < 128; ++note) {
            const std::uint8_t record = notes_[channel][note].exchange(0);
            if (record == 0) continue;
            send(0x80u | (record & 0x0Fu) | (note << 8) | (0x40u << 16),
                 static_cast<std::uint8_t>((record >> 4) & kBothPorts));
        }
        for (std::size_t pedal = 0; pedal < kPedals; ++pedal) {
            const std::uint8_t record = pedals_[channel][pedal].exchange(0);
            if (record == 0) continue;
            send(0xB0u | (record & 0x0Fu) | (std::uint32_t{kPedalControllers[pedal]} << 8),
                 static_cast<std::uint8_t>((record >> 4) & kBothPorts));
        }
    }
}

}  // namespace kq505
