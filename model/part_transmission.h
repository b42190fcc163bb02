#pragma once
// Operations that send or reset many parameters at once, for the selected part.

namespace kq505 {

class CKQ505App;

// Velocity sense offset of both layers from `mix`: both back to 64 first, then a positive
// mix softens the A layer (64 − mix), a negative one the B layer (64 + mix).
void SendMixOffsets(CKQ505App& app);
// Every row of the selected part except mix_sw, to both ports (the "send all" command),
// the multi part values of its layers that differ from XG System On's, then the changed
// values of the drum setups its layers' program changes reset.
void SendAllPartParameters(CKQ505App& app);
// The changed system values, the effect blocks, the part modes of the 32 XG parts, the
// rows of parts 1 to 16 in order, each followed by the changed multi part values of its
// layers, then the changed values of drum setups 1 to 4; the selected part stays selected.
void SendAllParts(CKQ505App& app);
// A set-up just opened is sent as SendAllParts sends it, unless the user turned that off
// (key SendOnOpen): what the window shows is then what the module plays.
void SendOpenedSetup(CKQ505App& app);
// The system message on Port A, then every part of the table, the effect blocks, the part
// modes, the drum setups, the other multi part values and the system block back to their
// defaults.
void SendXgSystemOn(CKQ505App& app);
void SendGmSystemOn(CKQ505App& app);

}  // namespace kq505
