#pragma once
// Whole system-exclusive messages handed from a MIDI input's thread (a JACK process callback
// or RtMidi's reader) to the user-interface thread. Pushing never locks, allocates or waits:
// a message that does not fit is dropped and counted. One thread pushes, one other pops.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <jack/ringbuffer.h>

#include "model/xg_sysex.h"

namespace kq505 {

class SysExRing {
  public:
    static constexpr std::size_t kDefaultBytes = 64 * 1024;

    explicit SysExRing(std::size_t bytes = kDefaultBytes);
    ~SysExRing();
    SysExRing(const SysExRing&) = delete;
    SysExRing& operator=(const SysExRing&) = delete;

    // On the input's thread: keeps a whole F0 … F7 message; anything else is passed over.
    void Push(std::span<const std::uint8_t> message);
    // On the input's thread: a message lost before it reached the ring, counted with the rest.
    void CountDropped() { dropped_.fetch_add(1, std::memory_order_relaxed); }
    // On the reading thread: the oldest message into `message`; false when there is none.
    // A message is seen only once it was pushed whole.
    bool Pop(std::vector<std::uint8_t>& message);
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    jack_ringbuffer_t* ring_;
    std::atomic<std::uint64_t> dropped_{0};
};

// Puts together system exclusive that an input brings in pieces (a bridge from the ALSA
// sequencer hands a long dump on in chunks of a few hundred bytes) and pushes each whole
// message into a ring; everything that is not system exclusive is passed over. A real-time
// byte (F8 … FF) may stand inside a message; any other status byte ends it unfinished, and
// it is lost. Allocates nothing once made.
class SysExAssembler {
  public:
    // The longest dump a module can send (its count is 14 bits) and its ten bytes around.
    static constexpr std::size_t kMaxMessage = kXgMaxDumpData + 11;

    explicit SysExAssembler(SysExRing& ring) : ring_(ring) {}

    // One event as the input delivers it: a whole message, or a piece of one.
    void Feed(std::span<const std::uint8_t> bytes);
    // Forgets a message begun; only while no thread feeds it.
    void Reset() { inside_ = false; }

  private:
    void Take(std::uint8_t byte);

    SysExRing& ring_;
    std::array<std::uint8_t, kMaxMessage> buffer_{};
    std::size_t length_ = 0;
    bool inside_ = false;  // after an F0 whose F7 has not come yet
};

}  // namespace kq505
