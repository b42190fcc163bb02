// The knob panel by keys, with real key events: where Tab and the brackets take the focus,
// what an arrow, Page Up and Home send, and one history step per key.

#include <QApplication>
#include <QSlider>
#include <QtTest>

#include <set>
#include <utility>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/knob_keys.h"
#include "view/knob_panel_keys.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;

namespace {

std::vector<MidiEvent> Nrpn(Port port, int channel, int parameter, int value) {
    const auto cc = [&](int control, int v) {
        return MidiEvent{port,
                         {std::uint8_t(0xB0 + channel), std::uint8_t(control), std::uint8_t(v)}};
    };
    return {cc(98, parameter), cc(99, 1), cc(6, value)};
}

std::vector<MidiEvent> Joined(std::vector<MidiEvent> a, const std::vector<MidiEvent>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

class KnobPanelKeysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;

    CKQ505App& App() { return rec_->app; }
    CKnobPanelKeys* Panel() const { return view_->KnobKeys(); }
    std::vector<MidiEvent> Take() { return rec_->log.TakeEvents(); }
    // The panel takes the focus as the user gives it: Tab from the last slider.
    void TabIn() {
        view_->Control(kIdMixSlider)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Panel());
    }
    void Key(Qt::Key key) { QTest::keyClick(Panel(), key); }
    void GoTo(int code) {
        while (Panel()->CurrentHandle() != code)
            Key(Qt::Key_BracketRight);
        Take();
    }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
        view_->show();
        QApplication::setActiveWindow(view_.get());
        QVERIFY(QTest::qWaitForWindowActive(view_.get()));
        Take();
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void tabWalksEveryHandleOfTheTenGraphsThenLeaves() {
        TabIn();
        std::vector<std::pair<Port, Graph>> graphs;
        for (int step = 0; step < kWalkedHandleCount; ++step) {
            const std::optional<DragTarget> target = DecodeDragTarget(Panel()->CurrentHandle());
            QVERIFY(target);
            QCOMPARE(HandleIndexOf(Panel()->CurrentHandle()), step);
            const std::pair<Port, Graph> graph{target->layer, GraphOf(target->kind)};
            if (graphs.empty() || graphs.back() != graph) graphs.push_back(graph);
            QTest::keyClick(Panel(), Qt::Key_Tab);
        }
        // Ten graphs, each visited once: the A layer's five, then the B layer's.
        QCOMPARE(graphs.size(), std::size_t(10));
        QCOMPARE(std::set(graphs.begin(), graphs.end()).size(), std::size_t(10));
        QCOMPARE(graphs[5].first, Port::B);
        QVERIFY(QApplication::focusWidget() != Panel());
        // Shift+Tab comes back in at the last handle; ] wraps round to the first.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), Panel());
        QCOMPARE(Panel()->CurrentHandle(), DragTargetCode(HandleKind::kEqTreble, Port::B));
        Key(Qt::Key_BracketRight);
        QCOMPARE(Panel()->CurrentHandle(), DragTargetCode(HandleKind::kSend, Port::A));
        Key(Qt::Key_BracketLeft);
        QCOMPARE(Panel()->CurrentHandle(), DragTargetCode(HandleKind::kEqTreble, Port::B));
        QVERIFY(Take().empty());
    }

    void arrowsStepAlongTheDragAxesWithTheDragsMessages() {
        TabIn();
        GoTo(DragTargetCode(HandleKind::kLpf, Port::A));
        const std::size_t steps = App().edit_history.StepCount();
        Key(Qt::Key_Right);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0xB0, 74, 65}), OnA({0xB0, 71, 64})}));
        Key(Qt::Key_Up);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0xB0, 74, 65}), OnA({0xB0, 71, 65})}));
        QCOMPARE(view_->FieldText(1053), QString("1"));
        QCOMPARE(view_->FieldText(1054), QString("1"));
        QCOMPARE(App().edit_history.StepCount(), steps + 2);
        // A handle with one row takes every arrow on it; Page Up moves it by eight.
        GoTo(DragTargetCode(HandleKind::kChorus, Port::B));
        Key(Qt::Key_Up);
        Key(Qt::Key_Right);
        Key(Qt::Key_PageUp);
        Key(Qt::Key_Down);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnB({0xB0, 93, 1}), OnB({0xB0, 93, 2}),
                                                 OnB({0xB0, 93, 10}), OnB({0xB0, 93, 9})}));
        QCOMPARE(view_->FieldText(1066), QString("9"));
        QCOMPARE(App().edit_history.StepCount(), steps + 6);
        // Each key is undone on its own.
        view_->OnEditUndo();
        QCOMPARE(App().Value(chorus_b), 10);
    }

    void homePutsTheHandlesRowsBackToTheirDefaults() {
        TabIn();
        GoTo(DragTargetCode(HandleKind::kEqBass, Port::B));
        Key(Qt::Key_Left);
        Key(Qt::Key_PageDown);
        QCOMPARE(App().Value(eq_bass_freq_b), 11);
        QCOMPARE(App().Value(eq_bass_gain_b), 56);
        Take();
        const std::size_t steps = App().edit_history.StepCount();
        Key(Qt::Key_Home);
        QCOMPARE(Take(), Joined(Nrpn(Port::B, 0, 0x34, kRowInfo[eq_bass_freq_b].default_value),
                                Nrpn(Port::B, 0, 0x30, kRowInfo[eq_bass_gain_b].default_value)));
        QCOMPARE(view_->FieldText(1078), QString("80"));
        QCOMPARE(view_->FieldText(1080), QString("+0"));
        QCOMPARE(App().edit_history.StepCount(), steps + 1);
    }

    void theFocusFrameShowsOnlyWhileThePanelHasTheFocus() {
        const QRect handle(568 - 5, 139 - 5, 11, 11);  // the A bass handle at its default
        const QImage before = view_->grab().toImage();
        TabIn();
        GoTo(DragTargetCode(HandleKind::kEqBass, Port::A));
        const QImage focused = view_->grab().toImage();
        int changed = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                if (before.pixel(x, y) != focused.pixel(x, y)) {
                    QVERIFY2(handle.contains(x, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
                    ++changed;
                }
        QVERIFY(changed > 0);
        view_->Control(kIdMixSlider)->setFocus();
        QCOMPARE(view_->grab(KnobPanelRect()).toImage(), before.copy(KnobPanelRect()));
    }

  private:
    static QRect KnobPanelRect() { return CKQ505View::KnobPanelRegion().boundingRect(); }
};

QTEST_MAIN(KnobPanelKeysTest)
#include "knob_panel_keys_test.moc"
