#pragma once
// An output that two threads share: the user-interface thread's sends and the input thread's
// play-through take one lock, held only while a message is handed to the output.

#include <memory>
#include <mutex>
#include <utility>

#include "model/midi_output.h"

namespace kq505 {

class LockedMidiOutput final : public MidiOutput {
  public:
    LockedMidiOutput(std::unique_ptr<MidiOutput> output, std::shared_ptr<std::mutex> lock)
        : output_(std::move(output)), lock_(std::move(lock)) {}

    bool Open(int device) override {
        const std::scoped_lock hold(*lock_);
        return output_->Open(device);
    }
    void Close() override {
        const std::scoped_lock hold(*lock_);
        output_->Close();
    }
    bool IsOpen() const override {
        const std::scoped_lock hold(*lock_);
        return output_->IsOpen();
    }
    void SendShortMessage(std::uint32_t packed) override {
        const std::scoped_lock hold(*lock_);
        output_->SendShortMessage(packed);
    }
    void SendSysEx(std::span<const std::uint8_t> message) override {
        const std::scoped_lock hold(*lock_);
        output_->SendSysEx(message);
    }

  private:
    std::unique_ptr<MidiOutput> output_;
    std::shared_ptr<std::mutex> lock_;
};

}  // namespace kq505
