#pragma once
// Whole system-exclusive messages handed from a MIDI input's thread (a JACK process callback
// or RtMidi's reader) to the user-interface thread. Pushing never locks, allocates or waits:
// a message that does not fit is dropped and counted.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <jack/ringbuffer.h>

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
    // On the reading thread: the oldest message into `message`; false when there is none.
    bool Pop(std::vector<std::uint8_t>& message);
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    jack_ringbuffer_t* ring_;
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace kq505
