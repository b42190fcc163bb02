#pragma once
// The multi part values beside the table and the system block in a set-up file: a section
// per part whose layers hold a changed value, "[XG Part 1]" .. "[XG Part 16]", one key per
// value that differs from its default, named by the parameter and the layer
// ("note_limit_high_a=59", "detune_b=138"), and "[XG System]" ("master_tune=1034"). A value
// not in the file is the default of XG System On.

#include <string>
#include <string_view>

#include "xgpart/xg_part_params.h"

namespace kq505 {

class IniDocument;

inline constexpr std::string_view kXgPartSectionPrefix = "XG Part ";
inline constexpr std::string_view kXgSystemSection = "XG System";

// The sections that hold a changed value, each line ending in LF and each section led by an
// empty line; empty when no value changed.
std::string XgPartSectionsText(const XgPartValues& values);

struct XgSectionRead {
    bool number_error = false;  // a value that is not a whole number of 32 bits
    std::string where;          // "[XG Part 1] detune_a"
};

// Reads the values of the sections into `values`, each held to its parameter's range; keys
// of no parameter are passed over.
XgSectionRead ReadXgPartSections(const IniDocument& ini, XgPartValues& values);

}  // namespace kq505
