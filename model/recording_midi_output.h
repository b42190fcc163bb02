#pragma once
// A MIDI output that keeps what it is sent, for tests: both ports of a program write into
// one shared log, so the order across the ports is kept too.

#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "model/midi_output.h"

namespace kq505 {

struct MidiEvent {
    Port port;
    std::vector<std::uint8_t> bytes;
    bool operator==(const MidiEvent&) const = default;
};

struct MidiLog {
    std::vector<MidiEvent> events;
    std::vector<MidiEvent> TakeEvents();
};

class RecordingMidiOutput final : public MidiOutput {
public:
    RecordingMidiOutput(MidiLog& log, Port port) : log_(log), port_(port) {}

    bool Open(int device) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void SendShortMessage(std::uint32_t packed) override;
    void SendSysEx(std::span<const std::uint8_t> message) override;

    // Devices whose open fails, to play a missing or busy device.
    std::set<int> failing_devices;
    // Every device number that Open was asked for, in order.
    std::vector<int> opened_devices;

private:
    MidiLog& log_;
    Port port_;
    bool open_ = false;
};

}  // namespace kq505
