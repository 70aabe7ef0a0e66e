// Placement, cubic-to-quadratic conversion, contour directions and the glyph record.
#include "truetype/outline.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "support/bytes.h"

namespace gx::tt {
namespace {

// trunc(v) must land in int16; NaN fails both comparisons.
bool toGrid16(double v, int16_t& out) {
    if (!(v > -32769.0 && v < 32768.0)) return false;
    out = static_cast<int16_t>(static_cast<int32_t>(v));
    return true;
}

double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

// The tangent-intersection point is tried once per curve; below that the error of a
// half cubic is an eighth of its parent's.
int convertCubic(const Point2 p[4], double tolerance, bool topLevel, double carriedError,
                 size_t firstOut, int depth, std::vector<Point2>& out) {
    const double d1x = p[1].x - p[0].x, d1y = p[1].y - p[0].y;
    const double d2x = p[2].x - p[3].x, d2y = p[2].y - p[3].y;
    const double d3x = p[3].x - p[0].x, d3y = p[3].y - p[0].y;
    const double cross = d2x * d1y - d2y * d1x;
    const double ex = 3.0 * (p[1].x - p[2].x) - p[0].x + p[3].x;
    const double ey = 3.0 * (p[1].y - p[2].y) - p[0].y + p[3].y;

    if (topLevel && cross != 0.0) {
        const double s = (d3y * d2x - d3x * d2y) / cross;
        const double vx = (3.0 - 2.0 * s) * d1x, vy = (3.0 - 2.0 * s) * d1y;
        const double wx = vx - ex, wy = vy - ey;
        if (0.25 * std::max(length(vx, vy), length(wx, wy)) <= tolerance) {
            out.push_back({p[0].x + s * d1x, p[0].y + s * d1y});
            return int(out.size());
        }
    }
    const double err = topLevel ? length(ex, ey) * 0.018518518518518517 : carriedError * 0.125;
    if (err > tolerance) {
        // Six levels suffice on a 16-bit grid; anything deeper is not a curve we can hold.
        if (depth >= 6) return -1;
        const Point2 m = {0.125 * p[0].x + 0.375 * p[1].x + 0.375 * p[2].x + 0.125 * p[3].x,
                          0.125 * p[0].y + 0.375 * p[1].y + 0.375 * p[2].y + 0.125 * p[3].y};
        const Point2 left[4] = {
            p[0],
            {(p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2},
            {(2 * p[1].x + p[0].x + p[2].x) / 4, (2 * p[1].y + p[0].y + p[2].y) / 4},
            m};
        const Point2 right[4] = {
            m,
            {(2 * p[2].x + p[3].x + p[1].x) / 4, (2 * p[2].y + p[3].y + p[1].y) / 4},
            {(p[3].x + p[2].x) / 2, (p[3].y + p[2].y) / 2},
            p[3]};
        if (convertCubic(left, tolerance, false, err, firstOut, depth + 1, out) < 0) return -1;
        return convertCubic(right, tolerance, false, err, firstOut, depth + 1, out);
    }
    if (out.size() - firstOut + 2 > size_t(kMaxCurvePoints)) return -1;
    out.push_back({0.25 * p[0].x + 0.75 * p[1].x, 0.25 * p[0].y + 0.75 * p[1].y});
    out.push_back({0.75 * p[2].x + 0.25 * p[3].x, 0.75 * p[2].y + 0.25 * p[3].y});
    return int(out.size());
}

struct RayTest {
    int32_t x0, y0;
    bool toggleR = false, toggleL = false;
    int crossings = 0;

    void segment(int32_t px, int32_t py, int32_t qx, int32_t qy) {
        if (px == x0) {
            if (py > y0) {
                if (qx > x0) toggleR = !toggleR;
                if (qx < x0) toggleL = !toggleL;
            }
        } else if (qx == x0) {
            if (qy > y0) {
                if (px > x0)
                    toggleR = !toggleR;
                else
                    toggleL = !toggleL;
            }
        } else if ((px < x0 && x0 < qx) || (qx < x0 && x0 < px)) {
            if (py > y0 && qy > y0) {
                ++crossings;
            } else if (py >= y0 || qy >= y0) {
                int32_t cx, cy;
                if (segmentCrossing(px, py, qx, qy, x0, y0, x0, std::max(py, qy), cx, cy) &&
                    cy > y0)
                    ++crossings;
            }
        }
    }

    void arc(int32_t ax, int32_t ay, int32_t cx, int32_t cy, int32_t bx, int32_t by) {
        if (ax < x0 && cx < x0 && bx < x0) return;
        if (ax > x0 && cx > x0 && bx > x0) return;
        if (ay < y0 && cy < y0 && by < y0) return;
        const int32_t w = std::max({ax, cx, bx}) - std::min({ax, cx, bx});
        const int32_t h = std::max({ay, cy, by}) - std::min({ay, cy, by});
        int n = std::max(w, h) / 4;
        if (n > 15) n = 16;
        if (n < 3) n = 2;
        int32_t px = ax, py = ay;
        for (int s = 1; s <= n; ++s) {
            int32_t qx = bx, qy = by;
            if (s != n) {
                const double t = double(s) / n;
                qx = int32_t(std::round((double(ax - 2 * cx + bx) * t + 2.0 * (cx - ax)) * t + ax));
                qy = int32_t(std::round((double(ay - 2 * cy + by) * t + 2.0 * (cy - ay)) * t + ay));
            }
            segment(px, py, qx, qy);
            px = qx;
            py = qy;
        }
    }
};

void appendBE16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

}  // namespace

int cubicToQuadratic(const Point2 p[4], double tolerance, std::vector<Point2>& out) {
    return convertCubic(p, tolerance, true, 0.0, out.size(), 0, out);
}

int buildConvertedOutline(const GlyphOutline& outline, const PlacementParams& params,
                          ConvertedOutline& out) {
    try {
        out.release();
        int count = outline.count < 0 ? 0 : outline.count;
        if (outline.points.size() < size_t(count) * 2 || outline.types.size() < size_t(count))
            count = int(std::min(outline.points.size() / 2, outline.types.size()));

        // Placement and scaling.
        double originX = 0, originY = 0, scale = 1;
        if (params.mode == Placement::Fitted) {
            if (count > 0) {
                int64_t minX = outline.x(0), maxX = minX, minY = outline.y(0), maxY = minY;
                for (int i = 1; i < count; ++i) {
                    minX = std::min<int64_t>(minX, outline.x(i));
                    maxX = std::max<int64_t>(maxX, outline.x(i));
                    minY = std::min<int64_t>(minY, outline.y(i));
                    maxY = std::max<int64_t>(maxY, outline.y(i));
                }
                const int64_t extent = std::max(maxX - minX, maxY - minY);
                const int64_t margin = extent / 20;
                originX = double(minX - margin);
                originY = double(minY - margin);
                // A single point has no size to fit; it stays where the margin puts it.
                scale = extent > 0 ? params.gridSize / (double(extent) * 1.1) : 1.0;
            }
        } else {
            if (params.designSize <= 0) return kOutlineOutOfRange;
            originX = params.originX;
            originY = params.originY;
            scale = double(params.gridSize) / double(params.designSize);
        }
        std::vector<Point2> scaled(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            int16_t gx, gy;
            if (!toGrid16((double(outline.x(i)) - originX) * scale + 0.5, gx) ||
                !toGrid16((double(outline.y(i)) - originY) * scale + 0.5, gy))
                return kOutlineOutOfRange;
            scaled[size_t(i)] = {double(gx), double(gy)};
        }

        // Contours.
        const double tolerance = params.gridSize * 0.005;
        out.points.reserve(size_t(count));
        std::vector<Point2> curve;
        auto appendPoint = [&](const Point2& p, uint8_t kind) {
            out.points.push_back({int16_t(p.x), int16_t(p.y), kind});
        };
        auto startContour = [&](const Point2& p) {
            if (out.points.size() > 0x7FFF) return false;
            out.contourStarts.push_back(int16_t(out.points.size()));
            if (!out.points.empty()) out.points.back().kind = kContourEnd;
            appendPoint(p, kContourStart);
            return true;
        };
        for (int i = 0; i < count; ++i) {
            const uint8_t type = outline.types[size_t(i)] & kNodeKindMask;
            const Point2& p = scaled[size_t(i)];
            // A path that does not open with a start node starts its contour anyway.
            const bool start =
                type == kNodeStart || (out.contourStarts.empty() && type != kNodeControl);
            if (start) {
                if (!startContour(p)) return kOutlineTooComplex;
            } else if (type == kNodeLine || (type == kNodeCurveEnd && i < 3)) {
                appendPoint(p, kOnCurve);
            } else if (type == kNodeCurveEnd) {
                const Point2 cubic[4] = {scaled[size_t(i) - 3], scaled[size_t(i) - 2],
                                         scaled[size_t(i) - 1], p};
                curve.clear();
                if (cubicToQuadratic(cubic, tolerance, curve) < 0) return kOutlineTooComplex;
                for (const Point2& q : curve) {
                    int16_t qx, qy;
                    if (!toGrid16(q.x, qx) || !toGrid16(q.y, qy)) return kOutlineOutOfRange;
                    out.points.push_back({qx, qy, kOffCurve});
                }
                appendPoint(p, kOnCurve);
            }
            if (out.points.size() > 0xFFFF) return kOutlineTooComplex;
        }
        if (!out.points.empty()) {
            out.contourStarts.push_back(int16_t(uint16_t(out.points.size())));
            out.points.back().kind = kContourEnd;
        }
        return kOutlineOk;
    } catch (const std::bad_alloc&) {
        out.release();
        return kOutlineNoMemory;
    }
}

int64_t contourAreaSign(const GlyphPoint* points, int count) {
    // The closing edge counts too: a contour drawn without repeating its first point
    // must get the same answer as one that repeats it.
    int64_t sum = 0;
    for (int k = 0; k < count; ++k) {
        const GlyphPoint& a = points[k];
        const GlyphPoint& b = points[(k + 1) % count];
        sum += int64_t(a.y + b.y) * int64_t(b.x - a.x);
    }
    return sum;
}

static int contourBegin(const ConvertedOutline& o, int c) {
    return uint16_t(o.contourStarts[size_t(c)]);
}
static int contourEnd(const ConvertedOutline& o, int c) {
    return uint16_t(o.contourStarts[size_t(c) + 1]);
}

void reverseContour(ConvertedOutline& outline, int contour) {
    const int s = contourBegin(outline, contour), e = contourEnd(outline, contour);
    if (e - s < 1) return;
    std::reverse(outline.points.begin() + s, outline.points.begin() + e);
    outline.points[size_t(s)].kind = kContourStart;
    outline.points[size_t(e) - 1].kind = kContourEnd;
}

int segmentCrossing(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                    int32_t x4, int32_t y4, int32_t& outX, int32_t& outY) {
    if (std::min(x1, x2) > std::max(x3, x4) || std::min(x3, x4) > std::max(x1, x2)) return 0;
    if (std::min(y1, y2) > std::max(y3, y4) || std::min(y3, y4) > std::max(y1, y2)) return 0;
    const int64_t den = int64_t(x1 - x2) * (y3 - y4) + int64_t(x4 - x3) * (y1 - y2);
    if (den == 0) return 0;
    const int64_t num = int64_t(y1 - y2) * (x1 - x3) + int64_t(y3 - y1) * (x1 - x2);
    const double u = num == 0 ? 0.0 : double(num) / double(den);
    if (!(u >= 0.0 && u <= 1.0)) return 0;
    outX = x1 + int32_t(std::round(double(x2 - x1) * u));
    outY = y1 + int32_t(std::round(u * double(y2 - y1)));
    return 1;
}

int pointInsideOtherContours(const ConvertedOutline& outline, int contour) {
    const std::vector<GlyphPoint>& pts = outline.points;
    const GlyphPoint& first = pts[size_t(contourBegin(outline, contour))];
    RayTest ray{first.x, first.y};
    auto onCurve = [](const GlyphPoint& p) { return p.kind != kOffCurve; };
    for (int d = 0; d < outline.contourCount(); ++d) {
        if (d == contour) continue;
        const int s = contourBegin(outline, d), e = contourEnd(outline, d);
        int i = s;
        while (i < e - 1) {
            const GlyphPoint& cur = pts[size_t(i)];
            const GlyphPoint& nxt = pts[size_t(i) + 1];
            if (onCurve(cur) && onCurve(nxt)) {
                ray.segment(cur.x, cur.y, nxt.x, nxt.y);
                i += 1;
                continue;
            }
            int32_t ax = cur.x, ay = cur.y;
            if (!onCurve(cur)) {
                ax = (int32_t(cur.x) + nxt.x) / 2;
                ay = (int32_t(cur.y) + nxt.y) / 2;
            }
            // The last point of a contour is on the curve, so an off-curve point has a successor.
            if (i + 2 >= e) break;
            const GlyphPoint& after = pts[size_t(i) + 2];
            int32_t bx = after.x, by = after.y;
            int step = 2;
            if (!onCurve(after)) {
                bx = (int32_t(nxt.x) + after.x) / 2;
                by = (int32_t(nxt.y) + after.y) / 2;
                step = 1;
            }
            ray.arc(ax, ay, nxt.x, nxt.y, bx, by);
            i += step;
        }
        // The implied closing line back to the contour's first point.
        if (e - s > 1) {
            const GlyphPoint& last = pts[size_t(e) - 1];
            const GlyphPoint& head = pts[size_t(s)];
            if (last.x != head.x || last.y != head.y) ray.segment(last.x, last.y, head.x, head.y);
        }
    }
    if (ray.toggleR && ray.toggleL) ++ray.crossings;
    return ray.crossings % 2;
}

int buildNewGlyph(ConvertedOutline& outline, NewGlyph& glyph) {
    try {
        glyph = NewGlyph{};
        glyph.present = true;
        const int contours = outline.contourCount();
        if (contours <= 0 || outline.points.empty()) return kOutlineOk;  // an empty glyph

        std::vector<int> inside(static_cast<size_t>(contours));
        for (int c = 0; c < contours; ++c) inside[size_t(c)] = pointInsideOtherContours(outline, c);
        for (int c = 0; c < contours; ++c) {
            const int s = contourBegin(outline, c), e = contourEnd(outline, c);
            if (e - s < 2) continue;
            const int64_t a = contourAreaSign(&outline.points[size_t(s)], e - s);
            if ((inside[size_t(c)] && a > 0) || (!inside[size_t(c)] && a < 0))
                reverseContour(outline, c);
        }

        int16_t xMin = outline.points[0].x, xMax = xMin, yMin = outline.points[0].y, yMax = yMin;
        for (const GlyphPoint& p : outline.points) {
            xMin = std::min(xMin, p.x);
            xMax = std::max(xMax, p.x);
            yMin = std::min(yMin, p.y);
            yMax = std::max(yMax, p.y);
        }

        std::vector<uint16_t> endPts;
        std::vector<uint8_t> flags;
        std::vector<int16_t> dx, dy;
        int32_t prevX = 0, prevY = 0;
        for (int c = 0; c < contours; ++c) {
            const int s = contourBegin(outline, c);
            int e = contourEnd(outline, c);
            // A contour that repeats its first point at the end is closed by the format anyway.
            if (e - s > 1 && outline.points[size_t(e) - 1].x == outline.points[size_t(s)].x &&
                outline.points[size_t(e) - 1].y == outline.points[size_t(s)].y)
                --e;
            for (int i = s; i < e; ++i) {
                const GlyphPoint& p = outline.points[size_t(i)];
                int16_t rx, ry;
                if (!checkedAssign(rx, int32_t(p.x) - prevX) ||
                    !checkedAssign(ry, int32_t(p.y) - prevY))
                    return kOutlineOutOfRange;
                dx.push_back(rx);
                dy.push_back(ry);
                flags.push_back(p.kind == kOffCurve ? 0 : 1);
                prevX = p.x;
                prevY = p.y;
            }
            endPts.push_back(uint16_t(flags.size() - 1));
        }
        if (flags.size() > 0xFFFF) return kOutlineTooComplex;

        glyph.numberOfContours = int16_t(contours);
        glyph.xMin = xMin;
        glyph.yMin = yMin;
        glyph.xMax = xMax;
        glyph.yMax = yMax;
        glyph.pointCount = uint16_t(flags.size());
        std::vector<uint8_t>& r = glyph.record;
        r.reserve(10 + 2 * endPts.size() + 2 + 5 * flags.size());
        appendBE16(r, uint16_t(contours));
        appendBE16(r, uint16_t(xMin));
        appendBE16(r, uint16_t(yMin));
        appendBE16(r, uint16_t(xMax));
        appendBE16(r, uint16_t(yMax));
        for (uint16_t e : endPts) appendBE16(r, e);
        appendBE16(r, 0);  // no instructions
        r.insert(r.end(), flags.begin(), flags.end());
        for (int16_t v : dx) appendBE16(r, uint16_t(v));
        for (int16_t v : dy) appendBE16(r, uint16_t(v));
        return kOutlineOk;
    } catch (const std::bad_alloc&) {
        glyph = NewGlyph{};
        return kOutlineNoMemory;
    }
}

}  // namespace gx::tt
