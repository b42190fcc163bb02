#pragma once
// All 47 rows of one part together, and the one way many rows of the selected part are
// changed at once: write them, then send the rows that changed, in row order, as edits of
// those rows send them.

#include <array>
#include <cstdint>
#include <vector>

#include "app/edit_history.h"
#include "model/part_table.h"

namespace kq505 {

class CKQ505App;

using PartColumn = std::array<std::int32_t, kRowCount>;

PartColumn ColumnOf(const PartTable& table, int part);
// Writes `values` into the selected part and sends what changed; the changes, in row order.
// The set-up's modified mark follows the edit history's step around it, not this.
std::vector<SlotChange> PutPartValues(CKQ505App& app, const PartColumn& values);

}  // namespace kq505
