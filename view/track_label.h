#pragma once
// The texts of the part selector's entries.

#include <string>
#include <string_view>

namespace kq505 {

// "#01 :" .. "#09 :", "#10 :" .. "#16 :" for parts 0..15.
std::string PartLabel(int part);
// The entry after the name was edited: label, one space, name ("#03 : Strings").
std::string TrackEntryText(int part, std::string_view name);

}  // namespace kq505
