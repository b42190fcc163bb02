#pragma once
// The controllers MIDI IN brings, handed from the input's thread to the user-interface
// thread for MIDI learn. The input's thread only copies a control change into a fixed ring
// (one thread pushes, one other pops) and tells whether play-through is to hold it back;
// it never locks, allocates or waits, and never touches the part table.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kq505 {

// Milliseconds of the steady clock: when the input heard a controller, and when the
// user-interface thread looks, on one clock.
std::int64_t LearnClockMs();

struct ControllerEvent {
    std::uint8_t channel = 0;
    std::uint8_t number = 0;
    std::uint8_t value = 0;
    std::int64_t time_ms = 0;
};

class LearnTap {
  public:
    static constexpr std::size_t kCapacity = 1024;

    // The input's thread: a control change is kept while anyone listens (a learn waits or a
    // controller is bound). True when play-through is to hold the message back: a learn
    // waits, or its controller drives a row. A full ring drops and counts the event.
    bool Offer(std::span<const std::uint8_t> message);

    // The user-interface thread.
    bool Pop(ControllerEvent& event);
    bool Empty() const {
        return tail_.load(std::memory_order_relaxed) == head_.load(std::memory_order_acquire);
    }
    void SetListening(bool on) { listening_.store(on, std::memory_order_relaxed); }
    void SetLearning(bool on) { learning_.store(on, std::memory_order_relaxed); }
    void SetBound(int number, bool bound) {
        bound_[static_cast<std::size_t>(number & 0x7F)].store(bound, std::memory_order_relaxed);
    }
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    std::array<ControllerEvent, kCapacity> events_{};
    std::atomic<std::size_t> head_{0};  // next to write; the input's thread alone moves it
    std::atomic<std::size_t> tail_{0};  // next to read; the user-interface thread alone
    std::atomic<bool> listening_{false};
    std::atomic<bool> learning_{false};
    std::array<std::atomic<bool>, 128> bound_{};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace kq505
