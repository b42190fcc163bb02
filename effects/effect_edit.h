#pragma once
// Editing the effect blocks: store, then send on Port A at once, as every other edit.

#include <cstdint>

#include "effects/effect_blocks.h"

namespace kq505 {

class CKQ505App;

// Stores the value (held within the item's address range) and sends its message. A type
// also takes that type's default parameters into the state, as the tone generator does
// when its type changes; only the type message is sent.
void SetEffectValue(CKQ505App& app, EffectItem item, std::int32_t value);
// Every item of the three blocks, type first in each block.
void SendEffectBlocks(CKQ505App& app);
// Puts `old` back and sends what differs from the state it replaces: a block whose type
// changed is sent whole, type first, so its parameters land after the type's reset; of the
// other blocks only the values that differ.
void RestoreEffectBlocks(CKQ505App& app, const EffectBlocks& old);

}  // namespace kq505
