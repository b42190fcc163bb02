#pragma once
// Paints the knob panel: the ten graphs of the selected part, each in its black box, with
// grid, guides, curves and handles at the places the knob geometry computes.

#include <QRect>
#include <QRegion>

class QPainter;

namespace kq505 {

class CKQ505App;
struct Point;
struct PixelRect;

QRect ToQRect(const PixelRect& r);

// The union of the ten graph boxes; the panel paints nothing outside it.
QRegion KnobPanelRegion();

// The whole panel, background included, so no earlier picture needs wiping. On a screen
// denser than the form the pens widen with it.
void PaintKnobPanel(QPainter& painter, const CKQ505App& app, qreal device_pixel_ratio);

// The square a handle's circle fits in.
QRect HandleRect(Point centre);

}  // namespace kq505
