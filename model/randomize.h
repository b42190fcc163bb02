#pragma once
// Randomize: a variation near the present sound of the selected part. Each row of the
// chosen groups and layers moves by at most the amount, in percent of the row's range, up
// or down from where it stood, and stays in its range. Each try is one step of the edit
// history and sends the rows it changed.

#include <cstdint>
#include <vector>

#include "model/part_column.h"

namespace kq505 {

class CKQ505App;

enum RandomGroup : unsigned {
    kRandomSends = 1u << 0,     // reverb, chorus, variation and pan
    kRandomFilter = 1u << 1,    // LPF, resonance, HPF
    kRandomEnvelope = 1u << 2,  // attack, decay, release
    kRandomVibrato = 1u << 3,   // rate, depth, delay
    kRandomEq = 1u << 4,        // both bands' frequency and gain
    kRandomVoice = 1u << 5,     // the program number
};

struct RandomizeOptions {
    int amount_percent = 20;
    unsigned groups = kRandomSends | kRandomFilter | kRandomEnvelope | kRandomVibrato | kRandomEq;
    bool layer_a = true;
    bool layer_b = true;
};

// The rows the options touch, in row order.
std::vector<Row> RandomizedRows(const RandomizeOptions& options);
// How far a row may move: the amount of its range, at least one step while the amount is
// above 0.
std::int32_t RandomReach(Row row, int amount_percent);
// `origin` moved as the options say, by a generator started from `seed`.
PartColumn RandomizedValues(const PartColumn& origin, const RandomizeOptions& options,
                            std::uint32_t seed);
// The selected part to these values, as one step.
void ApplyRandomized(CKQ505App& app, const PartColumn& values);

}  // namespace kq505
