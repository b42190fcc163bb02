// The drum setups at their largest: all four whole, 4 × 79 × 16 parameter changes on
// Port A, and the files of a set-up in which every drum value differs from its kit.

#include <benchmark/benchmark.h>

#include <memory>

#include "app/kq505_app.h"
#include "drums/drum_edit.h"
#include "files/setup_file.h"
#include "files/smf_export.h"
#include "model/midi_send.h"
#include "model/recording_midi_output.h"

namespace kq505 {
namespace {

constexpr double kMessages = double{kDrumSetupCount} * kDrumNoteCount * kDrumParamCount;

// Every value one away from its kit's default, so that every one is written and sent.
void ChangeEverything(CKQ505App& app) {
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            for (int param = 0; param < kDrumParamCount; ++param) {
                const std::int32_t kit = DrumValue(app.drums, app.part_table, setup, note, param);
                DrumSlot(app.drums, setup, note, param) =
                    static_cast<std::uint8_t>(kit == DrumParam(param).max ? kit - 1 : kit + 1);
            }
        }
    }
}

void SendWhole(CKQ505App& app) {
    for (int setup = 0; setup < kDrumSetupCount; ++setup)
        SendDrumSetupWhole(app, setup);
}

void BM_SendFourDrumSetupsWholeToRecordingOutput(benchmark::State& state) {
    MidiLog log;
    CKQ505App app(std::make_unique<RecordingMidiOutput>(log, Port::A),
                  std::make_unique<RecordingMidiOutput>(log, Port::B));
    OpenMidiPorts(app);
    ChangeEverything(app);
    for (auto _ : state) {
        state.PauseTiming();
        log.events.clear();
        log.events.reserve(static_cast<std::size_t>(kMessages));
        state.ResumeTiming();
        SendWhole(app);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMessages));
    state.counters["messages"] = static_cast<double>(log.events.size());
}
BENCHMARK(BM_SendFourDrumSetupsWholeToRecordingOutput)->Unit(benchmark::kMicrosecond);

void BM_SendFourDrumSetupsWholeToNullOutput(benchmark::State& state) {
    CKQ505App app;
    OpenMidiPorts(app);
    ChangeEverything(app);
    for (auto _ : state) {
        SendWhole(app);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMessages));
}
BENCHMARK(BM_SendFourDrumSetupsWholeToNullOutput)->Unit(benchmark::kMicrosecond);

// The set-up text with every drum value changed: written, then read back.
void BM_SetupTextWithEveryDrumValueChanged(benchmark::State& state) {
    CKQ505App app;
    ChangeEverything(app);
    const SetupData setup = CurrentSetup(app);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = SetupFileText(setup);
        SetupData read;
        benchmark::DoNotOptimize(ParseSetupFile(text, read));
        bytes = text.size();
    }
    state.counters["setup_bytes"] = static_cast<double>(bytes);
    state.counters["default_setup_bytes"] =
        static_cast<double>(SetupFileText(DefaultSetup()).size());
}
BENCHMARK(BM_SetupTextWithEveryDrumValueChanged)->Unit(benchmark::kMillisecond);

void BM_SmfWithEveryDrumValueChanged(benchmark::State& state) {
    CKQ505App app;
    const std::size_t plain = BuildStandardMidiFile(app).size();
    ChangeEverything(app);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = BuildStandardMidiFile(app).size();
        benchmark::ClobberMemory();
    }
    state.counters["smf_bytes"] = static_cast<double>(bytes);
    state.counters["default_smf_bytes"] = static_cast<double>(plain);
}
BENCHMARK(BM_SmfWithEveryDrumValueChanged)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kq505
