#pragma once
// Where the table's rows live in an XG module, both ways: what the module holds once a part
// was sent (forward), and what the table takes from what the module holds (inverse). The A
// layer of part p is XG part p, the B layer XG part p + 16.
//
// Every per-layer row is one byte of the layer's XG part, carried unchanged. The part-wide
// rows are spread over both layers: volume, portamento switch and time are set on both, the
// key shift is the B layer's note shift, and the mix lowers the velocity sense offset of one
// layer (64 − mix on A for a positive mix, 64 + mix on B for a negative one). Expression and
// the mix check box are not held by the module.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/part_table.h"

namespace kq505 {

inline constexpr int kXgPartCount = 2 * kPartCount;

// The XG block a row's byte lies in: 08 pp xx (multi part) or 0A pp xx (its filter block).
enum class XgPartBlock : std::uint8_t { multi_part = 0x08, multi_part_filter = 0x0A };

struct XgPartAddress {
    XgPartBlock block;
    std::uint8_t low;
};

// Where each per-layer row lies, by its A row; the B row's byte has the same address in the
// B layer's XG part.
std::optional<XgPartAddress> LayerRowAddress(Row a_row);

// The bytes of one XG part that the table reads or writes; none where not (yet) known.
struct XgPartBytes {
    std::array<std::optional<std::uint8_t>, 0x80> multi_part;  // 08 pp 00..7F
    std::optional<std::uint8_t> hpf;                           // 0A pp 20
    std::optional<std::uint8_t>& At(XgPartAddress address);
    const std::optional<std::uint8_t>& At(XgPartAddress address) const;
};

using XgModuleParts = std::array<XgPartBytes, kXgPartCount>;

// What the module holds of `part`'s two layers once the part has been sent whole.
void PartToModule(const PartTable& table, int part, XgModuleParts& module);

// A part-wide row the table cannot keep as the module holds it: the module's bytes in the A
// and the B layer, and what the table took (the A layer's value; for the mix and the key
// shift, what the layer the table follows gives).
struct ModuleDifference {
    int part;
    Row row;
    std::int32_t table_value;
    std::uint8_t module_a;
    std::uint8_t module_b;
    bool operator==(const ModuleDifference&) const = default;
};

// Takes into `table` every row of `part` that the module's bytes carry; rows whose bytes are
// missing stay as they are. Differences the table cannot hold are appended to `differences`.
void ModuleToPart(const XgModuleParts& module, int part, PartTable& table,
                  std::vector<ModuleDifference>& differences);

}  // namespace kq505
