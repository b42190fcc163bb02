// Reading a module: what one dump costs the reader, and a whole read of the 32 layers and
// the effect blocks against the simulated module answering after 20 ms, on a JACK server
// of the benchmark's own (jackd, dummy driver). The read should be bound by the module's
// answers: besides the total and the time per block it reports the processor time that
// KQ505's own thread spends in the session's polls, per block.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/kq505_app.h"
#include "model/midi_send.h"
#include "model/midi_system.h"
#include "model/module_read.h"
#include "model/module_session.h"
#include "tests/support/jack_session.h"
#include "tests/support/scoped_env.h"
#include "tests/support/xg_module_sim.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A multi part dump of `size` bytes as a module sends it, taken by a reader that reads it
// (bytes into the image) although it asked for another block.
void BM_ReaderTakesOneDump(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 % 128);
    const std::vector<std::uint8_t> dump = XgBulkDump({0x08, 0x05, 0x00}, data);
    ModuleReader reader(true, {0});
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.OnMessage(dump));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(dump.size()));
}
BENCHMARK(BM_ReaderTakesOneDump)->Arg(0x29)->Arg(0x3F)->Unit(benchmark::kNanosecond);

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int Position(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::ranges::find(names, name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

// One read of everything per iteration, polled every millisecond as the window's timer does.
void BM_FullReadAgainstAModuleAnswering20ms(benchmark::State& state) {
    if (!test::JackServer::Installed()) {
        state.SkipWithError("jackd is not installed");
        return;
    }
    test::JackTestLock lock;
    const std::string name = "kq505-module-bench";
    test::ScopedEnv server_env("JACK_DEFAULT_SERVER", name.c_str());
    test::ScopedEnv api_env("KQ505_MIDI_API", "jack");
    test::JackServer server(name);
    if (!lock.Held() || !server.WaitUntilReady(10s)) {
        state.SkipWithError("no JACK server of our own");
        return;
    }
    {
        test::XgModuleSim module(test::FakeXgModule{});
        CKQ505App app;
        UseSystemMidi(app);
        app.dump_timeout_ms = 1000;
        app.out_a_device = Position(app.output_device_names(), module.InputName());
        app.out_b_device = -1;
        app.in_device = -1;
        app.module_in_device = Position(app.input_device_names(), module.OutputName());
        if (!module.IsActive() || !OpenMidiPorts(app).module_input_opened) {
            state.SkipWithError("the module or MODULE IN did not open");
            return;
        }
        std::vector<int> parts(kPartCount);
        for (int part = 0; part < kPartCount; ++part)
            parts[static_cast<std::size_t>(part)] = part;
        const std::size_t blocks = ModuleRequests(true, parts).size();
        ModuleSession session(app);
        double cpu = 0;
        double wall = 0;
        std::size_t timeouts = 0;
        for (auto _ : state) {
            const Clock::time_point start = Clock::now();
            session.StartRead(true, parts, start);
            std::optional<ModuleReadSummary> done;
            while (!done) {
                const double before = ThreadCpuSeconds();
                done = session.Poll(Clock::now());
                cpu += ThreadCpuSeconds() - before;
                if (!done) std::this_thread::sleep_for(1ms);
            }
            const std::chrono::duration<double> took = Clock::now() - start;
            wall += took.count();
            timeouts += done->timeouts;
            state.SetIterationTime(took.count());
        }
        const auto reads = static_cast<double>(state.iterations());
        const auto per_read_blocks = static_cast<double>(blocks);
        state.counters["blocks"] = per_read_blocks;
        state.counters["total_ms"] = wall / reads * 1e3;
        state.counters["ms_per_block"] = wall / reads / per_read_blocks * 1e3;
        state.counters["own_cpu_us_per_block"] = cpu / reads / per_read_blocks * 1e6;
        state.counters["timeouts"] = static_cast<double>(timeouts);
    }
}
BENCHMARK(BM_FullReadAgainstAModuleAnswering20ms)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kq505
