#include "model/note_preview.h"

#include <algorithm>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"

namespace kq505 {

void SendPreviewNote(CKQ505App& app, Port port) {
    SendPreviewNote(app, port, app.preview_note);
}

void SendPreviewNote(CKQ505App& app, Port port, int note) {
    SendPartMessage(app, port, PackShortMessage(kNoteOn, note, app.preview_velocity));
    const PreviewNote sounding{app.selected_part & 0x0F, DataByte(note), port};
    if (std::ranges::find(app.sounding_previews, sounding) == app.sounding_previews.end()) {
        app.sounding_previews.push_back(sounding);
    }
}

namespace {

void SendNoteOff(CKQ505App& app, const PreviewNote& note) {
    const auto off = static_cast<std::uint8_t>(kNoteOff | note.channel);
    app.Output(note.port).SendShortMessage(PackShortMessage(off, note.note, 0x40));
}

}  // namespace

void SendPreviewEnd(CKQ505App& app) {
    if (app.thru == 1) {
        for (const PreviewNote& note : app.sounding_previews)
            SendNoteOff(app, note);
    } else {
        // Every channel, not only the selected part's: the part may have changed meanwhile.
        for (int channel = 0; channel < kPartCount; ++channel) {
            const std::uint32_t off = ControlChange(channel, kCcAllNotesOff, 0);
            app.Output(Port::A).SendShortMessage(off);
            app.Output(Port::B).SendShortMessage(off);
        }
    }
    app.sounding_previews.clear();
}

void SendPreviewEnd(CKQ505App& app, Port port) {
    std::erase_if(app.sounding_previews, [&app, port](const PreviewNote& note) {
        if (note.port != port) return false;
        SendNoteOff(app, note);
        return true;
    });
}

int PreviewGateMs(const CKQ505App& app) {
    return std::max(0, app.preview_gate_ms);
}

}  // namespace kq505
