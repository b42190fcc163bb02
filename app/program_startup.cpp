#include "app/program_startup.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include "app/kq505_app.h"
#include "app/main_frame.h"

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

std::unique_ptr<CMainFrame> StartKQ505(CKQ505App& app, const StartUpPlaces& places,
                                       const QString& document) {
    (void)places;
    auto frame = std::make_unique<CMainFrame>(app);
    if (!document.isEmpty()) frame->OpenDocumentFile(document);
    CentreOnScreen(*frame);
    frame->show();
    return frame;
}

}  // namespace kq505
