#include "model/sysex_ring.h"

#include <algorithm>
#include <cstring>

namespace kq505 {
namespace {

using Length = std::uint32_t;

}  // namespace

SysExRing::SysExRing(std::size_t bytes) : ring_(jack_ringbuffer_create(bytes)) {
    // Pages the process callback touches should not fault; without the right to lock memory
    // it still works.
    if (ring_ != nullptr) jack_ringbuffer_mlock(ring_);
}

SysExRing::~SysExRing() {
    if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

void SysExRing::Push(std::span<const std::uint8_t> message) {
    if (message.size() < 2 || message.front() != 0xF0 || message.back() != 0xF7) return;
    const auto length = static_cast<Length>(message.size());
    const std::size_t total = sizeof length + length;
    if (ring_ == nullptr || jack_ringbuffer_write_space(ring_) < total) {
        CountDropped();
        return;
    }
    // Length and bytes are published with one advance, so the reader never meets a length
    // whose bytes are still to come.
    std::array<jack_ringbuffer_data_t, 2> parts{};
    jack_ringbuffer_get_write_vector(ring_, parts.data());
    std::array<std::uint8_t, sizeof length> head{};
    std::memcpy(head.data(), &length, sizeof length);
    std::size_t part = 0;
    std::size_t used = 0;
    const auto write = [&](std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const std::size_t room = parts[part].len - used;
            if (room == 0) {
                ++part;
                used = 0;
                continue;
            }
            const std::size_t n = std::min(room, bytes.size());
            std::memcpy(parts[part].buf + used, bytes.data(), n);
            used += n;
            bytes = bytes.subspan(n);
        }
    };
    write(head);
    write(message);
    std::atomic_thread_fence(std::memory_order_release);
    jack_ringbuffer_write_advance(ring_, total);
}

bool SysExRing::Pop(std::vector<std::uint8_t>& message) {
    Length length = 0;
    if (ring_ == nullptr || jack_ringbuffer_read_space(ring_) < sizeof length) return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&length), sizeof length);
    if (jack_ringbuffer_read_space(ring_) < sizeof length + length) return false;
    jack_ringbuffer_read_advance(ring_, sizeof length);
    message.resize(length);
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(message.data()), length);
    return true;
}

void SysExAssembler::Feed(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes)
        Take(byte);
}

void SysExAssembler::Take(std::uint8_t byte) {
    if (byte >= 0xF8) return;  // real-time: may come between any two bytes
    if (byte == 0xF0) {
        if (inside_) ring_.CountDropped();  // a message left unfinished
        inside_ = true;
        length_ = 0;
    } else if (!inside_) {
        return;
    } else if (byte >= 0x80 && byte != 0xF7) {
        inside_ = false;
        ring_.CountDropped();
        return;
    }
    if (length_ == buffer_.size()) {
        inside_ = false;  // longer than any module sends: the rest is passed over
        ring_.CountDropped();
        return;
    }
    buffer_[length_++] = byte;
    if (byte == 0xF7) {
        inside_ = false;
        ring_.Push(std::span(buffer_.data(), length_));
    }
}

}  // namespace kq505
