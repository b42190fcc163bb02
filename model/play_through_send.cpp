#include "model/play_through_send.h"

#include <string>
#include <vector>

#include "app/kq505_app.h"
#include "model/device_names.h"
#include "model/midi_send.h"
#include "model/note_preview.h"
#include "model/play_through.h"

namespace kq505 {
namespace {

void SendToPorts(CKQ505App& app, std::uint32_t packed, std::uint8_t ports) {
    if ((ports & kPortABit) != 0) app.midi_out_a->SendShortMessage(packed);
    if ((ports & kPortBBit) != 0) app.midi_out_b->SendShortMessage(packed);
}

void Send(CKQ505App& app, const ThruMessages& messages) {
    for (const ThruMessage& message : messages)
        SendToPorts(app, message.packed, message.ports);
}

bool InList(int device, const std::vector<std::string>& names) {
    return device >= 0 && static_cast<std::size_t>(device) < names.size();
}

// The ports whose output device is the input device.
std::uint8_t LoopPorts(CKQ505App& app, const std::string& input) {
    if (!app.output_device_names) return kNoPorts;
    const std::vector<std::string> outputs = app.output_device_names();
    std::uint8_t ports = kNoPorts;
    const auto check = [&](int device, bool open, std::uint8_t bit) {
        if (open && InList(device, outputs) &&
            IsSameMidiDevice(input, outputs[static_cast<std::size_t>(device)])) {
            ports |= bit;
        }
    };
    check(app.out_a_device, app.midi_out_a->IsOpen(), kPortABit);
    check(app.out_b_device, app.midi_out_b->IsOpen(), kPortBBit);
    return ports;
}

}  // namespace

void ForwardInput(CKQ505App& app, std::span<const std::uint8_t> message) {
    Send(app, app.play_through->RouteInput(message));
}

void SendKeyboardMessage(CKQ505App& app, std::span<const std::uint8_t> message,
                         std::uint8_t ports) {
    Send(app, app.play_through->RouteKeyboard(message, ports));
}

void EndKeyboardNotes(CKQ505App& app) {
    app.play_through->EndKeyboardNotes(
        [&app](std::uint32_t packed, std::uint8_t ports) { SendToPorts(app, packed, ports); });
}

bool OpenMidiInput(CKQ505App& app) {
    PlayThrough& thru = *app.play_through;
    thru.SetThru(app.thru == 1);
    thru.SetKeepChannel(app.thru_channel == 1);
    thru.SetPart(app.selected_part);
    std::uint8_t loop = kNoPorts;
    // Listing the devices takes a client of the MIDI system; only a stored name or a
    // play-through that could circle needs the list.
    const bool need_names = !app.in_name.empty() || app.thru == 1;
    if (app.in_device >= 0 && need_names && app.input_device_names) {
        const std::vector<std::string> inputs = app.input_device_names();
        app.in_device = ResolveMidiDevice(inputs, app.in_device, app.in_name);
        if (app.thru == 1 && InList(app.in_device, inputs)) {
            loop = LoopPorts(app, inputs[static_cast<std::size_t>(app.in_device)]);
        }
    }
    thru.SetLoopPorts(loop);
    return app.midi_in->Open(app.in_device);
}

void CloseMidiInput(CKQ505App& app) {
    app.midi_in->Close();
    app.play_through->EndInputNotes(
        [&app](std::uint32_t packed, std::uint8_t ports) { SendToPorts(app, packed, ports); });
}

void EndNotesAndCloseMidiPorts(CKQ505App& app) {
    EndKeyboardNotes(app);
    if (!app.sounding_previews.empty()) SendPreviewEnd(app);
    CloseMidiPorts(app);
}

}  // namespace kq505
