#pragma once
// The set-up as the module keeps it, in system-exclusive messages: what a .syx file holds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "drums/drum_setups.h"
#include "effects/effect_blocks.h"
#include "files/syx_file.h"
#include "model/module_image.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {

// XG System On; bulk dumps of the effect blocks and of both multi part blocks of all 32 XG
// parts; then, as parameter changes, the equaliser and high-pass filter of each XG part,
// which lie outside those blocks. Bytes the table does not carry are the XG defaults.
std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects);
// The same with the part modes of `drums` in the multi part blocks, and last, after every
// program number, a bulk dump (3n rr 00, 10h bytes) of each drum setup note that holds a
// value the user changed.
std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects,
                                                          const DrumSetups& drums);
// The same with the multi part values beside the table in the multi part blocks, and, after
// XG System On, the system values that differ from its defaults as parameter changes.
std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects,
                                                          const DrumSetups& drums,
                                                          const XgPartValues& xg_parts);

struct SyxReadResult {
    SyxFileError error = SyxFileError::none;
    std::size_t taken = 0;    // XG dumps and parameter changes the image keeps
    std::size_t skipped = 0;  // every other message
};

// Reads the messages of a .syx file into `image`, which is left as it was unless this
// succeeds.
SyxReadResult ReadSysExFile(std::span<const std::uint8_t> bytes, XgModuleImage& image);

}  // namespace kq505
