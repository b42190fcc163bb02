#include "app/install_layout.h"

#include <system_error>

namespace kq505 {

std::string_view InstalledBinFolderName() {
    return KQ505_BIN_FOLDER_NAME;
}

std::filesystem::path DataFolderFromBinFolder() {
    return KQ505_DATA_FROM_BIN;
}

bool IsInstalledBinFolder(const std::filesystem::path& folder) {
    if (folder.filename() != InstalledBinFolderName()) return false;
    std::error_code error;
    return std::filesystem::is_directory(folder / DataFolderFromBinFolder(), error);
}

std::filesystem::path ProgramDataFolder(const std::filesystem::path& executable,
                                        const std::filesystem::path& built_in) {
    const std::filesystem::path folder = executable.parent_path();
    if (!IsInstalledBinFolder(folder)) return built_in;
    return (folder / DataFolderFromBinFolder()).lexically_normal();
}

}  // namespace kq505
