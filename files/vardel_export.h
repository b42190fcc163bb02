#pragma once
// The song file of the Vardel sequencer: all 16 parts as set-up events, the A layer of each
// part by channel messages, the B layer by XG parameter changes. Written, never read.

#include <cstdint>
#include <vector>

namespace kq505 {

class CKQ505App;

// The whole file. Reads the table of every part, track_names, export_step, export_info and
// module_level; changes nothing.
std::vector<std::uint8_t> BuildVardelSong(const CKQ505App& app);

}  // namespace kq505
