#include "app/port_status.h"

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

}  // namespace kq505
