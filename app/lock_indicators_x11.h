#pragma once
// Reading the keyboard's lock indicators from an X display. Kept apart from every Qt
// header, because the X headers define names that clash with Qt's.

#include <optional>

namespace kq505 {

struct LockStates {
    bool kana = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// `display` is an Xlib Display*; none when the display has no keyboard extension (or the
// program was built without X).
std::optional<LockStates> ReadX11Locks(void* display);

}  // namespace kq505
