#pragma once
// One MIDI output: what the program needs of a port, and nothing more.

#include <cstdint>
#include <span>

namespace kq505 {

enum class Port { A, B };

class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    // Opens the output device with this number; false when it cannot be opened. An open
    // output is closed first. Never throws.
    virtual bool Open(int device) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // A packed short message (see midi_messages.h). Dropped while closed.
    virtual void SendShortMessage(std::uint32_t packed) = 0;
    // One complete system-exclusive message, F0 through F7. Dropped while closed.
    virtual void SendSysEx(std::span<const std::uint8_t> message) = 0;
    // Pacing for hardware MIDI links (see midi_pacing.h); outputs that are no link ignore it.
    virtual void SetPaced(bool) {}
    // Messages sent while open that could not be passed on (a full queue, a server gone).
    virtual std::uint64_t DroppedCount() const { return 0; }
};

// Opens every device and forgets what it is sent; stands in where nothing may be heard.
class NullMidiOutput final : public MidiOutput {
public:
    bool Open(int) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void SendShortMessage(std::uint32_t) override {}
    void SendSysEx(std::span<const std::uint8_t>) override {}

private:
    bool open_ = false;
};

}  // namespace kq505
