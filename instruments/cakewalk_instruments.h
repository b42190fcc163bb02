#pragma once
// Instrument definitions in the Cakewalk text format, which many sequencers and module owners
// keep: ".Patch Names" holds lists of program names ("[list]", "n=name", "BasedOn=list"),
// ".Instrument Definitions" holds instruments ("[name]", "Patch[bank]=list",
// "BasedOn=instrument"), where a bank is MSB x 128 + LSB or "*" for any bank. Text stays in
// the bytes of the file.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "instruments/instrument_name_table.h"

namespace kq505 {

// Bounds on what one file of definitions may ask for. Real files name some thousands of voices
// through chains a few lists long, reading a line or two of a list per voice. Without bounds, a
// file of 128 long names that each of the 16384 banks shows, or a chain of half a million
// lists, would fill memory or take minutes. A list's header counts as one of its lines read.
inline constexpr std::size_t kMaxCakewalkVoices = std::size_t{1} << 18;
inline constexpr std::size_t kMaxCakewalkListReads = std::size_t{1} << 18;

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
// A name is kept once in `instrument_names` however many banks show it. False when the chosen
// definition names more than kMaxCakewalkVoices voices or its patch lists and their BasedOn
// chains take more than kMaxCakewalkListReads lines to resolve; the tables are then part
// filled, for the caller to throw away.
bool ParseCakewalkInstruments(std::string_view text, int module_level,
                              std::array<std::string, 8>& module_names,
                              std::array<std::string, 128>& map_names,
                              InstrumentNameTable& instrument_names);

}  // namespace kq505
