#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstddef>
#include <memory>

#include "app/kq505_app.h"
#include "instruments/program_change.h"
#include "model/midi_send.h"
#include "model/part_transmission.h"
#include "view/knob_geometry.h"

namespace kq505 {
namespace {

constexpr int kSendPadA = 100;  // two rows: pan across, reverb up

void RecordDrag(CKQ505App& app, EditHistory& history, int dx) {
    history.BeginGesture(app, StepKind::kKnob);
    for (int move = 0; move < 8; ++move)
        DragHandle(app, kSendPadA, dx, dx);
    history.EndGesture(app);
}

// One undo and one redo of a knob drag step at the top of a full history, sending to open
// outputs that drop what they are given.
void BM_UndoRedoDragStep(benchmark::State& state) {
    CKQ505App app;
    OpenMidiPorts(app);
    EditHistory& history = app.edit_history;
    for (std::size_t i = 0; i < history.MaxSteps(); ++i)
        RecordDrag(app, history, i % 2 == 0 ? 1 : -1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(history.Undo(app));
        benchmark::DoNotOptimize(history.Redo(app));
    }
    state.SetLabel("per undo + redo pair");
}
BENCHMARK(BM_UndoRedoDragStep);

// Heap in use, as the allocator counts it: every block with its own overhead.
std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// Live heap of a history holding its full count of steps of one kind, the history object
// itself and its working copy included.
template <class Step>
void MeasureHistory(benchmark::State& state, Step&& step) {
    for (auto _ : state) {
        CKQ505App app;
        const std::size_t start = HeapInUse();
        auto history = std::make_unique<EditHistory>();
        for (std::size_t i = 0; i < history->MaxSteps(); ++i)
            step(app, *history, i);
        const std::size_t bytes = HeapInUse() - start;
        state.counters["steps"] = static_cast<double>(history->StepCount());
        state.counters["bytes"] = static_cast<double>(bytes);
        state.counters["bytes_per_step"] = static_cast<double>(bytes) / history->StepCount();
    }
}

void BM_HistoryMemoryDragSteps(benchmark::State& state) {
    MeasureHistory(state, [](CKQ505App& app, EditHistory& history, std::size_t i) {
        RecordDrag(app, history, i % 2 == 0 ? 1 : -1);
    });
}
BENCHMARK(BM_HistoryMemoryDragSteps)->Iterations(1);

void BM_HistoryMemoryProgramChanges(benchmark::State& state) {
    MeasureHistory(state, [](CKQ505App& app, EditHistory& history, std::size_t i) {
        ProgramChangeLists lists(app);
        lists.test_note = false;
        history.Record(app, StepKind::kProgramChange,
                       [&] { lists.SelectProgram(Port::A, static_cast<int>((i + 1) % 128)); });
    });
}
BENCHMARK(BM_HistoryMemoryProgramChanges)->Iterations(1);

// The worst a step can hold: every row of every part changed at once, as X after a set-up
// whose values are all off their defaults.
void BM_HistoryMemoryWholeTableSteps(benchmark::State& state) {
    MeasureHistory(state, [](CKQ505App& app, EditHistory& history, std::size_t i) {
        if (i % 2 == 0) {
            history.Record(app, StepKind::kSetup, [&] {
                for (auto& row : app.part_table)
                    for (auto& value : row)
                        value += 1;
            });
        } else {
            history.Record(app, StepKind::kXgSystemOn, [&] { SendXgSystemOn(app); });
        }
    });
}
BENCHMARK(BM_HistoryMemoryWholeTableSteps)->Iterations(1);

}  // namespace
}  // namespace kq505
