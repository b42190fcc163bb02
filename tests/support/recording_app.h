#pragma once
// An application object whose two ports record into one log, both ports open.

#include <cstdint>
#include <memory>
#include <vector>

#include "app/kq505_app.h"
#include "model/recording_midi_output.h"

namespace kq505::test {

struct RecordingApp {
    RecordingApp()
        : app(std::make_unique<RecordingMidiOutput>(log, Port::A),
              std::make_unique<RecordingMidiOutput>(log, Port::B)) {
        app.out_b_device = 1;
        app.midi_out_a->Open(app.out_a_device);
        app.midi_out_b->Open(app.out_b_device);
    }
    RecordingMidiOutput& out(Port port) {
        return static_cast<RecordingMidiOutput&>(app.Output(port));
    }

    MidiLog log;
    CKQ505App app;
};

inline MidiEvent OnA(std::vector<std::uint8_t> bytes) { return {Port::A, std::move(bytes)}; }
inline MidiEvent OnB(std::vector<std::uint8_t> bytes) { return {Port::B, std::move(bytes)}; }

}  // namespace kq505::test
