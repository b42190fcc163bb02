// A second yardstick for the start-up time: the smallest main window furnished as the
// program's is, with a menu bar, a tool bar, a status bar and a line of text, but without
// the program's form. The gap between it and the bare window is what any window of this
// shape costs; the gap between it and the program is the program's own.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QToolBar>

#include "app/app_style.h"
#include "app/dialog_font.h"
#include "app/first_paint_probe.h"

namespace {

// The program's menus hold about sixty commands, and its tool bar fourteen buttons.
constexpr int kMenus = 6;
constexpr int kCommandsPerMenu = 10;
constexpr int kToolButtons = 14;

QIcon Square(int n) {
    QPixmap image(16, 15);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setBrush(QColor::fromHsv(n * 25, 160, 200));
    p.drawRect(2, 2, 11, 10);
    return QIcon(image);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setStyle(new kq505::AppStyle);
    QApplication::setFont(kq505::DialogFont());
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("furnished"));
    for (int m = 0; m < kMenus; ++m) {
        QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Menu &%1").arg(m + 1));
        for (int c = 0; c < kCommandsPerMenu; ++c)
            menu->addAction(QStringLiteral("Command &%1").arg(c + 1));
    }
    QToolBar* tools = window.addToolBar(QStringLiteral("Toolbar"));
    tools->setIconSize(QSize(16, 15));
    for (int b = 0; b < kToolButtons; ++b)
        tools->addAction(Square(b), QStringLiteral("Button %1").arg(b + 1));
    window.statusBar()->addWidget(new QLabel(QStringLiteral("ﾚﾃﾞｨ")), 1);
    auto* form = new QLabel(QStringLiteral("Port A :"), &window);
    form->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFixedSize(674, 360);
    window.setCentralWidget(form);
    kq505::ExitAfterFirstPaintIfAsked(window);
    window.show();
    return QApplication::exec();
}
