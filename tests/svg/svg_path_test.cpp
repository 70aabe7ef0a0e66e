#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "svg_math.h"
#include "svg_path.h"

namespace gx::host {
namespace {

Path parseOk(const std::string& d) {
    Path p;
    std::string error;
    EXPECT_TRUE(parsePathData(d, p, 100000, error)) << d << ": " << error;
    return p;
}

std::string parseError(const std::string& d, size_t maxNodes = 100000) {
    Path p;
    std::string error;
    EXPECT_FALSE(parsePathData(d, p, maxNodes, error)) << d;
    return error;
}

void expectPoint(Point p, double x, double y, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
}

TEST(SvgMath, TrigAgreesWithTheLibraryAndIsExactAtRightAngles) {
    EXPECT_EQ(sinDegrees(90), 1.0);
    EXPECT_EQ(cosDegrees(90), 0.0);
    EXPECT_EQ(cosDegrees(180), -1.0);
    EXPECT_EQ(sinDegrees(-270), 1.0);
    EXPECT_EQ(cosDegrees(720), 1.0);
    for (double a = -725; a <= 725; a += 0.37) {
        const double r = a * kPi / 180.0;
        EXPECT_NEAR(sinDegrees(a), std::sin(r), 1e-14) << a;
        EXPECT_NEAR(cosDegrees(a), std::cos(r), 1e-14) << a;
        EXPECT_NEAR(sinRadians(r), std::sin(r), 1e-14) << a;
        EXPECT_NEAR(cosRadians(r), std::cos(r), 1e-14) << a;
    }
    for (double y = -3; y <= 3; y += 0.25) {
        for (double x = -3; x <= 3; x += 0.25) {
            EXPECT_NEAR(atan2Radians(y, x), std::atan2(y, x), 1e-14) << y << " " << x;
        }
    }
    EXPECT_TRUE(std::isnan(sinDegrees(INFINITY)));
}

TEST(SvgPath, StraightCommandsAbsoluteAndRelative) {
    for (const char* d : {"M10 20 L30 20 H40 V50 Z", "m10 20 l20 0 h10 v30 z",
                          "M10,20L30,20H40V50z", "M10 20 30 20 40 20 40 50"}) {
        const Path p = parseOk(d);
        ASSERT_EQ(p.subpaths.size(), 1u) << d;
        const Subpath& s = p.subpaths[0];
        expectPoint(s.start, 10, 20);
        ASSERT_EQ(s.segments.size(), 3u) << d;
        for (const Segment& seg : s.segments) EXPECT_FALSE(seg.cubic);
        expectPoint(s.segments[0].end, 30, 20);
        expectPoint(s.segments[1].end, 40, 20);
        expectPoint(s.segments[2].end, 40, 50);
        EXPECT_EQ(p.nodes, 4u);
    }
    // Pairs after a relative moveto are relative linetos.
    const Path r = parseOk("m5 5 10 0 0 10");
    ASSERT_EQ(r.subpaths[0].segments.size(), 2u);
    expectPoint(r.subpaths[0].segments[1].end, 15, 15);
}

TEST(SvgPath, CompactNumberForms) {
    const Path p = parseOk("M.5.5L-1e1-2E+0l1.5.5 1-1");
    expectPoint(p.subpaths[0].start, 0.5, 0.5);
    expectPoint(p.subpaths[0].segments[0].end, -10, -2);
    expectPoint(p.subpaths[0].segments[1].end, -8.5, -1.5);
    expectPoint(p.subpaths[0].segments[2].end, -7.5, -2.5);
    const Path q = parseOk("  M 1. 2\n\tL+3,-4  ");
    expectPoint(q.subpaths[0].start, 1, 2);
    expectPoint(q.subpaths[0].segments[0].end, 3, -4);
    EXPECT_TRUE(parseOk("").subpaths.empty());
}

TEST(SvgPath, ClosepathReturnsThePenToTheSubpathStart) {
    // A drawing command after Z starts a new subpath at the old start.
    const Path a = parseOk("M0 0 L10 0 L10 10 Z L20 20");
    ASSERT_EQ(a.subpaths.size(), 2u);
    expectPoint(a.subpaths[1].start, 0, 0);
    expectPoint(a.subpaths[1].segments[0].end, 20, 20);
    const Path b = parseOk("M10 10 l10 0 l0 10 z l5 5");
    expectPoint(b.subpaths[1].start, 10, 10);
    expectPoint(b.subpaths[1].segments[0].end, 15, 15);
    const Path c = parseOk("M10 10 L20 10 L20 20 Z m5 5 l1 0 l0 1");
    expectPoint(c.subpaths[1].start, 15, 15);
    // A moveto that draws nothing leaves no subpath behind.
    const Path d = parseOk("M0 0 M5 5 L6 6 M9 9");
    ASSERT_EQ(d.subpaths.size(), 2u);
    expectPoint(d.subpaths[0].start, 5, 5);
    EXPECT_TRUE(d.subpaths[1].segments.empty());
}

TEST(SvgPath, SmoothCubicReflectsOnlyAfterACubic) {
    const Path p = parseOk("M0 0 C10 0 20 10 20 20 S30 40 40 40 s10 0 10 10");
    const auto& segs = p.subpaths[0].segments;
    ASSERT_EQ(segs.size(), 3u);
    expectPoint(segs[1].c1, 20, 30);
    expectPoint(segs[1].c2, 30, 40);
    expectPoint(segs[2].c1, 50, 40);
    expectPoint(segs[2].c2, 50, 40);
    expectPoint(segs[2].end, 50, 50);
    EXPECT_EQ(p.nodes, 10u);
    const Path q = parseOk("M0 0 L10 0 S20 10 30 10");
    expectPoint(q.subpaths[0].segments[1].c1, 10, 0);
}

TEST(SvgPath, QuadraticsAreRaisedExactly) {
    const Path p = parseOk("M0 0 Q30 60 60 0 T120 0");
    const auto& segs = p.subpaths[0].segments;
    ASSERT_EQ(segs.size(), 2u);
    expectPoint(segs[0].c1, 20, 40);
    expectPoint(segs[0].c2, 40, 40);
    expectPoint(segs[0].end, 60, 0);
    // T reflects the quadratic control (30,60) into (90,-60).
    expectPoint(segs[1].c1, 80, -40);
    expectPoint(segs[1].c2, 100, -40);
    const Path t = parseOk("M0 0 T30 0");  // no quadratic before: control is the pen
    expectPoint(t.subpaths[0].segments[0].c1, 0, 0);
    expectPoint(t.subpaths[0].segments[0].c2, 10, 0);
    const Path r = parseOk("m10 10 q10 20 20 0");
    expectPoint(r.subpaths[0].segments[0].c1, 10 + 20.0 / 3, 10 + 40.0 / 3);
}

// Worked by hand: centre (50,0), from angle pi to 2pi in two quarters,
// handle length 50 * 4/3 tan(pi/8) = 27.614237...
TEST(SvgArc, HalfCircleSplitsIntoQuarters) {
    const double h = 50 * 4.0 / 3.0 * std::tan(kPi / 8);
    for (const char* d : {"M0 0 A50 50 0 0 1 100 0", "M0 0 a50,50,0,0,1,100,0",
                          "M0 0 A1 1 0 0 1 100 0" /* radii scaled up */}) {
        const Path p = parseOk(d);
        const auto& segs = p.subpaths[0].segments;
        ASSERT_EQ(segs.size(), 2u) << d;
        expectPoint(segs[0].c1, 0, -h);
        expectPoint(segs[0].c2, 50 - h, -50);
        expectPoint(segs[0].end, 50, -50);
        expectPoint(segs[1].c1, 50 + h, -50);
        expectPoint(segs[1].c2, 100, -h);
        EXPECT_EQ(segs[1].end.x, 100);  // the given end point, exactly
        EXPECT_EQ(segs[1].end.y, 0);
    }
    // The other sweep goes below: flags may run into the next number.
    const Path q = parseOk("M0 0a25 25 0 1050 0");
    ASSERT_EQ(q.subpaths[0].segments.size(), 2u);
    expectPoint(q.subpaths[0].segments[0].end, 25, 25);
}

TEST(SvgArc, RotatedEllipseAndLargeArc) {
    // rx lies along y after rotating 90 degrees: the half ellipse is 10 wide, and
    // the positive sweep (clockwise on screen, y down) passes to the right.
    const Path p = parseOk("M0 0 A20 10 90 0 1 0 40");
    ASSERT_EQ(p.subpaths[0].segments.size(), 2u);
    expectPoint(p.subpaths[0].segments[0].end, 10, 20);
    const Path n = parseOk("M0 0 A20 10 90 0 0 0 40");
    expectPoint(n.subpaths[0].segments[0].end, -10, 20);

    // Chord 10, radius 10: the large arc spans 300 degrees around (5, -5 sqrt 3),
    // in four pieces of 75 degrees.
    const Path big = parseOk("M0 0 A10 10 0 1 1 10 0");
    const auto& segs = big.subpaths[0].segments;
    ASSERT_EQ(segs.size(), 4u);
    const Point centre{5, -5 * std::sqrt(3.0)};
    Point from{0, 0};
    for (const Segment& s : segs) {
        EXPECT_NEAR(std::hypot(s.end.x - centre.x, s.end.y - centre.y), 10, 1e-9);
        // The cubic's midpoint stays on the circle to well within a thousandth.
        const double mx = (from.x + 3 * s.c1.x + 3 * s.c2.x + s.end.x) / 8;
        const double my = (from.y + 3 * s.c1.y + 3 * s.c2.y + s.end.y) / 8;
        EXPECT_NEAR(std::hypot(mx - centre.x, my - centre.y), 10, 1e-3);
        from = s.end;
    }
}

TEST(SvgArc, DegenerateArcs) {
    const Path line = parseOk("M0 0 A0 10 0 0 1 10 10");
    ASSERT_EQ(line.subpaths[0].segments.size(), 1u);
    EXPECT_FALSE(line.subpaths[0].segments[0].cubic);
    EXPECT_TRUE(parseOk("M5 5 A10 10 0 0 1 5 5").subpaths[0].segments.empty());
    // Negative radii count as positive.
    EXPECT_EQ(parseOk("M0 0 A-50 -50 0 0 1 100 0").subpaths[0].segments.size(), 2u);
}

TEST(SvgPath, FaultsAreReportedWithTheirPosition) {
    EXPECT_NE(parseError("L0 0").find("moveto"), std::string::npos);
    EXPECT_NE(parseError("10 10").find("moveto"), std::string::npos);
    EXPECT_NE(parseError("M0 0 L10").find("ends"), std::string::npos);
    EXPECT_EQ(parseError("M0 0 X 5"), "unknown path command 'X' at character 6");
    EXPECT_EQ(parseError("M0 0 L 1 #"), "expected a number at character 10");
    EXPECT_NE(parseError("M0 0 L1e999 0").find("out of range"), std::string::npos);
    EXPECT_NE(parseError("M0 0 A1 1 0 2 0 5 5").find("arc flag"), std::string::npos);
    EXPECT_NE(parseError("M0 0 L1 1 Z 5 5").find("expected a command"), std::string::npos);
    EXPECT_NE(parseError("M0 0 L1 1 L").find("ends"), std::string::npos);
}

TEST(SvgPath, NodeBudgetStopsAHugePath) {
    std::string d = "M0 0";
    for (int i = 0; i < 100; ++i) d += " L1 1";
    EXPECT_NE(parseError(d, 50).find("more than 50 nodes"), std::string::npos);
    Path p;
    std::string error;
    EXPECT_TRUE(parsePathData(d, p, 101, error));
}

}  // namespace
}  // namespace gx::host
