#include "view/knob_painter.h"

#include <QPainter>
#include <QVarLengthArray>

#include <array>
#include <span>
#include <vector>

#include "view/knob_geometry.h"

namespace kq505 {
namespace {

const QColor kGridColour(0, 127, 0);
const QColor kCurveColour(127, 255, 0);
constexpr int kHandleRadius = 3;

QPoint ToQPoint(Point p) {
    return {p.x, p.y};
}

// One pixel of the form wide. On a screen of normal density that is one screen pixel, drawn
// exactly as the pixel tests expect; on a denser screen the pen widens with the form, so
// lines and handles keep their weight.
QPen OnePixelPen(const QColor& colour, qreal device_pixel_ratio) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(device_pixel_ratio <= 1.0);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Every other pixel lit, like the window system's dotted pen; Qt::DotLine leaves two
// pixels off between dots.
QPen GuidePen(qreal device_pixel_ratio) {
    QPen pen = OnePixelPen(kGridColour, device_pixel_ratio);
    pen.setDashPattern({1.0, 1.0});
    return pen;
}

void DrawLine(QPainter& painter, const Line& line) {
    painter.drawLine(ToQPoint(line.from), ToQPoint(line.to));
}

void DrawPolyline(QPainter& painter, std::span<const Point> points) {
    QVarLengthArray<QPoint, 128> polygon;
    for (Point p : points)
        polygon.append(ToQPoint(p));
    painter.drawPolyline(polygon.data(), static_cast<int>(polygon.size()));
}

constexpr std::array<Graph, kGraphCount> kGraphs{Graph::kSend, Graph::kFilter, Graph::kEnvelope,
                                                 Graph::kVibrato, Graph::kEqualiser};

// Values only a settings file can bring may put curves outside their frames; each graph
// stays in its own box, off its neighbours and the labels and fields around the panel.
void ClipToGraph(QPainter& painter, Port layer, Graph graph) {
    // The box in form pixels, whatever shift the pens are drawn with.
    const QTransform shift = painter.worldTransform();
    painter.resetTransform();
    painter.setClipRect(ToQRect(GraphBox(layer, graph)));
    painter.setWorldTransform(shift);
}

template <std::size_t N>
void DrawLinesOf(QPainter& painter, Graph graph, const std::array<Line, N>& lines,
                 const std::array<Graph, N>& graphs) {
    for (std::size_t i = 0; i < N; ++i)
        if (graphs[i] == graph) DrawLine(painter, lines[i]);
}

void DrawHandle(QPainter& painter, Point centre) {
    painter.drawEllipse(ToQPoint(centre), kHandleRadius, kHandleRadius);
}

void DrawVibratoWave(QPainter& painter, int start, int end, const LayerValues& values, Port layer) {
    const int middle = LayerLinesOf(layer).middle;
    std::vector<Point> wave = VibratoWave(start, end, middle, values.depth, values.rate);
    // The wave ends back on the middle line, at the rate handle.
    wave.push_back({end, middle});
    DrawPolyline(painter, wave);
}

void DrawPanelBackground(QPainter& painter) {
    for (const PixelRect& box : PanelBoxes())
        painter.fillRect(ToQRect(box), Qt::black);
}

void DrawPanelGrid(QPainter& painter, const CKQ505App& app, qreal dpr) {
    const std::array<LayerValues, 2> values{ReadLayerValues(app, Port::A),
                                            ReadLayerValues(app, Port::B)};
    painter.setPen(OnePixelPen(kGridColour, dpr));
    for (Port layer : {Port::A, Port::B}) {
        const std::array<FrameEdges, kFrameCount> frames = GraphFrames(layer);
        const auto grid = GridLines(values[layer == Port::B], layer);
        for (Graph graph : kGraphs) {
            ClipToGraph(painter, layer, graph);
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const FrameEdges& f = frames[i];
                if (kFrameGraphs[i] == graph)
                    painter.drawRect(f.left, f.top, f.right - f.left, f.bottom - f.top);
            }
            DrawLinesOf(painter, graph, grid, kGridLineGraphs);
        }
    }
    painter.setPen(GuidePen(dpr));
    for (Port layer : {Port::A, Port::B}) {
        const auto guides = GuideLines(values[layer == Port::B], layer);
        for (Graph graph : kGraphs) {
            ClipToGraph(painter, layer, graph);
            DrawLinesOf(painter, graph, guides, kGuideLineGraphs);
        }
    }
}

void DrawPanelCurves(QPainter& painter, const CKQ505App& app, qreal dpr) {
    painter.setPen(OnePixelPen(kCurveColour, dpr));
    for (Port layer : {Port::A, Port::B}) {
        const LayerValues values = ReadLayerValues(app, layer);
        const LayerCurves c = CurvesOf(values, layer);
        ClipToGraph(painter, layer, Graph::kSend);
        for (const Line& line : c.send_cross)
            DrawLine(painter, line);
        ClipToGraph(painter, layer, Graph::kFilter);
        DrawPolyline(painter, c.filter);
        ClipToGraph(painter, layer, Graph::kEnvelope);
        DrawPolyline(painter, c.envelope);
        ClipToGraph(painter, layer, Graph::kVibrato);
        DrawLine(painter, c.vibrato_lead);
        DrawVibratoWave(painter, c.wave_start, c.wave_end, values, layer);
        DrawLine(painter, c.vibrato_tail);
        ClipToGraph(painter, layer, Graph::kEqualiser);
        DrawPolyline(painter, c.eq_bass);
        DrawPolyline(painter, c.eq_treble);
        for (int kind = 0; kind < kHandleKindCount; ++kind) {
            ClipToGraph(painter, layer, GraphOf(static_cast<HandleKind>(kind)));
            DrawHandle(painter, c.handles[static_cast<std::size_t>(kind)]);
        }
    }
}

}  // namespace

QRect ToQRect(const PixelRect& r) {
    return {r.x, r.y, r.width, r.height};
}

QRegion KnobPanelRegion() {
    QRegion region;
    for (const PixelRect& box : PanelBoxes())
        region += ToQRect(box);
    return region;
}

QRect HandleRect(Point centre) {
    return {centre.x - kHandleRadius, centre.y - kHandleRadius, 2 * kHandleRadius + 1,
            2 * kHandleRadius + 1};
}

void PaintKnobPanel(QPainter& painter, const CKQ505App& app, qreal device_pixel_ratio) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    DrawPanelBackground(painter);
    // A pen one form pixel wide is centred on its line; moved half a pixel, it covers the
    // screen pixels of the form pixel the line stands on, as the one-pixel pen does.
    if (device_pixel_ratio > 1.0) painter.translate(0.5, 0.5);
    DrawPanelGrid(painter, app, device_pixel_ratio);
    DrawPanelCurves(painter, app, device_pixel_ratio);
    painter.resetTransform();
    painter.setClipping(false);
}

}  // namespace kq505
