#pragma once
// The program's widget style: the platform's own, with the few standard icons that the
// main window needs before its first paint drawn here rather than read from image files.

#include <QProxyStyle>

namespace kq505 {

class AppStyle : public QProxyStyle {
  public:
    // The style that the platform or the -style option chose.
    AppStyle();

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace kq505
