#include <benchmark/benchmark.h>

#include "app/kq505_app.h"
#include "effects/effect_edit.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

// The effect blocks whole, as "send all" and a set-up load put them on Port A.
void BM_SendEffectBlocksToNullOutput(benchmark::State& state) {
    CKQ505App app;
    OpenMidiPorts(app);
    for (auto _ : state) {
        SendEffectBlocks(app);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SendEffectBlocksToNullOutput);

// One type chosen in the window: the defaults taken and one message sent.
void BM_ChooseVariationType(benchmark::State& state) {
    CKQ505App app;
    OpenMidiPorts(app);
    bool echo = false;
    for (auto _ : state) {
        echo = !echo;
        SetEffectValue(app, {EffectItem::type, EffectBlock::variation}, echo ? 7 * 128 : 5 * 128);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ChooseVariationType);

}  // namespace
}  // namespace kq505
