#pragma once
// The part selector: the texts of its entries, the part it selects and the names it shows.

#include <string>
#include <string_view>

namespace kq505 {

class CKQ505App;

// "#01 :" .. "#09 :", "#10 :" .. "#16 :" for parts 0..15.
std::string PartLabel(int part);
// The entry after the name was edited: label, one space, name ("#03 : Strings").
std::string TrackEntryText(int part, std::string_view name);

// Makes `part` the selected part, for the editors and for what is played through; false,
// with nothing changed, outside 0..15.
bool SelectPart(CKQ505App& app, int part);
// Stores the name of `part` as both files keep it (NameFieldText: at most 64 bytes, cut
// between characters) and returns the stored text; nothing changes for a part outside
// 0..15. The set-up is then modified.
std::string_view SetTrackName(CKQ505App& app, int part, std::string_view name);

}  // namespace kq505
