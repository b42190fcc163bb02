// Starts the program's settings from any INI file, as the program does at start, and checks
// what the values come to where they are used: the settings dialog shows them within its
// lists and ranges, the preview plays the velocity the dialog shows, the exports keep their
// shape, a save reads back the same, and remembering a set-up keeps the other settings and
// gives the list it should.
//
// The input is a set-up path to remember and device names, then the text of the file.

#include <fuzzer/FuzzedDataProvider.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/settings.h"
#include "app/settings_edit.h"
#include "app/setup_state.h"
#include "files/smf_export.h"
#include "files/vardel_export.h"
#include "model/note_preview.h"
#include "model/recording_midi_output.h"

namespace {

namespace fs = std::filesystem;
using kq505::CKQ505App;

// A broken rule names itself, so that a finding says which one it broke.
[[noreturn]] void Fail(const char* rule, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, line, rule);
    std::abort();
}
#define Check(holds) ((holds) ? void() : Fail(#holds, __LINE__))

bool IsGone(std::string_view pid_text) {
    int pid = 0;
    const char* last = pid_text.data() + pid_text.size();
    const auto [end, error] = std::from_chars(pid_text.data(), last, pid);
    return error == std::errc() && end == last && kill(pid, 0) != 0 && errno == ESRCH;
}

// A folder of this process's own; the settings live in files. libFuzzer ends without exit
// handlers, so each start removes the folders of processes that are gone.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path base = fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
        constexpr std::string_view kPrefix = "kq505-ini-settings-fuzz-";
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(base, error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(kPrefix) && IsGone(std::string_view(name).substr(kPrefix.size())))
                fs::remove_all(entry.path(), error);
        }
        const fs::path own = base / (std::string(kPrefix) + std::to_string(getpid()));
        fs::create_directories(own);
        return own;
    }();
    return folder;
}

void WriteFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    Check(out.good());
}

kq505::IniDocument ReadDocument(const fs::path& path) {
    const auto ini = kq505::LoadIniFile(path);
    Check(ini.has_value());
    return *ini;
}

// Every field that the settings read, so that two readings can be compared.
auto Fields(const CKQ505App& a) {
    return std::tuple(a.out_a_device, a.out_b_device, a.in_device, a.module_level,
                      a.preview_velocity, a.preview_gate_ms, a.export_step, a.export_info,
                      a.show_logo, a.instrument_file_path, a.zoom_percent, a.out_a_name,
                      a.out_b_name, a.in_name, a.midi_pace, a.thru, a.thru_channel);
}

CKQ505App ReadSettings(const fs::path& path) {
    CKQ505App app;
    app.ini_path = path.string();
    kq505::ReadIniSettings(app);
    return app;
}

bool InList(int position, std::size_t size) {
    return position == kq505::kNoSelection ||
           (position >= 0 && static_cast<std::size_t>(position) < size);
}

void CheckForm(const CKQ505App& app, const kq505::SettingsLists& lists) {
    const kq505::SettingsForm form = kq505::LoadSettingsForm(app, lists);
    Check(InList(form.out_a, lists.outputs.size()) && InList(form.out_b, lists.outputs.size()));
    Check(InList(form.in, lists.inputs.size()) && InList(form.module, lists.module_levels.size()));
    Check(form.velocity >= 0 && form.velocity <= kq505::kMaxVelocity);
    Check(form.zoom >= 0 && static_cast<std::size_t>(form.zoom) < kq505::kZoomChoices.size());
    Check(form.thru_channel == kq505::kThruOnPartChannel ||
          form.thru_channel == kq505::kThruOnOwnChannel);
    const double scale = kq505::DisplayScaleFactor(app.zoom_percent);
    Check(scale == kq505::kZoomChoices[static_cast<std::size_t>(form.zoom)] / 100.0);
    Check(kq505::PreviewGateMs(app) >= 0);

    // The preview sounds at the velocity the dialog shows.
    kq505::MidiLog log;
    CKQ505App player(std::make_unique<kq505::RecordingMidiOutput>(log, kq505::Port::A),
                     std::make_unique<kq505::RecordingMidiOutput>(log, kq505::Port::B));
    player.midi_out_a->Open(0);
    player.preview_velocity = app.preview_velocity;
    kq505::SendPreviewNote(player, kq505::Port::A);
    Check(log.events.size() == 1 && log.events[0].bytes.size() == 3);
    Check(log.events[0].bytes[2] == form.velocity);
}

// Chunks of the announced lengths that fill the file: the header and 17 tracks.
bool IsWholeMidiFile(std::span<const std::uint8_t> file) {
    std::size_t at = 0;
    int chunks = 0;
    while (file.size() - at >= 8) {
        const auto b = file.subspan(at + 4, 4);
        const std::size_t length =
            std::size_t{b[0]} << 24 | std::size_t{b[1]} << 16 | std::size_t{b[2]} << 8 | b[3];
        if (length > file.size() - at - 8) return false;
        at += 8 + length;
        ++chunks;
    }
    return at == file.size() && chunks == 18;
}

void CheckExports(const CKQ505App& app) {
    CKQ505App plain;
    plain.export_info = app.export_info != 0 ? 1 : 0;
    Check(kq505::BuildVardelSong(app).size() == kq505::BuildVardelSong(plain).size());
    Check(IsWholeMidiFile(kq505::BuildStandardMidiFile(app)));
}

std::vector<std::string> RecentSetups(const fs::path& path) {
    const std::vector<std::string> recent = kq505::ReadRecentSetups(ReadDocument(path));
    Check(recent.size() <= kq505::kRecentSetupCount);
    Check(std::set(recent.begin(), recent.end()).size() == recent.size());
    Check(std::ranges::none_of(recent, [](const std::string& p) { return p.empty(); }));
    return recent;
}

// A path as a file dialog gives it: absolute, on one line.
std::string SetupPath(std::string name) {
    std::erase_if(name, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return "/" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string setup = SetupPath(input.ConsumeRandomLengthString(64));
    std::vector<std::string> outputs;
    for (int count = input.ConsumeIntegralInRange(0, 3); count > 0; --count)
        outputs.push_back(input.ConsumeRandomLengthString(16));
    const std::string text = input.ConsumeRemainingBytesAsString();

    const fs::path path = Folder() / "kq505.ini";
    WriteFile(path, text);
    CKQ505App app = ReadSettings(path);
    Check(kq505::ReadZoomSetting(path) == app.zoom_percent);
    app.output_device_names = [&outputs] { return outputs; };
    app.input_device_names = [&outputs] { return outputs; };
    for (std::size_t level = 0; level < outputs.size(); ++level)
        app.module_names[level * 2] = outputs[level];
    CheckForm(app, kq505::MakeSettingsLists(app));
    CheckExports(app);

    // Saved unchanged, the settings read back the same, and the set-ups stay remembered.
    const std::vector<std::string> recent = RecentSetups(path);
    Check(kq505::WriteIniSettings(app));
    Check(Fields(ReadSettings(path)) == Fields(app));
    Check(RecentSetups(path) == recent);

    // Remembering a set-up changes the list alone.
    kq505::IniDocument ini = ReadDocument(path);
    kq505::WriteRecentSetups(ini, kq505::WithRecentSetup(recent, setup));
    Check(kq505::SaveIniFile(path, ini));
    Check(RecentSetups(path) == kq505::WithRecentSetup(recent, setup));
    Check(Fields(ReadSettings(path)) == Fields(app));
    return 0;
}
