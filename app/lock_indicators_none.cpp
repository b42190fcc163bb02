#include "app/lock_indicators_x11.h"

namespace kq505 {

// Built without X: the panes stay blank.
std::optional<LockStates> ReadX11Locks(void*) {
    return std::nullopt;
}

}  // namespace kq505
