#include "app/app_style.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace kq505 {
namespace {

// Two chevrons pointing right, or down: the menu and tool bars' button for what does not fit.
QIcon Chevrons(bool down) {
    constexpr int kSize = 16;
    QPixmap image(kSize, kSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    if (down) {
        p.translate(kSize, 0);
        p.rotate(90);
    }
    for (const int x : {4, 9}) {
        p.drawPolyline(QPolygonF({QPointF(x, 4.5), QPointF(x + 3.5, 8), QPointF(x, 11.5)}));
    }
    return QIcon(image);
}

}  // namespace

AppStyle::AppStyle() : QProxyStyle(QApplication::style()->name()) {}

QIcon AppStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                             const QWidget* widget) const {
    // Qt's own are image files, and the first image file read loads every image format
    // plug-in: some milliseconds on the way to the first paint.
    switch (which) {
        case SP_ToolBarHorizontalExtensionButton:
            return Chevrons(false);
        case SP_ToolBarVerticalExtensionButton:
            return Chevrons(true);
        default:
            return QProxyStyle::standardIcon(which, option, widget);
    }
}

}  // namespace kq505
