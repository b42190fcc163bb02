#include "app/start_report_probe.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "app/frame_commands.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "view/text_codec.h"

namespace kq505 {
namespace {

constexpr const char* kSwitch = "KQ505_REPORT_START_AND_EXIT";

bool Asked() {
    return !qEnvironmentVariableIsEmpty(kSwitch);
}

void PrintLine(std::FILE* stream, const char* label, const QString& value) {
    std::fprintf(stream, "%s: %s\n", label, value.toUtf8().constData());
    std::fflush(stream);
}

// A modal box would wait for a person who is not there: print it and press OK.
class MessageAnswerer : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box != nullptr && event->type() == QEvent::Show) {
            PrintLine(stderr, "message", box->text());
            // Queued: the box's own event loop has to run before it can be ended.
            QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

// Takes the place of the desktop for local files while the help command runs.
class FileOpenCatcher : public QObject {
    Q_OBJECT

  public:
    QString opened;

  public slots:
    void Open(const QUrl& url) { opened = url.toLocalFile(); }
};

QString HelpPageOpenedBy(CMainFrame& frame) {
    FileOpenCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    if (QAction* help = frame.Action(kIdHelp)) help->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    return catcher.opened;
}

void Report(CMainFrame& frame, const CKQ505App& app) {
    PrintLine(stdout, "ini file", QString::fromStdString(app.ini_path));
    PrintLine(stdout, "voices named", QString::number(app.instrument_names.NamedCount()));
    PrintLine(stdout, "program 1", FromShiftJis(app.instrument_names.Get(0, 0, 0)));
    PrintLine(stdout, "help page", HelpPageOpenedBy(frame));
    PrintLine(stdout, "scale", QString::number(frame.devicePixelRatioF()));
}

}  // namespace

void AnswerMessagesIfAsked() {
    if (!Asked()) return;
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new MessageAnswerer(application));
}

void ReportStartUpAndExitIfAsked(CMainFrame& frame, const CKQ505App& app) {
    if (!Asked()) return;
    QTimer::singleShot(0, &frame, [&frame, &app] {
        Report(frame, app);
        QCoreApplication::exit(0);
    });
}

}  // namespace kq505

#include "start_report_probe.moc"
