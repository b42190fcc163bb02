#pragma once
// Where everything on the knob panel stands, in client pixels of the editor form, and which
// rows a handle edits. Numbers only: the Qt layer draws what this unit computes.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/midi_output.h"
#include "model/part_table.h"

namespace kq505 {

class CKQ505App;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Line {
    Point from;
    Point to;
    bool operator==(const Line&) const = default;
};

// x, y, width, height.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The B layer's graphs are the A layer's moved down by this much.
inline constexpr int kLayerOffsetB = 110;
constexpr int LayerOffset(Port layer) {
    return layer == Port::B ? kLayerOffsetB : 0;
}

// The horizontal lines of one layer: box top, graph top T, middle line M, graph bottom B.
struct LayerLines {
    int box_top;
    int top;
    int middle;
    int bottom;
};
constexpr LayerLines LayerLinesOf(Port layer) {
    const int offset = LayerOffset(layer);
    return {102 + offset, 107 + offset, 139 + offset, 171 + offset};
}

inline constexpr int kGraphBoxHeight = 74;
inline constexpr int kGraphCount = 5;
// The ten black boxes, the A layer's five first (send, filter, envelope, vibrato, equaliser).
std::array<PixelRect, 2 * kGraphCount> PanelBoxes();
// The smallest rectangle holding every box; the panel never draws outside it.
PixelRect PanelBounds();

// Frame rectangles of one layer, as left, top, right, bottom pixels (both edges drawn).
struct FrameEdges {
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const FrameEdges&) const = default;
};
inline constexpr int kFrameCount = 6;
std::array<FrameEdges, kFrameCount> GraphFrames(Port layer);

// The table values one layer's graphs are drawn from.
struct LayerValues {
    std::int32_t pan, reverb, chorus, variation;
    std::int32_t hpf, brightness, harmonic;
    std::int32_t attack, decay, release;
    std::int32_t delay, rate, depth;
    std::int32_t bass_freq, bass_gain, treble_freq, treble_gain;
};
LayerValues ReadLayerValues(const CKQ505App& app, Port layer);

enum class HandleKind : int {
    kSend,
    kChorus,
    kVariation,
    kHpf,
    kLpf,
    kAttack,
    kDecay,
    kRelease,
    kVibDelay,
    kVibDepth,
    kVibRate,
    kEqBass,
    kEqTreble,
};
inline constexpr int kHandleKindCount = 13;

// What dragging a handle edits, written with the A layer's rows: the across row follows
// horizontal movement (right increases it), the up row vertical movement (up increases it).
// The range of each row is the one the editors keep (kRowInfo).
struct HandleSpec {
    HandleKind kind;
    std::optional<Row> across;
    std::optional<Row> up;
};
inline constexpr std::array<HandleSpec, kHandleKindCount> kHandles{{
    {HandleKind::kSend, pan_a, reverb_a},
    {HandleKind::kChorus, std::nullopt, chorus_a},
    {HandleKind::kVariation, std::nullopt, variation_a},
    {HandleKind::kHpf, hpf_a, std::nullopt},
    {HandleKind::kLpf, brightness_a, harmonic_a},
    {HandleKind::kAttack, attack_a, std::nullopt},
    {HandleKind::kDecay, decay_a, std::nullopt},
    {HandleKind::kRelease, release_a, std::nullopt},
    {HandleKind::kVibDelay, vib_delay_a, std::nullopt},
    {HandleKind::kVibDepth, std::nullopt, vib_depth_a},
    {HandleKind::kVibRate, vib_rate_a, std::nullopt},
    {HandleKind::kEqBass, eq_bass_freq_a, eq_bass_gain_a},
    {HandleKind::kEqTreble, eq_treble_freq_a, eq_treble_gain_a},
}};

// Drag target codes: 100..112 for the A layer, 200..212 for the B layer, 0 for none.
inline constexpr int kNoDragTarget = 0;
constexpr int DragTargetCode(HandleKind kind, Port layer) {
    return (layer == Port::B ? 200 : 100) + static_cast<int>(kind);
}
struct DragTarget {
    HandleKind kind;
    Port layer;
};
std::optional<DragTarget> DecodeDragTarget(int code);

Point HandleCentre(HandleKind kind, const LayerValues& values, Port layer);

// Solid grid lines (frames excepted) and dotted guide lines of one layer.
inline constexpr int kGridLineCount = 17;
inline constexpr int kGuideLineCount = 11;
std::array<Line, kGridLineCount> GridLines(const LayerValues& values, Port layer);
std::array<Line, kGuideLineCount> GuideLines(const LayerValues& values, Port layer);

// The graphs of a layer, in the order of PanelBoxes. Each graph is drawn inside its own box
// only, so that values from a file that push a curve out of its frame never reach a
// neighbouring graph.
enum class Graph : int { kSend, kFilter, kEnvelope, kVibrato, kEqualiser };
PixelRect GraphBox(Port layer, Graph graph);
// The graph of each frame, grid line and guide line, in the order of the arrays above.
inline constexpr std::array<Graph, kFrameCount> kFrameGraphs{Graph::kSend,    Graph::kSend,
                                                             Graph::kFilter,  Graph::kEnvelope,
                                                             Graph::kVibrato, Graph::kEqualiser};
inline constexpr std::array<Graph, kGridLineCount> kGridLineGraphs{
    Graph::kSend,      Graph::kSend,     Graph::kSend,     Graph::kSend,     Graph::kFilter,
    Graph::kFilter,    Graph::kFilter,   Graph::kEnvelope, Graph::kEnvelope, Graph::kEnvelope,
    Graph::kEnvelope,  Graph::kVibrato,  Graph::kVibrato,  Graph::kVibrato,  Graph::kEqualiser,
    Graph::kEqualiser, Graph::kEqualiser};
inline constexpr std::array<Graph, kGuideLineCount> kGuideLineGraphs{
    Graph::kFilter,   Graph::kFilter,    Graph::kEnvelope, Graph::kEnvelope,
    Graph::kEnvelope, Graph::kEnvelope,  Graph::kVibrato,  Graph::kVibrato,
    Graph::kVibrato,  Graph::kEqualiser, Graph::kEqualiser};
Graph GraphOf(HandleKind kind);

// Everything drawn with the curve pen for one layer.
struct LayerCurves {
    std::array<Line, 2> send_cross;  // through the send handle, across the pad
    std::array<Point, 7> filter;
    std::array<Point, 5> envelope;
    Line vibrato_lead;  // middle line from the frame edge to the delay handle
    int wave_start;     // the wave runs from the delay handle to the rate handle
    int wave_end;
    Line vibrato_tail;  // middle line from the rate handle to the frame edge
    std::array<Point, 4> eq_bass;
    std::array<Point, 4> eq_treble;
    std::array<Point, kHandleKindCount> handles;  // in HandleKind order
};
LayerCurves CurvesOf(const LayerValues& values, Port layer);

// The vibrato wave's points from (start, middle) through x = end − 1: three periods over
// rate/4 + 32 pixels, amplitude (depth − 64)/2, each y truncated towards zero.
std::vector<Point> VibratoWave(int start, int end, int middle, std::int32_t depth,
                               std::int32_t rate);

// A press within this many pixels of a centre, in both directions, picks the handle.
inline constexpr int kHitTolerance = 2;
// The drag target code of the handle under (x, y) for the selected part: handles are tested
// A then B for each kind in order, and the last hit wins; kNoDragTarget when none is hit.
int HitTest(const CKQ505App& app, int x, int y);

// The rows one drag step changed, across row first.
struct DragResult {
    std::array<Row, 2> rows{};
    int row_count = 0;
    bool random_pan = false;  // pan reached 0: its field reads "Rnd" rather than "L64"
};
// Drags the handle of this code by dx pixels right and dy pixels up for the selected part:
// each row moves one unit per pixel, is held in its range and sends its message, whether
// or not the value changed; pan at 0 also sends the XG random pan (0Eh = 0) on Port A.
DragResult DragHandle(CKQ505App& app, int code, int dx, int dy);

}  // namespace kq505
