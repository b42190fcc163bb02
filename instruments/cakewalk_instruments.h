#pragma once
// Instrument definitions in the Cakewalk text format, which many sequencers and module owners
// keep: ".Patch Names" holds lists of program names ("[list]", "n=name", "BasedOn=list"),
// ".Instrument Definitions" holds instruments ("[name]", "Patch[bank]=list",
// "BasedOn=instrument"), where a bank is MSB x 128 + LSB or "*" for any bank. Text stays in
// the bytes of the file.

#include <array>
#include <string>
#include <string_view>

#include "instruments/instrument_name_table.h"

namespace kq505 {

// True when the first line of `text` that is neither blank nor a ";" comment is one of the
// format's section headers (".Patch Names", ".Instrument Definitions", ".Note Names", ...).
// Our own list never starts that way: its first records are L, P or M lines.
bool IsCakewalkInstrumentFile(std::string_view text);

// Fills the tables from the definitions of `text`. The first eight instrument definitions, in
// file order, become the levels 0 to 7, named after the definitions. Of the definitions whose
// level is at most `module_level`, the highest one names the maps and voices: each of its
// banks gives the voices at that MSB and LSB from its patch list (programs counted from 0),
// and the map of an MSB is named after the patch list of its LSB 0 bank (or of its lowest
// bank when LSB 0 has none). A "*" bank stands for MSB 0, LSB 0 when the instrument gives no
// bank 0 of its own. BasedOn chains are followed, a later entry winning over its base; a
// chain that loops stops where it meets itself. Lines that do not fit the format are skipped.
void ParseCakewalkInstruments(std::string_view text, int module_level,
                              std::array<std::string, 8>& module_names,
                              std::array<std::string, 128>& map_names,
                              InstrumentNameTable& instrument_names);

}  // namespace kq505
