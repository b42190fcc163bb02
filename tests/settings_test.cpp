#include "app/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "support/temp_folder.h"

namespace kq505 {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

struct Fields {
    int out_a, out_b, in, module, vel, gate, step, info, logo;
    std::string ins_file;
    bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const CKQ505App& a) {
    return {a.out_a_device,     a.out_b_device,        a.in_device,   a.module_level,
            a.preview_velocity, a.preview_gate_ms,     a.export_step, a.export_info,
            a.show_logo,        a.instrument_file_path};
}

void SetFields(CKQ505App& a, const Fields& f) {
    std::tie(a.out_a_device, a.out_b_device, a.in_device, a.module_level, a.preview_velocity,
             a.preview_gate_ms, a.export_step, a.export_info, a.show_logo, a.instrument_file_path) =
        std::tie(f.out_a, f.out_b, f.in, f.module, f.vel, f.gate, f.step, f.info, f.logo,
                 f.ins_file);
}

const Fields kDefaults{0, 1, 0, 0, 100, 800, 10, 0, 0, "xg.ins"};

class Settings : public ::testing::Test {
  protected:
    Settings() { app.ini_path = (folder / "kq505.ini").string(); }
    Fields Read() {
        CKQ505App fresh;
        fresh.ini_path = app.ini_path;
        ReadIniSettings(fresh);
        return FieldsOf(fresh);
    }

    TempFolder folder;
    CKQ505App app;
};

TEST_F(Settings, WithoutAFileEverySettingHasItsDefaultAndNoFileIsMade) {
    app.thru = 1;
    app.thru_channel = 1;
    ReadIniSettings(app);
    EXPECT_EQ(FieldsOf(app), kDefaults);
    EXPECT_EQ(app.thru, 0);  // a stored In alone never plays through
    EXPECT_EQ(app.thru_channel, 0);
    EXPECT_TRUE(fs::is_empty(folder.path()));

    fs::create_directory(app.ini_path);  // unreadable: the defaults too
    SetFields(app, {9, 9, 9, 9, 9, 9, 9, 9, 9, "x"});
    ReadIniSettings(app);
    EXPECT_EQ(FieldsOf(app), kDefaults);
}

TEST_F(Settings, StoredValuesAreTakenAsTheyStand) {
    const std::string long_path = "/home/user/" + std::string(300, 'd') + "/xg.ins";
    WriteBytes(app.ini_path,
               "[midi]\r\n"
               "outa=-1\r\n"
               "OUTB = 12abc\r\n"
               "In=1234567890123456789\r\n"
               "Module=0000000000000003\r\n"
               "[PREVIEW]\r\n"
               "Vel=200\r\n"
               "Gate=abc\r\n"
               "[Others]\r\n"
               "Step=99\r\n"
               "InsFile= " +
                   long_path + " \r\n");
    EXPECT_EQ(Read(), (Fields{-1, 12, 2147483647, 0, 200, 0, 10, 0, 0, long_path}));

    WriteBytes(app.ini_path, "[Others]\nInsFile=C:\\KQ505\\Voices\\xg-level3.ins\n");
    EXPECT_EQ(Read().ins_file, "C:\\KQ505\\Voices\\xg-level3.ins");
}

TEST_F(Settings, AFreshFileHoldsTheTenKeysInOrderThenTheDeviceNames) {
    SetFields(app, {2, -1, 0, 3, 127, 10000, 1920, 1, 1, "/usr/share/kq505/xg.ins"});
    app.out_a_name = "UM-ONE:UM-ONE MIDI 1 20:0";
    app.in_name = "Midi Through:Midi Through Port-0 14:0";
    ASSERT_TRUE(WriteIniSettings(app));
    EXPECT_EQ(ReadBytes(app.ini_path),
              "[MIDI]\r\n"
              "OutA=2\r\n"
              "OutB=-1\r\n"
              "In=0\r\n"
              "Module=3\r\n"
              "OutAName=UM-ONE:UM-ONE MIDI 1 20:0\r\n"
              "OutBName=\r\n"
              "InName=Midi Through:Midi Through Port-0 14:0\r\n"
              "Pace=0\r\n"
              "Thru=0\r\n"
              "ThruChannel=0\r\n"
              "ModuleIn=-1\r\n"
              "ModuleInName=\r\n"
              "DumpTimeout=300\r\n"
              "Follow=1\r\n"
              "\r\n"
              "[Preview]\r\n"
              "Vel=127\r\n"
              "Gate=10000\r\n"
              "\r\n"
              "[ExportVardel]\r\n"
              "Step=1920\r\n"
              "Info=1\r\n"
              "\r\n"
              "[Others]\r\n"
              "Logo=1\r\n"
              "InsFile=/usr/share/kq505/xg.ins\r\n"
              "Zoom=100\r\n");
    EXPECT_EQ(Read(), FieldsOf(app));
    CKQ505App fresh;
    fresh.ini_path = app.ini_path;
    fresh.out_b_name = "stale";
    ReadIniSettings(fresh);
    EXPECT_EQ(fresh.out_a_name, app.out_a_name);
    EXPECT_EQ(fresh.out_b_name, "");
    EXPECT_EQ(fresh.in_name, app.in_name);
}

TEST_F(Settings, WritingKeepsEveryOtherLine) {
    WriteBytes(app.ini_path,
               "; written by hand\n"
               "[Window]\n"
               "Left=10\n"
               "[MIDI]\n"
               "outb=5\n"
               "Extra=keep me\n"
               "\n"
               "[Others]\n"
               "Logo = 1\n");
    SetFields(app, {1, 2, 3, 4, 5, 6, 7, 0, 1, "my.ins"});
    ASSERT_TRUE(WriteIniSettings(app));
    EXPECT_EQ(ReadBytes(app.ini_path),
              "; written by hand\n"
              "[Window]\n"
              "Left=10\n"
              "[MIDI]\n"
              "outb=2\n"
              "Extra=keep me\n"
              "OutA=1\n"
              "In=3\n"
              "Module=4\n"
              "OutAName=\n"
              "OutBName=\n"
              "InName=\n"
              "Pace=0\n"
              "Thru=0\n"
              "ThruChannel=0\n"
              "ModuleIn=-1\n"
              "ModuleInName=\n"
              "DumpTimeout=300\n"
              "Follow=1\n"
              "\n"
              "[Others]\n"
              "Logo = 1\n"
              "InsFile=my.ins\n"
              "Zoom=100\n"
              "\n"
              "[Preview]\n"
              "Vel=5\n"
              "Gate=6\n"
              "\n"
              "[ExportVardel]\n"
              "Step=7\n"
              "Info=0\n");
    EXPECT_EQ(Read(), FieldsOf(app));
}

// The module's input: its port, the name of its device, how long a request is waited for
// (held to 50..5000 ms) and whether the module's own changes are followed.
TEST_F(Settings, TheModuleKeysAreReadWithTheirDefaultsAndWrittenBack) {
    struct Module {
        int device;
        std::string name;
        int timeout;
        int follow;
        bool operator==(const Module&) const = default;
    };
    const auto module_of = [](const CKQ505App& a) {
        return Module{a.module_in_device, a.module_in_name, a.dump_timeout_ms, a.follow_module};
    };
    const struct {
        const char* lines;
        Module read;
    } cases[] = {
        {"", {-1, "", 300, 1}},
        {"ModuleIn=2\nModuleInName=MU128:MU128 MIDI 1 20:0\nDumpTimeout=1000\nFollow=0\n",
         {2, "MU128:MU128 MIDI 1 20:0", 1000, 0}},
        {"DumpTimeout=10\n", {-1, "", 50, 1}},
        {"DumpTimeout=-5\n", {-1, "", 50, 1}},
        {"DumpTimeout=99999\n", {-1, "", 5000, 1}},
        {"DumpTimeout=abc\n", {-1, "", 50, 1}},
        {"dumptimeout=50\nmodulein=0\n", {0, "", 50, 1}},
    };
    for (const auto& c : cases) {
        WriteBytes(app.ini_path, std::string("[MIDI]\n") + c.lines);
        CKQ505App fresh;
        fresh.ini_path = app.ini_path;
        fresh.module_in_name = "stale";
        ReadIniSettings(fresh);
        EXPECT_EQ(module_of(fresh), c.read) << c.lines;

        // Written and read again, every value comes back as it was taken.
        ASSERT_TRUE(WriteIniSettings(fresh));
        CKQ505App again;
        again.ini_path = app.ini_path;
        ReadIniSettings(again);
        EXPECT_EQ(module_of(again), c.read) << c.lines;
    }
}

TEST_F(Settings, AFailedWriteLeavesTheFileAsItWas) {
    const std::string before = "[Others]\r\nInsFile=old.ins\r\n";
    WriteBytes(app.ini_path, before);
    app.instrument_file_path = "new.ins\r\n[MIDI]\r\nOutA=9";
    EXPECT_FALSE(WriteIniSettings(app));
    EXPECT_EQ(ReadBytes(app.ini_path), before);

    app.instrument_file_path = "new.ins";
    app.out_b_name = "Port\nOutA=9";
    EXPECT_FALSE(WriteIniSettings(app));
    EXPECT_EQ(ReadBytes(app.ini_path), before);

    // A file that cannot be read, even by root, would lose its lines if it were replaced.
    app.out_b_name.clear();
    app.ini_path = (folder / "fifo.ini").string();
    ASSERT_EQ(::mkfifo(app.ini_path.c_str(), 0644), 0);
    EXPECT_FALSE(WriteIniSettings(app));
    EXPECT_EQ(fs::status(app.ini_path).type(), fs::file_type::fifo);
}

// A valid file of `size` bytes whose keys stand at its end, after a long comment.
std::string IniOfSize(std::size_t size) {
    const std::string keys = "\r\n[Others]\r\nZoom=150\r\nLogo=1\r\n";
    return ";" + std::string(size - 1 - keys.size(), '-') + keys;
}

TEST_F(Settings, AFileTooLongIsNeitherReadNorReplacedAndSaysSo) {
    const struct {
        std::size_t size;
        bool read;
    } cases[] = {{kMaxIniBytes, true}, {kMaxIniBytes + 1, false}};
    for (const auto& c : cases) {
        const std::string bytes = IniOfSize(c.size);
        WriteBytes(app.ini_path, bytes);
        EXPECT_EQ(ReadIniSettings(app), c.read) << c.size;
        EXPECT_EQ(app.show_logo, c.read ? 1 : 0);
        EXPECT_EQ(ReadZoomSetting(app.ini_path), c.read ? 150 : 100);
        EXPECT_EQ(WriteIniSettings(app), c.read);
        if (!c.read) {
            EXPECT_EQ(ReadBytes(app.ini_path), bytes);
        }
    }
    fs::remove(app.ini_path);
    EXPECT_TRUE(ReadIniSettings(app));  // absent: no news
    fs::create_directory(app.ini_path);
    EXPECT_TRUE(ReadIniSettings(app));  // unreadable but not long: as before, silently
}

TEST_F(Settings, TheDisplaySizeIsKeptAndReadBeforeAnyWindow) {
    EXPECT_EQ(ReadZoomSetting(app.ini_path), 100);
    WriteBytes(app.ini_path, "[Others]\r\nZoom=150\r\n");
    ReadIniSettings(app);
    EXPECT_EQ(app.zoom_percent, 150);
    EXPECT_EQ(ReadZoomSetting(app.ini_path), 150);
    app.zoom_percent = 200;
    ASSERT_TRUE(WriteIniSettings(app));
    EXPECT_EQ(ReadZoomSetting(app.ini_path), 200);

    EXPECT_EQ(DisplayScaleFactor(100), 1.0);
    EXPECT_EQ(DisplayScaleFactor(150), 1.5);
    EXPECT_EQ(DisplayScaleFactor(200), 2.0);
    // A hand-edited size that the dialog does not offer is no size at all.
    for (int stored : {0, -200, 175, 400, 1})
        EXPECT_EQ(DisplayScaleFactor(stored), 1.0) << stored;
}

TEST(IniPath, TheExtensionOfLettersIsReplaced) {
    const auto writable = [](const fs::path&) { return true; };
    EXPECT_EQ(IniPathFor("/opt/kq505/KQ505.EXE", "/cfg", writable), "/opt/kq505/KQ505.ini");
    EXPECT_EQ(IniPathFor("/opt/kq505/kq505", "/cfg", writable), "/opt/kq505/kq505.ini");
    EXPECT_EQ(IniPathFor("/opt/kq505.AppImage", "/cfg", writable), "/opt/kq505.ini");
    EXPECT_EQ(IniPathFor("/opt/kq505-2.0", "/cfg", writable), "/opt/kq505-2.0.ini");
    EXPECT_EQ(IniPathFor("/opt/.kq505", "/cfg", writable), "/opt/.kq505.ini");
    EXPECT_EQ(IniPathFor("kq505", "/cfg", writable), "kq505.ini");
}

TEST(IniPath, AFolderThatCannotBeWrittenGivesTheUsersConfigFolder) {
    const auto read_only = [](const fs::path&) { return false; };
    EXPECT_EQ(IniPathFor("/usr/bin/kq505", "/home/u/.config/kq505", read_only),
              "/home/u/.config/kq505/kq505.ini");

    TempFolder folder;
    const fs::path config = folder / "config";
    EXPECT_EQ(IniPathFor(folder / "kq505", config), folder / "kq505.ini");
    EXPECT_EQ(IniPathFor(folder / "missing" / "kq505", config), config / "kq505.ini");
}

TEST(IniPath, AFolderOfMode0555GivesTheUsersConfigFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write to a folder of mode 0555, so that folder is writable "
                        "for this process; the fake check above covers the rule";
    }
    TempFolder folder;
    fs::create_directory(folder / "bin");
    fs::permissions(folder / "bin", fs::perms(0555));
    EXPECT_EQ(IniPathFor(folder / "bin" / "kq505", folder / "config"),
              folder / "config" / "kq505.ini");
    fs::permissions(folder / "bin", fs::perms::owner_all);
}

}  // namespace
}  // namespace kq505
