#pragma once
// Compare: the selected part heard and shown as it was when the set-up, or the part's own
// file, was last opened or saved, and then the edit again. Comparing is no edit: it makes no
// step of the edit history, and the edit comes back as it was left.

#include "model/part_column.h"

namespace kq505 {

class CKQ505App;

inline PartTable DefaultPartTable() {
    PartTable table{};
    ResetPartParameters(table);
    return table;
}

struct PartCompare {
    PartTable stored = DefaultPartTable();  // every part as last opened or saved
    bool active = false;
    int part = 0;         // the part being compared
    PartColumn edited{};  // its values before the compare began
};

// After a set-up was opened or saved: every part as it now stands.
void RememberStoredParts(CKQ505App& app);
// After a part file was opened into or saved from the selected part.
void RememberStoredPart(CKQ505App& app);

bool Comparing(const CKQ505App& app);
// The selected part takes its stored values; the rows that differ are sent.
void StartCompare(CKQ505App& app);
// The compared part takes its edited values back, whichever part is selected now, but for
// rows changed since the compare began; the rows that differ are sent. Nothing while no
// compare runs.
void EndCompare(CKQ505App& app);

}  // namespace kq505
