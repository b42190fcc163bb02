#include "files/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "instruments/instrument_list.h"
#include "support/temp_folder.h"

namespace kq505 {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteBytes;

// Runs `read` on the FIFO; if it is still waiting after a few seconds, a writer opens and
// closes the FIFO so that the read ends and the test fails instead of hanging.
bool ReturnsWithoutAWriter(const fs::path& fifo, const std::function<bool()>& read) {
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
        return !result.get();
    }
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    result.wait();
    return false;
}

TEST(RegularFile, ReadsWholeFilesUpToTheLimitOrTheirBeginning) {
    TempFolder folder;
    WriteBytes(folder / "ten", "0123456789");
    EXPECT_EQ(ReadRegularFile(folder / "ten", 10, Oversize::refuse), "0123456789");
    EXPECT_EQ(ReadRegularFile(folder / "ten", 9, Oversize::refuse), std::nullopt);
    EXPECT_EQ(ReadRegularFile(folder / "ten", 4, Oversize::keep_prefix), "0123");
    EXPECT_EQ(ReadRegularFile(folder / "ten", 40, Oversize::keep_prefix), "0123456789");
    WriteBytes(folder / "empty", "");
    EXPECT_EQ(ReadRegularFile(folder / "empty", 0, Oversize::refuse), "");
    EXPECT_EQ(ReadRegularFile(folder / "missing", 10, Oversize::refuse), std::nullopt);
    EXPECT_EQ(ReadRegularFile(folder.path(), 10, Oversize::keep_prefix), std::nullopt);
}

TEST(RegularFile, DevicesAndFifosAreRefusedWithoutWaiting) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const Oversize oversize : {Oversize::refuse, Oversize::keep_prefix}) {
        EXPECT_TRUE(ReturnsWithoutAWriter(
            fifo, [&] { return ReadRegularFile(fifo, 100, oversize).has_value(); }));
        // /dev/zero never ends: even a reader that keeps the beginning must not take it.
        EXPECT_EQ(ReadRegularFile("/dev/zero", 100, oversize), std::nullopt);
    }
    EXPECT_TRUE(ReturnsWithoutAWriter(fifo, [&] { return LoadIniFile(fifo).has_value(); }));
}

TEST(RegularFile, TheInstrumentListRefusesFifosEndlessAndOversizedFiles) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo.ins";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CKQ505App app;
    app.instrument_text = "kept";
    EXPECT_TRUE(ReturnsWithoutAWriter(fifo, [&] { return LoadInstrumentList(app, fifo); }));
    EXPECT_FALSE(LoadInstrumentList(app, "/dev/zero"));

    // Sparse files: their size costs no disk space, and the limit is checked before reading.
    const fs::path big = folder / "big.ins";
    WriteBytes(big, "");
    fs::resize_file(big, kMaxInstrumentListBytes + 1);
    EXPECT_FALSE(LoadInstrumentList(app, big));
    EXPECT_EQ(app.instrument_text, "kept");
    fs::resize_file(big, kMaxInstrumentListBytes);
    EXPECT_TRUE(LoadInstrumentList(app, big));
    EXPECT_EQ(app.instrument_text.size(), kMaxInstrumentListBytes);
}

}  // namespace
}  // namespace kq505
