#include "app/port_status.h"

#include "app/kq505_app.h"

namespace kq505 {

std::vector<std::string_view> PortFailureMessages(const PortOpenResult& opened) {
    std::vector<std::string_view> messages;
    if (!opened.port_a_opened) messages.emplace_back("MIDI OUT Aの初期化に失敗しました");
    if (!opened.port_b_opened) messages.emplace_back("MIDI OUT Bの初期化に失敗しました");
    return messages;
}

bool ModuleInputFailed(const CKQ505App& app) {
    const bool outputs_open = app.midi_out_a->IsOpen() || app.midi_out_b->IsOpen();
    return outputs_open && !app.module_in->IsOpen();
}

}  // namespace kq505
