// Outlines of stroked paths, by FreeType's stroker, which works in integers and so
// draws the same outline on every target.
#pragma once

#include <string>
#include <vector>

#include "svg_math.h"
#include "svg_path.h"

namespace gx::host {

enum class LineCap { kButt, kRound, kSquare };
enum class LineJoin { kMiter, kMiterClip, kRound, kBevel };

struct StrokeStyle {
    double width = 1;  // user units
    LineCap cap = LineCap::kButt;
    LineJoin join = LineJoin::kMiter;
    double miterLimit = 4;
};

// The outline of the stroke along `path` (user units) drawn under `ctm`, as subpaths
// in the ctm's units, to be filled by the nonzero rule. The stroke is drawn in user
// space (a skewing ctm skews the pen too). Fails with a reason when the stroke cannot
// be drawn.
bool strokeOutline(const Path& path, const Matrix& ctm, const StrokeStyle& style, Path& out,
                   std::string& error);

}  // namespace gx::host
