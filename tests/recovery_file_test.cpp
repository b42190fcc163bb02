#include "app/recovery_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace kq505 {
namespace {

using test::TempFolder;
using test::WriteBytes;

TEST(RecoveryFile, FolderFollowsTheBaseDirectoryRules) {
    struct Case {
        const char* state_home;
        const char* home;
        const char* folder;
    };
    const std::vector<Case> cases{
        {"/x/state", "/home/u", "/x/state/kq505"},
        {"", "/home/u", "/home/u/.local/state/kq505"},
        {"relative/state", "/home/u", "/home/u/.local/state/kq505"},
        {"", "", ""},
        {"", "relative", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecoveryFolder(c.state_home, c.home), std::filesystem::path(c.folder))
            << c.state_home << " | " << c.home;
    }
    EXPECT_EQ(RecoveryFilePath("/s/kq505", 4711),
              std::filesystem::path("/s/kq505/recovery-4711.kqset"));
}

TEST(RecoveryFile, TextGivesBackTheSetupAndTheOriginalPathAndIsASetupFile) {
    CKQ505App app;
    app.part_table[vol][3] = 17;
    app.part_table[pan_b][15] = 99;
    app.track_names[2] = "Pad";
    app.pc_sel_b[7] = 5;
    for (const std::string& path : {std::string(), std::string("/home/u/live set.kqset"),
                                    std::string(" /a\"b%41\n\r\x7f\xe3\x81\x82.kqset ")}) {
        app.setup.path = path;
        const std::string text = RecoveryText(app);
        RecoveredSetup recovered;
        ASSERT_EQ(ParseRecoveryText(text, recovered).error, SetupFileError::none) << path;
        EXPECT_EQ(recovered.setup, CurrentSetup(app));
        EXPECT_EQ(recovered.original_path, path);
        SetupData plain;
        EXPECT_EQ(ParseSetupFile(text, plain).error, SetupFileError::none);
        EXPECT_EQ(plain, CurrentSetup(app));
    }
}

TEST(RecoveryFile, AFileThatCannotBeReadLeavesTheResultAlone) {
    const TempFolder folder;
    WriteBytes(folder / "broken.kqset", "not a set-up\n");
    RecoveredSetup recovered;
    recovered.original_path = "kept";
    EXPECT_EQ(ReadRecoveryFile(folder / "missing.kqset", recovered).error,
              SetupFileError::cannot_read);
    EXPECT_EQ(ReadRecoveryFile(folder / "broken.kqset", recovered).error,
              SetupFileError::no_format_line);
    EXPECT_EQ(recovered.original_path, "kept");

    CKQ505App app;
    app.setup.path = "/p.kqset";
    WriteBytes(folder / "good.kqset", RecoveryText(app));
    EXPECT_EQ(ReadRecoveryFile(folder / "good.kqset", recovered).error, SetupFileError::none);
    EXPECT_EQ(recovered.original_path, "/p.kqset");
}

TEST(RecoveryFile, OnlyFilesOfProgramsNoLongerRunningAreOfferedNewestFirst) {
    const TempFolder folder;
    const auto now = std::filesystem::file_time_type::clock::now();
    const std::vector<std::pair<const char*, int>> files{
        {"recovery-10.kqset", 3}, {"recovery-20.kqset", 2}, {"recovery-30.kqset", 1},
        {"recovery-40.kqset", 5}, {"recovery-0.kqset", 0},  {"recovery-x.kqset", 0},
        {"recovery-50.kqs", 0},   {"live.kqset", 0},        {"recovery-.kqset", 0}};
    for (const auto& [name, age] : files) {
        WriteBytes(folder / name, "x");
        std::filesystem::last_write_time(folder / name, now - std::chrono::hours(age));
    }
    const auto running = [](long pid) { return pid == 10; };
    EXPECT_EQ(OrphanedRecoveryFiles(folder.path(), running),
              (std::vector<std::filesystem::path>{folder / "recovery-30.kqset",
                                                  folder / "recovery-20.kqset",
                                                  folder / "recovery-40.kqset"}));
    EXPECT_TRUE(OrphanedRecoveryFiles(folder / "absent", running).empty());
}

TEST(RecoveryFile, ProcessRunsTellsALiveProcessFromAnEndedOne) {
    EXPECT_TRUE(ProcessRuns(getpid()));
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);  // reaped: its id names no process now
    EXPECT_FALSE(ProcessRuns(child));
}

}  // namespace
}  // namespace kq505
