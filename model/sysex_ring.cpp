#include "model/sysex_ring.h"

namespace kq505 {
namespace {

using Length = std::uint32_t;

}  // namespace

SysExRing::SysExRing(std::size_t bytes) : ring_(jack_ringbuffer_create(bytes)) {}

SysExRing::~SysExRing() {
    if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

void SysExRing::Push(std::span<const std::uint8_t> message) {
    if (message.size() < 2 || message.front() != 0xF0 || message.back() != 0xF7) return;
    const auto length = static_cast<Length>(message.size());
    if (ring_ == nullptr || jack_ringbuffer_write_space(ring_) < sizeof length + length) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&length), sizeof length);
    jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(message.data()), length);
}

bool SysExRing::Pop(std::vector<std::uint8_t>& message) {
    Length length = 0;
    if (ring_ == nullptr || jack_ringbuffer_read_space(ring_) < sizeof length) return false;
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(&length), sizeof length);
    message.resize(length);
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(message.data()), length);
    return true;
}

}  // namespace kq505
