#include "app/port_status.h"

#include "app/kq505_app.h"

namespace kq505 {

std::string PortFailureMessage(const PortOpenResult& opened) {
    std::string message;
    if (!opened.port_a_opened) message = "MIDI OUT Aの初期化に失敗しました";
    if (!opened.port_b_opened) {
        if (!message.empty()) message += '\n';
        message += "MIDI OUT Bの初期化に失敗しました";
    }
    return message;
}

bool ModuleInputFailed(const CKQ505App& app) {
    const bool outputs_open = app.midi_out_a->IsOpen() || app.midi_out_b->IsOpen();
    return outputs_open && !app.module_in->IsOpen();
}

}  // namespace kq505
