#pragma once
// What the program knows of a module's memory: the bytes that dumps and parameter changes
// brought in, at their XG addresses, before any of it is taken into the table.

#include <array>
#include <cstdint>
#include <optional>

#include "drums/drum_tables.h"
#include "effects/effect_blocks.h"
#include "model/module_values.h"
#include "model/xg_sysex.h"

namespace kq505 {

// The 16 bytes of one drum instrument, 3n rr 00..0F.
using XgDrumNoteBytes = std::array<std::optional<std::uint8_t>, kDrumParamCount>;
using XgDrumSetupBytes = std::array<XgDrumNoteBytes, kDrumNoteCount>;

struct XgModuleImage {
    XgModuleParts parts{};
    std::array<std::optional<std::uint8_t>, 0x80> effect{};  // 02 01 00..7F
    std::array<XgDrumSetupBytes, kDrumSetupCount> drums{};   // 30..33, notes 13..91
    std::array<std::optional<std::uint8_t>, 0x07> system{};  // 00 00 00..06
};

// Writes the bytes the message carries, from its address on, into the image. False when it
// carries nothing the image keeps (another block, a part beyond the 32, a drum note outside
// 13..91, a system address past transpose).
bool ApplyToImage(const XgMessage& message, XgModuleImage& image);

// The effect items whose bytes the image holds are taken into `blocks`, each held to its
// range; the others stay as they are.
void ImageToEffects(const XgModuleImage& image, EffectBlocks& blocks);
// What the module holds once the effect blocks were sent.
void EffectsToImage(const EffectBlocks& blocks, XgModuleImage& image);

}  // namespace kq505
