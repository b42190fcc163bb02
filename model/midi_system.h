#pragma once
// The MIDI system the program talks through, chosen anew at each open and each device list:
// the one that the environment variable KQ505_MIDI_API names ("jack", "alsa", ...), or else
// the first that can be reached, the ALSA sequencer before JACK. JACK goes through the
// program's own client "KQ505", everything else through RtMidi; nothing of either library
// shows outside the backend files.

#include <memory>
#include <string>
#include <vector>

#include "model/midi_output.h"

namespace kq505 {

class CKQ505App;

// Gives `app` its two outputs, its input, played through on the outputs, and the module's
// input (MODULE IN), all on one JACK client there, and its device lists.
void UseSystemMidi(CKQ505App& app);

// One output on a JACK client of its own, for a caller that needs a single port.
std::unique_ptr<MidiOutput> MakeMidiOutput(Port port);

// The device lists for a caller without such an application object, list position = device
// number; on JACK a client of their own looks for the moment.
std::vector<std::string> MidiOutputDeviceNames();
std::vector<std::string> MidiInputDeviceNames();

}  // namespace kq505
