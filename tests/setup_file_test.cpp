#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/ini_store.h"
#include "app/setup_state.h"
#include "drums/drum_edit.h"
#include "effects/effect_edit.h"
#include "files/name_text.h"
#include "files/settings_file.h"
#include "files/setup_file.h"
#include "instruments/program_change.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"
#include "view/form_values.h"
#include "view/knob_geometry.h"
#include "view/track_label.h"

namespace kq505 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// "ｽﾄﾘﾝｸﾞｽ" in half-width katakana and "弦楽" in Shift_JIS.
const std::string kKatakana = "\xBD\xC4\xD8\xDD\xB8\xDE\xBD";
const std::string kKanji = "\x8C\xB7\x8A\x79";

// A set-up unlike the defaults everywhere, with values outside every row's range (as far as
// a part file can bring them: a signed byte) and names that are hard to keep: Japanese, 64 bytes
// long, bytes that are no Shift_JIS, a lead byte at the end, control bytes, backslashes, quotes and
// spaces at either end.
SetupData UnusualSetup() {
    SetupData setup;
    for (int row = 0; row < kRowCount; ++row) {
        for (int part = 0; part < kPartCount; ++part)
            setup.part_table[row][part] =
                static_cast<std::int8_t>(kRowInfo[row].default_value + 1 + part + row * 7);
    }
    setup.part_table[vol][0] = -128;
    setup.part_table[pan_b][15] = 127;
    setup.drums.part_modes[20] = PartMode::drums3;
    DrumSlot(setup.drums, 2, 50, 0x03) = 9;
    const std::vector<std::string> names{kKatakana,
                                         kKanji + " " + kKatakana,
                                         std::string(64, 'x'),
                                         std::string(31, '\x82') + "\xA0\x82\xA0",
                                         "bad \x80\xFD\xA0 tail\x81",
                                         "\x81\x20 lead byte before a space",
                                         "ctl\t\r\n\x7F end",
                                         "back\\slash \\x41 \\\\",
                                         "\"quoted\" 'single'",
                                         "  spaces  ",
                                         "\xED\x40 shared code",
                                         ""};
    for (int part = 0; part < kPartCount; ++part) {
        setup.track_names[part] = names[part % names.size()];
        setup.map_sel_a[part] = part;
        setup.pc_sel_a[part] = 127 - part;
        setup.bank_sel_a[part] = part * 3;
        setup.map_sel_b[part] = -1;
        setup.pc_sel_b[part] = 100 + part;
        setup.bank_sel_b[part] = part % 2;
    }
    // HALL 2, and a DELAY L,C,R with a delay above 127 on the insertion of part 1's A layer.
    EffectBlocks& effects = setup.effect_blocks;
    ResetEffectBlocks(effects);
    SetEffectType(effects, EffectBlock::reverb, 0x01 * 128 + 0x01);
    effects[EffectBlock::variation].params[0] = 7000;
    effects[EffectBlock::chorus].pan = 1;
    effects.variation_to_chorus = 90;
    effects.variation_part = 0;
    return setup;
}

TEST(SetupFile, RoundTripKeepsEveryValueAndNameByteForByte) {
    const SetupData written = UnusualSetup();
    const std::string text = SetupFileText(written);
    SetupData read = DefaultSetup();
    const SetupReadResult result = ParseSetupFile(text, read);
    ASSERT_EQ(result.error, SetupFileError::none) << result.where;
    EXPECT_EQ(read, written);
    // Names are readable text, and the escapes are the documented ones.
    EXPECT_NE(text.find("track_name=\"ｽﾄﾘﾝｸﾞｽ\""), std::string::npos);
    EXPECT_NE(text.find("track_name=\"弦楽 ｽﾄﾘﾝｸﾞｽ\""), std::string::npos);
    EXPECT_NE(text.find("track_name=\"bad \\x80\\xFD\\xA0 tail\\x81\""), std::string::npos);
    EXPECT_NE(text.find("track_name=\"back\\\\slash \\\\x41 \\\\\\\\\""), std::string::npos);
    EXPECT_NE(text.find("track_name=\"\\xED@ shared code\""), std::string::npos);
    EXPECT_NE(text.find("[Part 16]\ntrack_name="), std::string::npos);
    EXPECT_NE(text.find("\npan_b=127\n"), std::string::npos);
}

TEST(SetupFile, NamesLongerThanAFieldAreCutAtAWholeCharacter) {
    SetupData setup = DefaultSetup();
    setup.track_names[0] = std::string(63, 'a') + "\x82\xA0";
    SetupData read;
    ASSERT_EQ(ParseSetupFile(SetupFileText(setup), read).error, SetupFileError::none);
    EXPECT_EQ(read.track_names[0], std::string(63, 'a'));

    const std::string long_text =
        std::string(kSetupFormatLine) + "\n[Part 1]\ntrack_name=" + std::string(70, 'b') + "\n";
    ASSERT_EQ(ParseSetupFile(long_text, read).error, SetupFileError::none);
    EXPECT_EQ(read.track_names[0], std::string(64, 'b'));
}

TEST(SetupFile, NameTextEscapes) {
    EXPECT_EQ(ShiftJisToText("a\\b"), "a\\\\b");
    EXPECT_EQ(ShiftJisToText("\x01\x80"), "\\x01\\x80");
    EXPECT_EQ(TextToShiftJis("\\x8C\\xb7\\x8A\\x79"), kKanji);
    // A backslash that starts no escape stands for itself.
    EXPECT_EQ(TextToShiftJis("\\q\\x4"), "\\q\\x4");
    EXPECT_EQ(TextToShiftJis("弦楽"), kKanji);
    EXPECT_EQ(TextToShiftJis("emoji \xF0\x9F\x8E\xB9"), std::nullopt);
}

TEST(SetupFile, HostileFilesAreRefusedAndChangeNothing) {
    const std::string head = std::string(kSetupFormatLine) + "\nversion=1\n[Part 2]\n";
    const std::vector<std::pair<std::string, SetupFileError>> files{
        {"", SetupFileError::no_format_line},
        {"[Part 1]\nvol=5\n", SetupFileError::no_format_line},
        {"; comment\n" + head, SetupFileError::no_format_line},
        {head + "vol=5\0\n"s, SetupFileError::binary},
        {head + "track_name=\xFF\xFE\n", SetupFileError::binary},
        {head + std::string(kSetupFileMaxSize, ' '), SetupFileError::too_large},
        {head + "vol=abc\n", SetupFileError::not_a_number},
        {head + "vol=1.5\n", SetupFileError::not_a_number},
        {head + "vol=\n", SetupFileError::not_a_number},
        {head + "vol=12 34\n", SetupFileError::not_a_number},
        {head + "pc_sel_b=2147483648\n", SetupFileError::not_a_number},
        {std::string(kSetupFormatLine) + "\nversion=two\n", SetupFileError::not_a_number},
        {head + "track_name=\"\xF0\x9F\x8E\xB9\"\n", SetupFileError::bad_name},
    };
    const SetupData before = UnusualSetup();
    for (const auto& [text, error] : files) {
        SetupData setup = before;
        EXPECT_EQ(ParseSetupFile(text, setup).error, error) << text.substr(0, 80);
        EXPECT_EQ(setup, before) << text.substr(0, 80);
    }
    SetupData setup = before;
    EXPECT_EQ(ParseSetupFile(head + "exp=1\nvol=x\n", setup).where, "[Part 2] vol");
}

TEST(SetupFile, UnknownKeysAndSectionsArePassedOverAndMissingKeysGiveDefaults) {
    const std::string text = std::string(kSetupFormatLine) +
                             "\r\nversion=7\r\nauthor=someone\r\n"
                             "[part 3]\r\nVOL=5\r\ncolour=blue\r\nvol=6\r\nTrack_Name= \"Pad\" \r\n"
                             "pc_sel_b=-4\r\n[Part 17]\r\nvol=abc\r\n[Effects]\r\nreverb=abc\r\n"
                             "[Part 0]\r\nvol=x\r\n[Part 3]\r\nexp=9\r\n";
    SetupData read = UnusualSetup();
    ASSERT_EQ(ParseSetupFile(text, read).error, SetupFileError::none);
    SetupData expected = DefaultSetup();
    expected.part_table[vol][2] = 5;
    expected.track_names[2] = "Pad";
    expected.pc_sel_b[2] = -1;  // no list holds -4: it selects nothing
    EXPECT_EQ(read, expected);
}

TEST(SetupFile, ValuesAreHeldToWhatTheProgramCanHold) {
    // Rows to the signed byte a part file carries; list positions to the 128 a list holds.
    const std::vector<std::tuple<std::string, std::int32_t, std::int32_t>> cases{
        {"vol=2147483647", 127, 0},
        {"vol=-2147483648", -128, 0},
        {"vol=128", 127, 0},
        {"vol=-129", -128, 0},
        {"vol=-128", -128, 0},
        {"vol=127", 127, 0},
        {"pc_sel_a=128", 100, -1},
        {"pc_sel_a=-1", 100, -1},
        {"pc_sel_a=127", 100, 127},
        {"pc_sel_a=0", 100, 0},
        {"pc_sel_a=-2147483648", 100, -1},
    };
    for (const auto& [line, row, position] : cases) {
        SetupData read;
        const std::string text = std::string(kSetupFormatLine) + "\n[Part 4]\n" + line + "\n";
        ASSERT_EQ(ParseSetupFile(text, read).error, SetupFileError::none) << line;
        EXPECT_EQ(read.part_table[vol][3], row) << line;
        EXPECT_EQ(read.pc_sel_a[3], position) << line;
    }
}

TEST(SetupFile, OnlyStrictUtf8IsText) {
    const std::vector<std::pair<std::string, bool>> names{
        {"\xC3\xA9 \xE3\x81\x82 \xEF\xBD\xB1", true},  // é, あ, ｱ
        {"\xF0\x9F\x8E\xB9", true},                    // U+1F3B9
        {"\xF4\x8F\xBF\xBF", true},                    // U+10FFFF, the last
        {"\xED\x9F\xBF", true},                        // U+D7FF, before the surrogates
        {"\xC0\xAF", false},                           // overlong '/'
        {"\xC1\xBF", false},                           // overlong U+007F
        {"\xE0\x9F\xBF", false},                       // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", false},                   // overlong U+FFFF
        {"\xED\xA0\x80", false},                       // surrogate U+D800
        {"\xED\xBF\xBF", false},                       // surrogate U+DFFF
        {"\xF4\x90\x80\x80", false},                   // U+110000
        {"\xF5\x80\x80\x80", false},                   // no such lead byte
        {"\xE3\x81", false},                           // cut short
        {"\xE3\x41\x82", false},                       // a second byte that continues nothing
        {"\xE3\x81\x41", false},                       // a third byte that continues nothing
        {"\x80", false},                               // a continuation alone
    };
    for (const auto& [name, text] : names) {
        SetupData read;
        const SetupReadResult result =
            ParseSetupFile(std::string(kSetupFormatLine) + "\n[Effects]\n; " + name + "\n", read);
        EXPECT_EQ(result.error == SetupFileError::none, text) << testing::PrintToString(name);
    }
}

// The texts a reader does the most work for under the size limit: many keys in one
// section, all different or all the same, many sections, one long header over many keys,
// and many keys in the effect section.
std::string HardSetup(int kind, std::size_t bytes) {
    std::string text = std::string(kSetupFormatLine) + "\n";
    if (kind == 3) text += "[Part " + std::string(bytes / 2, '0') + "1]\n";
    text += kind == 4 ? "[Effects]\n" : "[Part 1]\n";
    for (int i = 0; text.size() < bytes; ++i) {
        if (kind == 0 || kind == 4) text += "k" + std::to_string(i) + "=1\n";
        if (kind == 1 || kind == 3) text += "vol=1\n";
        if (kind == 2) text += "[Part " + std::to_string(i % kPartCount + 1) + "]\nvol=1\n";
    }
    return text;
}

// The processor time this thread has used, in seconds: unlike the wall clock, it does not
// grow while a loaded machine runs other work.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The quickest of a few parses of the text, in seconds of processor time.
double ParseSeconds(const std::string& text) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        SetupData read;
        const double start = ThreadSeconds();
        EXPECT_EQ(ParseSetupFile(text, read).error, SetupFileError::none);
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

TEST(SetupFile, ReadingTimeGrowsInProportionToTheText) {
    // Sixteen times the text takes about sixteen times as long to read; a reader that
    // compares each key with those before it takes some 256 times as long.
    constexpr std::size_t kSmall = 16 * 1024;
    for (int kind = 0; kind < 5; ++kind) {
        const double small = ParseSeconds(HardSetup(kind, kSmall));
        const double large = ParseSeconds(HardSetup(kind, 16 * kSmall));
        EXPECT_LT(large, 64 * small) << "text " << kind << ": " << small << " s, " << large << " s";
    }
}

TEST(SetupFile, AnEffectTypeTheTablesDoNotListRefusesTheFile) {
    for (const std::string line :
         {"reverb_type=5", "chorus_type=-1", "variation_type=2147483647"}) {
        SetupData read = DefaultSetup();
        const SetupReadResult result =
            ParseSetupFile(std::string(kSetupFormatLine) + "\n[Effects]\n" + line + "\n", read);
        EXPECT_EQ(result.error, SetupFileError::unknown_effect_type) << line;
        EXPECT_EQ(result.where, "[Effects] " + line.substr(0, line.find('='))) << line;
        EXPECT_EQ(read, DefaultSetup());
    }
    EXPECT_EQ(SetupFileErrorText({SetupFileError::unknown_effect_type, "[Effects] reverb_type"},
                                 "a.kqset"),
              "a.kqset の [Effects] reverb_type はXGのｴﾌｪｸﾄﾀｲﾌﾟではないため、読み込めません");
}

// The whole text of a set-up of the defaults, shown for part 1; parts 2 to 16 repeat it
// under their own headers.
constexpr std::string_view kDefaultHead =
    "[KQ505 set-up]\n"
    "version=4\n";
// After the parts: the effect blocks as XG System On leaves them (HALL 1, CHORUS 1, DELAY
// L,C,R, each with its default parameters).
constexpr std::string_view kDefaultEffects =
    "\n[Effects]\n"
    "reverb_type=128\nreverb_param1=18\nreverb_param2=10\nreverb_param3=8\n"
    "reverb_param4=13\nreverb_param5=49\nreverb_param6=0\nreverb_param7=0\nreverb_param8=0\n"
    "reverb_param9=0\nreverb_param10=40\nreverb_param11=0\nreverb_param12=4\n"
    "reverb_param13=50\nreverb_param14=8\nreverb_param15=64\nreverb_param16=0\n"
    "reverb_return=64\nreverb_pan=64\n"
    "chorus_type=8320\nchorus_param1=6\nchorus_param2=54\nchorus_param3=77\n"
    "chorus_param4=106\nchorus_param5=0\nchorus_param6=28\nchorus_param7=64\n"
    "chorus_param8=46\nchorus_param9=64\nchorus_param10=64\nchorus_param11=46\n"
    "chorus_param12=64\nchorus_param13=10\nchorus_param14=0\nchorus_param15=0\n"
    "chorus_param16=0\nchorus_return=64\nchorus_pan=64\n"
    "variation_type=640\nvariation_param1=3333\nvariation_param2=1667\n"
    "variation_param3=5000\nvariation_param4=5000\nvariation_param5=74\n"
    "variation_param6=100\nvariation_param7=10\nvariation_param8=0\nvariation_param9=0\n"
    "variation_param10=32\nvariation_param11=0\nvariation_param12=60\n"
    "variation_param13=28\nvariation_param14=64\nvariation_param15=46\n"
    "variation_param16=64\nvariation_return=64\nvariation_pan=64\n"
    "chorus_to_reverb=0\nvariation_to_reverb=0\nvariation_to_chorus=0\n"
    "variation_connection=0\nvariation_part=127\n";
constexpr std::string_view kDefaultPart =
    "track_name=\"\"\n"
    "map_sel_a=0\npc_sel_a=0\nbank_sel_a=0\nmap_sel_b=0\npc_sel_b=0\nbank_sel_b=0\n"
    "vol=100\nexp=127\nkey_shift=64\nporta_sw=0\nporta_time=0\nmix=0\nmix_sw=0\n"
    "bank_msb_a=0\nbank_msb_b=0\nbank_lsb_a=0\nbank_lsb_b=0\nprogram_a=0\nprogram_b=0\n"
    "reverb_a=40\nreverb_b=40\nchorus_a=0\nchorus_b=0\nvariation_a=0\nvariation_b=0\n"
    "pan_a=64\npan_b=64\nbrightness_a=64\nbrightness_b=64\nharmonic_a=64\nharmonic_b=64\n"
    "hpf_a=64\nhpf_b=64\nattack_a=64\nattack_b=64\ndecay_a=64\ndecay_b=64\n"
    "release_a=64\nrelease_b=64\nvib_rate_a=64\nvib_rate_b=64\nvib_depth_a=64\n"
    "vib_depth_b=64\nvib_delay_a=64\nvib_delay_b=64\neq_bass_freq_a=12\neq_bass_freq_b=12\n"
    "eq_bass_gain_a=64\neq_bass_gain_b=64\neq_treble_freq_a=54\neq_treble_freq_b=54\n"
    "eq_treble_gain_a=64\neq_treble_gain_b=64\n";

TEST(SetupFile, TextOfTheDefaultsIsPinned) {
    std::string expected(kDefaultHead);
    for (int part = 1; part <= kPartCount; ++part) {
        expected += "\n[Part " + std::to_string(part) + "]\n";
        expected += kDefaultPart;
        expected += part == 10 ? "part_mode_a=2\n" : "part_mode_a=0\n";
        expected += "part_mode_b=0\n";
    }
    expected += kDefaultEffects;
    EXPECT_EQ(SetupFileText(DefaultSetup()), expected);
}

TEST(SetupFile, AVersion1FileOpensWithTheDefaultEffects) {
    SetupData read = UnusualSetup();
    const std::string old = std::string(kSetupFormatLine) + "\nversion=1\n\n[Part 1]\nvol=5\n";
    ASSERT_EQ(ParseSetupFile(old, read).error, SetupFileError::none);
    EXPECT_EQ(read.part_table[vol][0], 5);
    EXPECT_EQ(read.effect_blocks, DefaultSetup().effect_blocks);

    // A bad effect value refuses the file, naming it, and changes nothing.
    const SetupData before = read;
    const SetupReadResult bad =
        ParseSetupFile(std::string(kSetupFormatLine) + "\n[Effects]\nchorus_pan=left\n", read);
    EXPECT_EQ(bad.error, SetupFileError::not_a_number);
    EXPECT_EQ(bad.where, "[Effects] chorus_pan");
    EXPECT_EQ(read, before);
}

class SetupFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() /
            ("kq505_setup_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return folder_ / name;
    }
    fs::path folder_;
};

TEST_F(SetupFileOnDisk, LoadReplacesAllPartsOrNothing) {
    test::RecordingApp r;
    ApplySetup(r.app, UnusualSetup());
    const SetupData before = CurrentSetup(r.app);
    const std::string big =
        std::string(kSetupFormatLine) + "\n" + std::string(kSetupFileMaxSize, ';');
    const std::vector<std::pair<fs::path, SetupFileError>> refused{
        {Write("big.kqset", big), SetupFileError::too_large},
        {folder_ / "missing.kqset", SetupFileError::cannot_read},
        {folder_, SetupFileError::cannot_read}};
    for (const auto& [path, error] : refused) {
        EXPECT_EQ(LoadSetupFile(r.app, path).error, error) << path;
        EXPECT_EQ(CurrentSetup(r.app), before);
    }
    r.app.selected_part = 5;
    const fs::path good = Write("good.kqset", SetupFileText(DefaultSetup()));
    ASSERT_EQ(LoadSetupFile(r.app, good).error, SetupFileError::none);
    EXPECT_EQ(CurrentSetup(r.app), DefaultSetup());
    EXPECT_EQ(r.app.selected_part, 5);
    EXPECT_TRUE(r.log.events.empty());  // opening sends nothing
    EXPECT_EQ(SetupFileErrorText({SetupFileError::not_a_number, "[Part 2] vol"}, "a.kqset"),
              "a.kqset の [Part 2] vol が整数ではないため、読み込めません");
}

TEST(SetupState, EveryEditingPathMarksTheSetUp) {
    const auto fresh = [] {
        auto r = std::make_unique<test::RecordingApp>();
        MarkSetupClean(r->app, "/x.kqset");
        return r;
    };
    int told = 0;
    auto r = fresh();
    r->app.setup.on_change = [&told] { ++told; };
    FormValues form;
    ShowPart(form, r->app);
    ApplySliders(r->app, form, std::nullopt);  // the preview note only
    EXPECT_FALSE(IsSetupModified(r->app));
    form.m_nVolPos = 3;
    ApplySliders(r->app, form, vol);
    ApplySliders(r->app, form, vol);
    EXPECT_TRUE(IsSetupModified(r->app));
    EXPECT_EQ(told, 1);  // told once, not on every step

    r = fresh();
    ApplySwitch(r->app, form, porta_sw);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    DragHandle(r->app, DragTargetCode(HandleKind::kAttack, Port::A), 5, 0);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    SendXgSystemOn(r->app);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    SendGmSystemOn(r->app);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    SetTrackName(r->app, 2, "Pad");
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    SetEffectValue(r->app, {EffectItem::return_level, EffectBlock::chorus}, 10);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    RestoreEffectBlocks(r->app, r->app.effect_blocks);  // nothing to bring back
    EXPECT_FALSE(IsSetupModified(r->app));
    EffectBlocks other = r->app.effect_blocks;
    other.variation_part = 5;
    RestoreEffectBlocks(r->app, other);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    SendAllParts(r->app);  // sending changes nothing
    EXPECT_FALSE(IsSetupModified(r->app));
    std::array<std::uint8_t, kSettingsFileSize> kqs = SaveSettingsFile(r->app);
    EXPECT_FALSE(IsSetupModified(r->app));
    ASSERT_EQ(LoadSettingsFile(r->app, kqs), SettingsFileResult::ok);
    EXPECT_TRUE(IsSetupModified(r->app));
    r = fresh();
    r->app.map_names[0] = "GM ";
    ProgramChangeLists lists(r->app);
    lists.test_note = false;
    lists.SelectProgram(Port::A, 5);
    EXPECT_TRUE(IsSetupModified(r->app));
}

TEST(SetupState, TitleAndRecentList) {
    EXPECT_EQ(MainWindowTitle("", "Untitled", false, false), "KQ505 - Untitled");
    EXPECT_EQ(MainWindowTitle("", "pad.kqs", true, true), "KQ505 - pad.kqs *");
    EXPECT_EQ(MainWindowTitle("live.kqset", "Untitled", false, true), "KQ505 - live.kqset *");
    EXPECT_EQ(MainWindowTitle("live.kqset", "pad.kqs", true, false),
              "KQ505 - live.kqset [pad.kqs]");

    std::vector<std::string> recent;
    for (const char* path : {"/a", "/b", "/c", "/d", "/b", "/e"})
        recent = WithRecentSetup(recent, path);
    EXPECT_EQ(recent, (std::vector<std::string>{"/e", "/b", "/d", "/c"}));
    IniDocument ini = IniDocument::Parse("[MIDI]\nOutA=1\n");
    WriteRecentSetups(ini, {" /with space ", "/b"});
    EXPECT_EQ(ReadRecentSetups(ini), (std::vector<std::string>{" /with space ", "/b"}));
    EXPECT_EQ(ReadProfileInt(ini, "MIDI", "OutA", 0), 1);
}

TEST(SendAllParts, SendsEveryPartInOrderAndKeepsTheSelection) {
    test::RecordingApp all;
    ApplySetup(all.app, UnusualSetup());
    all.app.selected_part = 7;
    SendAllParts(all.app);
    EXPECT_EQ(all.app.selected_part, 7);

    // The effect blocks, the part modes, then the parts, then the drum setup values.
    std::vector<MidiEvent> expected;
    {
        test::RecordingApp effects;
        ApplySetup(effects.app, UnusualSetup());
        SendEffectBlocks(effects.app);
        SendPartModes(effects.app);
        expected = effects.log.events;
        ASSERT_EQ(expected.size(), 62u + 32u);
        EXPECT_EQ(expected[62 + 20].bytes[7], 4);
    }
    for (int part = 0; part < kPartCount; ++part) {
        test::RecordingApp one;
        ApplySetup(one.app, UnusualSetup());
        one.app.selected_part = part;
        SendAllPartParameters(one.app);
        expected.insert(expected.end(), one.log.events.begin(), one.log.events.end());
        // Part 5's B layer plays setup 3: its value followed that part, it goes out last.
        if (part == 4) expected.pop_back();
    }
    expected.push_back(test::OnA({0xF0, 0x43, 0x10, 0x4C, 0x32, 50, 0x03, 9, 0xF7}));
    EXPECT_EQ(all.log.events, expected);
}

}  // namespace
}  // namespace kq505
