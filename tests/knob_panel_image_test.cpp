// The knob panel as painted: the view rendered into an image and read pixel by pixel.

#include <QImage>
#include <QtTest>

#include <utility>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::RecordingApp;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrid = qRgb(0, 127, 0);
const QRgb kCurve = qRgb(127, 255, 0);

}  // namespace

class KnobPanelImageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;
    QImage image_;

    CKQ505App& App() { return rec_->app; }
    void Render() { image_ = view_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRgb At(int x, int y) const { return image_.pixel(x, y) & 0xFFFFFF; }
    bool IsCurve(int x, int y) const { return At(x, y) == (kCurve & 0xFFFFFF); }
    bool IsGrid(int x, int y) const { return At(x, y) == (kGrid & 0xFFFFFF); }
    bool IsBlack(int x, int y) const { return At(x, y) == (kBlack & 0xFFFFFF); }

    // A handle is a circle of radius 3: its four outermost points are lit, and the ring
    // one pixel further out is not part of it.
    void VerifyHandle(int cx, int cy) {
        const QString where = QString("handle (%1, %2)").arg(cx).arg(cy);
        for (auto [dx, dy] : {std::pair{3, 0}, {-3, 0}, {0, 3}, {0, -3}, {2, 2}, {-2, -2}})
            QVERIFY2(IsCurve(cx + dx, cy + dy), qPrintable(where));
        for (auto [dx, dy] : {std::pair{3, 3}, {-3, -3}, {3, -3}, {-3, 3}})
            QVERIFY2(!IsCurve(cx + dx, cy + dy), qPrintable(where));
    }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void defaultHandlesStandWhereTheDefaultsPutThem() {
        Render();
        const std::vector<std::pair<int, int>> centres{
            {47, 151},  {94, 171},  {109, 171}, {172, 139}, {246, 139}, {314, 107}, {330, 139},
            {369, 171}, {452, 139}, {476, 139}, {500, 139}, {568, 139}, {652, 139}};
        for (auto [x, y] : centres) {
            VerifyHandle(x, y);
            VerifyHandle(x, y + 110);
        }
    }

    void boxesAreBlackWithGridAndDottedGuides() {
        Render();
        for (auto [x, y] : {std::pair{10, 102}, {124, 175}, {135, 102}, {665, 285}, {12, 214}})
            QVERIFY(IsBlack(x, y));
        QVERIFY(!IsBlack(9, 102));
        QVERIFY(!IsBlack(666, 150));
        // Frames and solid grid lines.
        for (auto [x, y] : {std::pair{15, 120},
                            {79, 120},
                            {84, 110},
                            {119, 110},
                            {94, 120},
                            {20, 150},
                            {150, 139},
                            {172, 120},
                            {278, 120},
                            {660, 260}})
            QVERIFY2(IsGrid(x, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
        // A guide: every other pixel lit from top to bottom.
        for (int x : {204, 214, 468, 600, 624}) {
            for (int y = 109; y < 137; ++y) {
                QVERIFY(IsGrid(x, y) || IsBlack(x, y));
                QVERIFY(IsGrid(x, y) != IsGrid(x, y + 1));
            }
        }
    }

    void vibratoIsFlatAtDepth64AndOpensTowardsTheDepthsSign() {
        Render();
        for (int x = 457; x <= 470; ++x) {
            QVERIFY(IsCurve(x, 139));
            for (int dy = 1; dy <= 8; ++dy)
                QVERIFY(!IsCurve(x, 139 - dy) && !IsCurve(x, 139 + dy));
        }
        // Delay and rate 64: the wave starts at x 452 and is 48 pixels wide.
        App().Value(vib_depth_a) = 0;
        App().Value(vib_depth_b) = 127;
        view_->RefreshPart();
        Render();
        QVERIFY(IsCurve(457, 168) && IsCurve(458, 161));  // A: amplitude −32, down first
        for (int y = 110; y < 139; ++y)
            QVERIFY(!IsCurve(457, y));
        QVERIFY(IsCurve(457, 110 + 110) && IsCurve(458, 117 + 110));  // B: amplitude 31, up
        for (int y = 140; y < 172; ++y)
            QVERIFY(!IsCurve(457, y + 110));
    }

    void filterFeetReachTheFrameAtTheRangeEnds() {
        App().Value(hpf_a) = 20;
        App().Value(brightness_a) = 108;
        App().Value(hpf_b) = 40;  // feet at 150 and 258
        App().Value(brightness_b) = 68;
        view_->RefreshPart();
        Render();
        QVERIFY(IsCurve(140, 170));  // leaves the bottom at the frame edge
        for (int x = 141; x <= 150; ++x)
            QVERIFY(!IsCurve(x, 171));
        for (int x = 262; x <= 276; ++x)
            QVERIFY(!IsCurve(x, 171));
        QVERIFY(IsCurve(277, 170) || IsCurve(278, 170));
        // The B layer's feet stand inside the frame and run along the bottom to its edges.
        QVERIFY(IsGrid(140, 155 + 110));
        for (int x = 141; x <= 149; ++x)
            QVERIFY(IsCurve(x, 281));
        for (int x = 259; x <= 277; ++x)
            QVERIFY(IsCurve(x, 281));
    }

    void eachGraphStaysInItsOwnBox() {
        Render();
        const QImage before = image_;
        // Bytes only a settings file brings: the A layer's vibrato reaches down into the B
        // layer's box and left into the envelope's, the envelope's grid into the filter's.
        for (auto [row, value] : {std::pair{vib_depth_a, -128},
                                  {vib_delay_a, -128},
                                  {vib_rate_a, 127},
                                  {attack_a, -128},
                                  {decay_a, -128}})
            App().Value(row) = value;
        Render();
        const QRect vibrato = QRect(431, 102, 107, 74);
        const QRect envelope = QRect(293, 102, 129, 74);
        int changed = 0;
        for (int y = 0; y < image_.height(); ++y) {
            for (int x = 0; x < image_.width(); ++x) {
                const bool own = vibrato.contains(x, y) || envelope.contains(x, y);
                const bool same = image_.pixel(x, y) == before.pixel(x, y);
                if (own) {
                    changed += same ? 0 : 1;
                } else {
                    QVERIFY2(same, qPrintable(QString("%1,%2").arg(x).arg(y)));
                }
            }
        }
        QVERIFY(changed > 100);
        QVERIFY(IsCurve(431, 139));  // the lead from the delay handle, cut at the box edge
    }

    void portBIsPortAMovedDownBy110Pixels() {
        const std::vector<std::pair<Row, int>> values{{pan_a, 20},
                                                      {reverb_a, 100},
                                                      {chorus_a, 70},
                                                      {variation_a, 3},
                                                      {hpf_a, 90},
                                                      {brightness_a, 30},
                                                      {harmonic_a, 110},
                                                      {attack_a, 10},
                                                      {decay_a, 90},
                                                      {release_a, 127},
                                                      {vib_delay_a, 5},
                                                      {vib_rate_a, 127},
                                                      {vib_depth_a, 99},
                                                      {eq_bass_freq_a, 30},
                                                      {eq_bass_gain_a, 20},
                                                      {eq_treble_freq_a, 30},
                                                      {eq_treble_gain_a, 120}};
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                for (const auto& [row, value] : values) {
                    App().Value(row) = value;
                    App().Value(LayerRow(row, true)) = value;
                }
                view_->RefreshPart();
            }
            Render();
            for (int y = 102; y < 176; ++y)
                for (int x = 10; x < 666; ++x)
                    QVERIFY2(At(x, y) == At(x, y + 110),
                             qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
        QVERIFY(IsCurve(25 - 3, 121));  // the moved send handle (25, 121)
    }
};

QTEST_MAIN(KnobPanelImageTest)
#include "knob_panel_image_test.moc"
