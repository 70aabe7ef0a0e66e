// Turns what the elements of a drawing paint into contours that the plug-ins fill
// the same way. The plug-ins give each contour its direction from the nesting of its
// first point (inside an odd number of other contours: a hole) and then fill by the
// nonzero rule, so the contours handed over must not cross, every one must bound a
// change of fill, and each must start at a point that is clearly inside or outside
// every other contour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "svg_reader.h"

namespace gx::host {

// One closed contour in host units (thousandths of an inch, y up), as host nodes:
// type 0 first, 64 line to the point, 192 192 128 a cubic's two control points and
// its end. The plug-ins close every contour with a line back to its first point.
struct ShapeContour {
    std::vector<int32_t> xs, ys;
    std::vector<uint8_t> types;
};

// What one element paints: its contours, filled by its own rule.
struct PaintedShape {
    std::string where;  // "<path> at line 3", for messages
    bool evenOdd = false;
    std::vector<ShapeContour> contours;
};

// How far the merged outline may stray, in host units, when crossing contours have
// to be merged and their curves fitted back.
constexpr double kFitTolerance = 0.15;

// The union of what the shapes paint, as host outline nodes (closing marks set).
// Contours are kept as drawn wherever that fills right, rotated to a start node
// whose nesting is unambiguous; otherwise the union is computed and its curves
// fitted back. Fails, naming an element in `where`, when the fill cannot be
// resolved.
bool resolveFills(const std::vector<PaintedShape>& shapes, HostOutline& out, std::string& where,
                  std::string& error);

}  // namespace gx::host
