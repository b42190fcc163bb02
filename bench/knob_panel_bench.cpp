// Painting the knob panel through the view on the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>

#include "app/kq505_app.h"
#include "view/kq505_view.h"

namespace kq505 {
namespace {

void BM_RepaintWholeKnobPanel(benchmark::State& state) {
    CKQ505App app;
    app.Value(vib_depth_a) = 127;  // a full wave costs the most
    CKQ505View view(app);
    view.show();
    // Until the window is exposed a repaint paints nothing.
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    const QRegion panel = CKQ505View::KnobPanelRegion();
    for (auto _ : state)
        view.repaint(panel);
}
BENCHMARK(BM_RepaintWholeKnobPanel)->Repetitions(9)->ReportAggregatesOnly(true);

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
