#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/kq505_app.h"
#include "files/setup_file.h"

namespace kq505 {
namespace {

// Every part named in Japanese, with values away from the defaults: a set-up as a user keeps.
CKQ505App FullApp() {
    CKQ505App app;
    for (int part = 0; part < kPartCount; ++part) {
        for (int row = 0; row < kRowCount; ++row)
            app.part_table[row][part] = (row * 7 + part) % 128;
        // "弦楽ｽﾄﾘﾝｸﾞｽ" and the part number, in Shift_JIS.
        app.track_names[part] =
            "\x8C\xB7\x8A\x79\xBD\xC4\xD8\xDD\xB8\xDE\xBD " + std::to_string(part);
        app.pc_sel_a[part] = part;
    }
    return app;
}

std::filesystem::path BenchFile() {
    return std::filesystem::temp_directory_path() / "kq505_bench.kqset";
}

void BM_OpenSetUpFile(benchmark::State& state) {
    CKQ505App app = FullApp();
    std::ofstream(BenchFile(), std::ios::binary) << SetupFileText(CurrentSetup(app));
    for (auto _ : state) {
        const SetupReadResult result = LoadSetupFile(app, BenchFile());
        benchmark::DoNotOptimize(result);
    }
    std::filesystem::remove(BenchFile());
}
BENCHMARK(BM_OpenSetUpFile)->Unit(benchmark::kMicrosecond);

// The text and its write; the program's writer adds a rename, which costs no more.
void BM_SaveSetUpFile(benchmark::State& state) {
    const CKQ505App app = FullApp();
    for (auto _ : state) {
        const std::string text = SetupFileText(CurrentSetup(app));
        std::ofstream(BenchFile(), std::ios::binary | std::ios::trunc) << text;
    }
    std::filesystem::remove(BenchFile());
}
BENCHMARK(BM_SaveSetUpFile)->Unit(benchmark::kMicrosecond);

// The text alone, apart from what the file system costs.
void BM_SetUpFileText(benchmark::State& state) {
    const CKQ505App app = FullApp();
    for (auto _ : state)
        benchmark::DoNotOptimize(SetupFileText(CurrentSetup(app)));
}
BENCHMARK(BM_SetUpFileText)->Unit(benchmark::kMicrosecond);

// The worst texts for the reader, of about `bytes` bytes: what a hostile or broken set-up
// can hold under the size limit.
enum class Worst { distinct_keys, repeated_key, sections, long_header, effect_keys };

std::string WorstText(Worst kind, std::size_t bytes) {
    std::string text(kSetupFormatLine);
    text += "\n";
    if (kind == Worst::long_header) text += "[Part " + std::string(bytes / 2, '0') + "1]\n";
    if (kind == Worst::distinct_keys || kind == Worst::repeated_key) text += "[Part 1]\n";
    if (kind == Worst::effect_keys) text += "[Effects]\n";
    for (int i = 0; text.size() < bytes; ++i) {
        switch (kind) {
            case Worst::distinct_keys:
            case Worst::effect_keys:
                text += "k" + std::to_string(i) + "=1\n";
                break;
            case Worst::repeated_key:
            case Worst::long_header:
                text += "vol=1\n";
                break;
            case Worst::sections:
                text += "[Part " + std::to_string(i % kPartCount + 1) + "]\nvol=1\n";
                break;
        }
    }
    return text;
}

void BM_ParseWorstSetUp(benchmark::State& state) {
    const std::string text =
        WorstText(static_cast<Worst>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) {
        SetupData setup;
        benchmark::DoNotOptimize(ParseSetupFile(text, setup));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseWorstSetUp)
    ->ArgNames({"kind", "bytes"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {64 << 10, 256 << 10, 1000 << 10}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kq505
