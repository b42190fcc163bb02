#pragma once
// Test notes on the selected part: the note-on goes out at once, and the end of the gate
// silences every channel of both ports; while the input is played through, it ends only the
// test notes themselves, so that what is being played goes on. The program change dialog
// times each port on its own and ends its notes one port at a time.

#include "model/midi_output.h"

namespace kq505 {

class CKQ505App;

// Note-on of preview_note at preview_velocity on the selected part's channel.
void SendPreviewNote(CKQ505App& app, Port port);
// The same with another note: an instrument of a drum kit.
void SendPreviewNote(CKQ505App& app, Port port, int note);
// All Notes Off on channels 0..15, each on Port A and then on Port B; with Thru on, instead
// the note-off of each sounding preview note on its channel and port, in the order played.
void SendPreviewEnd(CKQ505App& app);
// The note-off of each preview note sounding on this port, on the channel it was played on;
// the other port's notes sound on.
void SendPreviewEnd(CKQ505App& app, Port port);
// The gate as a timer period; a negative setting ends the note at once.
int PreviewGateMs(const CKQ505App& app);

}  // namespace kq505
