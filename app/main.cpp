// The program: the application object, then the start-up, then the event loop.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTranslator>
#include <filesystem>
#include <memory>

#include "app/app_style.h"
#include "app/dialog_font.h"
#include "app/first_paint_probe.h"
#include "app/install_layout.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/nsm_window.h"
#include "app/program_startup.h"
#include "app/recovery_file.h"
#include "app/start_report_probe.h"
#include "app/startup.h"
#include "model/midi_system.h"

namespace kq505 {

CKQ505App& TheApp() {
    static CKQ505App app;
    [[maybe_unused]] static const bool midi = (UseSystemMidi(app), true);
    return app;
}

}  // namespace kq505

int main(int argc, char* argv[]) {
    kq505::IgnoreFileSizeSignal();
    // Before the application object: the settings folder is named after the program.
    QApplication::setApplicationName(QStringLiteral("kq505"));
    const bool zoomed = kq505::ApplyZoomSetting();
    QApplication application(argc, argv);
    if (zoomed) qunsetenv("QT_SCALE_FACTOR");
    // Lets the desktop match the window with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KQ505_DESKTOP_ID));
    QApplication::setStyle(new kq505::AppStyle);  // the application owns it
    QApplication::setFont(kq505::DialogFont());
    // The program speaks Japanese, so Qt's own dialogs and buttons should too.
    QTranslator qt_texts;
    if (qt_texts.load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qt_texts);
    }

    const std::filesystem::path executable =
        kq505::FileSystemPath(QCoreApplication::applicationFilePath());
    const kq505::StartUpPlaces places{
        executable,
        kq505::FileSystemPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)),
        kq505::ProgramDataFolder(executable, KQ505_DATA_DIR)};
    const QStringList arguments = QCoreApplication::arguments();
    const QString document = arguments.size() > 1 ? arguments.at(1) : QString();

    kq505::AnswerMessagesIfAsked();
    std::unique_ptr<kq505::NsmClient> session_client = kq505::ConnectToSessionIfAsked();
    kq505::TheApp().setup.in_session = session_client != nullptr;
    const std::unique_ptr<kq505::CMainFrame> frame =
        kq505::StartKQ505(kq505::TheApp(), places, document, kq505::ExitAfterPortsOpenIfAsked(),
                          session_client != nullptr);
    // Declared after the frame, so that it goes first.
    std::unique_ptr<kq505::CNsmSession> session;
    if (session_client) {
        // The session keeps the set-up and saves it before it ends the program: nothing to
        // recover, and no question at a start the session made.
        session = std::make_unique<kq505::CNsmSession>(kq505::TheApp(), *frame,
                                                       std::move(session_client));
        session->Announce(argv[0], static_cast<int>(getpid()));
    } else {
        frame->SetRecoveryFile(kq505::RecoveryFilePath(
            kq505::RecoveryFolder(qEnvironmentVariable("XDG_STATE_HOME").toStdString(),
                                  qEnvironmentVariable("HOME").toStdString()),
            static_cast<long>(getpid())));
    }
    frame->CatchTerminationSignals();
    if (!session) frame->OfferRecovery();
    if (frame->EndedBySignal()) return 0;
    kq505::ExitAfterFirstPaintIfAsked(*frame);
    kq505::ReportStartUpAndExitIfAsked(*frame, kq505::TheApp());
    return QApplication::exec();
}
