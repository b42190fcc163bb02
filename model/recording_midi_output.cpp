#include "model/recording_midi_output.h"

#include <utility>

#include "model/midi_messages.h"

namespace kq505 {

std::vector<MidiEvent> MidiLog::TakeEvents() { return std::exchange(events, {}); }

bool RecordingMidiOutput::Open(int device) {
    opened_devices.push_back(device);
    open_ = !failing_devices.contains(device);
    return open_;
}

void RecordingMidiOutput::SendShortMessage(std::uint32_t packed) {
    if (open_) log_.events.push_back({port_, ShortMessageBytes(packed)});
}

void RecordingMidiOutput::SendSysEx(std::span<const std::uint8_t> message) {
    if (open_) log_.events.push_back({port_, {message.begin(), message.end()}});
}

}  // namespace kq505
