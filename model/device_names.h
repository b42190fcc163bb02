#pragma once
// Rules about the names of MIDI devices that hold for every MIDI system.

#include <string_view>

namespace kq505 {

// A port of this program itself ("KQ505:…", or "KQ505-01:…" where JACK renamed a second
// client): never offered as a device, since connecting to it would send our output back in.
bool IsOwnPortName(std::string_view name);

// Whether an input device and an output device are the two sides of one device, so that
// what goes out to it comes back in. On the ALSA sequencer both sides of a port carry the same
// name ("Midi Through:Midi Through Port-0 14:0"); JACK bridges name them apart only by the
// direction ("a2j:Midi Through [14] (capture): Midi Through Port-0" and "… (playback): …").
bool IsSameMidiDevice(std::string_view input, std::string_view output);

}  // namespace kq505
