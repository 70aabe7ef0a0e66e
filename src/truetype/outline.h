// The captured outline turned into TrueType contours and a glyph record.
#pragma once

#include <cstdint>
#include <vector>

#include "support/glyph_outline.h"
#include "truetype/font_state.h"

namespace gx::tt {

enum class Placement { Fitted, Fixed };

struct PlacementParams {
    Placement mode = Placement::Fitted;
    uint16_t gridSize = 2048;
    int32_t designSize = 10000;  // thousandths of an inch (fixed placement)
    int32_t originX = 0;         // thousandths of an inch (fixed placement)
    int32_t originY = 0;
};

// Status values of the builders.
enum : int {
    kOutlineOk = 0,
    kOutlineNoMemory = 1,
    kOutlineOutOfRange = 2,  // a point leaves the 16-bit grid range
    kOutlineTooComplex = 3,  // a curve needs more off-curve points than a curve may have
};

inline constexpr int kMaxCurvePoints = 128;

struct Point2 {
    double x = 0, y = 0;
};

int buildConvertedOutline(const GlyphOutline& outline, const PlacementParams& params,
                          ConvertedOutline& out);

// Appends the off-curve points approximating one cubic to `out`; returns the new count,
// or -1 when more than kMaxCurvePoints would be needed. `tolerance` is grid size x 0.005.
int cubicToQuadratic(const Point2 p[4], double tolerance, std::vector<Point2>& out);

// Directions fixed, box computed, record encoded into `glyph`.
int buildNewGlyph(ConvertedOutline& outline, NewGlyph& glyph);

int pointInsideOtherContours(const ConvertedOutline& outline, int contour);
int64_t contourAreaSign(const GlyphPoint* points, int count);
void reverseContour(ConvertedOutline& outline, int contour);
int segmentCrossing(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                    int32_t x4, int32_t y4, int32_t& outX, int32_t& outY);

}  // namespace gx::tt
