// Outlines in SVG user units: subpaths of straight and cubic segments, the path-data
// grammar that builds them, and the conversion of elliptical arcs to cubics.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "svg_math.h"

namespace gx::host {

struct Segment {
    bool cubic = false;
    Point c1, c2;  // control points, for cubics
    Point end;
};

struct Subpath {
    Point start;
    std::vector<Segment> segments;
    bool closed = false;  // ended by closepath; a fill closes every subpath anyway
};

struct Path {
    std::vector<Subpath> subpaths;
    // Host protocol nodes so far: one per start and line, three per cubic.
    size_t nodes = 0;

    void moveTo(Point p);
    void lineTo(Point p);
    void cubicTo(Point c1, Point c2, Point p);
    // Degree elevation is exact: the cubic draws the same curve.
    void quadTo(Point from, Point q, Point p);
    Point current() const;
};

// Appends the arc from `from` to `to` as cubics of at most 90 degrees each. Radii
// too small to reach the end point are scaled up; a zero radius gives a line.
void arcTo(Path& path, Point from, double rx, double ry, double xAxisRotationDegrees, bool largeArc,
           bool sweep, Point to);

// Parses the d attribute. Stops with an error (naming the character position) at
// the first fault, and when the path would need more than maxNodes nodes.
bool parsePathData(std::string_view d, Path& out, size_t maxNodes, std::string& error);

}  // namespace gx::host
