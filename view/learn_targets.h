#pragma once
// What MIDI learn can bind on the editor form: the row of a slider or of a value field, or
// the rows of a knob handle (across first, then up). Numbers only, in client pixels.

#include <array>
#include <optional>

#include "model/part_table.h"

namespace kq505 {

class CKQ505App;

struct LearnTarget {
    std::array<Row, 2> rows{};
    int count = 0;
    bool operator==(const LearnTarget&) const = default;
};

// The target under (x, y) for the selected part: a knob handle before the field or slider
// it may overlap; none where nothing can be learned.
std::optional<LearnTarget> LearnTargetAt(const CKQ505App& app, int x, int y);

}  // namespace kq505
