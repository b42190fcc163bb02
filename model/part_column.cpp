#include "model/part_column.h"

#include "app/kq505_app.h"

namespace kq505 {

PartColumn ColumnOf(const PartTable& table, int part) {
    PartColumn column{};
    for (int row = 0; row < kRowCount; ++row)
        column[row] = table[row][part];
    return column;
}

std::vector<SlotChange> PutPartValues(CKQ505App& app, const PartColumn& values) {
    std::vector<SlotChange> changes;
    const int part = app.selected_part;
    for (int row = 0; row < kRowCount; ++row) {
        std::int32_t& value = app.part_table[row][part];
        if (value == values[row]) continue;
        changes.push_back(
            {static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(part), value, values[row]});
        value = values[row];
    }
    if (changes.empty()) return changes;
    // Written first, so that the mix rule and the bank rows go out with all their values.
    SendChangedRows(app, changes);
    return changes;
}

}  // namespace kq505
