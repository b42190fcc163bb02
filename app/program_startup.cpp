#include "app/program_startup.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <system_error>
#include <utility>

#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/port_status.h"
#include "app/settings.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

void CentreOnScreen(QWidget& window) {
    window.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed = window.geometry();
        placed.moveCenter(screen->availableGeometry().center());
        window.move(placed.topLeft());
    }
}

// The latest the start-up work after the first paint runs when the window never paints
// (started hidden, say).
constexpr int kLatestAfterPaintMs = 1000;

// Runs a piece of start-up work once, right after the window's first paint, so that the
// window is on the screen first and any message about the work appears over it.
class AfterFirstPaint : public QObject {
  public:
    AfterFirstPaint(QWidget& window, std::function<void()> work)
        : QObject(&window), window_(&window), work_(std::move(work)) {
        window.installEventFilter(this);
        QTimer::singleShot(kLatestAfterPaintMs, this, &AfterFirstPaint::Run);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // Queued, so that the painting reaches the screen first.
            QTimer::singleShot(0, this, &AfterFirstPaint::Run);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Run() {
        if (done_) return;
        done_ = true;
        if (window_) window_->removeEventFilter(this);
        work_();
    }

    QPointer<QWidget> window_;
    std::function<void()> work_;
    bool done_ = false;
};

void OpenPorts(CKQ505App& app, QWidget* window) {
    if (const std::string message = PortFailureMessage(OpenMidiPorts(app)); !message.empty())
        ShowMessage(window, QString::fromStdString(message));
}

}  // namespace

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

bool ApplyZoomSetting() {
    constexpr const char* kScaleFactor = "QT_SCALE_FACTOR";
    if (qEnvironmentVariableIsSet(kScaleFactor)) return false;
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return false;
    const std::filesystem::path ini = IniPathFor(
        executable,
        FileSystemPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    const double factor = DisplayScaleFactor(ReadZoomSetting(ini));
    if (factor == 1.0) return false;
    return qputenv(kScaleFactor, QByteArray::number(factor));
}

std::unique_ptr<CMainFrame> StartKQ505(CKQ505App& app, const StartUpPlaces& places,
                                       const QString& document, std::function<void()> ports_opened,
                                       bool ports_wait_for_session) {
    const StartUpReport report = RunStartUpSteps(app, places);
    if (!report.settings_read) {
        ShowMessage(nullptr, QStringLiteral("設定ファイル %1 は大きすぎるため、読み込めません。\n"
                                            "既定の設定で起動し、このファイルには書き込みません。")
                                 .arg(QString::fromStdString(app.ini_path)));
    }
    if (!report.instrument_list_loaded) {
        ShowMessage(nullptr, QStringLiteral("音色リストファイルを読み込めませんでした"));
    }
    auto frame = std::make_unique<CMainFrame>(app);
    const bool setup_opened = !document.isEmpty() && frame->OpenDocumentFile(document) &&
                              document.endsWith(QStringLiteral(".kqset"), Qt::CaseInsensitive);
    CentreOnScreen(*frame);
    new AfterFirstPaint(*frame, [&app, window = frame.get(), ports_opened = std::move(ports_opened),
                                 setup_opened, ports_wait_for_session] {
        // Reading the keyboard's locks asks the display server several times over.
        window->RefreshLockIndicators();
        if (ports_wait_for_session) return;
        OpenPorts(app, window);
        window->ShowMidiInputState();
        window->RunStartAction(ActionAtStart(app, setup_opened));
        if (ports_opened) ports_opened();
    });
    frame->show();
    return frame;
}

}  // namespace kq505
