#pragma once
// A measuring switch: with KQ505_EXIT_AFTER_FIRST_PAINT set, the program prints how long
// after its start the window was first painted, and ends. The start is the time in
// KQ505_LAUNCH_TIME_NS (nanoseconds of the real-time clock, set by the launching script
// just before it starts the program), else the process's start as the kernel keeps it
// (to the clock tick).

#include <functional>

class QWidget;

namespace kq505 {

// Does nothing unless the switch is set.
void ExitAfterFirstPaintIfAsked(QWidget& window);

// With KQ505_EXIT_AFTER_PORTS_OPEN set, what to run once both ports are open: print how long
// after the start that was, and end. Empty unless the switch is set.
std::function<void()> ExitAfterPortsOpenIfAsked();

}  // namespace kq505
