#pragma once
// Pacing for hardware MIDI links. A 5-pin DIN link carries 31,250 bit/s, ten bits to a byte
// (start, eight data bits, stop), and many modules and cheap interfaces lose data when a
// whole send-all arrives as one burst; a module also ignores what arrives during its reset
// after XG System On or GM System On.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "model/midi_output.h"

namespace kq505 {

inline constexpr std::uint64_t kLinkBitsPerSecond = 31250;
inline constexpr std::uint64_t kLinkBitsPerByte = 10;
inline constexpr std::chrono::milliseconds kSystemOnHold{50};

// XG System On or GM System On, byte for byte.
bool IsSystemOn(std::span<const std::uint8_t> message);

// How long `message` keeps a link busy before the next may start: its bytes at link speed,
// and after a System On the module's reset as well.
std::chrono::nanoseconds PacedDuration(std::span<const std::uint8_t> message);

// The same in frames of `sample_rate`, rounded up, so that the spacing is never shorter.
std::uint32_t PacedFrames(std::span<const std::uint8_t> message, std::uint32_t sample_rate);

// An output that, while pacing is on, hands its messages to a sender thread of its own that
// passes them on to `inner` no faster than the link carries them. With pacing off every
// message goes straight through, as it would without this. The sender thread and the
// user-interface thread take turns on `inner` under one lock, held only for one call.
class PacedMidiOutput final : public MidiOutput {
  public:
    explicit PacedMidiOutput(std::unique_ptr<MidiOutput> inner);
    ~PacedMidiOutput() override;
    PacedMidiOutput(const PacedMidiOutput&) = delete;
    PacedMidiOutput& operator=(const PacedMidiOutput&) = delete;

    // Messages still waiting are dropped by Open and Close.
    bool Open(int device) override;
    void Close() override;
    bool IsOpen() const override;
    void SendShortMessage(std::uint32_t packed) override;
    void SendSysEx(std::span<const std::uint8_t> message) override;
    void SetPaced(bool on) override;
    std::uint64_t DroppedCount() const override;

    // More than this many bytes waiting and a new message is dropped (and counted).
    static constexpr std::size_t kMaxWaitingBytes = 64 * 1024;

  private:
    struct Waiting {
        bool is_short;
        std::uint32_t packed;
        std::vector<std::uint8_t> bytes;
    };

    void Enqueue(Waiting message);
    void SendNow(const Waiting& message);
    void Run(std::stop_token stop);

    std::unique_ptr<MidiOutput> inner_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Waiting> waiting_;
    std::size_t waiting_bytes_ = 0;
    std::uint64_t dropped_ = 0;
    bool paced_ = false;
    std::jthread sender_;  // started when pacing is first turned on; last, so it stops first
};

}  // namespace kq505
