#include "model/midi_pacing.h"

#include <algorithm>
#include <utility>

#include "model/midi_messages.h"

namespace kq505 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

std::uint64_t LinkBits(std::span<const std::uint8_t> message) {
    return message.size() * kLinkBitsPerByte;
}

}  // namespace

bool IsSystemOn(std::span<const std::uint8_t> message) {
    return std::ranges::equal(message, kXgSystemOn) || std::ranges::equal(message, kGmSystemOn);
}

std::chrono::nanoseconds PacedDuration(std::span<const std::uint8_t> message) {
    const std::chrono::nanoseconds bytes{
        CeilDiv(LinkBits(message) * 1'000'000'000, kLinkBitsPerSecond)};
    return IsSystemOn(message) ? bytes + kSystemOnHold : bytes;
}

std::uint32_t PacedFrames(std::span<const std::uint8_t> message, std::uint32_t sample_rate) {
    std::uint64_t frames = CeilDiv(LinkBits(message) * sample_rate, kLinkBitsPerSecond);
    if (IsSystemOn(message)) {
        frames += CeilDiv(static_cast<std::uint64_t>(kSystemOnHold.count()) * sample_rate, 1000);
    }
    return static_cast<std::uint32_t>(frames);
}

PacedMidiOutput::PacedMidiOutput(std::unique_ptr<MidiOutput> inner) : inner_(std::move(inner)) {}

PacedMidiOutput::~PacedMidiOutput() {
    if (!sender_.joinable()) return;
    sender_.request_stop();  // wakes the waits through the stop token
    sender_.join();
}

bool PacedMidiOutput::Open(int device) {
    std::scoped_lock lock(mutex_);
    waiting_.clear();
    waiting_bytes_ = 0;
    return inner_->Open(device);
}

void PacedMidiOutput::Close() {
    std::scoped_lock lock(mutex_);
    waiting_.clear();
    waiting_bytes_ = 0;
    inner_->Close();
}

bool PacedMidiOutput::IsOpen() const {
    std::scoped_lock lock(mutex_);
    return inner_->IsOpen();
}

void PacedMidiOutput::SendShortMessage(std::uint32_t packed) {
    const ShortMessageWire wire = WireBytes(packed);
    const std::span<const std::uint8_t> bytes = wire.View();
    Enqueue({true, packed, {bytes.begin(), bytes.end()}});
}

void PacedMidiOutput::SendSysEx(std::span<const std::uint8_t> message) {
    Enqueue({false, 0, {message.begin(), message.end()}});
}

void PacedMidiOutput::SetPaced(bool on) {
    std::scoped_lock lock(mutex_);
    paced_ = on;
    // What waits still goes out paced; only new messages go straight through.
    if (on && !sender_.joinable())
        sender_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

std::uint64_t PacedMidiOutput::DroppedCount() const {
    std::scoped_lock lock(mutex_);
    return dropped_ + inner_->DroppedCount();
}

void PacedMidiOutput::Enqueue(Waiting message) {
    std::scoped_lock lock(mutex_);
    if (!inner_->IsOpen()) return;
    if (!paced_ && waiting_.empty()) return SendNow(message);
    if (waiting_bytes_ + message.bytes.size() > kMaxWaitingBytes) {
        ++dropped_;
        return;
    }
    waiting_bytes_ += message.bytes.size();
    waiting_.push_back(std::move(message));
    wake_.notify_one();
}

void PacedMidiOutput::SendNow(const Waiting& message) {
    if (message.is_short) {
        inner_->SendShortMessage(message.packed);
    } else {
        inner_->SendSysEx(message.bytes);
    }
}

void PacedMidiOutput::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    Clock::time_point link_free = Clock::now();
    while (!stop.stop_requested()) {
        if (waiting_.empty()) {
            wake_.wait(lock, stop, [this] { return !waiting_.empty(); });
            continue;
        }
        if (Clock::now() < link_free) {
            // Woken early only to stop; new messages queue behind the first anyway.
            wake_.wait_until(lock, stop, link_free, [] { return false; });
            continue;
        }
        Waiting message = std::move(waiting_.front());
        waiting_.pop_front();
        waiting_bytes_ -= message.bytes.size();
        SendNow(message);
        // The link is busy from when the message really went out, not from when it was due:
        // a thread that wakes late or is held up in the send must not make up for it with a
        // burst.
        link_free = Clock::now() + PacedDuration(message.bytes);
    }
}

}  // namespace kq505
