#include "app/lock_indicators_x11.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace kq505 {
namespace {

bool IndicatorOn(Display* display, const char* name) {
    // Only_if_exists: a keymap without this indicator has it off, and no atom is created.
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on == True;
}

}  // namespace

std::optional<LockStates> ReadX11Locks(void* display_handle) {
    auto* display = static_cast<Display*>(display_handle);
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) return std::nullopt;
    return LockStates{IndicatorOn(display, "Kana"), IndicatorOn(display, "Caps Lock"),
                      IndicatorOn(display, "Num Lock"), IndicatorOn(display, "Scroll Lock")};
}

}  // namespace kq505
