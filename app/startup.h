#pragma once
// The start-up steps that need no window: where the INI file lies, the ten settings, and
// the instrument list. The window layer then builds the main frame and the editor view.

#include <filesystem>
#include <span>
#include <string_view>

namespace kq505 {

class CKQ505App;

struct StartUpPlaces {
    std::filesystem::path executable;       // the INI file lies beside it when it can
    std::filesystem::path user_config_dir;  // else here (an installed program)
    std::filesystem::path data_dir;         // the installed instrument list and help page
};

struct StartUpReport {
    bool instrument_list_loaded;  // false: the window layer shows that the list could not be read
    bool settings_read = true;    // false: the INI file is too long, the settings are the defaults
};

// What the start does once the ports are open (key OnStart, and a set-up given to open).
enum class StartAction { kNothing, kSendAllParts, kReadModule };

// The file the list is read from. The default relative path is tried against the current
// folder, then beside the program, then in the data folder: a program started from a desktop
// menu runs in the home folder. Any other path is used as the user set it.
std::filesystem::path InstrumentListFile(std::string_view kept_path,
                                         std::span<const std::filesystem::path> search_folders);

// Reads the settings and the instrument list. On a first start (no INI file yet) on JACK,
// both outputs are left to the patchbay: JACK lists the synthesizers in the order they
// started, so devices 0 and 1 would connect by surprise.
StartUpReport RunStartUpSteps(CKQ505App& app, const StartUpPlaces& places);

// A set-up opened at the start (`setup_opened`) is what the user asked to hear: it is sent
// when SendOnOpen or OnStart says so, and never replaced by a read of the module.
StartAction ActionAtStart(const CKQ505App& app, bool setup_opened);

// A write past the file-size limit (RLIMIT_FSIZE) then fails like any other write, so a save
// reports its failure, instead of the signal ending the program with every unsaved edit.
void IgnoreFileSizeSignal();

}  // namespace kq505
