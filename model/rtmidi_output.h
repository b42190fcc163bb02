#pragma once
// MIDI output through RtMidi, for the ALSA sequencer and the other systems RtMidi serves (JACK
// has a backend of its own), on the system chosen by the environment variable KQ505_MIDI_API
// ("alsa", "jack"); when it is unset, the first system RtMidi was built with that can be
// reached here. Device numbers are RtMidi's port indexes on that system.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/midi_input.h"
#include "model/midi_output.h"
#include "model/sysex_ring.h"

namespace kq505 {

// Device -1 opens a virtual output named "KQ505 MIDI OUT A" or "KQ505 MIDI OUT B", for a
// software synthesizer or a patchbay to connect to. Nothing it does throws or prints.
std::unique_ptr<MidiOutput> MakeRtMidiOutput(Port port);

// The input on the same system; device -1 opens a virtual input "KQ505 MIDI IN". `handler`
// is called on RtMidi's input thread.
std::unique_ptr<MidiInput> MakeRtMidiInput(MidiInputHandler handler);

// The module's input; device -1 opens a virtual input "KQ505 MODULE IN". Only system
// exclusive is read from it: RtMidi's input thread puts each whole message into `ring`.
std::unique_ptr<MidiInput> MakeRtMidiModuleInput(SysExRing& ring);

// The devices of the chosen system, list position = device number, our own ports left out;
// empty when no MIDI system that RtMidi serves can be reached.
std::vector<std::string> RtMidiOutputDeviceNames();
std::vector<std::string> RtMidiInputDeviceNames();

enum class MidiSystemKind { kNone, kJack, kRtMidi };

// The system KQ505_MIDI_API names, or else the first that can be reached in RtMidi's order
// (the ALSA sequencer before JACK). Whether JACK can be reached is asked of `jack_reachable`
// alone, so that no client but the program's own one is made for it.
MidiSystemKind ChooseMidiSystem(const std::function<bool()>& jack_reachable);

}  // namespace kq505
