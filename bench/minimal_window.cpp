// The yardstick for the program's start-up time: the smallest Qt main window, built and
// started as the program is, with the same first-paint switch.

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

#include "app/dialog_font.h"
#include "app/first_paint_probe.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setFont(kq505::DialogFont());
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.setCentralWidget(new QWidget(&window));
    window.centralWidget()->setFixedSize(674, 360);
    kq505::ExitAfterFirstPaintIfAsked(window);
    window.show();
    return QApplication::exec();
}
