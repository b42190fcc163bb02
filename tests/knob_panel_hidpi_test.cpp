// The knob panel on a screen of twice the normal density: everything it draws, lines
// included, is twice as large in screen pixels, and handles are hit where they are seen.

#include <QImage>
#include <QtTest>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/knob_geometry.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::RecordingApp;

namespace {

const QRgb kGrid = qRgb(0, 127, 0);
const QRgb kCurve = qRgb(127, 255, 0);

}  // namespace

class KnobPanelHiDpiTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;
    QImage image_;

    // The colour of screen pixel (x, y).
    QRgb At(int x, int y) const { return image_.pixel(x, y) | 0xFF000000; }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
        image_ = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void theFormIsTwiceAsLargeInScreenPixels() {
        QCOMPARE(view_->devicePixelRatioF(), 2.0);
        QCOMPARE(image_.size(), QSize(2 * 674, 2 * 360));
    }

    void linesAreTwoScreenPixelsWide() {
        // The solid grid line of the chorus send at x 94, rows 110..160 of the form.
        for (int y = 2 * 110; y < 2 * 160; y += 7) {
            QCOMPARE(At(2 * 94, y), kGrid);
            QCOMPARE(At(2 * 94 + 1, y), kGrid);
        }
        // The middle line of the A layer's filter graph, y 139, between its handles.
        for (int x = 2 * 180; x < 2 * 200; x += 3) {
            QCOMPARE(At(x, 2 * 139), kCurve);
            QCOMPARE(At(x, 2 * 139 + 1), kCurve);
        }
    }

    void handlesAreTwiceAsLargeAndHitWhereTheyAreSeen() {
        // The send handle at (47, 151): its ring crosses the row of its centre three form
        // pixels left and right of it, two screen pixels thick.
        int lit = 0;
        for (int x = 2 * 47 - 8; x <= 2 * 47 + 8; ++x)
            lit += At(x, 2 * 151) == kCurve ? 1 : 0;
        QVERIFY2(lit >= 4, qPrintable(QString::number(lit)));
        QCOMPARE(At(2 * 44, 2 * 151), kCurve);
        QCOMPARE(At(2 * 50 + 1, 2 * 151), kCurve);
        // Mouse positions are in form pixels: the press lands on the handle as at scale 1.
        QCOMPARE(HitTest(rec_->app, 49, 149), DragTargetCode(HandleKind::kSend, Port::A));
    }
};

int main(int argc, char* argv[]) {
    // Before the application exists: Qt reads its scale factor once, at start.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    KnobPanelHiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "knob_panel_hidpi_test.moc"
