#include "app/shell_targets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace kq505 {
namespace {

namespace fs = std::filesystem;

class HelpPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("kq505_help_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Folder(const std::string& name, bool with_page) {
        const fs::path folder = root_ / name;
        fs::create_directories(folder / "help");
        if (with_page) std::ofstream(folder / "help" / "index.htm") << "<html></html>";
        return folder;
    }

    fs::path root_;
};

TEST_F(HelpPageTest, FirstFolderHoldingThePageWins) {
    const std::vector<fs::path> folders = {Folder("beside", false), Folder("user", true),
                                           Folder("installed", true)};
    EXPECT_EQ(ChooseHelpPage(folders), (root_ / "user" / "help" / "index.htm").string());
}

TEST_F(HelpPageTest, WithoutAPageTheStoredPathIsOpened) {
    const fs::path odd = Folder("odd", false);
    // A folder that merely carries the page's name is not a page.
    fs::create_directories(odd / "help" / "index.htm");
    const std::vector<fs::path> folders = {fs::path(), odd, root_ / "missing"};
    EXPECT_EQ(ChooseHelpPage(folders), "/help/index.htm");
    EXPECT_EQ(ChooseHelpPage({}), "/help/index.htm");
}

TEST(MultimediaToolsTest, FoundToolsInTheirOrder) {
    const std::map<std::string, std::string, std::less<>> installed = {
        {"pavucontrol", "/usr/bin/pavucontrol"}, {"qjackctl", "/opt/bin/qjackctl"}};
    std::vector<std::string> asked;
    const auto lookup = [&](std::string_view name) {
        asked.emplace_back(name);
        const auto found = installed.find(name);
        return found == installed.end() ? std::string() : found->second;
    };
    EXPECT_EQ(FindMultimediaTools(lookup),
              (std::vector<std::string>{"/opt/bin/qjackctl", "/usr/bin/pavucontrol"}));
    EXPECT_EQ(asked, (std::vector<std::string>{"qpwgraph", "qjackctl", "pavucontrol"}));
    EXPECT_TRUE(FindMultimediaTools([](std::string_view) { return std::string(); }).empty());
}

}  // namespace
}  // namespace kq505
