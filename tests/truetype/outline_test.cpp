// Outline conversion: the cubic examples, placement, contour directions, range checks.
#include <gtest/gtest.h>

#include "truetype/outline.h"

namespace gx::tt {
namespace {

std::vector<Point2> convert(Point2 a, Point2 b, Point2 c, Point2 d, double grid) {
    const Point2 p[4] = {a, b, c, d};
    std::vector<Point2> out;
    EXPECT_GE(cubicToQuadratic(p, grid * 0.005, out), 0);
    return out;
}

void expectTruncated(const std::vector<Point2>& got, std::vector<std::pair<int, int>> want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(int(got[i].x), want[i].first) << "point " << i;
        EXPECT_EQ(int(got[i].y), want[i].second) << "point " << i;
    }
}

TEST(CubicToQuadratic, WorkedExamples) {
    // Quarter circle: the single point is refused, |E|/54 is within tolerance: two points.
    expectTruncated(convert({1000, 0}, {1000, 552.3}, {552.3, 1000}, {0, 1000}, 2048),
                    {{1000, 414}, {414, 1000}});
    // The arch is split once.
    expectTruncated(convert({0, 0}, {0, 1000}, {1000, 1000}, {1000, 0}, 2048),
                    {{0, 375}, {312, 750}, {687, 750}, {1000, 375}});
    // An exactly raised quadratic gives back its control point Q = (600, 900).
    expectTruncated(convert({0, 0}, {400, 600}, {700, 600}, {900, 0}, 2048), {{600, 900}});
    // A straight cubic has parallel tangents (cross 0): two points on the chord.
    expectTruncated(convert({0, 0}, {100, 0}, {200, 0}, {300, 0}, 2048), {{75, 0}, {225, 0}});
}

GlyphOutline outlineOf(std::vector<std::array<int32_t, 3>> nodes) {
    GlyphOutline o;
    o.count = int16_t(nodes.size());
    for (auto& n : nodes) {
        o.points.push_back(n[0]);
        o.points.push_back(n[1]);
        o.types.push_back(uint8_t(n[2]));
    }
    return o;
}

constexpr int S = kNodeStart, L = kNodeLine, C = kNodeControl, E = kNodeCurveEnd | kNodeClosed;

PlacementParams fixedUnit() {
    PlacementParams p;
    p.mode = Placement::Fixed;
    p.gridSize = 1000;
    p.designSize = 1000;  // one host unit per font unit
    return p;
}

TEST(BuildNewGlyph, CounterClockwiseSquareIsReversedAndRepeatDropped) {
    // Counter-clockwise (y up), first point repeated at the end.
    GlyphOutline o = outlineOf({{0, 0, S}, {100, 0, L}, {100, 100, L}, {0, 100, L}, {0, 0, L | 8}});
    ConvertedOutline conv;
    ASSERT_EQ(buildConvertedOutline(o, fixedUnit(), conv), kOutlineOk);
    NewGlyph g;
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    EXPECT_EQ(g.pointCount, 4);
    EXPECT_GT(contourAreaSign(conv.points.data(), 5), 0);  // clockwise now
    // endPtsOfContours = 3, right after the 10-byte header
    EXPECT_EQ(g.record[10], 0);
    EXPECT_EQ(g.record[11], 3);
    EXPECT_EQ(g.record.size(), 10u + 2 + 2 + 4 + 8 + 8);
}

TEST(BuildNewGlyph, RingAndNestedContoursGetAlternatingDirections) {
    // Outer square counter-clockwise, hole clockwise, island counter-clockwise: all wrong.
    GlyphOutline o = outlineOf({{0, 0, S},
                                {300, 0, L},
                                {300, 300, L},
                                {0, 300, L | 8},
                                {50, 50, S},
                                {50, 250, L},
                                {250, 250, L},
                                {250, 50, L | 8},
                                {100, 100, S},
                                {200, 100, L},
                                {200, 200, L},
                                {100, 200, L | 8}});
    ConvertedOutline conv;
    ASSERT_EQ(buildConvertedOutline(o, fixedUnit(), conv), kOutlineOk);
    ASSERT_EQ(conv.contourCount(), 3);
    EXPECT_EQ(pointInsideOtherContours(conv, 0), 0);
    EXPECT_EQ(pointInsideOtherContours(conv, 1), 1);
    EXPECT_EQ(pointInsideOtherContours(conv, 2), 0);  // inside two: even
    NewGlyph g;
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    auto sign = [&](int c) {
        const int s = conv.contourStarts[size_t(c)], e = conv.contourStarts[size_t(c) + 1];
        return contourAreaSign(&conv.points[size_t(s)], e - s);
    };
    EXPECT_GT(sign(0), 0);  // outer clockwise
    EXPECT_LT(sign(1), 0);  // hole counter-clockwise
    EXPECT_GT(sign(2), 0);  // island clockwise
}

TEST(BuildNewGlyph, CurvedRingHoleDetectedThroughArcs) {
    // Two circles made of cubics: the inner one is a hole whatever the drawing direction.
    auto circle = [](int cx, int cy, int r, bool ccw) {
        const int k = int(r * 0.5523);
        std::vector<std::array<int32_t, 3>> n = {{cx + r, cy, S}};
        int sy = ccw ? 1 : -1;
        n.push_back({cx + r, cy + sy * k, C}), n.push_back({cx + k, cy + sy * r, C}),
            n.push_back({cx, cy + sy * r, E});
        n.push_back({cx - k, cy + sy * r, C}), n.push_back({cx - r, cy + sy * k, C}),
            n.push_back({cx - r, cy, E});
        n.push_back({cx - r, cy - sy * k, C}), n.push_back({cx - k, cy - sy * r, C}),
            n.push_back({cx, cy - sy * r, E});
        n.push_back({cx + k, cy - sy * r, C}), n.push_back({cx + r, cy - sy * k, C}),
            n.push_back({cx + r, cy, E});
        return n;
    };
    auto nodes = circle(500, 500, 400, true);
    auto inner = circle(500, 500, 200, true);
    nodes.insert(nodes.end(), inner.begin(), inner.end());
    ConvertedOutline conv;
    ASSERT_EQ(buildConvertedOutline(outlineOf(nodes), fixedUnit(), conv), kOutlineOk);
    EXPECT_EQ(pointInsideOtherContours(conv, 0), 0);
    EXPECT_EQ(pointInsideOtherContours(conv, 1), 1);
    NewGlyph g;
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    const int s1 = conv.contourStarts[1], e1 = conv.contourStarts[2];
    EXPECT_GT(contourAreaSign(conv.points.data(), s1), 0);
    EXPECT_LT(contourAreaSign(&conv.points[size_t(s1)], e1 - s1), 0);
}

TEST(BuildConvertedOutline, FittedPlacementExample) {
    // 100 x 50 host units at grid 1024: margin 5, scale 1024 / 110.
    GlyphOutline o =
        outlineOf({{1000, 2000, S}, {1100, 2000, L}, {1100, 2050, L}, {1000, 2050, L | 8}});
    PlacementParams p;
    p.gridSize = 1024;
    ConvertedOutline conv;
    ASSERT_EQ(buildConvertedOutline(o, p, conv), kOutlineOk);
    EXPECT_EQ(conv.points[0].x, 47);
    EXPECT_EQ(conv.points[1].x, 977);
    EXPECT_EQ(conv.points[0].y, 47);
}

TEST(BuildConvertedOutline, RefusesWhatLeavesTheGrid) {
    // A small design size blows the shape past 16 bits: refused, not wrapped.
    GlyphOutline o = outlineOf({{0, 0, S}, {5000, 0, L}, {5000, 5000, L | 8}});
    PlacementParams p = fixedUnit();
    p.gridSize = 2048;
    p.designSize = 100;
    ConvertedOutline conv;
    EXPECT_EQ(buildConvertedOutline(o, p, conv), kOutlineOutOfRange);
    p.designSize = 0;
    EXPECT_EQ(buildConvertedOutline(o, p, conv), kOutlineOutOfRange);
    // Points in range whose step between them is not (-30000 to 30000) cannot be stored either.
    GlyphOutline wide = outlineOf({{-30000, 0, S}, {30000, 0, L}, {30000, 10, L | 8}});
    ASSERT_EQ(buildConvertedOutline(wide, fixedUnit(), conv), kOutlineOk);
    NewGlyph g;
    EXPECT_EQ(buildNewGlyph(conv, g), kOutlineOutOfRange);
}

TEST(BuildConvertedOutline, OddInputStaysSafe) {
    ConvertedOutline conv;
    NewGlyph g;
    // empty outline: an empty glyph
    ASSERT_EQ(buildConvertedOutline(GlyphOutline{}, PlacementParams{}, conv), kOutlineOk);
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    EXPECT_TRUE(g.present);
    EXPECT_TRUE(g.record.empty());
    // a single point, and a curve end without the points before it
    ASSERT_EQ(buildConvertedOutline(outlineOf({{5, 5, S | 8}}), PlacementParams{}, conv),
              kOutlineOk);
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    ASSERT_EQ(buildConvertedOutline(outlineOf({{0, 0, E}, {10, 0, E}}), fixedUnit(), conv),
              kOutlineOk);
    ASSERT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    EXPECT_EQ(g.numberOfContours, 1);
}

}  // namespace
}  // namespace gx::tt
