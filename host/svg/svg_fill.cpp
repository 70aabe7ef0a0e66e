#include "svg_fill.h"

#include <clipper.hpp>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

#include "svg_fit.h"
#include "svg_math.h"

namespace gx::host {

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Paths;
using Polygon = ClipperLib::Path;

// Clipper works on integers: host units times this, fine enough that flattening
// and rounding stay far below what a plug-in can tell apart.
constexpr double kScale = 64;
// Curves are flattened within this many host units, and into pieces no longer than
// kMaxPiece, so that longer edges of a merged outline are known to be straight.
constexpr double kFlatness = 0.02;
constexpr double kMaxPiece = 1.5;
constexpr double kLineLength = 2.0;
// Fill is probed this far (host units) to each side of a contour.
constexpr double kProbe = 0.25;
// A start point needs this clearance (host units) from every other contour, and at
// least this share of the drawing's size: the plug-ins judge nesting on their own
// rounded, approximated copy of the curves.
constexpr double kMinClearance = 1.5;
constexpr double kClearanceShare = 0.01;
constexpr size_t kMaxPiecesPerCurve = 256;

enum class Kind { kOuter, kHole, kNone, kMixed };

struct Segment2 {
    bool cubic = false;
    Point c1, c2, end;
};

// A closed contour whose segments return to its start explicitly.
struct Loop {
    Point start;
    std::vector<Segment2> segs;
    size_t shape = 0;
};

struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct Flat {
    Polygon poly;
    Box box;  // Clipper units
};

Point bezierAt(Point p0, Point c1, Point c2, Point p3, double t) {
    const double s = 1 - t;
    const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
    return {b0 * p0.x + b1 * c1.x + b2 * c2.x + b3 * p3.x,
            b0 * p0.y + b1 * c1.y + b2 * c2.y + b3 * p3.y};
}

IntPoint scaled(Point p) {
    return {static_cast<cInt>(std::floor(p.x * kScale + 0.5)),
            static_cast<cInt>(std::floor(p.y * kScale + 0.5))};
}

Loop toLoop(const ShapeContour& c, size_t shape) {
    Loop loop;
    loop.shape = shape;
    loop.start = {double(c.xs[0]), double(c.ys[0])};
    for (size_t i = 1; i < c.types.size();) {
        Segment2 s;
        if ((c.types[i] & 0xC0) == 0xC0 && i + 2 < c.types.size()) {
            s.cubic = true;
            s.c1 = {double(c.xs[i]), double(c.ys[i])};
            s.c2 = {double(c.xs[i + 1]), double(c.ys[i + 1])};
            s.end = {double(c.xs[i + 2]), double(c.ys[i + 2])};
            i += 3;
        } else {
            s.end = {double(c.xs[i]), double(c.ys[i])};
            i += 1;
        }
        loop.segs.push_back(s);
    }
    const Point last = loop.segs.empty() ? loop.start : loop.segs.back().end;
    if (last.x != loop.start.x || last.y != loop.start.y) {
        Segment2 close;
        close.end = loop.start;
        loop.segs.push_back(close);
    }
    return loop;
}

Flat flatten(const Loop& loop) {
    Flat f;
    Point at = loop.start;
    f.poly.push_back(scaled(at));
    for (const Segment2& s : loop.segs) {
        if (s.cubic) {
            // Second differences bound how far the chords stray from the curve.
            const double ax = at.x - 2 * s.c1.x + s.c2.x, ay = at.y - 2 * s.c1.y + s.c2.y;
            const double bx = s.c1.x - 2 * s.c2.x + s.end.x, by = s.c1.y - 2 * s.c2.y + s.end.y;
            const double m = std::sqrt(std::max(ax * ax + ay * ay, bx * bx + by * by));
            const double hull =
                std::sqrt((s.c1.x - at.x) * (s.c1.x - at.x) + (s.c1.y - at.y) * (s.c1.y - at.y)) +
                std::sqrt((s.c2.x - s.c1.x) * (s.c2.x - s.c1.x) +
                          (s.c2.y - s.c1.y) * (s.c2.y - s.c1.y)) +
                std::sqrt((s.end.x - s.c2.x) * (s.end.x - s.c2.x) +
                          (s.end.y - s.c2.y) * (s.end.y - s.c2.y));
            double n = std::ceil(std::sqrt(0.75 * m / kFlatness));
            n = std::max(n, std::ceil(hull / kMaxPiece));
            n = std::min(std::max(n, 1.0), double(kMaxPiecesPerCurve));
            const size_t pieces = static_cast<size_t>(n);
            for (size_t k = 1; k < pieces; ++k) {
                f.poly.push_back(scaled(bezierAt(at, s.c1, s.c2, s.end, double(k) / n)));
            }
        }
        f.poly.push_back(scaled(s.end));
        at = s.end;
    }
    if (f.poly.size() > 1 && f.poly.back() == f.poly.front()) f.poly.pop_back();
    bool first = true;
    for (const IntPoint& p : f.poly) {
        const double x = double(p.X), y = double(p.Y);
        if (first || x < f.box.minX) f.box.minX = x;
        if (first || y < f.box.minY) f.box.minY = y;
        if (first || x > f.box.maxX) f.box.maxX = x;
        if (first || y > f.box.maxY) f.box.maxY = y;
        first = false;
    }
    return f;
}

// The region painted: winding numbers of Clipper's union, outer paths positive.
class Region {
  public:
    explicit Region(Paths paths) : paths_(std::move(paths)) {
        for (const Polygon& p : paths_) {
            sign_.push_back(ClipperLib::Area(p) > 0 ? 1 : -1);
            boxes_.push_back(flatBox(p));
        }
    }
    const Paths& paths() const { return paths_; }
    // 1 inside, 0 outside, -1 on an edge.
    int contains(IntPoint pt) const {
        int winding = 0;
        for (size_t i = 0; i < paths_.size(); ++i) {
            const Box& b = boxes_[i];
            if (double(pt.X) < b.minX || double(pt.X) > b.maxX || double(pt.Y) < b.minY ||
                double(pt.Y) > b.maxY) {
                continue;
            }
            const int r = ClipperLib::PointInPolygon(pt, paths_[i]);
            if (r < 0) return -1;
            winding += r * sign_[i];
        }
        return winding > 0 ? 1 : 0;
    }
    static Box flatBox(const Polygon& p) {
        Box b;
        bool first = true;
        for (const IntPoint& q : p) {
            const double x = double(q.X), y = double(q.Y);
            if (first || x < b.minX) b.minX = x;
            if (first || y < b.minY) b.minY = y;
            if (first || x > b.maxX) b.maxX = x;
            if (first || y > b.maxY) b.maxY = y;
            first = false;
        }
        return b;
    }

  private:
    Paths paths_;
    std::vector<int> sign_;
    std::vector<Box> boxes_;
};

double segmentDistance(double px, double py, const IntPoint& a, const IntPoint& b) {
    const double ax = double(a.X), ay = double(a.Y);
    const double dx = double(b.X) - ax, dy = double(b.Y) - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    t = std::min(1.0, std::max(0.0, t));
    const double qx = ax + dx * t - px, qy = ay + dy * t - py;
    return std::sqrt(qx * qx + qy * qy);
}

// Every contour's edges filed under the square cells their boxes meet, so that a
// question about the edges near a point reads a few cells rather than every edge: a
// start is looked for at every node of every contour, and for a thin ring that took
// time growing with the square of its nodes.
class EdgeCells {
  public:
    EdgeCells(const std::vector<Flat>& flats, double cell) : flats_(flats), cell_(cell) {
        if (flats.empty() || !(cell > 0)) return;
        originX_ = flats[0].box.minX;
        originY_ = flats[0].box.minY;
        for (const Flat& f : flats) {
            originX_ = std::min(originX_, f.box.minX);
            originY_ = std::min(originY_, f.box.minY);
        }
        double edges = 0, filed = 0;
        forEachEdgeSpan([&](size_t, size_t, int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
            edges += 1;
            filed += double(x1 - x0 + 1) * double(y1 - y0 + 1);
        });
        // Long slanted edges meet cells by the square of their length; past this, reading
        // every edge is the cheaper way.
        if (filed > 4 * edges + 4096) return;
        entries_.reserve(size_t(filed));
        forEachEdgeSpan(
            [&](size_t contour, size_t edge, int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
                for (int64_t x = x0; x <= x1; ++x) {
                    for (int64_t y = y0; y <= y1; ++y) {
                        entries_.push_back({x, y, uint32_t(contour), uint32_t(edge)});
                        lastX_ = std::max(lastX_, x);
                        lastY_ = std::max(lastY_, y);
                    }
                }
            });
        std::sort(entries_.begin(), entries_.end(), cellLess);
        filed_ = true;
    }

    // Calls visit(contour, edge) for every edge whose box comes within `reach` of
    // (px, py), and perhaps for others, some more than once.
    template <class Visit>
    void near(double px, double py, double reach, Visit&& visit) const {
        if (!filed_) {
            for (size_t i = 0; i < flats_.size(); ++i) {
                const Box& b = flats_[i].box;
                if (px < b.minX - reach || px > b.maxX + reach || py < b.minY - reach ||
                    py > b.maxY + reach) {
                    continue;
                }
                for (size_t k = 0; k < flats_[i].poly.size(); ++k) visit(i, k);
            }
            return;
        }
        const int64_t x0 = std::max<int64_t>(0, cellOf(px - reach - originX_));
        const int64_t x1 = std::min(lastX_, cellOf(px + reach - originX_));
        const int64_t y0 = std::max<int64_t>(0, cellOf(py - reach - originY_));
        const int64_t y1 = std::min(lastY_, cellOf(py + reach - originY_));
        for (int64_t x = x0; x <= x1; ++x) {
            for (int64_t y = y0; y <= y1; ++y) {
                const Entry key{x, y, 0, 0};
                auto range = std::equal_range(entries_.begin(), entries_.end(), key, cellLess);
                for (auto e = range.first; e != range.second; ++e) visit(e->contour, e->edge);
            }
        }
    }

  private:
    struct Entry {
        int64_t x, y;
        uint32_t contour, edge;
    };

    static bool cellLess(const Entry& a, const Entry& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    }

    int64_t cellOf(double offset) const { return int64_t(std::floor(offset / cell_)); }

    template <class Span>
    void forEachEdgeSpan(Span&& span) const {
        for (size_t i = 0; i < flats_.size(); ++i) {
            const Polygon& poly = flats_[i].poly;
            for (size_t k = 0; k < poly.size(); ++k) {
                const IntPoint& a = poly[k];
                const IntPoint& b = poly[(k + 1) % poly.size()];
                span(i, k, cellOf(double(std::min(a.X, b.X)) - originX_),
                     cellOf(double(std::max(a.X, b.X)) - originX_),
                     cellOf(double(std::min(a.Y, b.Y)) - originY_),
                     cellOf(double(std::max(a.Y, b.Y)) - originY_));
            }
        }
    }

    const std::vector<Flat>& flats_;
    double cell_;
    double originX_ = 0, originY_ = 0;
    int64_t lastX_ = 0, lastY_ = 0;
    std::vector<Entry> entries_;
    bool filed_ = false;
};

// Distance (Clipper units) from p to the nearest other contour, looked for up to `cap`.
double clearance(IntPoint p, size_t self, const std::vector<Flat>& flats, const EdgeCells& cells,
                 double cap) {
    double best = cap;
    const double px = double(p.X), py = double(p.Y);
    cells.near(px, py, cap, [&](size_t i, size_t k) {
        if (i == self) return;
        const Polygon& poly = flats[i].poly;
        best = std::min(best, segmentDistance(px, py, poly[k], poly[(k + 1) % poly.size()]));
    });
    return best;
}

// Which change of fill a contour bounds, probed at points just inside and just
// outside along its edges, away from other contours.
Kind classify(size_t self, const std::vector<Flat>& flats, const EdgeCells& cells,
              const Region& region) {
    const Polygon& poly = flats[self].poly;
    const double area = ClipperLib::Area(poly);
    if (area == 0 || poly.size() < 3) return Kind::kNone;
    const double inside = area > 0 ? 1 : -1;  // positive area: the inside is on the left
    const double offset = kProbe * kScale;
    const size_t n = poly.size();
    int outer = 0, hole = 0, none = 0;
    for (size_t step : {std::max<size_t>(1, n / 24), size_t(1)}) {
        for (size_t e = 0; e < n; e += step) {
            const IntPoint a = poly[e], b = poly[(e + 1) % n];
            const double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
            const double len = std::sqrt(dx * dx + dy * dy);
            if (len < 2 * offset) continue;
            const double mx = (double(a.X) + double(b.X)) / 2, my = (double(a.Y) + double(b.Y)) / 2;
            // Where another contour passes close by, the probes would judge both.
            const IntPoint mid{cInt(std::floor(mx + 0.5)), cInt(std::floor(my + 0.5))};
            if (clearance(mid, self, flats, cells, 2 * offset) < 2 * offset) continue;
            const double nx = -dy / len * offset * inside, ny = dx / len * offset * inside;
            const int in =
                region.contains({cInt(std::floor(mx + nx + 0.5)), cInt(std::floor(my + ny + 0.5))});
            const int out =
                region.contains({cInt(std::floor(mx - nx + 0.5)), cInt(std::floor(my - ny + 0.5))});
            if (in < 0 || out < 0) continue;
            if (in == out) {
                ++none;
            } else if (in == 1) {
                ++outer;
            } else {
                ++hole;
            }
        }
        if (outer + hole + none > 0) break;
    }
    const int kinds = (outer > 0) + (hole > 0) + (none > 0);
    if (kinds != 1) return Kind::kMixed;
    if (outer > 0) return Kind::kOuter;
    if (hole > 0) return Kind::kHole;
    return Kind::kNone;
}

Point roundPoint(Point p) {
    return {std::floor(p.x + 0.5), std::floor(p.y + 0.5)};
}

// The loop started at the beginning of segment j; with `split`, segment j is first
// cut in two at its middle and the loop starts there.
Loop rotated(const Loop& loop, size_t j, bool split) {
    std::vector<Segment2> segs = loop.segs;
    Point start = loop.start;
    for (size_t i = 0; i < j; ++i) start = segs[i].end;
    if (split) {
        const Segment2 s = segs[j];
        Segment2 left, right;
        if (s.cubic) {
            const Point p0 = start;
            const Point m = roundPoint(bezierAt(p0, s.c1, s.c2, s.end, 0.5));
            left.cubic = right.cubic = true;
            left.c1 = roundPoint({(p0.x + s.c1.x) / 2, (p0.y + s.c1.y) / 2});
            left.c2 =
                roundPoint({(p0.x + 2 * s.c1.x + s.c2.x) / 4, (p0.y + 2 * s.c1.y + s.c2.y) / 4});
            left.end = m;
            right.c1 = roundPoint(
                {(s.c1.x + 2 * s.c2.x + s.end.x) / 4, (s.c1.y + 2 * s.c2.y + s.end.y) / 4});
            right.c2 = roundPoint({(s.c2.x + s.end.x) / 2, (s.c2.y + s.end.y) / 2});
            right.end = s.end;
        } else {
            left.end = roundPoint({(start.x + s.end.x) / 2, (start.y + s.end.y) / 2});
            right.end = s.end;
        }
        segs[j] = left;
        segs.insert(segs.begin() + std::ptrdiff_t(j) + 1, right);
        start = left.end;
        j += 1;
    }
    Loop out;
    out.shape = loop.shape;
    out.start = start;
    out.segs.assign(segs.begin() + std::ptrdiff_t(j), segs.end());
    out.segs.insert(out.segs.end(), segs.begin(), segs.begin() + std::ptrdiff_t(j));
    return out;
}

Point segmentStart(const Loop& loop, size_t j) {
    return j == 0 ? loop.start : loop.segs[j - 1].end;
}

// Whether an edge of another contour passes from below p to above it across the
// upward ray from p. The plug-ins decide such an edge by a rounded intersection
// that can land on the wrong side, so a start point whose ray meets only edges wholly
// above or wholly below it is judged the same by both plug-ins at any scale.
bool straddled(IntPoint p, size_t self, const std::vector<Flat>& flats, const EdgeCells& cells) {
    bool found = false;
    cells.near(double(p.X), double(p.Y), 0, [&](size_t i, size_t k) {
        if (found || i == self) return;
        const Polygon& poly = flats[i].poly;
        const IntPoint& u = poly[k];
        const IntPoint& v = poly[(k + 1) % poly.size()];
        if (p.X < std::min(u.X, v.X) || p.X > std::max(u.X, v.X)) return;
        found = std::min(u.Y, v.Y) <= p.Y && std::max(u.Y, v.Y) >= p.Y;
    });
    return found;
}

// Rotates each loop to a start point clear of the other contours, keeping the
// drawn start when it is clear enough: far from them, and with an upward ray that
// crosses their edges cleanly. Returns the smallest clearance reached (host units)
// and the loop that had it.
double chooseStarts(std::vector<Loop>& loops, const std::vector<Flat>& flats, double wanted,
                    size_t& worstLoop) {
    double worst = std::numeric_limits<double>::infinity();
    worstLoop = 0;
    const double cap = wanted * kScale;
    const EdgeCells cells(flats, cap);
    for (size_t i = 0; i < loops.size(); ++i) {
        Loop& loop = loops[i];
        // Candidates rank by a clean ray first, then by clearance up to what is wanted.
        double best = -1, bestClearance = -1;
        size_t bestJ = 0;
        bool bestSplit = false;
        for (int pass = 0; pass < 2 && best < 2 * cap; ++pass) {
            for (size_t j = 0; j < loop.segs.size() && best < 2 * cap; ++j) {
                Point p = segmentStart(loop, j);
                if (pass == 1) {
                    const Segment2& s = loop.segs[j];
                    p = s.cubic ? roundPoint(bezierAt(p, s.c1, s.c2, s.end, 0.5))
                                : roundPoint({(p.x + s.end.x) / 2, (p.y + s.end.y) / 2});
                }
                const double c = clearance(scaled(p), i, flats, cells, cap);
                const double score = c + (straddled(scaled(p), i, flats, cells) ? 0 : cap);
                if (score > best) {
                    best = score;
                    bestClearance = c;
                    bestJ = j;
                    bestSplit = pass == 1;
                }
            }
        }
        if (bestJ != 0 || bestSplit) loop = rotated(loop, bestJ, bestSplit);
        if (bestClearance / kScale < worst) {
            worst = bestClearance / kScale;
            worstLoop = i;
        }
    }
    return worst;
}

// What the plug-ins will decide: a hole when the start point lies inside an odd
// number of the other contours.
bool nestedAsHole(const Loop& loop, size_t self, const std::vector<Flat>& flats) {
    const IntPoint p = scaled(loop.start);
    int count = 0;
    for (size_t i = 0; i < flats.size(); ++i) {
        if (i != self && ClipperLib::PointInPolygon(p, flats[i].poly) != 0) ++count;
    }
    return count % 2 == 1;
}

double netArea(const Paths& paths) {
    double a = 0;
    for (const Polygon& p : paths) a += ClipperLib::Area(p);
    return a;
}

double perimeter(const Paths& paths) {
    double total = 0;
    for (const Polygon& p : paths) {
        for (size_t k = 0; k < p.size(); ++k) {
            const IntPoint& a = p[k];
            const IntPoint& b = p[(k + 1) % p.size()];
            const double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
            total += std::sqrt(dx * dx + dy * dy);
        }
    }
    return total;
}

bool pointLess(const IntPoint& u, const IntPoint& v) {
    return u.X != v.X ? u.X < v.X : u.Y < v.Y;
}

// The edges of `paths`, less every edge that meets its reverse, chained back into
// closed paths. An edge and its reverse wind in opposite senses, so every point
// keeps its winding; but Clipper joins coincident edges in time that grows with the
// square of their number, and a drawing set against its own outline is nothing else.
Paths withoutOpposedEdges(const Paths& paths) {
    struct Edge {
        IntPoint a, b;
    };
    std::vector<Edge> edges;
    for (const Polygon& p : paths) {
        for (size_t k = 0; k < p.size(); ++k) {
            const IntPoint& a = p[k];
            const IntPoint& b = p[(k + 1) % p.size()];
            if (a != b) edges.push_back({a, b});
        }
    }
    // Opposed edges meet as neighbours once each is keyed by its ends in order.
    auto key = [](const Edge& e) {
        return pointLess(e.a, e.b) ? std::make_pair(e.a, e.b) : std::make_pair(e.b, e.a);
    };
    auto keyLess = [&](const Edge& x, const Edge& y) {
        const auto kx = key(x), ky = key(y);
        if (kx.first != ky.first) return pointLess(kx.first, ky.first);
        if (kx.second != ky.second) return pointLess(kx.second, ky.second);
        return pointLess(x.a, y.a);  // forward edges of a key before reverse ones
    };
    std::sort(edges.begin(), edges.end(), keyLess);
    std::vector<Edge> rest;
    for (size_t g = 0; g < edges.size();) {
        size_t end = g, forward = g;
        while (end < edges.size() && key(edges[end]) == key(edges[g])) ++end;
        while (forward < end && edges[forward].a == edges[g].a) ++forward;
        const size_t ahead = forward - g, back = end - forward, cancelled = std::min(ahead, back);
        rest.insert(rest.end(), edges.begin() + long(g + cancelled), edges.begin() + long(forward));
        rest.insert(rest.end(), edges.begin() + long(forward + cancelled),
                    edges.begin() + long(end));
        g = end;
    }
    // Every point still has as many edges out as in, so walks from any edge close.
    std::sort(rest.begin(), rest.end(), [](const Edge& x, const Edge& y) {
        return x.a != y.a ? pointLess(x.a, y.a) : pointLess(x.b, y.b);
    });
    std::vector<size_t> next(rest.size());  // per run of one start point: its next unused
    for (size_t i = 0; i < rest.size(); ++i) next[i] = i;
    auto take = [&](const IntPoint& from, size_t& edge) {
        auto it =
            std::lower_bound(rest.begin(), rest.end(), from,
                             [](const Edge& e, const IntPoint& p) { return pointLess(e.a, p); });
        const size_t run = size_t(it - rest.begin());
        if (run >= rest.size() || rest[run].a != from || next[run] >= rest.size() ||
            rest[next[run]].a != from) {
            return false;
        }
        edge = next[run]++;
        return true;
    };
    Paths out;
    for (size_t run = 0; run < rest.size(); ++run) {
        if (run > 0 && rest[run].a == rest[run - 1].a) continue;
        size_t edge = 0;
        while (take(rest[run].a, edge)) {
            Polygon p{rest[edge].a};
            IntPoint at = rest[edge].b;
            while (at != p.front()) {
                if (!take(at, edge)) return paths;  // not closed after all: keep them whole
                p.push_back(at);
                at = rest[edge].b;
            }
            out.push_back(std::move(p));
        }
    }
    return out;
}

// Area (Clipper units squared) where the contours, directed as the plug-ins will
// direct them, fill differently from the painted region.
double mismatch(const std::vector<Flat>& flats, const std::vector<bool>& holes,
                const Region& region) {
    Paths directed;
    for (size_t i = 0; i < flats.size(); ++i) {
        Polygon p = flats[i].poly;
        if ((ClipperLib::Area(p) < 0) != holes[i]) std::reverse(p.begin(), p.end());
        directed.push_back(std::move(p));
    }
    ClipperLib::Clipper clipper;
    clipper.AddPaths(directed, ClipperLib::ptSubject, true);
    Paths drawn, difference;
    clipper.Execute(ClipperLib::ctUnion, drawn, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    // Drawn minus painted by winding: what cancels leaves no edges, where an xor of
    // two equal outlines would pair every edge with its twin, slowly.
    for (const Polygon& p : region.paths()) drawn.emplace_back(p.rbegin(), p.rend());
    const Paths unmatched = withoutOpposedEdges(drawn);
    if (unmatched.empty()) return 0;
    ClipperLib::Clipper x;
    x.AddPaths(unmatched, ClipperLib::ptSubject, true);
    x.Execute(ClipperLib::ctUnion, difference, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return std::fabs(netArea(difference));
}

// Whether the line from a to b lies on the upward ray from p, or touches it.
bool onRayAbove(Point a, Point b, Point p) {
    if (p.x < std::min(a.x, b.x) || p.x > std::max(a.x, b.x)) return false;
    if (a.x == b.x) return std::max(a.y, b.y) >= p.y;
    return a.y + (b.y - a.y) * (p.x - a.x) / (b.x - a.x) >= p.y;
}

// Appends the loop as host nodes. `starts` are the first points of all contours.
void emit(const Loop& loop, const std::vector<Point>& starts, HostOutline& out) {
    std::vector<Segment2> segs = loop.segs;
    // The plug-ins draw the line back to the start themselves.
    if (!segs.empty() && !segs.back().cubic) segs.pop_back();
    const size_t first = out.types.size();
    out.points.push_back(int32_t(loop.start.x));
    out.points.push_back(int32_t(loop.start.y));
    out.types.push_back(0);
    Point at = loop.start;
    for (const Segment2& s : segs) {
        const bool still = s.end.x == at.x && s.end.y == at.y;
        if (!s.cubic) {
            if (still) continue;
            out.points.insert(out.points.end(), {int32_t(s.end.x), int32_t(s.end.y)});
            out.types.push_back(64);
        } else {
            if (still && s.c1.x == at.x && s.c1.y == at.y && s.c2.x == at.x && s.c2.y == at.y) {
                continue;
            }
            out.points.insert(out.points.end(),
                              {int32_t(s.c1.x), int32_t(s.c1.y), int32_t(s.c2.x), int32_t(s.c2.y),
                               int32_t(s.end.x), int32_t(s.end.y)});
            out.types.insert(out.types.end(), {192, 192, 128});
        }
        at = s.end;
    }
    if (out.types.size() - first < 2) {
        out.types.resize(first);
        out.points.resize(2 * first);
        return;
    }
    // The plug-ins judge nesting and direction without the line that closes a
    // contour: the upward ray from another contour's start does not meet it, and the
    // area sum leaves it out. Where that line matters, the start is repeated at the
    // end, which the plug-ins drop (or merely close on) when they write the glyph.
    double partial = 0;
    const size_t last = out.types.size() - 1;
    for (size_t i = first; i < last; ++i) {
        partial += (double(out.points[2 * i + 1]) + double(out.points[2 * i + 3])) *
                   (double(out.points[2 * i + 2]) - double(out.points[2 * i]));
    }
    const double closing = (double(out.points[2 * last + 1]) + loop.start.y) *
                           (loop.start.x - double(out.points[2 * last]));
    const double whole = partial + closing;
    const Point end{double(out.points[2 * last]), double(out.points[2 * last + 1])};
    bool matters = closing != 0 && (partial == 0 || (partial > 0) != (whole > 0));
    for (const Point& p : starts) {
        if (matters || (end.x == loop.start.x && end.y == loop.start.y)) break;
        if (!(p.x == loop.start.x && p.y == loop.start.y)) matters = onRayAbove(end, loop.start, p);
    }
    if (matters) {
        out.points.insert(out.points.end(), {int32_t(loop.start.x), int32_t(loop.start.y)});
        out.types.push_back(64);
    }
    out.types.back() |= 8;
}

struct Resolver {
    const std::vector<PaintedShape>& shapes;
    std::vector<Loop> loops;
    std::vector<Flat> flats;
    double wanted = kMinClearance;  // host units

    bool exact(const Region& region, HostOutline& out);
    bool merged(const Region& region, HostOutline& out, std::string& where, std::string& error);
    std::string shapeNear(const Box& box) const;
};

// The drawn contours, when keeping them, dropping those that bound no change of
// fill and choosing start points can draw the painted region.
bool Resolver::exact(const Region& region, HostOutline& out) {
    std::vector<Loop> kept;
    std::vector<Flat> keptFlats;
    std::vector<bool> holes;
    const EdgeCells cells(flats, wanted * kScale);
    for (size_t i = 0; i < loops.size(); ++i) {
        const Kind kind = classify(i, flats, cells, region);
        if (kind == Kind::kMixed) return false;
        if (kind == Kind::kNone) continue;
        kept.push_back(loops[i]);
        keptFlats.push_back(flats[i]);
        holes.push_back(kind == Kind::kHole);
    }
    size_t worstLoop = 0;
    if (chooseStarts(kept, keptFlats, wanted, worstLoop) < wanted) return false;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (nestedAsHole(kept[i], i, keptFlats) != holes[i]) return false;
    }
    if (mismatch(keptFlats, holes, region) > kScale * kScale) return false;
    std::vector<Point> starts;
    for (const Loop& loop : kept) starts.push_back(loop.start);
    for (const Loop& loop : kept) emit(loop, starts, out);
    return true;
}

std::string Resolver::shapeNear(const Box& box) const {
    for (size_t i = 0; i < flats.size(); ++i) {
        const Box& b = flats[i].box;
        if (b.minX <= box.maxX && box.minX <= b.maxX && b.minY <= box.maxY && box.minY <= b.maxY) {
            return shapes[loops[i].shape].where;
        }
    }
    return shapes.empty() ? std::string() : shapes.front().where;
}

// The painted region's own outline, its curves fitted back.
bool Resolver::merged(const Region& region, HostOutline& out, std::string& where,
                      std::string& error) {
    // Contours that touch themselves would leave the nesting of their parts open.
    ClipperLib::Clipper simple;
    simple.StrictlySimple(true);
    simple.AddPaths(region.paths(), ClipperLib::ptSubject, true);
    Paths outline;
    simple.Execute(ClipperLib::ctUnion, outline, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    std::vector<Loop> fitted;
    std::vector<bool> holes;
    for (const Polygon& p : outline) {
        // Slivers under a square unit are left over from rounding, not drawn.
        if (std::fabs(ClipperLib::Area(p)) < kScale * kScale) continue;
        std::vector<Point> pts;
        pts.reserve(p.size());
        for (const IntPoint& q : p) pts.push_back({double(q.X) / kScale, double(q.Y) / kScale});
        const FittedContour f = fitClosedPolygon(pts, kFitTolerance, kLineLength);
        Loop loop;
        loop.start = roundPoint(f.start);
        for (const FitSegment& s : f.segments) {
            Segment2 seg;
            seg.cubic = s.cubic;
            seg.c1 = roundPoint(s.c1);
            seg.c2 = roundPoint(s.c2);
            seg.end = roundPoint(s.end);
            loop.segs.push_back(seg);
        }
        if (loop.segs.size() < 2) continue;
        fitted.push_back(std::move(loop));
        holes.push_back(ClipperLib::Area(p) < 0);
    }
    std::vector<Flat> fittedFlats;
    for (const Loop& loop : fitted) fittedFlats.push_back(flatten(loop));
    size_t worstLoop = 0;
    const double reached = chooseStarts(fitted, fittedFlats, wanted, worstLoop);
    for (size_t i = 0; i < fitted.size(); ++i) {
        if (reached < 0.5 || nestedAsHole(fitted[i], i, fittedFlats) != holes[i]) {
            where = shapeNear(fittedFlats[reached < 0.5 ? worstLoop : i].box);
            error =
                "the shapes overlap or touch so closely that their outline cannot be "
                "given a fill the plug-ins draw the same way";
            return false;
        }
    }
    // Fitting and rounding may move the outline by about a unit, no more.
    if (mismatch(fittedFlats, holes, region) > perimeter(region.paths()) * kScale) {
        where = shapes.empty() ? std::string() : shapes.front().where;
        error = "the merged outline strays too far from the drawing";
        return false;
    }
    std::vector<Point> starts;
    for (const Loop& loop : fitted) starts.push_back(loop.start);
    for (const Loop& loop : fitted) emit(loop, starts, out);
    return true;
}

}  // namespace

bool resolveFills(const std::vector<PaintedShape>& shapes, HostOutline& out, std::string& where,
                  std::string& error) {
    try {
        Resolver r{shapes, {}, {}};
        Paths painted;
        for (size_t s = 0; s < shapes.size(); ++s) {
            Paths own;
            for (const ShapeContour& c : shapes[s].contours) {
                if (c.types.empty()) continue;
                r.loops.push_back(toLoop(c, s));
                r.flats.push_back(flatten(r.loops.back()));
                own.push_back(r.flats.back().poly);
            }
            ClipperLib::Clipper clipper;
            clipper.AddPaths(own, ClipperLib::ptSubject, true);
            Paths region;
            const ClipperLib::PolyFillType rule =
                shapes[s].evenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero;
            clipper.Execute(ClipperLib::ctUnion, region, rule, rule);
            painted.insert(painted.end(), region.begin(), region.end());
        }
        ClipperLib::Clipper all;
        all.AddPaths(painted, ClipperLib::ptSubject, true);
        Paths union_;
        all.Execute(ClipperLib::ctUnion, union_, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        const Region region(std::move(union_));
        if (region.paths().empty()) return true;
        Box box = Region::flatBox(region.paths().front());
        for (const Polygon& p : region.paths()) {
            const Box b = Region::flatBox(p);
            box = {std::min(box.minX, b.minX), std::min(box.minY, b.minY),
                   std::max(box.maxX, b.maxX), std::max(box.maxY, b.maxY)};
        }
        const double extent = std::max(box.maxX - box.minX, box.maxY - box.minY) / kScale;
        r.wanted = std::max(kMinClearance, kClearanceShare * extent);
        HostOutline exact;
        if (r.exact(region, exact)) {
            out.points.insert(out.points.end(), exact.points.begin(), exact.points.end());
            out.types.insert(out.types.end(), exact.types.begin(), exact.types.end());
            return true;
        }
        return r.merged(region, out, where, error);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        where = shapes.empty() ? std::string() : shapes.front().where;
        error = std::string("cannot merge the shapes: ") + e.what();
        return false;
    }
}

}  // namespace gx::host
