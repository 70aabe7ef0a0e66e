// Fits lines and cubics back to a closed polygon, such as the outline of merged
// shapes, so that the result stays within a tolerance of every polygon vertex.
#pragma once

#include <vector>

#include "svg_math.h"

namespace gx::host {

struct FitSegment {
    bool cubic = false;
    Point c1, c2;
    Point end;
};

// A closed polygon (no repeated last point) becomes a start point and segments
// that return to it. Edges at least `lineLength` long stay straight lines, as do
// edges meeting at a corner sharper than about 40 degrees.
struct FittedContour {
    Point start;
    std::vector<FitSegment> segments;
};
FittedContour fitClosedPolygon(const std::vector<Point>& polygon, double tolerance,
                               double lineLength);

}  // namespace gx::host
