// The program: the application object, then the start-up, then the event loop.

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTranslator>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>

#include "app/dialog_font.h"
#include "app/first_paint_probe.h"
#include "app/install_layout.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/program_startup.h"
#include "app/start_report_probe.h"
#include "model/locked_midi_output.h"
#include "model/play_through_send.h"
#include "model/rtmidi_output.h"

namespace kq505 {

namespace {

// RtMidi's input thread plays through on the outputs that the user-interface thread sends on;
// one lock, held for each send alone, keeps the two apart.
std::unique_ptr<MidiOutput> SharedRtMidiOutput(Port port) {
    static const auto send_lock = std::make_shared<std::mutex>();
    return std::make_unique<LockedMidiOutput>(MakeRtMidiOutput(port), send_lock);
}

}  // namespace

CKQ505App& TheApp() {
    static CKQ505App app(SharedRtMidiOutput(Port::A), SharedRtMidiOutput(Port::B));
    static const bool with_input = [] {
        app.midi_in = MakeRtMidiInput(
            [](std::span<const std::uint8_t> message) { ForwardInput(app, message); });
        return true;
    }();
    (void)with_input;
    return app;
}

}  // namespace kq505

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kq505"));
    // Lets the desktop match the window with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KQ505_DESKTOP_ID));
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
    const std::unique_ptr<kq505::CMainFrame> frame =
        kq505::StartKQ505(kq505::TheApp(), places, document);
    kq505::ExitAfterFirstPaintIfAsked(*frame);
    kq505::ReportStartUpAndExitIfAsked(*frame, kq505::TheApp());
    return QApplication::exec();
}
