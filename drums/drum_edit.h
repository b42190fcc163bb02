#pragma once
// Editing the part modes and the drum setups: store, then send on Port A at once, as every
// other edit; and what the module's own resets of a drum setup ask of the program.

#include <cstdint>

#include "drums/drum_setups.h"

namespace kq505 {

class CKQ505App;

// Stores the value, held to the parameter's range, and sends it. A value equal to the
// kit's default is stored as following the kit, so that a later kit's default takes its
// place as in the module.
void SetDrumValue(CKQ505App& app, int setup, int note, int param, std::int32_t value);
// Stores the XG part's mode and sends it.
void SetPartMode(CKQ505App& app, int xg_part, PartMode mode);
// Drum Setup Reset: the message, then the setup's values back to the kit's.
void ResetDrumSetupCommand(CKQ505App& app, int setup);

// Sends what the module's drum state is made of, on Port A.
void SendPartModes(CKQ505App& app);
void SendDrumSetupEdits(CKQ505App& app, int setup);
// All 79 × 16 values of the setup, the kit's included.
void SendDrumSetupWhole(CKQ505App& app, int setup);
// Sends one value as the table holds it (the kit's default where it follows the kit).
void SendDrumValue(CKQ505App& app, int setup, int note, int param);

// A program change of a part in a drum mode resets its setup to the kit in the module; the
// values the user changed in that setup go out again. Call after the program change of the
// XG part went out.
void ResendDrumSetupAfterProgramChange(CKQ505App& app, int xg_part);

}  // namespace kq505
