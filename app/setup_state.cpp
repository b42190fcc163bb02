#include "app/setup_state.h"

#include <algorithm>
#include <utility>

#include "app/ini_store.h"
#include "model/part_compare.h"

namespace kq505 {
namespace {

std::string RecentKey(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

void Notify(const CKQ505App& app) {
    if (app.setup.on_change) app.setup.on_change();
}

}  // namespace

void MarkSetupModified(CKQ505App& app) {
    // Told once, not on every step of a drag.
    if (app.setup.modified) return;
    app.setup.modified = true;
    Notify(app);
}

void MarkSetupClean(CKQ505App& app, std::string path) {
    app.edit_history.MarkSaved();
    RememberStoredParts(app);
    app.setup.modified = false;
    app.setup.path = std::move(path);
    Notify(app);
}

void MarkSetupRecovered(CKQ505App& app, std::string path) {
    app.setup.modified = true;
    app.setup.path = std::move(path);
    Notify(app);
}

bool IsSetupModified(const CKQ505App& app) {
    return app.setup.modified;
}

void FollowEditHistory(CKQ505App& app) {
    const bool modified = !app.edit_history.AtSaved();
    if (modified == app.setup.modified) return;
    app.setup.modified = modified;
    Notify(app);
}

std::string MainWindowTitle(std::string_view setup_file_name, std::string_view part_file_title,
                            bool part_file_open, bool modified) {
    std::string title = "KQ505 - ";
    if (setup_file_name.empty()) {
        title += part_file_title;
    } else {
        title += setup_file_name;
        if (part_file_open) {
            title += " [";
            title += part_file_title;
            title += ']';
        }
    }
    if (modified) title += " *";
    return title;
}

std::vector<std::string> ReadRecentSetups(const IniDocument& ini) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < kRecentSetupCount; ++i) {
        const std::string path = ReadProfileString(ini, kRecentSetupSection, RecentKey(i), "");
        if (!path.empty() && std::ranges::find(paths, path) == paths.end()) paths.push_back(path);
    }
    return paths;
}

void WriteRecentSetups(IniDocument& ini, const std::vector<std::string>& paths) {
    for (std::size_t i = 0; i < kRecentSetupCount; ++i) {
        // In quotes, so that a path with spaces at either end reads back whole.
        ini.Set(kRecentSetupSection, RecentKey(i), i < paths.size() ? "\"" + paths[i] + "\"" : "");
    }
}

std::vector<std::string> WithRecentSetup(std::vector<std::string> paths, const std::string& path) {
    std::erase(paths, path);
    paths.insert(paths.begin(), path);
    if (paths.size() > kRecentSetupCount) paths.resize(kRecentSetupCount);
    return paths;
}

}  // namespace kq505
