// From a send call to the message lying in the output's ring, on a JACK server that runs
// already (JACK_DEFAULT_SERVER names it). Between batches the timing pauses while the
// process callback empties the ring, so that every send is a real write and none a drop.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "app/kq505_app.h"
#include "drums/drum_edit.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"
#include "model/midi_system.h"
#include "model/part_transmission.h"

namespace kq505 {
namespace {

constexpr int kBatch = 1000;  // some 5 KB in a ring of 32 KiB

void AwaitEmptyRings() {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
}

bool OpenOnJack(CKQ505App& app, benchmark::State& state) {
    UseSystemMidi(app);
    const PortOpenResult opened = OpenMidiPorts(app);
    if (!opened.port_a_opened || !opened.port_b_opened) {
        state.SkipWithError("no JACK server with two MIDI inputs (KQ505_MIDI_API=jack)");
        return false;
    }
    return true;
}

void BM_JackShortMessageToRing(benchmark::State& state) {
    CKQ505App app;
    if (!OpenOnJack(app, state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        AwaitEmptyRings();
        state.ResumeTiming();
        for (int i = 0; i < kBatch; ++i)
            SendPartMessage(app, Port::A, ControlChange(0, kCcVolume, i % 128));
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["dropped"] = static_cast<double>(app.midi_out_a->DroppedCount());
}
BENCHMARK(BM_JackShortMessageToRing)->Unit(benchmark::kMicrosecond)->Iterations(40);

// A whole part: some 90 messages on the two ports, NRPNs and SysEx among them.
void BM_JackSendAllPartParametersToRing(benchmark::State& state) {
    CKQ505App app;
    if (!OpenOnJack(app, state)) return;
    app.selected_part = 5;
    for (auto _ : state) {
        state.PauseTiming();
        AwaitEmptyRings();
        state.ResumeTiming();
        for (int i = 0; i < 10; ++i)
            SendAllPartParameters(app);
    }
    state.SetItemsProcessed(state.iterations() * 10);
    state.counters["dropped"] =
        static_cast<double>(app.midi_out_a->DroppedCount() + app.midi_out_b->DroppedCount());
}
BENCHMARK(BM_JackSendAllPartParametersToRing)->Unit(benchmark::kMicrosecond)->Iterations(40);

// The four drum setups whole, 5056 messages of 9 bytes on Port A in one burst: more than
// the ring holds, so the dropped count tells what a burst of that size loses.
void BM_JackFourDrumSetupsWholeToRing(benchmark::State& state) {
    CKQ505App app;
    if (!OpenOnJack(app, state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        AwaitEmptyRings();
        state.ResumeTiming();
        for (int setup = 0; setup < kDrumSetupCount; ++setup)
            SendDrumSetupWhole(app, setup);
    }
    state.SetItemsProcessed(state.iterations() * kDrumSetupCount * kDrumNoteCount *
                            kDrumParamCount);
    state.counters["dropped_per_burst"] = static_cast<double>(app.midi_out_a->DroppedCount()) /
                                          static_cast<double>(state.iterations());
}
BENCHMARK(BM_JackFourDrumSetupsWholeToRing)->Unit(benchmark::kMicrosecond)->Iterations(20);

}  // namespace
}  // namespace kq505
