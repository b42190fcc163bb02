// The program: the application object, then the start-up, then the event loop.

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

#include "app/dialog_font.h"
#include "app/first_paint_probe.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/program_startup.h"
#include "model/rtmidi_output.h"

namespace kq505 {

CKQ505App& TheApp() {
    static CKQ505App app(MakeRtMidiOutput(Port::A), MakeRtMidiOutput(Port::B));
    return app;
}

}  // namespace kq505

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kq505"));
    QApplication::setFont(kq505::DialogFont());

    const kq505::StartUpPlaces places{
        kq505::FileSystemPath(QCoreApplication::applicationFilePath()),
        kq505::FileSystemPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)),
        KQ505_DATA_DIR};
    const QStringList arguments = QCoreApplication::arguments();
    const QString document = arguments.size() > 1 ? arguments.at(1) : QString();

    const std::unique_ptr<kq505::CMainFrame> frame =
        kq505::StartKQ505(kq505::TheApp(), places, document);
    kq505::ExitAfterFirstPaintIfAsked(*frame);
    return QApplication::exec();
}
