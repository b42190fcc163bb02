#pragma once
// The knob panel by keys: which handle the keys walk to next, how far a key moves a handle
// (as a drag of so many pixels, so a key step is the drag's edit), and how a handle reads
// aloud. Numbers and text only; the Qt layer turns key presses into these calls.

#include <optional>
#include <string>

#include "view/knob_geometry.h"

namespace kq505 {

class CKQ505App;

// Every handle of both layers: the A layer's graph by graph, then the B layer's.
inline constexpr int kWalkedHandleCount = 2 * kHandleKindCount;
// The drag target code of the handle at this place of the walk (wrapping round).
int HandleCodeAt(int index);
// The place of a drag target code in the walk; 0 for a code of no handle.
int HandleIndexOf(int code);

enum class KnobKey { kLeft, kRight, kUp, kDown, kPageUp, kPageDown, kHome };

// The arrows move a handle one unit along the axes its drag uses: Left/Right its across row,
// Up/Down its up row; a handle with one row takes all four arrows on it. Page Up/Down move
// by this much, on the up row where there is one.
inline constexpr int kPageStep = 8;
struct KeyMove {
    int dx;
    int dy;
};
// The drag that this key makes of the handle; none when the key moves none of its rows.
// Home brings every row of the handle back to its default.
std::optional<KeyMove> KeyMoveOf(const CKQ505App& app, int code, KnobKey key);

// How the handle reads: graph, then its rows and their values ("A Filter: Cutoff 64,
// Resonance 64"), for the selected part.
std::string HandleText(const CKQ505App& app, int code);

}  // namespace kq505
