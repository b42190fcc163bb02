#include "model/note_preview.h"

#include <algorithm>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"

namespace kq505 {

void SendPreviewNote(CKQ505App& app, Port port) {
    SendPartMessage(app, port, PackShortMessage(kNoteOn, app.preview_note, app.preview_velocity));
}

void SendPreviewEnd(CKQ505App& app) {
    // Every channel, not only the selected part's: the part may have changed meanwhile.
    for (int channel = 0; channel < kPartCount; ++channel) {
        const std::uint32_t off = ControlChange(channel, kCcAllNotesOff, 0);
        app.Output(Port::A).SendShortMessage(off);
        app.Output(Port::B).SendShortMessage(off);
    }
}

int PreviewGateMs(const CKQ505App& app) {
    return std::max(0, app.preview_gate_ms);
}

}  // namespace kq505
