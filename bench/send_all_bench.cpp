#include <benchmark/benchmark.h>

#include <memory>

#include "app/kq505_app.h"
#include "model/midi_send.h"
#include "model/part_transmission.h"

namespace kq505 {
namespace {

void BM_SendAllPartParametersToNullOutput(benchmark::State& state) {
    CKQ505App app;
    OpenMidiPorts(app);
    app.selected_part = 5;
    for (auto _ : state) {
        SendAllPartParameters(app);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SendAllPartParametersToNullOutput);

}  // namespace
}  // namespace kq505
