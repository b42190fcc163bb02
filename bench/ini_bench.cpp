// The settings file as the start reads it: the display size first, then every setting, from
// the worst valid files: key lines as short as they come, all before the program's sections,
// which every lookup passes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/settings.h"

namespace kq505 {
namespace {

std::string ShortKeysFile(std::size_t size) {
    const std::string tail = "\r\n[Others]\r\nZoom=150\r\nInsFile=mine.ins\r\n";
    std::string text = "[Other]\r\n";
    for (int key = 0; text.size() + tail.size() + 12 < size; ++key)
        text += "k" + std::to_string(key % 100000) + "=1\r\n";
    text.resize(size - tail.size(), ';');
    return text + tail;
}

void BM_ReadSettingsAtStart(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kq505_ini_bench_" + std::to_string(::getpid()) + ".ini");
    std::ofstream(path, std::ios::binary)
        << ShortKeysFile(static_cast<std::size_t>(state.range(0)));
    CKQ505App app;
    app.ini_path = path.string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadZoomSetting(path));
        benchmark::DoNotOptimize(ReadIniSettings(app));
    }
    state.counters["read"] = app.instrument_file_path == "mine.ins" ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * state.range(0));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadSettingsAtStart)
    ->Arg(256 * 1024)
    ->Arg(512 * 1024)
    ->Arg(kMaxIniBytes)
    ->Arg(60 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kq505
