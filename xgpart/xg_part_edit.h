#pragma once
// Editing the multi part values beside the table and the system block: store, then send on
// Port A at once, as every other edit; a split and a velocity switch between a part's two
// layers; and what a whole send adds to the table's rows.

#include <bitset>
#include <cstdint>
#include <optional>

#include "xgpart/xg_part_params.h"

namespace kq505 {

class CKQ505App;

// Stores the value, held to the parameter's range, and sends it.
void SetXgPartValue(CKQ505App& app, int xg_part, int param, std::int32_t value);
void SetXgSystemValue(CKQ505App& app, int param, std::int32_t value);

// The four limits of the part's layers (xg_part_params.h), each stored and sent.
void MakeSplit(CKQ505App& app, int part, int key);
void MakeVelocitySwitch(CKQ505App& app, int part, int velocity);

// The changed values of the part's A layer, then of its B layer.
void SendXgPartChanges(CKQ505App& app, int part);
void SendXgSystemChanges(CKQ505App& app);
// One value as it is held.
void SendXgPartValue(CKQ505App& app, int xg_part, int param);
void SendXgSystemValue(CKQ505App& app, int param);

// The velocity sense offset the layer (XG part) plays with: the table's mix sets it.
std::int32_t LayerVelocityOffset(const CKQ505App& app, int xg_part);

// The notes held now on the MIDI input and the soft keyboard.
std::bitset<128> NotesDown(const CKQ505App& app);
// The lowest note held now that was not before: the key a split waits for.
std::optional<int> NewNote(const std::bitset<128>& before, const std::bitset<128>& now);

}  // namespace kq505
