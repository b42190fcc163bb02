#pragma once
// The program's own button images, drawn at run time rather than shipped as bitmaps.

#include <QIcon>

namespace kq505 {

// The 16 × 15 image of a toolbar command; a null icon for a command without one.
QIcon ToolbarIcon(int command_id);
QIcon AppIcon();

}  // namespace kq505
