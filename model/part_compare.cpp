#include "model/part_compare.h"

#include "app/kq505_app.h"

namespace kq505 {
// What was opened or saved is what the table holds: a compare still running is over, and its
// edit is not put back over it.
void RememberStoredParts(CKQ505App& app) {
    app.compare.active = false;
    app.compare.stored = app.part_table;
}

void RememberStoredPart(CKQ505App& app) {
    app.compare.active = false;
    for (int row = 0; row < kRowCount; ++row)
        app.compare.stored[row][app.selected_part] = app.part_table[row][app.selected_part];
}

bool Comparing(const CKQ505App& app) {
    return app.compare.active;
}

void StartCompare(CKQ505App& app) {
    if (app.compare.active) return;
    PartCompare& compare = app.compare;
    compare.active = true;
    compare.part = app.selected_part;
    compare.edited = ColumnOf(app.part_table, compare.part);
    PutPartValues(app, ColumnOf(compare.stored, compare.part));
}

void EndCompare(CKQ505App& app) {
    if (!app.compare.active) return;
    app.compare.active = false;
    const int selected = app.selected_part;
    // Sent on the compared part's channel, whichever part the user went on to.
    app.selected_part = app.compare.part;
    // A row a tool window changed meanwhile keeps that change: nothing the user did is lost.
    PartColumn values = app.compare.edited;
    for (int row = 0; row < kRowCount; ++row) {
        const std::int32_t now = app.part_table[row][app.compare.part];
        if (now != app.compare.stored[row][app.compare.part]) values[row] = now;
    }
    PutPartValues(app, values);
    app.selected_part = selected;
}

}  // namespace kq505
