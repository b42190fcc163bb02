#pragma once
// Whether the set-up of the 16 parts changed since it was last opened or saved, which file
// it belongs to, and the window title that shows both. Every path that edits a part reaches
// the mark through MarkSetupModified, one call each, never through window code.

#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"

namespace kq505 {

class IniDocument;

void MarkSetupModified(CKQ505App& app);
// After a set-up was opened from or saved to `path`.
void MarkSetupClean(CKQ505App& app, std::string path);
bool IsSetupModified(const CKQ505App& app);
// After unsaved changes of `path` (empty: a set-up without a file) were brought back from a
// recovery file: named after it and modified, while the saved position stays where it was.
void MarkSetupRecovered(CKQ505App& app, std::string path);
// After a step of the edit history was made, undone or redone: modified unless the history
// stands where the set-up was last opened or saved.
void FollowEditHistory(CKQ505App& app);

// "KQ505 - " and the set-up's file name; the part file's name follows in brackets while
// one is open ("KQ505 - live.kqset [pad.kqs]"). Without a set-up file the part file's
// title stands alone ("KQ505 - 無題"). " *" ends the title of a modified set-up.
std::string MainWindowTitle(std::string_view setup_file_name, std::string_view part_file_title,
                            bool part_file_open, bool modified);

// The recently used set-ups, newest first, as the INI file keeps them.
inline constexpr std::string_view kRecentSetupSection = "RecentSetups";
inline constexpr std::size_t kRecentSetupCount = 4;
std::vector<std::string> ReadRecentSetups(const IniDocument& ini);
void WriteRecentSetups(IniDocument& ini, const std::vector<std::string>& paths);
// The list with `path` first, once, and at most four entries.
std::vector<std::string> WithRecentSetup(std::vector<std::string> paths, const std::string& path);

}  // namespace kq505
