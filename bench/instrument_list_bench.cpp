#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "app/kq505_app.h"
#include "instruments/cakewalk_instruments.h"
#include "instruments/instrument_list.h"

namespace kq505 {
namespace {

constexpr int kVoiceRecords = 20000;
constexpr int kMapRecords = 200;
constexpr int kTopLevel = 3;

void Put(std::string& line, std::size_t column, const std::string& text) {
    if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
    line.replace(column, text.size(), text);
}

// Names of 12 to 24 bytes, half of them Shift_JIS, so most sit beyond the short-string buffer.
std::string VoiceName(int i) {
    std::string name = (i % 2 == 0 ? "\x83\x73\x83\x41\x83\x6d " : "Voice ") + std::to_string(i);
    name.resize(12 + static_cast<std::size_t>(i % 13), '*');
    return name;
}

// Every record applies at kTopLevel; the voices are distinct, spread over all bank MSBs.
std::string GenerateList() {
    std::string text = "; generated list\r\n";
    for (int i = 0; i < kMapRecords; ++i) {
        std::string line = "P";
        Put(line, 6, std::to_string(i % 128));
        Put(line, 18, std::to_string(i % (kTopLevel + 1)));
        Put(line, 22, "Map " + std::to_string(i));
        text += line + "\r\n";
    }
    for (int i = 0; i < kVoiceRecords; ++i) {
        std::string line = "M";
        Put(line, 2, std::to_string(i / (128 * 128)));
        Put(line, 6, std::to_string((i / 128) % 128));
        Put(line, 10, std::to_string(i % 128 + 1));
        Put(line, 18, std::to_string(i % (kTopLevel + 1)));
        Put(line, 22, VoiceName(i));
        text += line + "\r\n";
    }
    text.resize(text.size() - 2);
    return text;
}

struct Tables {
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    InstrumentNameTable instrument_names;
};

void Parse(const std::string& text, Tables& tables) {
    ParseInstrumentList(text, kTopLevel, tables.module_names, tables.map_names,
                        tables.instrument_names);
}

long ResidentBytes() {
    long size = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * 4096;
}

// Runs first, before other benchmarks leave freed heap behind for the tables to reuse; the
// resident figure holds only for the first run in a process (no repetitions), heap_kB always.
void BM_NameTableMemory(benchmark::State& state) {
    const std::string text = GenerateList();
    for (auto _ : state) {
        const long resident_before = ResidentBytes();
        const auto heap_before = mallinfo2().uordblks;
        Tables tables;
        Parse(text, tables);
        state.counters["resident_kB"] =
            static_cast<double>(ResidentBytes() - resident_before) / 1024;
        state.counters["heap_kB"] = static_cast<double>(mallinfo2().uordblks - heap_before) / 1024;
        state.counters["voices"] = static_cast<double>(tables.instrument_names.NamedCount());
    }
}
BENCHMARK(BM_NameTableMemory)->Iterations(1);

void BM_ParseInstrumentList(benchmark::State& state) {
    const std::string text = GenerateList();
    Tables tables;
    for (auto _ : state) {
        state.PauseTiming();
        tables = Tables{};
        state.ResumeTiming();
        Parse(text, tables);
        benchmark::DoNotOptimize(tables.instrument_names.NamedCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseInstrumentList)->Unit(benchmark::kMillisecond);

void BM_ReloadSettings(benchmark::State& state) {
    CKQ505App app;
    app.instrument_text = GenerateList();
    app.module_level = kTopLevel;
    ParseInstrumentList(app);
    for (auto _ : state) {
        ReloadSettings(app);
        benchmark::DoNotOptimize(app.instrument_names.NamedCount());
    }
}
BENCHMARK(BM_ReloadSettings)->Unit(benchmark::kMillisecond);

// Load and reload go through the app, which also recognises the format of the text.
void ParseAppText(benchmark::State& state, std::string text) {
    CKQ505App app;
    app.instrument_text = std::move(text);
    for (auto _ : state) {
        state.PauseTiming();
        app.module_names.fill({});
        app.map_names.fill({});
        app.instrument_names.Clear();
        state.ResumeTiming();
        ParseInstrumentList(app);
        benchmark::DoNotOptimize(app.instrument_names.NamedCount());
    }
    state.counters["voices"] = static_cast<double>(app.instrument_names.NamedCount());
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(app.instrument_text.size()));
}

void BM_ParseShippedList(benchmark::State& state) {
    std::ifstream in(KQ505_SOURCE_DIR "/res/xg.ins", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    if (text.empty()) state.SkipWithError("res/xg.ins not found");
    ParseAppText(state, text);
}
BENCHMARK(BM_ParseShippedList)->Unit(benchmark::kMillisecond);

constexpr int kCakewalkPatches = 20000;

// kCakewalkPatches program names in lists of 128, every tenth list based on the one before,
// and one instrument that uses every list as a bank spread over the MSBs.
std::string GenerateCakewalkFile() {
    std::string text = "; generated definitions\r\n.Patch Names\r\n";
    const int lists = (kCakewalkPatches + 127) / 128;
    for (int patch = 0; patch < kCakewalkPatches; ++patch) {
        const int list = patch / 128;
        if (patch % 128 == 0) {
            text += "\r\n[Bank " + std::to_string(list) + "]\r\n";
            if (list % 10 == 9) text += "BasedOn=Bank " + std::to_string(list - 1) + "\r\n";
        }
        text += std::to_string(patch % 128) + "=" + VoiceName(patch) + "\r\n";
    }
    text += "\r\n.Instrument Definitions\r\n\r\n[Generated]\r\nPatch[*]=Bank 0\r\n";
    for (int list = 0; list < lists; ++list) {
        const int bank = (list % 128) * 128 + list / 128;
        text += "Patch[" + std::to_string(bank) + "]=Bank " + std::to_string(list) + "\r\n";
    }
    return text;
}

void BM_ParseCakewalkFile(benchmark::State& state) {
    ParseAppText(state, GenerateCakewalkFile());
}
BENCHMARK(BM_ParseCakewalkFile)->Unit(benchmark::kMillisecond);

// The worst files for the definitions reader: 128 names of 4 KiB that every bank shows (the
// file stays small, what it asks for grows with the banks; past 2048 banks it is refused), and
// a chain of nameless lists that one bank walks to its end (refused past 262144 lists).
std::string SharedListFile(std::int64_t banks) {
    std::string text = ".Patch Names\r\n[Shared]\r\n";
    for (int program = 0; program < 128; ++program)
        text += std::to_string(program) + "=" +
                std::string(4096, static_cast<char>('A' + program % 26)) + "\r\n";
    text += ".Instrument Definitions\r\n[Module]\r\n";
    for (std::int64_t bank = 0; bank < banks; ++bank)
        text += "Patch[" + std::to_string(bank) + "]=Shared\r\n";
    return text;
}

std::string NamelessChainFile(std::int64_t lists) {
    std::string text = ".Patch Names\r\n";
    for (std::int64_t list = 0; list < lists; ++list)
        text += "[" + std::to_string(list) + "]\r\nBasedOn=" + std::to_string(list + 1) + "\r\n";
    return text + ".Instrument Definitions\r\n[Module]\r\nPatch[0]=0\r\n";
}

void ParseWorstCakewalk(benchmark::State& state, const std::string& text) {
    const auto heap_before = mallinfo2().uordblks;
    std::size_t heap_peak = 0;
    bool read = false;
    for (auto _ : state) {
        Tables tables;
        read = ParseCakewalkInstruments(text, 0, tables.module_names, tables.map_names,
                                        tables.instrument_names);
        heap_peak = std::max(heap_peak, mallinfo2().uordblks - heap_before);
        state.counters["voices"] = static_cast<double>(tables.instrument_names.NamedCount());
        state.counters["kept"] = static_cast<double>(tables.instrument_names.KeptCount());
    }
    state.counters["read"] = read ? 1 : 0;
    state.counters["file_kB"] = static_cast<double>(text.size()) / 1024;
    state.counters["tables_kB"] = static_cast<double>(heap_peak) / 1024;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_CakewalkSharedList(benchmark::State& state) {
    ParseWorstCakewalk(state, SharedListFile(state.range(0)));
}
BENCHMARK(BM_CakewalkSharedList)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(16384)
    ->Unit(benchmark::kMillisecond);

void BM_CakewalkNamelessChain(benchmark::State& state) {
    ParseWorstCakewalk(state, NamelessChainFile(state.range(0)));
}
BENCHMARK(BM_CakewalkNamelessChain)
    ->Arg(65536)
    ->Arg(131072)
    ->Arg(262144)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond);

// The worst own list: every line a voice record of its own slot, the shortest that names one.
std::string VoiceRecordsFile(std::int64_t records) {
    std::string text = "; voices\r\n";
    for (std::int64_t i = 0; i < records; ++i) {
        std::string line = "M";
        Put(line, 2, std::to_string(i / (128 * 128)));
        Put(line, 6, std::to_string((i / 128) % 128));
        Put(line, 10, std::to_string(i % 128 + 1));
        Put(line, 22, "v");
        text += line + "\r\n";
    }
    return text;
}

void BM_OwnListVoiceRecords(benchmark::State& state) {
    const std::string text = VoiceRecordsFile(state.range(0));
    for (auto _ : state) {
        Tables tables;
        Parse(text, tables);
        benchmark::DoNotOptimize(tables.instrument_names.NamedCount());
    }
    state.counters["file_kB"] = static_cast<double>(text.size()) / 1024;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_OwnListVoiceRecords)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(400000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kq505
