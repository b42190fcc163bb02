#pragma once
// The unsaved set-up kept aside while it is modified, so that a crash, a kill or a power cut
// loses at most the last few edits. The file is an ordinary set-up file with one more
// section, [Recovery], that names the file the set-up came from; the set-up reader passes
// over it, so a recovery file also opens as a set-up by hand.
//
// Each running program keeps its own file, named after its process id
// ("recovery-4711.kqset"), so that two programs never overwrite each other's. At start, the
// files of programs that no longer run are the ones to offer.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"
#include "files/setup_file.h"

namespace kq505 {

inline constexpr int kRecoveryIntervalMs = 30'000;

// "$XDG_STATE_HOME/kq505", or "$HOME/.local/state/kq505" when XDG_STATE_HOME is unset,
// empty or relative (the base directory rules ignore a relative one); empty when neither
// gives an absolute folder.
std::filesystem::path RecoveryFolder(std::string_view xdg_state_home, std::string_view home);
std::filesystem::path RecoveryFilePath(const std::filesystem::path& folder, long pid);

// The set-up as the set-up file writes it, then [Recovery] with the original path.
std::string RecoveryText(const CKQ505App& app);

struct RecoveredSetup {
    SetupData setup;
    std::string original_path;  // empty: the set-up had no file
};
// Reads a recovery file's text as the set-up reader does; `recovered` changes only when
// this succeeds.
SetupReadResult ParseRecoveryText(std::string_view bytes, RecoveredSetup& recovered);
SetupReadResult ReadRecoveryFile(const std::filesystem::path& path, RecoveredSetup& recovered);

// The recovery files in `folder` whose program no longer runs (`running(pid)` false), the
// newest first.
std::vector<std::filesystem::path> OrphanedRecoveryFiles(const std::filesystem::path& folder,
                                                         const std::function<bool(long)>& running);
// Whether a process of this id exists (for OrphanedRecoveryFiles).
bool ProcessRuns(long pid);

}  // namespace kq505
