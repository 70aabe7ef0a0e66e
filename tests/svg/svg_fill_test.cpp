// Fill rules, overlaps and strokes, judged as the plug-ins will draw the outline: each
// contour directed by the nesting of its first point, then filled by the nonzero rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "svg_fit.h"
#include "svg_reader.h"

namespace gx::host {
namespace {

std::string drawing(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1in\" height=\"1in\" "
           "viewBox=\"0 0 1000 1000\">\n" +
           body + "\n</svg>\n";
}

using Polygon = std::vector<std::pair<double, double>>;

struct Contour {
    Polygon nodes;  // as handed over, control points included
    Polygon flat;   // cubics flattened
};

std::vector<Contour> contoursOf(const HostOutline& o) {
    std::vector<Contour> out;
    for (size_t i = 0; i < o.types.size(); ++i) {
        const double x = o.points[2 * i], y = o.points[2 * i + 1];
        const int kind = o.types[i] >> 6;
        if (kind == 0) out.emplace_back();
        out.back().nodes.emplace_back(x, y);
        if (kind == 2) {  // a cubic from the point three places back
            const double x0 = o.points[2 * i - 6], y0 = o.points[2 * i - 5];
            const double x1 = o.points[2 * i - 4], y1 = o.points[2 * i - 3];
            const double x2 = o.points[2 * i - 2], y2 = o.points[2 * i - 1];
            for (int k = 1; k < 32; ++k) {
                const double t = k / 32.0, s = 1 - t;
                out.back().flat.emplace_back(
                    s * s * s * x0 + 3 * s * s * t * x1 + 3 * s * t * t * x2 + t * t * t * x,
                    s * s * s * y0 + 3 * s * s * t * y1 + 3 * s * t * t * y2 + t * t * t * y);
            }
        }
        if (kind != 3) out.back().flat.emplace_back(x, y);
    }
    return out;
}

bool inside(double x, double y, const Polygon& p) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        const auto [xi, yi] = p[i];
        const auto [xj, yj] = p[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

// The plug-ins' nesting test, step by step: the upward ray from (x, y) against the
// contour's segments, the closing line left out, vertices on the ray counted by the
// two toggles, and an edge that passes from below to above decided by the plug-ins'
// own rounded intersection.
struct RayCount {
    int crossings = 0;
    bool right = false, left = false;
};

void crossingsAbove(double x0, double y0, const Polygon& p, RayCount& count) {
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        const auto [x1, y1] = p[i];
        const auto [x2, y2] = p[i + 1];
        if (x1 == x0) {
            if (y1 > y0 && x2 > x0) count.right = !count.right;
            if (y1 > y0 && x2 < x0) count.left = !count.left;
        } else if (x2 == x0) {
            if (y2 > y0) (x1 > x0 ? count.right : count.left) ^= true;
        } else if ((x1 < x0) != (x2 < x0)) {
            if (y1 > y0 && y2 > y0) {
                ++count.crossings;
            } else if (y1 >= y0 || y2 >= y0) {
                const double y4 = std::max(y1, y2);
                const double den = (x1 - x2) * (y0 - y4);
                const double num = (y1 - y2) * (x1 - x0) + (y0 - y1) * (x1 - x2);
                const double u = num == 0 ? 0 : num / den;
                if (den != 0 && u >= 0 && u <= 1 && y1 + std::round(u * (y2 - y1)) > y0) {
                    ++count.crossings;
                }
            }
        }
    }
}

double signedArea(const Polygon& p) {
    double a = 0;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        a += p[j].first * p[i].second - p[i].first * p[j].second;
    }
    return a / 2;
}

// Whether the plug-ins ink the point (x, y), given in the drawing's own coordinates:
// each contour is a hole when its first point lies inside an odd number of others,
// its direction is read from the node sum without the closing pair, and the glyph
// fills by the nonzero rule.
bool inked(const HostOutline& o, double x, double svgY) {
    const double y = 1000 - svgY;
    const std::vector<Contour> contours = contoursOf(o);
    int winding = 0;
    for (size_t i = 0; i < contours.size(); ++i) {
        const Contour& c = contours[i];
        RayCount count;
        const auto [fx, fy] = c.nodes.front();
        for (size_t j = 0; j < contours.size(); ++j) {
            if (j != i) crossingsAbove(fx, fy, contours[j].flat, count);
        }
        const bool hole = (count.crossings + (count.right && count.left)) % 2 == 1;
        double sum = 0;  // positive: clockwise
        for (size_t k = 0; k + 1 < c.nodes.size(); ++k) {
            sum += (c.nodes[k].second + c.nodes[k + 1].second) *
                   (c.nodes[k + 1].first - c.nodes[k].first);
        }
        const bool reversed = (hole && sum > 0) || (!hole && sum < 0);
        const bool counterClockwise = (signedArea(c.flat) > 0) != reversed;
        if (inside(x, y, c.flat)) winding += counterClockwise ? 1 : -1;
    }
    return winding != 0;
}

size_t contourCount(const HostOutline& o) {
    size_t n = 0;
    for (uint8_t t : o.types) n += (t >> 6) == 0;
    return n;
}

HostOutline readOk(const std::string& body, const SvgOptions& options = {}) {
    const SvgResult r = readSvgText(drawing(body), "t.svg", options);
    EXPECT_TRUE(r.ok) << r.error;
    return r.outline;
}

std::string readError(const std::string& body, const SvgOptions& options = {}) {
    const SvgResult r = readSvgText(drawing(body), "t.svg", options);
    EXPECT_FALSE(r.ok);
    return r.error;
}

const char* kSameWay = "M100 100 H900 V900 H100 Z M300 300 H700 V700 H300 Z";

TEST(SvgFill, NonzeroDropsASameDirectionInnerSubpath) {
    const HostOutline o = readOk(std::string("<path d=\"") + kSameWay + "\"/>");
    EXPECT_EQ(contourCount(o), 1u);
    EXPECT_TRUE(inked(o, 500, 500));
    EXPECT_TRUE(inked(o, 200, 200));
    EXPECT_FALSE(inked(o, 950, 500));
}

TEST(SvgFill, EvenOddAndInheritedRuleCutTheHole) {
    for (const std::string& body :
         {std::string("<path fill-rule=\"evenodd\" d=\"") + kSameWay + "\"/>",
          std::string("<g style=\"fill-rule:evenodd\"><path d=\"") + kSameWay + "\"/></g>"}) {
        const HostOutline o = readOk(body);
        EXPECT_EQ(contourCount(o), 2u) << body;
        EXPECT_FALSE(inked(o, 500, 500)) << body;
        EXPECT_TRUE(inked(o, 200, 200)) << body;
    }
    // nonzero below an evenodd group takes the default back.
    EXPECT_TRUE(inked(readOk(std::string("<g fill-rule=\"evenodd\"><path fill-rule=\"nonzero\" "
                                         "d=\"") +
                             kSameWay + "\"/></g>"),
                      500, 500));
}

TEST(SvgFill, AHoleTouchingItsOuterContourStartsAwayFromTheTouch) {
    // The hole's drawn first point lies on the outer contour, where nesting is unclear.
    const HostOutline o =
        readOk("<path d=\"M100 100 H900 V900 H100 Z M100 500 L500 700 L500 300 Z\"/>");
    ASSERT_EQ(contourCount(o), 2u);
    EXPECT_FALSE(inked(o, 400, 500));
    EXPECT_TRUE(inked(o, 200, 200));
    EXPECT_TRUE(inked(o, 700, 500));
    const size_t second = 4;  // after the outer square's four nodes
    ASSERT_EQ(o.types[second] >> 6, 0);
    EXPECT_FALSE(o.points[2 * second] == 100 && o.points[2 * second + 1] == 500);
}

TEST(SvgFill, AHoleUnderALongEdgeStartsWhereTheRayCrossesCleanly) {
    // A paper plane: the hole's drawn start lies under the long top edge, whose
    // crossing with the upward ray the plug-ins misplace below the start.
    const HostOutline o = readOk(
        "<path transform=\"scale(62.5)\" d=\"M15.964.686a.5.5 0 0 0-.65-.65L.767 5.855a.75.75 0 "
        "0 0-.124 1.329l4.995 3.178 1.531 2.406a.5.5 0 0 0 .844-.536L6.637 10.07l7.494-7.494-1.895 "
        "4.738a.5.5 0 1 0 .928.372l2.8-7Zm-2.54 1.183L5.93 9.363 1.591 6.602l11.833-4.733Z\"/>");
    EXPECT_FALSE(inked(o, 436, 371));
    EXPECT_TRUE(inked(o, 100, 400));
}

TEST(SvgFill, OverlappingCirclesInOnePathFillTheirUnion) {
    const HostOutline o = readOk(
        "<path d=\"M200 500 A200 200 0 1 1 600 500 A200 200 0 1 1 200 500 Z "
        "M400 500 A200 200 0 1 1 800 500 A200 200 0 1 1 400 500 Z\"/>");
    EXPECT_EQ(contourCount(o), 1u);
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {500, 500}, {300, 500}, {700, 500}, {500, 360}, {250, 500}, {750, 500}}) {
        EXPECT_TRUE(inked(o, x, y)) << x << " " << y;
    }
    EXPECT_FALSE(inked(o, 150, 500));
    EXPECT_FALSE(inked(o, 500, 200));
    // Under evenodd the lens stays empty.
    const HostOutline lens = readOk(
        "<path fill-rule=\"evenodd\" d=\"M200 500 A200 200 0 1 1 600 500 A200 200 0 1 1 200 "
        "500 Z M400 500 A200 200 0 1 1 800 500 A200 200 0 1 1 400 500 Z\"/>");
    EXPECT_FALSE(inked(lens, 500, 500));
    EXPECT_TRUE(inked(lens, 300, 500));
    EXPECT_TRUE(inked(lens, 700, 500));
}

TEST(SvgFill, ThreeMutuallyOverlappingElementsAndARepeatedOne) {
    const HostOutline o = readOk(
        "<circle cx=\"400\" cy=\"400\" r=\"200\"/><circle cx=\"600\" cy=\"400\" r=\"200\"/>"
        "<circle cx=\"500\" cy=\"580\" r=\"200\"/>");
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {500, 450}, {300, 400}, {700, 400}, {500, 750}, {500, 300}, {420, 520}}) {
        EXPECT_TRUE(inked(o, x, y)) << x << " " << y;
    }
    EXPECT_FALSE(inked(o, 150, 150));
    // The same ring drawn twice paints what one copy paints.
    const std::string ring =
        "<path fill-rule=\"evenodd\" d=\"M100 100 H900 V900 H100 Z M300 300 H700 V700 H300 Z\"/>";
    const HostOutline twice = readOk(ring + ring);
    EXPECT_FALSE(inked(twice, 500, 500));
    EXPECT_TRUE(inked(twice, 200, 500));
    EXPECT_FALSE(inked(twice, 950, 500));
}

TEST(SvgFill, AnElementInsideAnotherElementsHoleIsKept) {
    const HostOutline o = readOk(
        "<path fill-rule=\"evenodd\" d=\"M100 100 H900 V900 H100 Z M300 300 H700 V700 H300 Z\"/>"
        "<circle cx=\"500\" cy=\"500\" r=\"100\"/>");
    EXPECT_TRUE(inked(o, 500, 500));
    EXPECT_FALSE(inked(o, 350, 350));
    EXPECT_TRUE(inked(o, 200, 200));
    EXPECT_EQ(contourCount(o), 3u);
}

TEST(SvgStroke, OpenPathWithMiterAndRoundJoins) {
    const std::string path =
        "d=\"M100 100 L500 800 L900 100\" fill=\"none\" stroke=\"#000\" "
        "stroke-width=\"50\"";
    // The apex's miter reaches about 50 units below the corner; a round join 25.
    const HostOutline miter = readOk("<path " + path + "/>");
    EXPECT_TRUE(inked(miter, 500, 820));
    EXPECT_TRUE(inked(miter, 500, 840));
    EXPECT_FALSE(inked(miter, 500, 500));  // inside the angle, away from the stroke
    EXPECT_FALSE(inked(miter, 100, 60));   // butt caps end at the end points
    const HostOutline round = readOk("<path " + path + " stroke-linejoin=\"round\"/>");
    EXPECT_TRUE(inked(round, 500, 820));
    EXPECT_FALSE(inked(round, 500, 840));
    // A miter past the limit becomes a bevel.
    const HostOutline bevel = readOk("<path " + path + " stroke-miterlimit=\"1.5\"/>");
    EXPECT_FALSE(inked(bevel, 500, 840));
    const HostOutline capped =
        readOk("<path " + path + " stroke-linecap=\"square\" stroke-linejoin=\"round\"/>");
    EXPECT_TRUE(inked(capped, 100, 85));
}

TEST(SvgStroke, ClosedPathStrokeIsARingAndFillAddsItsInside) {
    const std::string rect = "<rect x=\"200\" y=\"200\" width=\"600\" height=\"600\" ";
    const HostOutline ring = readOk(rect + "fill=\"none\" stroke=\"black\" stroke-width=\"40\"/>");
    EXPECT_EQ(contourCount(ring), 2u);
    EXPECT_FALSE(inked(ring, 500, 500));
    EXPECT_TRUE(inked(ring, 200, 500));
    EXPECT_TRUE(inked(ring, 815, 500));
    EXPECT_TRUE(inked(ring, 190, 190));  // mitered corner
    EXPECT_FALSE(inked(ring, 830, 500));
    const HostOutline both = readOk(rect + "stroke=\"black\" stroke-width=\"40\"/>");
    EXPECT_TRUE(inked(both, 500, 500));
    EXPECT_TRUE(inked(both, 815, 500));
    EXPECT_EQ(contourCount(both), 1u);
    // A stroked line has an outline too.
    EXPECT_TRUE(inked(readOk("<line x1=\"100\" y1=\"500\" x2=\"900\" y2=\"500\" stroke=\"red\" "
                             "stroke-width=\"30\"/>"),
                      500, 510));
}

// A stroke far thinner than its contours are long: each start point is looked for
// near the other contour, and the drawing is checked against its own outline.
TEST(SvgStroke, AThinStrokedCircleIsAThinRing) {
    const HostOutline ring = readOk(
        "<circle cx=\"500\" cy=\"500\" r=\"380\" fill=\"none\" stroke=\"#000\" "
        "stroke-width=\"4\"/>");
    EXPECT_EQ(contourCount(ring), 2u);
    EXPECT_TRUE(inked(ring, 880, 500));
    EXPECT_TRUE(inked(ring, 500, 119));
    EXPECT_FALSE(inked(ring, 875, 500));
    EXPECT_FALSE(inked(ring, 885, 500));
    EXPECT_FALSE(inked(ring, 500, 500));
}

TEST(SvgStroke, StrokesThatCannotBeDrawnAreRefused) {
    EXPECT_NE(readError("<path d=\"M0 0 L100 100\" fill=\"none\" stroke=\"#000\" "
                        "stroke-width=\"0\"/>")
                  .find("t.svg: <path> at line 2: the stroke has no width"),
              std::string::npos);
    EXPECT_NE(readError("<path d=\"M0 0 L100 100\" fill=\"none\" stroke=\"#000\" "
                        "stroke-dasharray=\"5 5\"/>")
                  .find("dashed strokes"),
              std::string::npos);
    // With strokes off, a shape without a fill is refused as before.
    SvgOptions noStrokes;
    noStrokes.strokes = false;
    EXPECT_NE(readError("<path d=\"M0 0 L100 100\" fill=\"none\" stroke=\"#000\"/>", noStrokes)
                  .find("strokes are not exported"),
              std::string::npos);
    EXPECT_NE(readError("<path d=\"M0 0 L100 100 L0 100\" fill=\"none\"/>").find("no stroke"),
              std::string::npos);
}

TEST(SvgFit, ArcsBecomeFewCubicsWithinTheTolerance) {
    // A circle of radius 100 as 400 vertices, and a square with one rounded corner.
    std::vector<Point> circle;
    for (int i = 0; i < 400; ++i) {
        circle.push_back({100 * cosRadians(i * kPi / 200), 100 * sinRadians(i * kPi / 200)});
    }
    const FittedContour f = fitClosedPolygon(circle, 0.15, 2.0);
    EXPECT_LE(f.segments.size(), 12u);
    for (const FitSegment& s : f.segments) {
        EXPECT_TRUE(s.cubic);
        EXPECT_NEAR(s.end.x * s.end.x + s.end.y * s.end.y, 10000, 100);
    }
    const FittedContour square = fitClosedPolygon({{0, 0}, {50, 0}, {50, 50}, {0, 50}}, 0.15, 2);
    ASSERT_EQ(square.segments.size(), 4u);
    for (const FitSegment& s : square.segments) EXPECT_FALSE(s.cubic);
}

}  // namespace
}  // namespace gx::host
