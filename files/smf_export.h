#pragma once
// The whole set-up of all 16 parts as a Standard MIDI File, for every sequencer and player
// that is not served by the song export. Played before a song, it puts the tone generator
// into the state the editor shows: the same events as the song export, at the same ticks.

#include <cstdint>
#include <vector>

namespace kq505 {

class CKQ505App;

// Format 1, 480 ticks per quarter note, 17 tracks: the conductor track (tempo 120, 4/4,
// XG System On at tick 0, the effect blocks, the changed part modes and the changed system and
// multi part values beside the table at tick 60, the changed drum setup values 60 ticks after
// the last program change), then part n on channel n. Reads the table, the effect blocks, the
// drum setups, the values beside the table, track_names, export_step and export_info only.
std::vector<std::uint8_t> BuildStandardMidiFile(const CKQ505App& app);

}  // namespace kq505
