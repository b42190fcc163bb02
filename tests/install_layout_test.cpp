// An installed program (bin/ beside share/kq505 under any prefix) against a program run
// from its build folder or copied somewhere: where each finds its data and keeps its INI.

#include "app/install_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "support/temp_folder.h"

namespace kq505 {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class InstallLayout : public ::testing::Test {
  protected:
    // An install as `cmake --install --prefix` lays it out, under a prefix of our own.
    void Install() {
        fs::create_directories(bin());
        fs::create_directories(data());
    }
    fs::path bin() const { return folder / "prefix" / InstalledBinFolderName(); }
    fs::path data() const { return (bin() / DataFolderFromBinFolder()).lexically_normal(); }

    TempFolder folder;
    const fs::path built_in = "/usr/local/share/kq505";
};

TEST_F(InstallLayout, TheDataFolderOfAnInstallIsFoundFromTheExecutable) {
    Install();
    EXPECT_TRUE(IsInstalledBinFolder(bin()));
    EXPECT_EQ(ProgramDataFolder(bin() / "kq505", built_in), data());
}

TEST_F(InstallLayout, AProgramOutsideAnInstallUsesTheBuiltInDataFolder) {
    // The bin folder without data (a copied program), and data beside a folder of
    // another name (the build folder's app/).
    fs::create_directories(bin());
    EXPECT_FALSE(IsInstalledBinFolder(bin()));
    EXPECT_EQ(ProgramDataFolder(bin() / "kq505", built_in), built_in);

    const fs::path app = folder / "build" / "app";
    fs::create_directories(app / DataFolderFromBinFolder());
    EXPECT_FALSE(IsInstalledBinFolder(app));
    EXPECT_EQ(ProgramDataFolder(app / "kq505", built_in), built_in);
    EXPECT_EQ(ProgramDataFolder("kq505", built_in), built_in);
}

// Root may write to an installed bin folder; the settings still belong to the user.
TEST_F(InstallLayout, AnInstalledProgramKeepsItsIniInTheUsersConfigFolder) {
    const fs::path config = folder / "home" / ".config" / "kq505";
    fs::create_directories(bin());
    EXPECT_EQ(IniPathFor(bin() / "kq505", config), bin() / "kq505.ini");
    Install();
    EXPECT_EQ(IniPathFor(bin() / "kq505", config), config / "kq505.ini");
}

}  // namespace
}  // namespace kq505
