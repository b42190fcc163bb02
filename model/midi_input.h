#pragma once
// The MIDI input: opened by device number beside the two outputs; what it hears goes to the
// handler it was made with, on the thread that reads it.

#include <cstdint>
#include <functional>
#include <span>

namespace kq505 {

// Called on the input's own thread with one complete message.
using MidiInputHandler = std::function<void(std::span<const std::uint8_t>)>;

class MidiInput {
  public:
    virtual ~MidiInput() = default;
    // Opens the input device with this number; -1 is a port of our own for others to connect
    // to. False when it cannot be opened. An open input is closed first. Never throws.
    virtual bool Open(int device) = 0;
    // Once this returns, the handler is not called again until the next Open.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

// Opens every device and hears nothing.
class NullMidiInput final : public MidiInput {
  public:
    bool Open(int) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    bool open_ = false;
};

}  // namespace kq505
