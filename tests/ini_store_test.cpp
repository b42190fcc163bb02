#include "app/ini_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "app/startup.h"
#include "support/temp_folder.h"

namespace kq505 {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

TEST(IniDocument, FindsNamesWithoutRegardToCaseAndWhiteSpace) {
    const IniDocument ini = IniDocument::Parse(
        "Top=before any section\r\n"
        "  [ midi ]  \r\n"
        "\toutA   =   5  \r\n"
        "; OutB=7\r\n"
        "In\r\n"
        "Module=\r\n"
        "[Preview] trailing text\r\n"
        "VEL=\"  spaced  \"\r\n"
        "Gate='x\"\r\n"
        "[Broken\r\n"
        "Step=\"\"\r\n");
    EXPECT_EQ(ini.Find("MIDI", "OutA"), "5");
    EXPECT_EQ(ini.Find("MIDI", "OutB"), std::nullopt);  // behind a comment mark
    EXPECT_EQ(ini.Find("MIDI", "In"), std::nullopt);    // no '=': no key
    EXPECT_EQ(ini.Find("MIDI", "Module"), "");
    EXPECT_EQ(ini.Find("preview", "vel"), "  spaced  ");
    EXPECT_EQ(ini.Find("Preview", "Gate"), "'x\"");
    EXPECT_EQ(ini.Find("Preview", "Step"), "");  // "[Broken" is no header
    EXPECT_EQ(ini.Find("", "Top"), std::nullopt);
    EXPECT_EQ(ini.Find("MIDI", ""), std::nullopt);
    EXPECT_EQ(ini.Find("MIDIX", "OutA"), std::nullopt);
    EXPECT_EQ(ini.Find("MIDI", "OutAX"), std::nullopt);
}

TEST(IniDocument, TheFirstSectionAndKeyOfAName) {
    IniDocument ini = IniDocument::Parse(
        "[MIDI]\nOutA=1\noutb=2\nOUTA=3\n[Other]\nOutA=4\n[midi]\nOutA=5\nIn=6\n");
    EXPECT_EQ(ini.Find("MIDI", "OutA"), "1");
    EXPECT_EQ(ini.Find("MIDI", "In"), std::nullopt);
    ASSERT_TRUE(ini.Set("MIDI", "OutA", "9"));
    ASSERT_TRUE(ini.Set("MIDI", "In", "8"));
    EXPECT_EQ(ini.Bytes(),
              "[MIDI]\nOutA=9\noutb=2\nOUTA=3\nIn=8\n[Other]\nOutA=4\n[midi]\nOutA=5\nIn=6\n");
}

TEST(IniDocument, ParsingKeepsEveryByte) {
    for (const std::string& bytes :
         {std::string(), std::string("\xEF\xBB\xBF[MIDI]\r\nOutA=1"), std::string("a\rb\n\r\nc"),
          std::string("[x]\n\n\n\r\r\n"), std::string("k=\0v\n", 5), std::string("\xEF\xBB")}) {
        EXPECT_EQ(IniDocument::Parse(bytes).Bytes(), bytes);
    }
    const IniDocument bom = IniDocument::Parse("\xEF\xBB\xBF[MIDI]\nOutA=2\n");
    EXPECT_EQ(bom.Find("MIDI", "OutA"), "2");
}

// "abc", "-1" and "12abc" are read through the settings; these are the edges beyond them.
TEST(IniDocument, ReadsIntegersFromTheLeadingDigitsOfFifteenCharacters) {
    const IniDocument ini = IniDocument::Parse(
        "[N]\n"
        "plus=+7\nempty=\nquoted=\" 42\"\nsign=-\n"
        "max=2147483647\nmin=-2147483648\nover=2147483648\nunder=-2147483649\n"
        "fifteen=000000000000042\nsixteen=0000000000000042\nlongneg=-99999999999999999\n");
    const auto read = [&](std::string_view key) { return ReadProfileInt(ini, "N", key, -77); };
    EXPECT_EQ(read("plus"), 7);
    EXPECT_EQ(read("empty"), 0);
    EXPECT_EQ(read("quoted"), 42);
    EXPECT_EQ(read("sign"), 0);
    EXPECT_EQ(read("absent"), -77);
    EXPECT_EQ(ReadProfileInt(ini, "M", "plus", 5), 5);
    EXPECT_EQ(read("max"), kIntMax);
    EXPECT_EQ(read("min"), kIntMin);
    EXPECT_EQ(read("over"), kIntMax);
    EXPECT_EQ(read("under"), kIntMin);
    EXPECT_EQ(read("fifteen"), 42);
    EXPECT_EQ(read("sixteen"), 4);
    EXPECT_EQ(read("longneg"), kIntMin);
}

TEST(IniDocument, SetReplacesInPlaceAndKeepsTheOtherLines) {
    IniDocument ini = IniDocument::Parse(
        "; settings\r\n"
        "[Unknown]\r\n"
        "Key=1\r\n"
        "[midi]\r\n"
        "  outa = 3 ; old\r\n"
        "In=2\r\n"
        "Module = 4\r\n"
        "\r\n"
        "[Preview]\n"
        "Vel=1");
    ASSERT_TRUE(ini.Set("MIDI", "OutA", "-1"));
    ASSERT_TRUE(ini.Set("MIDI", "Module", "4"));  // same value: the line stays as it is
    ASSERT_TRUE(WriteProfileInt(ini, "MIDI", "OutB", 1));
    ASSERT_TRUE(ini.Set("Preview", "Gate", "800"));
    EXPECT_EQ(ini.Bytes(),
              "; settings\r\n"
              "[Unknown]\r\n"
              "Key=1\r\n"
              "[midi]\r\n"
              "outa=-1\r\n"
              "In=2\r\n"
              "Module = 4\r\n"
              "OutB=1\r\n"
              "\r\n"
              "[Preview]\n"
              "Vel=1\r\n"
              "Gate=800\r\n");
}

TEST(IniDocument, SetAddsSectionsAtTheEndInTheTextsLineEnds) {
    IniDocument fresh;
    ASSERT_TRUE(fresh.Set("A", "k", "1"));
    ASSERT_TRUE(fresh.Set("B", "k", "2"));
    ASSERT_TRUE(fresh.Set("A", "j", "3"));
    EXPECT_EQ(fresh.Bytes(), "[A]\r\nk=1\r\nj=3\r\n\r\n[B]\r\nk=2\r\n");

    IniDocument unix_text = IniDocument::Parse("; mine\n[A]\nk=1");
    ASSERT_TRUE(unix_text.Set("B", "k", "2"));
    EXPECT_EQ(unix_text.Bytes(), "; mine\n[A]\nk=1\n\n[B]\nk=2\n");

    IniDocument blank_end = IniDocument::Parse("[A]\r\nk=1\r\n\r\n");
    ASSERT_TRUE(blank_end.Set("B", "k", "2"));
    EXPECT_EQ(blank_end.Bytes(), "[A]\r\nk=1\r\n\r\n[B]\r\nk=2\r\n");

    IniDocument header_only = IniDocument::Parse("[A]");
    ASSERT_TRUE(header_only.Set("a", "k", "1"));
    EXPECT_EQ(header_only.Bytes(), "[A]\r\nk=1\r\n");
}

TEST(IniDocument, SetRefusesWhatWouldNotReadBack) {
    const std::string bytes = "[A]\nk=1\n";
    IniDocument ini = IniDocument::Parse(bytes);
    EXPECT_FALSE(ini.Set("A", "k", "1\r\n[B]"));
    EXPECT_FALSE(ini.Set("A", "k", "1\n"));
    for (const std::string_view name : {"", " A", "A ", "A\n", "A\rB"}) {
        EXPECT_FALSE(ini.Set(name, "k", "1")) << name;
        EXPECT_FALSE(ini.Set("A", name, "1")) << name;
    }
    EXPECT_FALSE(ini.Set("A", "a=b", "1"));
    EXPECT_FALSE(ini.Set("A", "[k", "]"));
    EXPECT_EQ(ini.Bytes(), bytes);
    ASSERT_TRUE(ini.Set("A", "k", "x=y]"));
    ASSERT_TRUE(ini.Set("[B]", ";k", "2"));
    const IniDocument again = IniDocument::Parse(ini.Bytes());
    EXPECT_EQ(again.Find("A", "k"), "x=y]");
    EXPECT_EQ(again.Find("[B]", ";k"), "2");
}

// A stored value reads back as it was, and a plain one is written as older files have it.
TEST(IniDocument, StoredValuesReadBackAsTheyWere) {
    for (const std::string_view value :
         {"plain.ins", "  spaced.ins  ", " keys", "\"quoted\"", "''a''", "'", "a \"b\" c", ""}) {
        IniDocument ini;
        ASSERT_TRUE(ini.Set("A", "k", IniDocument::StoredValue(value)));
        EXPECT_EQ(IniDocument::Parse(ini.Bytes()).Find("A", "k"), value) << value;
    }
    EXPECT_EQ(IniDocument::StoredValue("a \"b\" c"), "a \"b\" c");
}

TEST(IniFile, AbsentReadsEmptyAndUnreadableReadsNone) {
    TempFolder folder;
    const auto absent = LoadIniFile(folder / "none.ini");
    ASSERT_TRUE(absent.has_value());
    EXPECT_EQ(absent->Bytes(), "");
    EXPECT_FALSE(fs::exists(folder / "none.ini"));
    EXPECT_TRUE(LoadIniFile(folder / "none" / "none.ini").has_value());

    fs::create_directory(folder / "dir.ini");
    EXPECT_FALSE(LoadIniFile(folder / "dir.ini").has_value());

    WriteBytes(folder / "a.ini", "[A]\r\nk=1");
    const auto read = LoadIniFile(folder / "a.ini");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Bytes(), "[A]\r\nk=1");
}

TEST(IniFile, SavingReplacesTheFileWhole) {
    TempFolder folder;
    const fs::path path = folder / "sub" / "dir" / "a.ini";
    ASSERT_TRUE(SaveIniFile(path, IniDocument::Parse("[A]\r\nk=1\r\n")));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk=1\r\n");

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(SaveIniFile(path, IniDocument::Parse("x")));
    EXPECT_EQ(ReadBytes(path), "x");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), {}), 1);

    fs::create_symlink(path, folder / "link.ini");
    ASSERT_TRUE(SaveIniFile(folder / "link.ini", IniDocument::Parse("y")));
    EXPECT_TRUE(fs::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(path), "y");
}

TEST(IniFile, AFailedSaveLeavesNothingBehind) {
    TempFolder folder;
    fs::create_directories(folder / "taken.ini" / "inside");
    EXPECT_FALSE(SaveIniFile(folder / "taken.ini", IniDocument::Parse("x")));
    WriteBytes(folder / "plain", "data");
    EXPECT_FALSE(SaveIniFile(folder / "plain" / "a.ini", IniDocument::Parse("x")));
    EXPECT_FALSE(SaveIniFile("", IniDocument::Parse("x")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2);
    EXPECT_EQ(ReadBytes(folder / "plain"), "data");
}

TEST(IniFile, AReadOnlyFileIsRefusedEvenForRoot) {
    TempFolder folder;
    const fs::path path = folder / "a.ini";
    WriteBytes(path, "[A]\r\nk=1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(SaveIniFile(path, IniDocument::Parse("x")));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(SaveIniFile(path, IniDocument::Parse("x")));
    EXPECT_EQ(ReadBytes(path), "x");
}

TEST(IniFile, TemporaryFilesLeftByADeadWriterGoAtTheNextSave) {
    TempFolder folder;
    const fs::path path = folder / "a.ini";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {".a.ini.123.tmp", ".a.ini.9.tmp", ".a.ini.x1.tmp", ".b.ini.5.tmp",
                             "a.ini.7.tmp", ".a.ini.8.tmp.bak"}) {
        WriteBytes(folder / name, "partial");
        fs::last_write_time(folder / name, old);
    }
    WriteBytes(folder / ".a.ini.456.tmp", "another writer at work");
    ASSERT_TRUE(SaveIniFile(path, IniDocument::Parse("x")));
    EXPECT_FALSE(fs::exists(folder / ".a.ini.123.tmp"));
    EXPECT_FALSE(fs::exists(folder / ".a.ini.9.tmp"));
    for (const char* name :
         {".a.ini.x1.tmp", ".b.ini.5.tmp", "a.ini.7.tmp", ".a.ini.8.tmp.bak", ".a.ini.456.tmp"}) {
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    }
    EXPECT_EQ(ReadBytes(path), "x");
}

TEST(IniFile, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheProgram) {
    TempFolder folder;
    const std::string big(4096, 'x');
    // In a child, so the limit and the signal's disposition stay there.
    const auto save_under_limit = [&](bool ignore_signal) {
        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit limit{1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (ignore_signal) {
                IgnoreFileSizeSignal();
            } else {
                std::signal(SIGXFSZ, SIG_DFL);
            }
            ::_exit(SaveIniFile(folder / "a.ini", IniDocument::Parse(big)) ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    };
    const int ignored = save_under_limit(true);
    EXPECT_TRUE(WIFEXITED(ignored) && WEXITSTATUS(ignored) == 0) << ignored;
    const int killed = save_under_limit(false);
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << killed;
    EXPECT_FALSE(fs::exists(folder / "a.ini"));
}

TEST(IniFile, WritableFolderIsTriedWithAProbeThatIsRemoved) {
    TempFolder folder;
    EXPECT_TRUE(IsWritableFolder(folder.path()));
    EXPECT_TRUE(fs::is_empty(folder.path()));
    EXPECT_FALSE(IsWritableFolder(folder / "missing"));
    WriteBytes(folder / "plain", "data");
    EXPECT_FALSE(IsWritableFolder(folder / "plain"));
}

}  // namespace
}  // namespace kq505
