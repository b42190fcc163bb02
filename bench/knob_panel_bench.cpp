// The view's knob panel on the offscreen platform: painting it, and dragging a handle
// through the view (core update, MIDI to a null output, panel repaint, display push).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include "app/kq505_app.h"
#include "view/knob_geometry.h"
#include "view/kq505_view.h"

namespace kq505 {
namespace {

// Until the window is exposed a repaint paints nothing.
void ShowExposed(CKQ505View& view) {
    view.show();
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents();
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(p), widget.mapToGlobal(QPointF(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void BM_RepaintWholeKnobPanel(benchmark::State& state) {
    CKQ505App app;
    app.Value(vib_depth_a) = 127;  // a full wave costs the most
    CKQ505View view(app);
    ShowExposed(view);
    const QRegion panel = CKQ505View::KnobPanelRegion();
    for (auto _ : state)
        view.repaint(panel);
}
BENCHMARK(BM_RepaintWholeKnobPanel)->Repetitions(9)->ReportAggregatesOnly(true);

// One iteration is one mouse move of a send pad drag, zigzagging so the values stay inside
// their ranges; 10,000 moves per repetition.
void BM_DragSendPadThroughView(benchmark::State& state) {
    CKQ505App app;
    CKQ505View view(app);
    ShowExposed(view);
    QPoint p(47, 151);
    SendMouse(view, QEvent::MouseButtonPress, p, Qt::LeftButton);
    int step = 1;
    for (auto _ : state) {
        p += QPoint(step, -step);
        step = -step;
        SendMouse(view, QEvent::MouseMove, p, Qt::LeftButton);
    }
    SendMouse(view, QEvent::MouseButtonRelease, p, Qt::NoButton);
}
BENCHMARK(BM_DragSendPadThroughView)->Iterations(10000)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_DragSendPadCoreOnly(benchmark::State& state) {
    CKQ505App app;
    int step = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DragHandle(app, 100, step, step));
        step = -step;
    }
}
BENCHMARK(BM_DragSendPadCoreOnly)->Iterations(10000)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kq505

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
