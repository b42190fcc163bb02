#include "files/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A table and names in which every value of every part differs from the defaults.
CKQ505App FilledApp() {
    CKQ505App app;
    for (int row = 0; row < kRowCount; ++row) {
        for (int part = 0; part < kPartCount; ++part)
            app.part_table[row][part] = row + part;
    }
    for (int part = 0; part < kPartCount; ++part)
        app.track_names[part] = "name " + std::to_string(part);
    return app;
}

// What a load may change: the table and the names.
struct Contents {
    explicit Contents(const CKQ505App& app) : table(app.part_table), names(app.track_names) {}
    PartTable table;
    std::array<std::string, kPartCount> names;
    bool operator==(const Contents&) const = default;
};

TEST(SettingsFileSave, DefaultsGiveTheMagicTheValuesAndZeroElsewhere) {
    CKQ505App app;
    app.selected_part = 4;
    const auto file = SaveSettingsFile(app);
    std::array<std::uint8_t, 320> expected{'K', 'Q', 'S', 'F', '1', '0', '0', '0'};
    const Bytes layer{0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x40, 0x40, 0x40, 0x40,
                      0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x0C, 0x40, 0x36, 0x40};
    std::copy(layer.begin(), layer.end(), expected.begin() + 16);
    std::copy(layer.begin(), layer.end(), expected.begin() + 48);
    const Bytes part{0x64, 0x7F, 0x40, 0x00, 0x00, 0x00, 0x00};
    std::copy(part.begin(), part.end(), expected.begin() + 80);
    EXPECT_EQ(file, expected);
}

// Each row at its own offset: program before LSB, mix_sw before mix, B block 32 bytes on.
TEST(SettingsFileSave, EveryRowLiesAtItsOffsetAsItsLowByte) {
    CKQ505App app;
    app.selected_part = 5;
    const std::array<Row, 20> block{
        bank_msb_a,  program_a,      bank_lsb_a,     reverb_a,         chorus_a,
        variation_a, pan_a,          brightness_a,   harmonic_a,       hpf_a,
        attack_a,    decay_a,        release_a,      vib_rate_a,       vib_depth_a,
        vib_delay_a, eq_bass_freq_a, eq_bass_gain_a, eq_treble_freq_a, eq_treble_gain_a};
    for (int i = 0; i < 20; ++i) {
        app.part_table[block[i]][5] = 1 + i;
        app.part_table[block[i] + 1][5] = 101 + i;
    }
    const std::array<Row, 7> part_block{vol, exp, key_shift, porta_sw, porta_time, mix_sw, mix};
    for (int i = 0; i < 6; ++i)
        app.part_table[part_block[i]][5] = 50 + i;
    app.part_table[mix][5] = -64;
    app.part_table[vol][4] = 7;  // another part's values stay out of the file
    const auto file = SaveSettingsFile(app);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(file[16 + i], 1 + i) << kRowInfo[block[i]].name;
        EXPECT_EQ(file[48 + i], 101 + i) << kRowInfo[block[i] + 1].name;
    }
    EXPECT_EQ(Bytes(file.begin() + 80, file.begin() + 87), (Bytes{50, 51, 52, 53, 54, 55, 0xC0}));

    app.part_table[mix][5] = 64;
    EXPECT_EQ(SaveSettingsFile(app)[86], 0x40);
    app.part_table[mix][5] = -5;
    EXPECT_EQ(SaveSettingsFile(app)[86], 0xFB);
}

// Parts 5 and 12 as the user counts them.
TEST(SettingsFileLoad, SavedFromOnePartLoadsIntoAnotherOnly) {
    CKQ505App source = FilledApp();
    source.selected_part = 4;
    source.part_table[mix][4] = -64;
    source.part_table[mix_sw][4] = 1;
    source.track_names[4] = "Pad";
    const auto file = SaveSettingsFile(source);

    CKQ505App target = FilledApp();
    target.selected_part = 11;
    Contents expected(target);
    for (int row = 0; row < kRowCount; ++row)
        expected.table[row][11] = source.part_table[row][4];
    expected.names[11] = "Pad";
    ASSERT_EQ(LoadSettingsFile(target, std::span<const std::uint8_t>(file)),
              SettingsFileResult::ok);
    EXPECT_EQ(Contents(target), expected);
    EXPECT_EQ(target.part_table[mix][11], -64);
    EXPECT_EQ(target.part_table[mix_sw][11], 1);
    EXPECT_EQ(LoadedSelectorEntry(11, target.track_names[11]), "#12 Pad");
}

TEST(SettingsFileLoad, BytesAreSignExtendedAndKeptOutsideTheirRanges) {
    auto file = SaveSettingsFile(CKQ505App{});
    file[16] = 0x80;       // bank_msb_a
    file[48 + 18] = 0x7F;  // eq_treble_freq_b, above its 58
    file[82] = 0xFF;       // key_shift
    file[86] = 0xC0;       // mix
    CKQ505App app;
    app.selected_part = 2;
    ASSERT_EQ(LoadSettingsFile(app, std::span<const std::uint8_t>(file)), SettingsFileResult::ok);
    EXPECT_EQ(app.part_table[bank_msb_a][2], -128);
    EXPECT_EQ(app.part_table[eq_treble_freq_b][2], 127);
    EXPECT_EQ(app.part_table[key_shift][2], -1);
    EXPECT_EQ(app.part_table[mix][2], -64);
}

TEST(SettingsFileLoad, WrongFormatChangesNothing) {
    const auto good = SaveSettingsFile(FilledApp());
    Bytes byte8(good.begin(), good.end());
    byte8[8] = ' ';
    Bytes magic(good.begin(), good.end());
    magic[7] = '1';
    const Bytes too_short_for_magic(good.begin(), good.begin() + 8);
    const Bytes magic_only(good.begin(), good.begin() + 9);
    const Bytes name_cut_off(good.begin(), good.begin() + 150);
    for (const Bytes& bytes :
         {byte8, magic, too_short_for_magic, magic_only, name_cut_off, Bytes{}}) {
        CKQ505App app = FilledApp();
        app.selected_part = 3;
        const Contents before(app);
        EXPECT_EQ(LoadSettingsFile(app, bytes), SettingsFileResult::wrong_format) << bytes.size();
        EXPECT_EQ(Contents(app), before);
    }
    // The old program read nothing beyond the name, so a file ending there is whole.
    CKQ505App app;
    app.track_names[0] = "x";
    EXPECT_EQ(LoadSettingsFile(app, Bytes(good.begin(), good.begin() + 151)),
              SettingsFileResult::ok);
    EXPECT_EQ(app.track_names[0], "name 0");
}

TEST(SettingsFileLoad, NameEndsAtTheFirstZeroOrFillsTheField) {
    auto file = SaveSettingsFile(CKQ505App{});
    std::fill(file.begin() + 87, file.begin() + 151, 'N');
    CKQ505App app;
    ASSERT_EQ(LoadSettingsFile(app, std::span<const std::uint8_t>(file)), SettingsFileResult::ok);
    EXPECT_EQ(app.track_names[0], std::string(64, 'N'));
    file[90] = 0;
    ASSERT_EQ(LoadSettingsFile(app, std::span<const std::uint8_t>(file)), SettingsFileResult::ok);
    EXPECT_EQ(app.track_names[0], "NNN");
}

std::string SavedName(const std::string& name) {
    CKQ505App app;
    app.track_names[0] = name;
    const auto file = SaveSettingsFile(app);
    EXPECT_EQ(file[151], 0);
    const auto end = std::find(file.begin() + 87, file.begin() + 151, 0);
    return std::string(file.begin() + 87, end);
}

TEST(SettingsFileSave, LongNamesAreCutWithoutSplittingACharacter) {
    const std::string ji = "\x8E\x9A";  // its trail byte lies in the lead byte range
    const std::string kana = "\xB1";    // half-width, one byte
    std::string seventy;
    for (int i = 0; i < 35; ++i)
        seventy += ji;
    EXPECT_EQ(SavedName(seventy), seventy.substr(0, 64));
    EXPECT_EQ(SavedName(std::string(63, 'a') + ji), std::string(63, 'a'));
    EXPECT_EQ(SavedName(kana + seventy), kana + seventy.substr(0, 62));
    EXPECT_EQ(SavedName(std::string(64, 'a') + ji), std::string(64, 'a'));
    EXPECT_EQ(SavedName(""), "");
    // A name that fits is kept as it is, even one ending in a lone lead byte.
    EXPECT_EQ(SavedName("abc\x82"), "abc\x82");
}

TEST(SettingsFileEntry, NumberWithoutColonThenTheName) {
    EXPECT_EQ(LoadedSelectorEntry(0, ""), "#01 ");
    EXPECT_EQ(LoadedSelectorEntry(2, "Pad"), "#03 Pad");
    EXPECT_EQ(LoadedSelectorEntry(8, "\x8E\x9A"), "#09 \x8E\x9A");
    EXPECT_EQ(LoadedSelectorEntry(9, "Bass"), "#10 Bass");
    EXPECT_EQ(LoadedSelectorEntry(15, "Pad"), "#16 Pad");
}

class SettingsFilePath : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kq505_settings_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path Write(const std::string& name, std::span<const std::uint8_t> bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(SettingsFilePath, ReadsAFileAndTellsUnreadableFromWrongFormat) {
    CKQ505App source;
    source.part_table[vol][0] = 11;
    source.track_names[0] = "Lead";
    const auto file = SaveSettingsFile(source);
    auto broken = file;
    broken[8] = 1;
    const auto good_path = Write("good.kqs", file);
    const auto broken_path = Write("broken.kqs", broken);
    const auto short_path = Write("short.kqs", std::span(file).first(100));

    struct Case {
        std::filesystem::path path;
        SettingsFileResult result;
    };
    for (const Case& c : {Case{dir_ / "missing.kqs", SettingsFileResult::cannot_read},
                          Case{dir_, SettingsFileResult::cannot_read},
                          Case{broken_path, SettingsFileResult::wrong_format},
                          Case{short_path, SettingsFileResult::wrong_format}}) {
        CKQ505App app = FilledApp();
        const Contents before(app);
        EXPECT_EQ(LoadSettingsFile(app, c.path), c.result) << c.path;
        EXPECT_EQ(Contents(app), before);
    }
    CKQ505App app = FilledApp();
    app.selected_part = 7;
    ASSERT_EQ(LoadSettingsFile(app, good_path), SettingsFileResult::ok);
    EXPECT_EQ(app.part_table[vol][7], 11);
    EXPECT_EQ(app.part_table[reverb_a][7], 40);
    EXPECT_EQ(app.track_names[7], "Lead");
}

}  // namespace
}  // namespace kq505
