#pragma once
// Where an installed program finds its data. The install may lie under any prefix
// (`cmake --install --prefix`), so the data folder is found from the executable's own
// place first, and only then taken as built in.

#include <filesystem>
#include <string_view>

namespace kq505 {

// The name of the folder that the executable is installed into ("bin").
std::string_view InstalledBinFolderName();
// The data folder as seen from that folder ("../share/kq505").
std::filesystem::path DataFolderFromBinFolder();

// True for the bin folder of an install: it has the installed name and the data folder
// lies beside it as installed. A build folder or a copied program is not installed.
bool IsInstalledBinFolder(const std::filesystem::path& folder);

// The data folder of the program at `executable`: the one of its install when it is
// installed, else `built_in` (the data folder of the configured prefix).
std::filesystem::path ProgramDataFolder(const std::filesystem::path& executable,
                                        const std::filesystem::path& built_in);

}  // namespace kq505
