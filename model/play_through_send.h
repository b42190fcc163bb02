#pragma once
// Play-through on the program's outputs: the input's messages and the soft keyboard's notes
// onto Port A and Port B, and the input opened and closed beside the outputs.

#include <cstdint>
#include <span>

namespace kq505 {

class CKQ505App;

// On the input's thread: what the play-through lets pass goes out at once.
void ForwardInput(CKQ505App& app, std::span<const std::uint8_t> message);
// A note of the soft keyboard (built on channel 0) on the selected part's channel, to the
// ports of `ports` (PortBits).
void SendKeyboardMessage(CKQ505App& app, std::span<const std::uint8_t> message, std::uint8_t ports);
// Note-offs for every soft keyboard note still down, each where it went.
void EndKeyboardNotes(CKQ505App& app);

// After both outputs are open: the settings of the play-through, then the input on
// in_device (moved first to where in_name now stands). An output whose device is the input's
// own device is left out of the play-through, so that nothing circles. False when the input
// cannot be opened.
bool OpenMidiInput(CKQ505App& app);
// Before the outputs close: closes the input, then ends on the outputs every note and pedal
// that it left down.
void CloseMidiInput(CKQ505App& app);
// When the program must end at once: every note it holds ended where it went (the soft
// keyboard's, the preview's, then the input's notes and pedals), and the ports closed, which
// lets what was sent leave first.
void EndNotesAndCloseMidiPorts(CKQ505App& app);

}  // namespace kq505
