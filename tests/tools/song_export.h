#pragma once
// The song export, for the tools, in builds that have it.

#include <cstdint>
#include <optional>
#include <vector>

namespace kq505 {

class CKQ505App;

// The song file's bytes, or nothing where this build has no song export.
std::optional<std::vector<std::uint8_t>> BuildSongExport(const CKQ505App& app);

}  // namespace kq505
