#include "model/part_table.h"

namespace kq505 {

void ResetPartParameters(PartTable& table) {
    for (int row = 0; row < kRowCount; ++row) table[row].fill(kRowInfo[row].default_value);
}

}  // namespace kq505
