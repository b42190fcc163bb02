#include "app/shell_targets.h"

#include <array>
#include <system_error>

namespace kq505 {

std::string ChooseHelpPage(std::span<const std::filesystem::path> folders) {
    for (const auto& folder : folders) {
        if (folder.empty()) continue;
        const auto page = folder / kHelpPageName;
        std::error_code error;
        if (std::filesystem::is_regular_file(page, error)) return page.string();
    }
    return std::string(kFallbackHelpPage);
}

std::span<const std::string_view> MultimediaTools() {
    static constexpr std::array<std::string_view, 3> kTools = {"qpwgraph", "qjackctl",
                                                               "pavucontrol"};
    return kTools;
}

std::vector<std::string> FindMultimediaTools(const ExecutableLookup& lookup) {
    std::vector<std::string> found;
    for (const auto name : MultimediaTools()) {
        std::string path = lookup(name);
        if (!path.empty()) found.push_back(std::move(path));
    }
    return found;
}

}  // namespace kq505
