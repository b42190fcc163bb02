#pragma once
// The drum setups in a set-up file: one section per setup that holds changed values,
// "[Drum Setup 1]" .. "[Drum Setup 4]", one key per value that differs from its kit's
// default, named by note and parameter ("38_pitch_coarse=67", "36_reverb=0"). A value not
// in the file follows the kit.

#include <string>
#include <string_view>

#include "drums/drum_setups.h"

namespace kq505 {

class IniDocument;

inline constexpr std::string_view kDrumSetupSectionPrefix = "Drum Setup ";

// The sections of the setups that hold a value other than their kit's, each line ending in
// LF and each section led by an empty line; empty when no setup does.
std::string DrumSetupSectionsText(const DrumSetups& drums, const PartTable& table);

struct DrumSectionRead {
    bool number_error = false;  // a value that is not a whole number of 32 bits
    std::string where;          // "[Drum Setup 1] 38_pan"
};

// Reads the values of the sections into `drums`, each held to its parameter's range; keys
// of no note 13..91 or of no parameter are passed over. The part modes are left alone.
DrumSectionRead ReadDrumSetupSections(const IniDocument& ini, DrumSetups& drums);

}  // namespace kq505
