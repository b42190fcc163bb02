#include "view/knob_geometry.h"

#include <cmath>
#include <cstdlib>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_messages.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

struct GraphSpan {
    int x;
    int width;
};
constexpr std::array<GraphSpan, kGraphCount> kGraphSpans{
    {{10, 115}, {135, 149}, {293, 129}, {431, 107}, {547, 119}}};

struct FrameSpan {
    int left;
    int right;
};
constexpr std::array<FrameSpan, kFrameCount> kFrameSpans{
    {{15, 79}, {84, 119}, {140, 278}, {298, 416}, {436, 532}, {552, 660}}};

// Three full periods of the wave; kept as written rather than 6π so that truncated pixels
// land where they always have.
constexpr double kThreePeriods = 18.84955578;

Line Vertical(int x, const LayerLines& lines) {
    return {{x, lines.top}, {x, lines.bottom}};
}
Line Horizontal(int y, int left, int right) {
    return {{left, y}, {right, y}};
}

// The wave's two ends: from the delay handle to the rate handle.
int WaveStart(const LayerValues& v) {
    return v.delay / 4 + 436;
}
int WaveEnd(const LayerValues& v) {
    return (v.delay + v.rate) / 4 + 468;
}

}  // namespace

std::array<PixelRect, 2 * kGraphCount> PanelBoxes() {
    std::array<PixelRect, 2 * kGraphCount> boxes{};
    for (int i = 0; i < kGraphCount; ++i) {
        const GraphSpan span = kGraphSpans[i];
        boxes[i] = {span.x, LayerLinesOf(Port::A).box_top, span.width, kGraphBoxHeight};
        boxes[i + kGraphCount] = {span.x, LayerLinesOf(Port::B).box_top, span.width,
                                  kGraphBoxHeight};
    }
    return boxes;
}

PixelRect PanelBounds() {
    const GraphSpan first = kGraphSpans.front();
    const GraphSpan last = kGraphSpans.back();
    const int top = LayerLinesOf(Port::A).box_top;
    const int bottom = LayerLinesOf(Port::B).box_top + kGraphBoxHeight;
    return {first.x, top, last.x + last.width - first.x, bottom - top};
}

PixelRect GraphBox(Port layer, Graph graph) {
    const int index = static_cast<int>(graph) + (layer == Port::B ? kGraphCount : 0);
    return PanelBoxes()[static_cast<std::size_t>(index)];
}

Graph GraphOf(HandleKind kind) {
    switch (kind) {
        case HandleKind::kSend:
        case HandleKind::kChorus:
        case HandleKind::kVariation:
            return Graph::kSend;
        case HandleKind::kHpf:
        case HandleKind::kLpf:
            return Graph::kFilter;
        case HandleKind::kAttack:
        case HandleKind::kDecay:
        case HandleKind::kRelease:
            return Graph::kEnvelope;
        case HandleKind::kVibDelay:
        case HandleKind::kVibDepth:
        case HandleKind::kVibRate:
            return Graph::kVibrato;
        case HandleKind::kEqBass:
        case HandleKind::kEqTreble:
            return Graph::kEqualiser;
    }
    return Graph::kSend;
}

std::array<FrameEdges, kFrameCount> GraphFrames(Port layer) {
    const LayerLines lines = LayerLinesOf(layer);
    std::array<FrameEdges, kFrameCount> frames{};
    for (int i = 0; i < kFrameCount; ++i)
        frames[i] = {kFrameSpans[i].left, lines.top, kFrameSpans[i].right, lines.bottom};
    return frames;
}

LayerValues ReadLayerValues(const CKQ505App& app, Port layer) {
    const bool b = layer == Port::B;
    const auto value = [&](Row a_row) { return app.Value(LayerRow(a_row, b)); };
    return {value(pan_a),           value(reverb_a),
            value(chorus_a),        value(variation_a),
            value(hpf_a),           value(brightness_a),
            value(harmonic_a),      value(attack_a),
            value(decay_a),         value(release_a),
            value(vib_delay_a),     value(vib_rate_a),
            value(vib_depth_a),     value(eq_bass_freq_a),
            value(eq_bass_gain_a),  value(eq_treble_freq_a),
            value(eq_treble_gain_a)};
}

std::optional<DragTarget> DecodeDragTarget(int code) {
    for (Port layer : {Port::A, Port::B}) {
        const int kind = code - DragTargetCode(HandleKind::kSend, layer);
        if (kind >= 0 && kind < kHandleKindCount)
            return DragTarget{static_cast<HandleKind>(kind), layer};
    }
    return std::nullopt;
}

Point HandleCentre(HandleKind kind, const LayerValues& v, Port layer) {
    const LayerLines l = LayerLinesOf(layer);
    switch (kind) {
        case HandleKind::kSend:
            return {v.pan / 2 + 15, l.bottom - v.reverb / 2};
        case HandleKind::kChorus:
            return {94, l.bottom - v.chorus / 2};
        case HandleKind::kVariation:
            return {109, l.bottom - v.variation / 2};
        case HandleKind::kHpf:
            return {v.hpf / 2 + 140, l.middle};
        case HandleKind::kLpf:
            return {v.brightness / 2 + 214, l.bottom - v.harmonic / 2};
        case HandleKind::kAttack:
            return {v.attack / 4 + 298, l.top};
        case HandleKind::kDecay:
            return {(v.attack + v.decay) / 4 + 298, l.middle};
        case HandleKind::kRelease:
            return {(v.attack + v.decay + v.release) / 4 + 321, l.bottom};
        case HandleKind::kVibDelay:
            return {v.delay / 4 + 436, l.middle};
        case HandleKind::kVibDepth:
            return {(v.rate / 2 + v.delay + 64) / 4 + 436, l.bottom - v.depth / 2};
        case HandleKind::kVibRate:
            return {WaveEnd(v), l.middle};
        case HandleKind::kEqBass:
            return {v.bass_freq * 2 + 544, l.bottom - v.bass_gain / 2};
        case HandleKind::kEqTreble:
            return {v.treble_freq * 2 + 544, l.bottom - v.treble_gain / 2};
    }
    return {};
}

std::array<Line, kGridLineCount> GridLines(const LayerValues& v, Port layer) {
    const LayerLines l = LayerLinesOf(layer);
    const int attack = v.attack / 4;
    const int attack_decay = (v.attack + v.decay) / 4;
    return {{
        Horizontal(l.bottom - 21, 15, 79),
        Vertical(47, l),
        Vertical(94, l),
        Vertical(109, l),
        Vertical(172, l),
        Vertical(246, l),
        Horizontal(l.middle, 140, 278),
        Vertical(314, l),
        Vertical(attack + 314, l),
        Vertical(attack_decay + 337, l),
        Horizontal(l.middle, 298, 416),
        Vertical(452, l),
        Vertical(v.delay / 4 + 484, l),
        Horizontal(l.middle, 436, 532),
        Vertical(568, l),
        Vertical(652, l),
        Horizontal(l.middle, 552, 660),
    }};
}

std::array<Line, kGuideLineCount> GuideLines(const LayerValues& v, Port layer) {
    const LayerLines l = LayerLinesOf(layer);
    const int attack = v.attack / 4;
    const int attack_decay = (v.attack + v.decay) / 4;
    const int delay = v.delay / 4;
    return {{
        Vertical(204, l),
        Vertical(214, l),
        Vertical(attack + 298, l),
        Vertical(attack + 329, l),
        Vertical(attack_decay + 321, l),
        Vertical(attack_decay + 352, l),
        Vertical(468, l),
        Vertical(delay + 468, l),
        Vertical(delay + 500, l),
        Vertical(624, l),
        Vertical(600, l),
    }};
}

std::vector<Point> VibratoWave(int start, int end, int middle, std::int32_t depth,
                               std::int32_t rate) {
    std::vector<Point> points;
    points.push_back({start, middle});
    const int amplitude = (depth - 64) / 2;
    const int width = rate / 4 + 32;
    // Only a settings file can bring a rate that makes the width vanish; stay on the line.
    if (width <= 0) {
        if (end > start) points.push_back({end - 1, middle});
        return points;
    }
    const double step = kThreePeriods / width;
    for (int x = start; x < end; ++x) {
        const double y = middle - std::sin((x - start) * step) * amplitude;
        points.push_back({x, static_cast<int>(y)});
    }
    return points;
}

LayerCurves CurvesOf(const LayerValues& v, Port layer) {
    const LayerLines l = LayerLinesOf(layer);
    LayerCurves curves;
    for (int i = 0; i < kHandleKindCount; ++i)
        curves.handles[i] = HandleCentre(static_cast<HandleKind>(i), v, layer);
    const auto at = [&](HandleKind kind) { return curves.handles[static_cast<int>(kind)]; };

    const Point send = at(HandleKind::kSend);
    curves.send_cross = {Vertical(send.x, l), Horizontal(send.y, 15, 79)};

    const int hpf_foot = v.hpf <= 20 ? 140 : v.hpf / 2 + 130;
    const int lpf_foot = v.brightness >= 108 ? 278 : v.brightness / 2 + 224;
    curves.filter = {{{140, l.bottom},
                      {hpf_foot, l.bottom},
                      at(HandleKind::kHpf),
                      {v.brightness / 2 + 204, l.middle},
                      at(HandleKind::kLpf),
                      {lpf_foot, l.bottom},
                      {278, l.bottom}}};

    const Point decay = at(HandleKind::kDecay);
    curves.envelope = {{{298, l.bottom},
                        at(HandleKind::kAttack),
                        decay,
                        {(v.attack + v.decay) / 4 + 321, l.middle},
                        at(HandleKind::kRelease)}};

    curves.wave_start = WaveStart(v);
    curves.wave_end = WaveEnd(v);
    curves.vibrato_lead = Horizontal(l.middle, 436, curves.wave_start);
    curves.vibrato_tail = Horizontal(l.middle, curves.wave_end, 532);

    const Point bass = at(HandleKind::kEqBass);
    curves.eq_bass = {{{552, bass.y}, bass, {v.bass_freq * 2 + 554, l.middle}, {660, l.middle}}};
    const Point treble = at(HandleKind::kEqTreble);
    curves.eq_treble = {
        {{552, l.middle}, {v.treble_freq * 2 + 534, l.middle}, treble, {660, treble.y}}};
    return curves;
}

int HitTest(const CKQ505App& app, int x, int y) {
    const std::array<LayerValues, 2> values{ReadLayerValues(app, Port::A),
                                            ReadLayerValues(app, Port::B)};
    int target = kNoDragTarget;
    for (const HandleSpec& handle : kHandles) {
        for (Port layer : {Port::A, Port::B}) {
            const Point c = HandleCentre(handle.kind, values[layer == Port::B ? 1 : 0], layer);
            if (std::abs(x - c.x) <= kHitTolerance && std::abs(y - c.y) <= kHitTolerance)
                target = DragTargetCode(handle.kind, layer);
        }
    }
    return target;
}

namespace {

void DragRow(CKQ505App& app, Row row, int delta, DragResult& result) {
    app.Value(row) = ClampToRow(row, app.Value(row) + delta);
    result.rows[result.row_count++] = row;
    SendRowMessage(app, row);
    if (LayerRow(pan_a, IsLayerB(row)) == row && app.Value(row) == 0) {
        result.random_pan = true;
        const int part_number = app.selected_part + (IsLayerB(row) ? kPartCount : 0);
        SendXgPartParameter(app, part_number, kXgPan, 0);
    }
}

}  // namespace

DragResult DragHandle(CKQ505App& app, int code, int dx, int dy) {
    DragResult result;
    const std::optional<DragTarget> target = DecodeDragTarget(code);
    if (!target) return result;
    const HandleSpec& handle = kHandles[static_cast<int>(target->kind)];
    const bool b = target->layer == Port::B;
    if (handle.across) DragRow(app, LayerRow(*handle.across, b), dx, result);
    if (handle.up) DragRow(app, LayerRow(*handle.up, b), dy, result);
    MarkSetupModified(app);
    return result;
}

}  // namespace kq505
