#pragma once
// What the user is told about the MIDI ports: a box for each output that failed to open,
// worded alike whichever command opened it, a word in the status bar while the JACK server
// the ports were on is gone, and one while the module's input could not be opened.

#include <string_view>
#include <vector>

#include "model/midi_send.h"

namespace kq505 {

inline constexpr std::string_view kServerLostText = "JACKｻｰﾊﾞｰが停止しました";
inline constexpr std::string_view kModuleInputFailedText = "MODULE INの初期化に失敗しました";

class CKQ505App;

// Whether the status bar says kModuleInputFailedText: while an output is open but the
// module's input is not. Released ports are closed on purpose and need no word.
bool ModuleInputFailed(const CKQ505App& app);

// One message per output that did not open, Port A first (UTF-8).
std::vector<std::string_view> PortFailureMessages(const PortOpenResult& opened);

// Whether the status bar tells of a lost server: from the moment the loss is seen until an
// output opens again, whatever happens to the server meanwhile.
class ServerLossNotice {
  public:
    // A look at the server; `lost` is true while the ports' server is gone.
    void Look(bool lost) {
        if (lost) shown_ = true;
    }
    void PortsOpened(const PortOpenResult& opened) {
        if (opened.port_a_opened || opened.port_b_opened) shown_ = false;
    }
    bool Shown() const { return shown_; }

  private:
    bool shown_ = false;
};

}  // namespace kq505
