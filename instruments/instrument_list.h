#pragma once
// The instrument list file: fixed-column text records that name tone-generator levels (L),
// maps by bank MSB (P) and voices by bank MSB, program and bank LSB (M). Text stays in the
// bytes of the file (Shift_JIS).

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "instruments/instrument_name_table.h"

namespace kq505 {

class CKQ505App;

// Fills the tables from the records of `text`; names already stored stay unless a record
// overwrites them. Only lines after a CR LF pair are records. P and M records apply when their
// level is at most `module_level`; L records always apply. A record reads only its own line:
// a field or name that lies past the line end reads as 0 or empty. Records whose level (L),
// bank MSB or LSB, or program number lie outside the tables are skipped.
void ParseInstrumentList(std::string_view text, int module_level,
                         std::array<std::string, 8>& module_names,
                         std::array<std::string, 128>& map_names,
                         InstrumentNameTable& instrument_names);

// The same over the app's kept text, level and tables; a text of Cakewalk instrument
// definitions is read as such instead. False when that text passes the bounds of
// ParseCakewalkInstruments, with the tables part filled.
bool ParseInstrumentList(CKQ505App& app);

// The largest instrument list read; a longer file is refused rather than filling memory.
inline constexpr std::size_t kMaxInstrumentListBytes = 64 * 1024 * 1024;

// Reads `instrument_file_path` whole into `instrument_text` without its trailing white space,
// and fills the three tables from it afresh. False, with nothing changed, when the path names
// no regular file (a directory, a FIFO, a device), the file cannot be read, it is longer than
// kMaxInstrumentListBytes, its definitions pass the bounds of ParseCakewalkInstruments or
// memory runs out: whatever the file holds, the program starts.
bool LoadInstrumentList(CKQ505App& app);
// The same from `file`, which may differ from the kept path (the default list found beside
// the program); the kept path stays as the user set it.
bool LoadInstrumentList(CKQ505App& app, const std::filesystem::path& file);

// Empties the map and voice names and parses the kept text again with the current module
// level. The level names stay: L records do not depend on the level. False, with no map or
// voice named, when the text is refused at this level or memory runs out.
bool ReloadSettings(CKQ505App& app);

}  // namespace kq505
