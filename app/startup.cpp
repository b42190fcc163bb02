#include "app/startup.h"

#include <array>
#include <csignal>
#include <system_error>

#include "app/kq505_app.h"
#include "app/settings.h"
#include "instruments/instrument_list.h"

namespace kq505 {
namespace {

constexpr std::string_view kDefaultInstrumentFile = "xg.ins";

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::filesystem::path InstrumentListFile(std::string_view kept_path,
                                         std::span<const std::filesystem::path> search_folders) {
    const std::filesystem::path kept(kept_path);
    if (kept_path != kDefaultInstrumentFile || IsFile(kept)) return kept;
    for (const std::filesystem::path& folder : search_folders) {
        if (!folder.empty() && IsFile(folder / kept)) return folder / kept;
    }
    return kept;
}

StartUpReport RunStartUpSteps(CKQ505App& app, const StartUpPlaces& places) {
    app.ini_path = IniPathFor(places.executable, places.user_config_dir).string();
    std::error_code error;
    const bool first_start = !std::filesystem::exists(app.ini_path, error) && !error;
    const bool settings_read = ReadIniSettings(app);
    // A session leaves every port to its patchbay, and asking JACK would open a client
    // before the session names it.
    if (first_start && !app.setup.in_session && app.midi_on_jack()) {
        app.out_a_device = -1;
        app.out_b_device = -1;
        app.outputs_unchosen = true;
    }
    const std::array<std::filesystem::path, 2> folders{places.executable.parent_path(),
                                                       places.data_dir};
    return {LoadInstrumentList(app, InstrumentListFile(app.instrument_file_path, folders)),
            settings_read};
}

StartAction ActionAtStart(const CKQ505App& app, bool setup_opened) {
    constexpr std::int32_t kSendAll = 1;
    constexpr std::int32_t kRead = 2;
    if (app.on_start == kSendAll || (setup_opened && app.send_on_open == 1))
        return StartAction::kSendAllParts;
    if (app.on_start == kRead && !setup_opened) return StartAction::kReadModule;
    return StartAction::kNothing;
}

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace kq505
