// Play-through while the user interface sends: the input's thread forwards notes on the
// outputs that a knob drag sends on at the same time, under the one send lock that the
// RtMidi outputs share. The figures are the time one ForwardInput call takes; a drag may
// only delay it by the one send it is in, never by the work of the user-interface thread.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/kq505_app.h"
#include "model/locked_midi_output.h"
#include "model/midi_send.h"
#include "model/play_through.h"
#include "model/play_through_send.h"

namespace kq505 {
namespace {

std::unique_ptr<CKQ505App> ThruApp() {
    const auto lock = std::make_shared<std::mutex>();
    auto app = std::make_unique<CKQ505App>(
        std::make_unique<LockedMidiOutput>(std::make_unique<NullMidiOutput>(), lock),
        std::make_unique<LockedMidiOutput>(std::make_unique<NullMidiOutput>(), lock));
    app->thru = 1;
    OpenMidiPorts(*app);
    return app;
}

void BM_RouteNoteOnAndOff(benchmark::State& state) {
    PlayThrough thru;
    thru.SetThru(true);
    thru.SetPart(3);
    std::uint8_t note = 0;
    for (auto _ : state) {
        const std::array<std::uint8_t, 3> on{0x90, note, 100};
        const std::array<std::uint8_t, 3> off{0x80, note, 0};
        benchmark::DoNotOptimize(thru.RouteInput(on));
        benchmark::DoNotOptimize(thru.RouteInput(off));
        note = static_cast<std::uint8_t>((note + 1) & 0x7F);
    }
}
BENCHMARK(BM_RouteNoteOnAndOff);

// range(0): 1 while a knob drag on the user-interface thread sends as fast as it can.
void BM_ForwardWhileKnobDrags(benchmark::State& state) {
    const auto app = ThruApp();
    std::atomic<bool> dragging = state.range(0) == 1;
    std::atomic<std::uint64_t> drag_sends = 0;
    std::thread drag([&] {
        std::int32_t value = 0;
        while (dragging.load(std::memory_order_relaxed)) {
            // What one mouse move of the attack handle does: the table, then CC 73 on Port A.
            app->part_table[attack_a][app->selected_part] = value;
            SendRowMessage(*app, attack_a);
            value = (value + 1) & 0x7F;
            drag_sends.fetch_add(1, std::memory_order_relaxed);
        }
    });
    std::vector<double> micros;
    micros.reserve(1 << 20);
    std::uint8_t note = 0;
    for (auto _ : state) {
        const std::array<std::uint8_t, 3> on{0x90, note, 100};
        const auto start = std::chrono::steady_clock::now();
        ForwardInput(*app, on);
        const auto end = std::chrono::steady_clock::now();
        const std::array<std::uint8_t, 3> off{0x80, note, 0};
        ForwardInput(*app, off);
        if (micros.size() < micros.capacity()) {
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        note = static_cast<std::uint8_t>((note + 1) & 0x7F);
    }
    dragging = false;
    drag.join();
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros.empty() ? 0.0 : micros[static_cast<std::size_t>(q * (micros.size() - 1))];
    };
    state.counters["p50_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["p999_us"] = at(0.999);
    state.counters["max_us"] = micros.empty() ? 0.0 : micros.back();
    state.counters["drag_sends"] = static_cast<double>(drag_sends.load());
}
BENCHMARK(BM_ForwardWhileKnobDrags)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace
}  // namespace kq505
