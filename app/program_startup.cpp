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

// The latest the ports open when the window never paints (started hidden, say).
constexpr int kLatestPortOpenMs = 1000;

// Opens both ports once, right after the window's first paint.
class PortOpener : public QObject {
  public:
    PortOpener(CKQ505App& app, QWidget& window, std::function<void()> opened)
        : QObject(&window), app_(app), window_(&window), opened_(std::move(opened)) {
        window.installEventFilter(this);
        QTimer::singleShot(kLatestPortOpenMs, this, &PortOpener::Open);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            // Queued, so that the painting reaches the screen first.
            QTimer::singleShot(0, this, &PortOpener::Open);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Open() {
        if (done_) return;
        done_ = true;
        window_->removeEventFilter(this);
        const PortOpenResult opened = OpenMidiPorts(app_);
        if (!opened.port_a_opened) {
            ShowMessage(window_, QStringLiteral("MIDI OUT Aの初期化に失敗しました"));
        }
        if (!opened.port_b_opened) {
            ShowMessage(window_, QStringLiteral("MIDI OUT Bの初期化に失敗しました"));
        }
        if (opened_) opened_();
    }

    CKQ505App& app_;
    QPointer<QWidget> window_;
    std::function<void()> opened_;
    bool done_ = false;
};

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
                                       const QString& document,
                                       std::function<void()> ports_opened) {
    if (!RunStartUpSteps(app, places).instrument_list_loaded) {
        ShowMessage(nullptr, QStringLiteral("音色リストファイルを読み込めませんでした"));
    }
    auto frame = std::make_unique<CMainFrame>(app);
    if (!document.isEmpty()) frame->OpenDocumentFile(document);
    CentreOnScreen(*frame);
    new PortOpener(app, *frame, [window = frame.get(), ports_opened = std::move(ports_opened)] {
        window->ShowMidiInputState();
        if (ports_opened) ports_opened();
    });
    frame->show();
    return frame;
}

}  // namespace kq505
