#include "model/learn_tap.h"

#include <chrono>

namespace kq505 {

std::int64_t LearnClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool LearnTap::Offer(std::span<const std::uint8_t> message) {
    if (message.size() != 3 || (message[0] & 0xF0) != 0xB0) return false;
    if (message[1] >= 0x80 || message[2] >= 0x80) return false;
    if (!listening_.load(std::memory_order_relaxed)) return false;
    const std::size_t head = head_.load(std::memory_order_relaxed);
    const std::size_t next = (head + 1) % kCapacity;
    if (next == tail_.load(std::memory_order_acquire)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
    } else {
        events_[head] = {static_cast<std::uint8_t>(message[0] & 0x0F), message[1], message[2],
                         LearnClockMs()};
        head_.store(next, std::memory_order_release);
    }
    return learning_.load(std::memory_order_relaxed) ||
           bound_[message[1]].load(std::memory_order_relaxed);
}

bool LearnTap::Pop(ControllerEvent& event) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) return false;
    event = events_[tail];
    tail_.store((tail + 1) % kCapacity, std::memory_order_release);
    return true;
}

}  // namespace kq505
