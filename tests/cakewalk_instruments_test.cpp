#include "instruments/cakewalk_instruments.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "app/kq505_app.h"
#include "instruments/instrument_list.h"

namespace kq505 {
namespace {

std::string Lines(std::initializer_list<std::string_view> lines, std::string_view eol = "\r\n") {
    std::string text;
    for (const auto line : lines)
        text.append(line).append(eol);
    return text;
}

// Two instruments over three patch lists, the way module owners write them.
const std::string kTwoInstruments = Lines({
    "; Two modules",
    ".Patch Names",
    "[Basic]",
    "0=Piano",
    "1=Bright",
    "[Variation]",
    "0=GrndPnoK",
    "[Second Basic]",
    "0=Piano 2",
    "127=Gunshot 2",
    ".Note Names",
    "[Basic]",
    "0=not a voice",
    ".Instrument Definitions",
    "[Module One]",
    "Patch[0]=Basic",
    "Patch[1]=Variation",
    "Control=Standard",
    "[Module Two]",
    "Patch[16256]=Second Basic",
});

struct Tables {
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    InstrumentNameTable voices;

    void Parse(std::string_view text, int module_level) {
        map_names.fill({});
        voices.Clear();
        ParseCakewalkInstruments(text, module_level, module_names, map_names, voices);
    }
};

TEST(CakewalkInstruments, IsRecognisedByItsFirstSectionNotByAComment) {
    EXPECT_TRUE(IsCakewalkInstrumentFile(kTwoInstruments));
    EXPECT_TRUE(IsCakewalkInstrumentFile("\xEF\xBB\xBF\n  \n;x\n .instrument definitions \n"));
    EXPECT_FALSE(
        IsCakewalkInstrumentFile("; .Patch Names\r\nL                 0   XG\r\n.Patch Names\r\n"));
    EXPECT_FALSE(IsCakewalkInstrumentFile(".Patchwork\n.Patch Names\n"));
    EXPECT_FALSE(IsCakewalkInstrumentFile("; only comments\n"));
    EXPECT_FALSE(IsCakewalkInstrumentFile(""));
}

TEST(CakewalkInstruments, EachDefinitionIsALevelAndTheHighestChosenOneNamesTheVoices) {
    Tables t;
    t.Parse(kTwoInstruments, 0);
    EXPECT_EQ(t.module_names[0], "Module One");
    EXPECT_EQ(t.module_names[1], "Module Two");
    EXPECT_EQ(t.module_names[2], "");
    EXPECT_EQ(t.voices.Get(0, 0, 0), "Piano");
    EXPECT_EQ(t.voices.Get(0, 1, 0), "Bright");
    EXPECT_EQ(t.voices.Get(0, 0, 1), "GrndPnoK");
    EXPECT_EQ(t.map_names[0], "Basic ");
    EXPECT_EQ(t.voices.NamedCount(), 3u);  // note names are not voices

    for (const int level : {1, 7}) {
        t.Parse(kTwoInstruments, level);
        EXPECT_EQ(t.voices.Get(0, 0, 0), "") << level;
        EXPECT_EQ(t.voices.Get(127, 0, 0), "Piano 2");
        EXPECT_EQ(t.voices.Get(127, 127, 0), "Gunshot 2");
        EXPECT_EQ(t.map_names[127], "Second Basic ");
        EXPECT_EQ(t.map_names[0], "");
        EXPECT_EQ(t.voices.NamedCount(), 2u);
    }
    t.Parse(kTwoInstruments, -1);
    EXPECT_EQ(t.voices.NamedCount(), 0u);
    EXPECT_EQ(t.module_names[1], "Module Two");
}

TEST(CakewalkInstruments, BasedOnChainsAndTheAnyBankAreResolved) {
    const std::string text = Lines({".Patch Names",
                                    "[GM]",
                                    "0=Acoustic Grand Piano",
                                    "1=Bright Acoustic Piano",
                                    "[XG Variation]",
                                    "BasedOn=GM",
                                    "1=BritPnoK",
                                    "5=DX.Hard",
                                    "[Loop A]",
                                    "BasedOn=Loop B",
                                    "0=A",
                                    "[Loop B]",
                                    "BasedOn=Loop A",
                                    "1=B",
                                    ".Instrument Definitions",
                                    "[GM Module]",
                                    "Patch[*]=GM",
                                    "[XG Module]",
                                    "BasedOn=GM Module",
                                    "Patch[1]=XG Variation",
                                    "Patch[8192]=Loop A",
                                    "[Own Bank 0]",
                                    "BasedOn=XG Module",
                                    "Patch[*]=Loop B",
                                    "Patch[0]=XG Variation"},
                                   "\n");
    Tables t;
    t.Parse(text, 0);  // the any bank alone stands for bank 0
    EXPECT_EQ(t.voices.Get(0, 0, 0), "Acoustic Grand Piano");
    EXPECT_EQ(t.map_names[0], "GM ");
    EXPECT_EQ(t.voices.NamedCount(), 2u);

    t.Parse(text, 1);  // inherited banks and inherited program names, overridden where given
    EXPECT_EQ(t.voices.Get(0, 0, 0), "Acoustic Grand Piano");
    EXPECT_EQ(t.voices.Get(0, 0, 1), "Acoustic Grand Piano");
    EXPECT_EQ(t.voices.Get(0, 1, 1), "BritPnoK");
    EXPECT_EQ(t.voices.Get(0, 5, 1), "DX.Hard");
    EXPECT_EQ(t.voices.Get(64, 0, 0), "A");  // a BasedOn loop stops where it meets itself
    EXPECT_EQ(t.voices.Get(64, 1, 0), "B");
    EXPECT_EQ(t.map_names[64], "Loop A ");

    t.Parse(text, 2);  // a bank 0 of its own wins over the any bank
    EXPECT_EQ(t.voices.Get(0, 1, 0), "BritPnoK");
    EXPECT_EQ(t.map_names[0], "XG Variation ");
}

TEST(CakewalkInstruments, MalformedLinesAreSkippedAndNamesKeepTheirBytes) {
    const std::string sjis = "\x83\x5c\x83\x74\x83\x67";  // ソフト, 0x5C trail byte
    const std::string text = "0=before any list\r\n.Patch Names\r\nno equals sign\n[Main]\r" +
                             Lines({"2=" + sjis,
                                    "3 = spaced  ",
                                    "4=A=B",
                                    "128=too far",
                                    "-1=negative",
                                    "x=letters",
                                    "005=leading zeros",
                                    "6=",
                                    "[Broken",
                                    "7=lost with its header",
                                    "[Main Two]",
                                    ".Instrument Definitions",
                                    "Patch[0]=no instrument yet",
                                    "[Synth]",
                                    "Patch[16384]=Main",
                                    "Patch[x]=Main",
                                    "Patch[]=Main",
                                    "Patch 5=Main",
                                    "Patch[ 128 ]=Main",
                                    "Patch[256]=Missing List",
                                    "garbage line"});
    Tables t;
    t.Parse(text, 0);
    EXPECT_EQ(t.module_names[0], "Synth");
    EXPECT_EQ(t.voices.Get(1, 2, 0), sjis);
    EXPECT_EQ(t.voices.Get(1, 3, 0), "spaced");
    EXPECT_EQ(t.voices.Get(1, 4, 0), "A=B");
    EXPECT_EQ(t.voices.Get(1, 5, 0), "leading zeros");
    EXPECT_EQ(t.voices.NamedCount(), 4u);
    EXPECT_EQ(t.map_names[1], "Main ");
    EXPECT_EQ(t.map_names[2], "Missing List ");  // the bank is still there to choose
    EXPECT_EQ(t.map_names[0], "");
}

TEST(CakewalkInstruments, AtMostEightLevelsAndAMapWithoutLsbZeroIsNamedByItsLowestBank) {
    std::string text = ".Patch Names\n[L]\n0=Voice\n.Instrument Definitions\n";
    for (int i = 0; i < 9; ++i)
        text += "[Synth " + std::to_string(i) + "]\nPatch[" + std::to_string(i * 128 + 5) +
                "]=L\nPatch[" + std::to_string(i * 128 + 9) + "]=Other\n";
    Tables t;
    t.Parse(text, 7);
    EXPECT_EQ(t.module_names[7], "Synth 7");
    EXPECT_EQ(t.voices.Get(7, 0, 5), "Voice");
    EXPECT_EQ(t.map_names[7], "L ");
    EXPECT_EQ(t.voices.NamedCount(), 1u);
    t.Parse(text, 100);  // the ninth definition is no level
    EXPECT_EQ(t.voices.Get(7, 0, 5), "Voice");
    EXPECT_EQ(t.voices.Get(8, 0, 5), "");
}

TEST(CakewalkInstruments, TheProgramLoadsAndReloadsADefinitionFile) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kq505_cakewalk_" + std::to_string(::getpid()) + ".ins");
    std::ofstream(path, std::ios::binary) << kTwoInstruments << "\r\n\r\n";
    CKQ505App app;
    app.instrument_file_path = path.string();
    ASSERT_TRUE(LoadInstrumentList(app));
    std::filesystem::remove(path);
    EXPECT_EQ(app.module_names[1], "Module Two");
    EXPECT_EQ(app.instrument_names.Get(0, 0, 1), "GrndPnoK");

    app.module_level = 1;
    ReloadSettings(app);
    EXPECT_EQ(app.instrument_names.Get(0, 0, 1), "");
    EXPECT_EQ(app.instrument_names.Get(127, 0, 0), "Piano 2");
    EXPECT_EQ(app.map_names[0], "");
}

// A patch list of 128 names of `name_bytes` bytes that banks 0 to `banks` - 1 all show: the
// file is small, what it asks for grows with banks x names.
std::string SharedListFile(int banks, std::size_t name_bytes) {
    std::string text = ".Patch Names\r\n[Shared]\r\n";
    for (int program = 0; program < 128; ++program) {
        std::string name = std::to_string(program);
        name.resize(name_bytes, 'x');
        text += std::to_string(program) + "=" + name + "\r\n";
    }
    text += ".Instrument Definitions\r\n[Module]\r\n";
    for (int bank = 0; bank < banks; ++bank)
        text += "Patch[" + std::to_string(bank) + "]=Shared\r\n";
    return text;
}

// `lists` lists without names, each based on the next; banks 0 to `banks` - 1 name the first
// ones, so every bank walks the rest of the chain.
std::string NamelessChainFile(int lists, int banks) {
    std::string text = ".Patch Names\r\n";
    for (int list = 0; list < lists; ++list)
        text += "[" + std::to_string(list) + "]\r\nBasedOn=" + std::to_string(list + 1) + "\r\n";
    text += ".Instrument Definitions\r\n[Module]\r\n";
    for (int bank = 0; bank < banks; ++bank)
        text += "Patch[" + std::to_string(bank) + "]=" + std::to_string(bank) + "\r\n";
    return text;
}

TEST(CakewalkInstruments, ANameIsKeptOnceHoweverManyBanksShowIt) {
    for (const int banks : {256, 512, 1024}) {
        Tables t;
        t.Parse(SharedListFile(banks, 40), 0);
        EXPECT_EQ(t.voices.NamedCount(), static_cast<std::size_t>(banks) * 128);
        EXPECT_EQ(t.voices.KeptCount(), 128u) << banks;
        EXPECT_EQ(t.voices.Get((banks - 1) / 128, 127, (banks - 1) % 128).substr(0, 4), "127x");
    }
}

TEST(CakewalkInstruments, FilesPastTheBoundsAreRefusedAtTheirEdge) {
    // 2048 banks of 128 names reach the voice bound; 723 banks walking a chain of 723 lists
    // read 723 x 724 / 2 list headers, the most under the bound.
    static_assert(kMaxCakewalkVoices == 2048 * 128 && kMaxCakewalkListReads >= 723 * 724 / 2 &&
                  kMaxCakewalkListReads < 724 * 725 / 2);
    const struct {
        std::string text;
        bool read;
    } cases[] = {
        {SharedListFile(2048, 1), true},
        {SharedListFile(2049, 1), false},
        {NamelessChainFile(723, 723), true},
        {NamelessChainFile(724, 724), false},
    };
    for (const auto& c : cases) {
        std::array<std::string, 8> module_names;
        std::array<std::string, 128> map_names;
        InstrumentNameTable voices;
        EXPECT_EQ(ParseCakewalkInstruments(c.text, 0, module_names, map_names, voices), c.read)
            << c.text.size();
        EXPECT_LE(voices.NamedCount(), kMaxCakewalkVoices);
        EXPECT_EQ(module_names[0], "Module");
    }
}

TEST(CakewalkInstruments, ARefusedFileLeavesTheListBeforeAndAReloadPastTheBoundNamesNothing) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kq505_cakewalk_bounds_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "two.ins", std::ios::binary) << kTwoInstruments;
    std::ofstream(folder / "huge.ins", std::ios::binary) << SharedListFile(4096, 1);
    // A second module that passes the bound, reached only by a reload at level 1.
    std::ofstream(folder / "two_levels.ins", std::ios::binary)
        << SharedListFile(16, 1) << "[Huge]\r\nBasedOn=Module\r\nPatch[*]=Shared\r\n"
        << "Patch[16383]=Shared\r\n"
        << [] {
               std::string banks;
               for (int bank = 16; bank < 4096; ++bank)
                   banks += "Patch[" + std::to_string(bank) + "]=Shared\r\n";
               return banks;
           }();
    CKQ505App app;
    ASSERT_TRUE(LoadInstrumentList(app, folder / "two.ins"));
    EXPECT_FALSE(LoadInstrumentList(app, folder / "huge.ins"));
    EXPECT_EQ(app.instrument_text, kTwoInstruments.substr(0, kTwoInstruments.size() - 2));
    EXPECT_EQ(app.module_names[1], "Module Two");
    EXPECT_EQ(app.instrument_names.Get(0, 0, 1), "GrndPnoK");
    EXPECT_EQ(app.map_names[0], "Basic ");

    ASSERT_TRUE(LoadInstrumentList(app, folder / "two_levels.ins"));
    EXPECT_EQ(app.instrument_names.NamedCount(), 16u * 128);
    app.module_level = 1;
    EXPECT_FALSE(ReloadSettings(app));
    EXPECT_EQ(app.instrument_names.NamedCount(), 0u);
    EXPECT_EQ(app.map_names[0], "");
    EXPECT_EQ(app.module_names[1], "Huge");
    app.module_level = 0;
    EXPECT_TRUE(ReloadSettings(app));
    EXPECT_EQ(app.instrument_names.NamedCount(), 16u * 128);
    std::filesystem::remove_all(folder);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// In a child process whose address space is held to 1 GiB past what it uses: the files are
// refused with no more than 256 MiB of memory touched, and no allocation failure ends the
// child. The address sanitizer reserves terabytes of address space up front, so under it the
// child runs without the limit.
TEST(CakewalkInstruments, FilesThatWouldFillMemoryAreRefusedWithinABound) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kq505_cakewalk_memory_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // 790 KiB that asked for 128 x 16384 copies of 4 KiB names, and a chain of 300000 lists.
    const std::filesystem::path files[] = {folder / "shared.ins", folder / "chain.ins"};
    std::ofstream(files[0], std::ios::binary) << SharedListFile(16384, 4096);
    std::ofstream(files[1], std::ios::binary) << NamelessChainFile(300000, 1);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!kAddressSanitizer) {
            long pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t limit = static_cast<rlim_t>(pages) * 4096 + (rlim_t{1} << 30);
            const rlimit address_space{limit, limit};
            if (setrlimit(RLIMIT_AS, &address_space) != 0) ::_exit(3);
        }
        const long before = PeakResidentKiB();
        for (const auto& file : files) {
            CKQ505App app;
            if (LoadInstrumentList(app, file)) ::_exit(1);
        }
        ::_exit(PeakResidentKiB() - before < 256 * 1024 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a file was read, 2: too much memory touched";
    if (kAddressSanitizer) GTEST_SKIP() << "ran without the address-space limit";
}

}  // namespace
}  // namespace kq505
