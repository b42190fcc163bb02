#include "app/program_startup.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QStandardPaths>
#include <system_error>

#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/settings.h"

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
                                       const QString& document) {
    if (!RunStartUpSteps(app, places).instrument_list_loaded) {
        ShowMessage(nullptr, QStringLiteral("音色リストファイルを読み込めませんでした"));
    }
    auto frame = std::make_unique<CMainFrame>(app);
    if (!document.isEmpty()) frame->OpenDocumentFile(document);
    CentreOnScreen(*frame);
    frame->show();
    return frame;
}

}  // namespace kq505
