#include "view/knob_geometry.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

struct ExpectedHandle {
    HandleKind kind;
    Point a_centre;
};

// Default positions of the A layer's handles after a reset.
const std::vector<ExpectedHandle> kDefaultCentres{
    {HandleKind::kSend, {47, 151}},       {HandleKind::kChorus, {94, 171}},
    {HandleKind::kVariation, {109, 171}}, {HandleKind::kHpf, {172, 139}},
    {HandleKind::kLpf, {246, 139}},       {HandleKind::kAttack, {314, 107}},
    {HandleKind::kDecay, {330, 139}},     {HandleKind::kRelease, {369, 171}},
    {HandleKind::kVibDelay, {452, 139}},  {HandleKind::kVibDepth, {476, 139}},
    {HandleKind::kVibRate, {500, 139}},   {HandleKind::kEqBass, {568, 139}},
    {HandleKind::kEqTreble, {652, 139}},
};

TEST(KnobHandles, DefaultCentresOfBothLayers) {
    CKQ505App app;
    for (const auto& [kind, a] : kDefaultCentres) {
        EXPECT_EQ(HandleCentre(kind, ReadLayerValues(app, Port::A), Port::A), a);
        EXPECT_EQ(HandleCentre(kind, ReadLayerValues(app, Port::B), Port::B),
                  (Point{a.x, a.y + 110}));
    }
}

TEST(KnobHandles, CentresFollowTheSelectedPartsValues) {
    CKQ505App app;
    app.selected_part = 9;
    const std::vector<std::pair<Row, std::int32_t>> values{{pan_b, 74},
                                                           {reverb_b, 44},
                                                           {chorus_b, 127},
                                                           {variation_b, 1},
                                                           {hpf_b, 0},
                                                           {brightness_b, 0},
                                                           {harmonic_b, 127},
                                                           {attack_b, 127},
                                                           {decay_b, 127},
                                                           {release_b, 127},
                                                           {vib_delay_b, 127},
                                                           {vib_rate_b, 127},
                                                           {vib_depth_b, 127},
                                                           {eq_bass_freq_b, 40},
                                                           {eq_bass_gain_b, 0},
                                                           {eq_treble_freq_b, 28},
                                                           {eq_treble_gain_b, 127}};
    for (const auto& [row, value] : values)
        app.Value(row) = value;
    const LayerValues v = ReadLayerValues(app, Port::B);
    const auto centre = [&](HandleKind kind) { return HandleCentre(kind, v, Port::B); };
    EXPECT_EQ(centre(HandleKind::kSend), (Point{52, 259}));
    EXPECT_EQ(centre(HandleKind::kChorus), (Point{94, 218}));
    EXPECT_EQ(centre(HandleKind::kVariation), (Point{109, 281}));
    EXPECT_EQ(centre(HandleKind::kHpf), (Point{140, 249}));
    EXPECT_EQ(centre(HandleKind::kLpf), (Point{214, 218}));
    EXPECT_EQ(centre(HandleKind::kAttack), (Point{329, 217}));
    EXPECT_EQ(centre(HandleKind::kDecay), (Point{361, 249}));  // (127 + 127) / 4, not 31 + 31
    EXPECT_EQ(centre(HandleKind::kRelease), (Point{416, 281}));
    EXPECT_EQ(centre(HandleKind::kVibDelay), (Point{467, 249}));
    EXPECT_EQ(centre(HandleKind::kVibDepth), (Point{499, 218}));
    EXPECT_EQ(centre(HandleKind::kVibRate), (Point{531, 249}));
    EXPECT_EQ(centre(HandleKind::kEqBass), (Point{624, 281}));
    EXPECT_EQ(centre(HandleKind::kEqTreble), (Point{600, 218}));
    // The part that is not selected keeps its defaults.
    app.selected_part = 0;
    EXPECT_EQ(HandleCentre(HandleKind::kSend, ReadLayerValues(app, Port::B), Port::B),
              (Point{47, 261}));
}

TEST(KnobHandles, DragTargetCodesRoundTrip) {
    EXPECT_EQ(DragTargetCode(HandleKind::kSend, Port::A), 100);
    EXPECT_EQ(DragTargetCode(HandleKind::kEqTreble, Port::B), 212);
    const auto decoded = DecodeDragTarget(205);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->kind, HandleKind::kAttack);
    EXPECT_EQ(decoded->layer, Port::B);
    for (int code : {0, 99, 113, 199, 213})
        EXPECT_FALSE(DecodeDragTarget(code)) << code;
}

TEST(KnobHitTest, PicksWithinTwoPixelsOnly) {
    CKQ505App app;
    // The Port A send handle at (47, 151).
    for (auto [dx, dy] : {std::pair{2, 0}, {-2, 0}, {0, 2}, {0, -2}, {2, -2}})
        EXPECT_EQ(HitTest(app, 47 + dx, 151 + dy), 100) << dx << "," << dy;
    for (auto [dx, dy] : {std::pair{3, 0}, {-3, 0}, {0, 3}, {0, -3}})
        EXPECT_EQ(HitTest(app, 47 + dx, 151 + dy), kNoDragTarget) << dx << "," << dy;
    EXPECT_EQ(HitTest(app, 47, 261), 200);
    EXPECT_EQ(HitTest(app, 652, 249), 212);
    EXPECT_EQ(HitTest(app, 5, 5), kNoDragTarget);
}

TEST(KnobHitTest, TrebleWinsOverBassOnTheSameSpot) {
    CKQ505App app;
    app.Value(eq_bass_freq_a) = 30;
    app.Value(eq_treble_freq_a) = 30;
    EXPECT_EQ(HitTest(app, 604, 139), 112);
    app.Value(eq_treble_freq_a) = 31;  // two pixels apart: still both hit, treble tested last
    EXPECT_EQ(HitTest(app, 604, 139), 112);
    EXPECT_EQ(HitTest(app, 603, 139), 111);
}

TEST(KnobGraphs, FilterFeetStayOnTheFrameAtTheRangeEnds) {
    CKQ505App app;
    const auto feet = [&] {
        const LayerCurves c = CurvesOf(ReadLayerValues(app, Port::A), Port::A);
        return std::pair{c.filter[1].x, c.filter[5].x};
    };
    app.Value(hpf_a) = 20;
    app.Value(brightness_a) = 108;
    EXPECT_EQ(feet(), std::pair(140, 278));
    app.Value(hpf_a) = 0;
    app.Value(brightness_a) = 127;
    EXPECT_EQ(feet(), std::pair(140, 278));
    app.Value(hpf_a) = 22;
    app.Value(brightness_a) = 107;
    EXPECT_EQ(feet(), std::pair(141, 277));
}

TEST(KnobGraphs, BoxesAndFrames) {
    const auto boxes = PanelBoxes();
    EXPECT_EQ(boxes[0], (PixelRect{10, 102, 115, 74}));
    EXPECT_EQ(boxes[4], (PixelRect{547, 102, 119, 74}));
    EXPECT_EQ(boxes[7], (PixelRect{293, 212, 129, 74}));
    EXPECT_EQ(PanelBounds(), (PixelRect{10, 102, 656, 184}));
    EXPECT_EQ(GraphFrames(Port::B)[2], (FrameEdges{140, 217, 278, 281}));
}

TEST(VibratoWave, FlatAtDepth64) {
    const std::vector<Point> wave = VibratoWave(452, 484, 139, 64, 0);
    ASSERT_EQ(wave.size(), 33u);  // the start, then x 452..483
    for (Point p : wave)
        EXPECT_EQ(p.y, 139);
    EXPECT_EQ(wave.back().x, 483);
}

TEST(VibratoWave, FirstHalfWaveFollowsTheSignOfTheDepth) {
    // Rate 64: 48 pixels for three periods, a quarter period is 4 pixels.
    const std::vector<Point> up = VibratoWave(452, 500, 139, 127, 64);  // amplitude 31
    EXPECT_EQ(up[1 + 1].y, 127);                                        // 139 − 11.86
    EXPECT_EQ(up[1 + 3].y, 110);  // 139 − 28.64, truncated as a whole
    EXPECT_EQ(up[1 + 4].y, 108);
    const std::vector<Point> down = VibratoWave(452, 500, 139, 0, 64);  // amplitude −32
    EXPECT_EQ(down[1 + 3].y, 168);                                      // 139 + 29.56
    EXPECT_EQ(down[1 + 4].y, 171);
    EXPECT_EQ(down[1 + 12].y, 107);  // the second half-wave rises
}

TEST(VibratoWave, OutOfRangeRateStaysOnTheMiddleLine) {
    const std::vector<Point> wave = VibratoWave(436, 440, 139, 127, -200);
    for (Point p : wave)
        EXPECT_EQ(p.y, 139);
}

}  // namespace
}  // namespace kq505

namespace kq505 {
namespace {

using test::OnA;
using test::OnB;

TEST(KnobDrag, ClampedRowsStillSendAndAcrossGoesFirst) {
    test::RecordingApp rec;
    CKQ505App& app = rec.app;
    app.selected_part = 1;
    app.Value(hpf_b) = 126;
    DragResult result = DragHandle(app, DragTargetCode(HandleKind::kHpf, Port::B), 5, 9);
    EXPECT_EQ(app.Value(hpf_b), 127);
    ASSERT_EQ(result.row_count, 1);
    EXPECT_EQ(result.rows[0], hpf_b);
    result = DragHandle(app, DragTargetCode(HandleKind::kHpf, Port::B), 5, 0);
    EXPECT_EQ(app.Value(hpf_b), 127);
    EXPECT_EQ(
        rec.log.TakeEvents(),
        (std::vector<MidiEvent>{OnB({0xB1, 98, 0x24}), OnB({0xB1, 99, 1}), OnB({0xB1, 6, 127}),
                                OnB({0xB1, 98, 0x24}), OnB({0xB1, 99, 1}), OnB({0xB1, 6, 127})}));

    result = DragHandle(app, DragTargetCode(HandleKind::kSend, Port::B), -64, 0);
    EXPECT_TRUE(result.random_pan);
    EXPECT_EQ(rec.log.TakeEvents(),
              (std::vector<MidiEvent>{OnB({0xB1, 10, 0}),
                                      OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 17, 0x0E, 0, 0xF7}),
                                      OnB({0xB1, 91, 40})}));
}

TEST(KnobDrag, NoTargetChangesNothing) {
    test::RecordingApp rec;
    const PartTable before = rec.app.part_table;
    for (int code : {0, 113, 250})
        EXPECT_EQ(DragHandle(rec.app, code, 5, 5).row_count, 0);
    EXPECT_EQ(rec.app.part_table, before);
    EXPECT_TRUE(rec.log.events.empty());
}

}  // namespace
}  // namespace kq505
