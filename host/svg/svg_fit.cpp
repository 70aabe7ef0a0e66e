#include "svg_fit.h"

#include <cmath>
#include <cstddef>

namespace gx::host {

namespace {

// Turns sharper than this (cosine between neighbouring edge directions) are corners.
constexpr double kCornerCosine = 0.766;  // about 40 degrees
// Splitting stops here and leaves the run as lines, which are exact.
constexpr size_t kMaxDepth = 24;

Point sub(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
Point add(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
Point mul(Point a, double s) {
    return {a.x * s, a.y * s};
}
double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
double length(Point a) {
    return std::sqrt(dot(a, a));
}
Point unit(Point a) {
    const double l = length(a);
    return l > 0 ? mul(a, 1.0 / l) : Point{0, 0};
}

Point bezier(const Point c[4], double t) {
    const double s = 1 - t;
    const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
    return {b0 * c[0].x + b1 * c[1].x + b2 * c[2].x + b3 * c[3].x,
            b0 * c[0].y + b1 * c[1].y + b2 * c[2].y + b3 * c[3].y};
}

// Squared distance of p from the segment a b.
double segmentDistance2(Point p, Point a, Point b) {
    const Point d = sub(b, a);
    const double len2 = dot(d, d);
    double t = len2 > 0 ? dot(sub(p, a), d) / len2 : 0;
    if (t < 0) t = 0;
    if (t > 1) t = 1;
    const Point q = add(a, mul(d, t));
    return dot(sub(p, q), sub(p, q));
}

class Fitter {
  public:
    Fitter(const std::vector<Point>& pts, double tolerance, FittedContour& out)
        : p_(pts), tol2_(tolerance * tolerance), out_(out) {}

    // Fits p_[first..last] (indices may pass the end; they wrap).
    void run(size_t first, size_t last, Point t1, Point t2, size_t depth);
    Point at(size_t i) const { return p_[i % p_.size()]; }

  private:
    void line(size_t last) { out_.segments.push_back({false, {}, {}, at(last)}); }
    bool straight(size_t first, size_t last) const;
    void fitOnce(size_t first, size_t last, Point t1, Point t2, const std::vector<double>& u,
                 Point c[4]) const;
    double maxError(size_t first, size_t last, const Point c[4], const std::vector<double>& u,
                    size_t& worst) const;
    void newtonStep(size_t first, size_t last, const Point c[4], std::vector<double>& u) const;

    const std::vector<Point>& p_;
    double tol2_;
    FittedContour& out_;
};

bool Fitter::straight(size_t first, size_t last) const {
    for (size_t i = first + 1; i < last; ++i) {
        if (segmentDistance2(at(i), at(first), at(last)) > tol2_) return false;
    }
    return true;
}

// Least squares for the two handle lengths along the given end tangents.
void Fitter::fitOnce(size_t first, size_t last, Point t1, Point t2, const std::vector<double>& u,
                     Point c[4]) const {
    const Point p0 = at(first), p3 = at(last);
    double m00 = 0, m01 = 0, m11 = 0, x0 = 0, x1 = 0;
    for (size_t i = 0; i < u.size(); ++i) {
        const double t = u[i], s = 1 - t;
        const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
        const Point a1 = mul(t1, b1), a2 = mul(t2, b2);
        m00 += dot(a1, a1);
        m01 += dot(a1, a2);
        m11 += dot(a2, a2);
        const Point rest = sub(at(first + i), add(mul(p0, b0 + b1), mul(p3, b2 + b3)));
        x0 += dot(a1, rest);
        x1 += dot(a2, rest);
    }
    const double det = m00 * m11 - m01 * m01;
    const double chord = length(sub(p3, p0));
    double alpha1 = 0, alpha2 = 0;
    if (std::fabs(det) > 1e-12) {
        alpha1 = (x0 * m11 - x1 * m01) / det;
        alpha2 = (m00 * x1 - m01 * x0) / det;
    }
    // Handles that point backwards or vanish make loops; a third of the chord is
    // the usual fallback.
    if (!(alpha1 > chord * 1e-3) || !(alpha2 > chord * 1e-3) || alpha1 > chord * 3 ||
        alpha2 > chord * 3) {
        alpha1 = alpha2 = chord / 3;
    }
    c[0] = p0;
    c[1] = add(p0, mul(t1, alpha1));
    c[2] = add(p3, mul(t2, alpha2));
    c[3] = p3;
}

double Fitter::maxError(size_t first, size_t last, const Point c[4], const std::vector<double>& u,
                        size_t& worst) const {
    double maxD = 0;
    worst = (first + last) / 2;
    for (size_t i = first + 1; i < last; ++i) {
        const Point d = sub(bezier(c, u[i - first]), at(i));
        const double d2 = dot(d, d);
        if (d2 > maxD) {
            maxD = d2;
            worst = i;
        }
    }
    // The curve between vertices must also stay near the polygon's edges.
    for (size_t i = first; i < last; ++i) {
        const Point mid = bezier(c, (u[i - first] + u[i + 1 - first]) / 2);
        const double d2 = segmentDistance2(mid, at(i), at(i + 1));
        if (d2 > maxD) {
            maxD = d2;
            worst = i + 1 < last ? i + 1 : i;
            if (worst == first) worst = first + 1;
        }
    }
    return maxD;
}

void Fitter::newtonStep(size_t first, size_t last, const Point c[4], std::vector<double>& u) const {
    for (size_t i = first + 1; i < last; ++i) {
        double& t = u[i - first];
        const double s = 1 - t;
        const Point q = bezier(c, t);
        const Point d1 = add(add(mul(sub(c[1], c[0]), 3 * s * s), mul(sub(c[2], c[1]), 6 * s * t)),
                             mul(sub(c[3], c[2]), 3 * t * t));
        const Point d2 = add(mul(add(sub(c[2], mul(c[1], 2)), c[0]), 6 * s),
                             mul(add(sub(c[3], mul(c[2], 2)), c[1]), 6 * t));
        const Point diff = sub(q, at(i));
        const double num = dot(diff, d1);
        const double den = dot(d1, d1) + dot(diff, d2);
        if (den != 0) {
            const double next = t - num / den;
            if (next > 0 && next < 1) t = next;
        }
    }
}

void Fitter::run(size_t first, size_t last, Point t1, Point t2, size_t depth) {
    if (last - first < 2 || straight(first, last)) {
        line(last);
        return;
    }
    std::vector<double> u(last - first + 1, 0.0);
    double total = 0;
    for (size_t i = first + 1; i <= last; ++i) {
        total += length(sub(at(i), at(i - 1)));
        u[i - first] = total;
    }
    for (double& v : u) v = total > 0 ? v / total : 0;
    Point c[4];
    size_t worst = 0;
    fitOnce(first, last, t1, t2, u, c);
    double err = maxError(first, last, c, u, worst);
    for (int iteration = 0; err > tol2_ && err < 16 * tol2_ && iteration < 4; ++iteration) {
        newtonStep(first, last, c, u);
        fitOnce(first, last, t1, t2, u, c);
        err = maxError(first, last, c, u, worst);
    }
    if (err <= tol2_) {
        out_.segments.push_back({true, c[1], c[2], c[3]});
        return;
    }
    if (depth >= kMaxDepth) {
        for (size_t i = first + 1; i <= last; ++i) line(i);
        return;
    }
    // Split at the worst vertex with one tangent for both halves, so the join stays smooth.
    const Point center = unit(sub(at(worst - 1), at(worst + 1)));
    run(first, worst, t1, center, depth + 1);
    run(worst, last, mul(center, -1), t2, depth + 1);
}

}  // namespace

FittedContour fitClosedPolygon(const std::vector<Point>& polygon, double tolerance,
                               double lineLength) {
    FittedContour out;
    // Repeated points carry no direction.
    std::vector<Point> p;
    for (const Point& q : polygon) {
        if (p.empty() || q.x != p.back().x || q.y != p.back().y) p.push_back(q);
    }
    while (p.size() > 1 && p.back().x == p.front().x && p.back().y == p.front().y) p.pop_back();
    if (p.empty()) return out;
    const size_t n = p.size();
    out.start = p[0];
    if (n < 3) {
        for (size_t i = 1; i <= n; ++i) out.segments.push_back({false, {}, {}, p[i % n]});
        return out;
    }
    // A vertex breaks the fit where the outline turns sharply or meets a long edge.
    std::vector<bool> isBreak(n, false);
    size_t breaks = 0, sharpest = 0;
    double sharpestCos = 2;
    for (size_t i = 0; i < n; ++i) {
        const Point in = sub(p[i], p[(i + n - 1) % n]), out2 = sub(p[(i + 1) % n], p[i]);
        const double c = dot(unit(in), unit(out2));
        if (c < sharpestCos) {
            sharpestCos = c;
            sharpest = i;
        }
        if (c < kCornerCosine || length(in) >= lineLength || length(out2) >= lineLength) {
            isBreak[i] = true;
            ++breaks;
        }
    }
    if (breaks == 0) {
        isBreak[sharpest] = true;
        breaks = 1;
    }
    size_t first = 0;
    while (!isBreak[first]) ++first;
    out.start = p[first];
    Fitter fitter(p, tolerance, out);
    size_t i = first;
    do {
        size_t next = i + 1;
        while (!isBreak[next % n]) ++next;
        // Tangents from the neighbouring vertices inside the run.
        const Point t1 = unit(sub(fitter.at(i + 1), fitter.at(i)));
        const Point t2 = unit(sub(fitter.at(next - 1), fitter.at(next)));
        fitter.run(i, next, t1, t2, 0);
        i = next;
    } while (i % n != first);
    return out;
}

}  // namespace gx::host
