// Opening the program change dialog with the shipped list: six lists filled from the name
// tables, on the offscreen platform.

#include <benchmark/benchmark.h>

#include "app/kq505_app.h"
#include "instruments/instrument_list.h"
#include "instruments/program_change_dlg.h"

namespace kq505 {
namespace {

void BM_OpenProgramChangeDlgWithShippedList(benchmark::State& state) {
    CKQ505App app;
    app.instrument_file_path = KQ505_SOURCE_DIR "/res/xg.ins";
    if (!LoadInstrumentList(app)) state.SkipWithError("res/xg.ins not found");
    for (auto _ : state) {
        CProgramChangeDlg dialog(app, nullptr);
        benchmark::DoNotOptimize(dialog.List(1044));
    }
    state.counters["voices"] = static_cast<double>(app.instrument_names.NamedCount());
}
BENCHMARK(BM_OpenProgramChangeDlgWithShippedList)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kq505
