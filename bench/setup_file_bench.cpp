#include <benchmark/benchmark.h>

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

}  // namespace
}  // namespace kq505
