#pragma once
// The set-up file (.kqset): everything the program knows about the 16 parts, as INI text
// that can be read and compared by eye. Its first line names the format:
//
//   [KQ505 set-up]
//   version=1
//
//   [Part 1]
//   track_name="Strings"
//   map_sel_a=0 ... bank_sel_b=0      the program change dialog's list positions
//   vol=100 ... eq_treble_gain_b=64   the 47 rows of the part table, by row name
//
//   part_mode_a=0 part_mode_b=0       the XG part mode of each layer (drums/drum_tables.h)
//
//   [Effects]                         the XG effect blocks (effects/effect_setup.h);
//   reverb_type=128 ...               version 1 files have none and open with the
//                                     defaults of XG System On
//
//   [Drum Setup 1]                    the drum setup values that differ from their kit's
//   38_pitch_coarse=67 ...            (drums/drum_setup_file.h); files before version 3
//                                     have none and open with the default part modes
//
//   [XG System] [XG Part 1]           the other multi part values and the system block
//   note_limit_high_a=59 ...          where they differ from XG System On's
//                                     (xgpart/xg_part_file.h); files before version 4
//                                     have none and open with those defaults
//
// Values are whole numbers. A row's value is held to the signed byte a part file (.kqs)
// carries, so every value the program can hold comes back as it was and none can overflow
// where it is shown or sent; a list position that no list can hold selects nothing (-1);
// an effect value is held to its type's range, and a type the tables do not list refuses
// the file. Names are UTF-8 text in double quotes, escaped as files/name_text.h describes.
// A missing key gives its default; unknown keys and sections are passed over, so later
// versions still open.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/kq505_app.h"
#include "effects/effect_blocks.h"

namespace kq505 {

inline constexpr std::string_view kSetupFormatLine = "[KQ505 set-up]";
inline constexpr int kSetupFileVersion = 4;
// Larger files are refused unread: a set-up of 16 parts is about 20 KiB.
inline constexpr std::uintmax_t kSetupFileMaxSize = 1024 * 1024;

// What a set-up file holds.
struct SetupData {
    PartTable part_table{};
    std::array<std::string, kPartCount> track_names;  // Shift_JIS bytes
    PartInts map_sel_a{};
    PartInts pc_sel_a{};
    PartInts bank_sel_a{};
    PartInts map_sel_b{};
    PartInts pc_sel_b{};
    PartInts bank_sel_b{};
    EffectBlocks effect_blocks{};
    DrumSetups drums{};
    XgPartValues xg_parts{};
    bool operator==(const SetupData&) const = default;
};

enum class SetupFileError {
    none,
    cannot_read,          // missing, not a regular file, no permission, read error
    too_large,            // over kSetupFileMaxSize
    binary,               // a zero byte, or text that is not UTF-8
    no_format_line,       // the first line is not kSetupFormatLine
    not_a_number,         // a value that is not a whole number of 32 bits
    bad_name,             // a name with a character Shift_JIS cannot hold
    unknown_effect_type,  // an effect type the XG tables do not list
};

struct SetupReadResult {
    SetupFileError error = SetupFileError::none;
    std::string where;  // "[Part 3] vol" for the last three errors
};

// The defaults: table defaults, empty names, every list position 0, the effect blocks, part
// modes, drum setups and multi part and system values of XG System On.
SetupData DefaultSetup();
SetupData CurrentSetup(const CKQ505App& app);
// Replaces all 16 parts, their names and list positions, the effect blocks, the part modes,
// the drum setups and the multi part and system values; sends nothing.
void ApplySetup(CKQ505App& app, SetupData setup);

// The file's text; names are cut to the 64 bytes a name field keeps.
std::string SetupFileText(const SetupData& setup);
// Reads the whole text into `setup`, which is left exactly as it was unless this succeeds.
SetupReadResult ParseSetupFile(std::string_view bytes, SetupData& setup);
// Reads the file into the application's parts, or changes nothing at all.
SetupReadResult LoadSetupFile(CKQ505App& app, const std::filesystem::path& path);

// The message for a refused file, in Japanese, naming the file (UTF-8).
std::string SetupFileErrorText(const SetupReadResult& result, std::string_view file_name);

}  // namespace kq505
