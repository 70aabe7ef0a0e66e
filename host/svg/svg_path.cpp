#include "svg_path.h"

#include <cmath>

#include "svg_syntax.h"

namespace gx::host {

void Path::moveTo(Point p) {
    // A moveto that draws nothing before the next one leaves no trace in a fill.
    if (!subpaths.empty() && subpaths.back().segments.empty()) {
        subpaths.back().start = p;
        subpaths.back().closed = false;
        return;
    }
    subpaths.push_back(Subpath{p, {}});
    nodes += 1;
}

Point Path::current() const {
    if (subpaths.empty()) return {};
    const Subpath& s = subpaths.back();
    return s.segments.empty() ? s.start : s.segments.back().end;
}

void Path::lineTo(Point p) {
    if (subpaths.empty()) moveTo({});
    nodes += 1;
    Segment seg;
    seg.end = p;
    subpaths.back().segments.push_back(seg);
}

void Path::cubicTo(Point c1, Point c2, Point p) {
    if (subpaths.empty()) moveTo({});
    nodes += 3;
    Segment seg;
    seg.cubic = true;
    seg.c1 = c1;
    seg.c2 = c2;
    seg.end = p;
    subpaths.back().segments.push_back(seg);
}

void Path::quadTo(Point from, Point q, Point p) {
    const Point c1{from.x + 2.0 / 3.0 * (q.x - from.x), from.y + 2.0 / 3.0 * (q.y - from.y)};
    const Point c2{p.x + 2.0 / 3.0 * (q.x - p.x), p.y + 2.0 / 3.0 * (q.y - p.y)};
    cubicTo(c1, c2, p);
}

void arcTo(Path& path, Point from, double rx, double ry, double xAxisRotationDegrees, bool largeArc,
           bool sweep, Point to) {
    // The endpoint-to-centre conversion of the SVG implementation notes.
    if (from.x == to.x && from.y == to.y) return;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0 || ry == 0) {
        path.lineTo(to);
        return;
    }
    const double cosPhi = cosDegrees(xAxisRotationDegrees);
    const double sinPhi = sinDegrees(xAxisRotationDegrees);
    const double dx2 = (from.x - to.x) / 2.0;
    const double dy2 = (from.y - to.y) / 2.0;
    const double x1p = cosPhi * dx2 + sinPhi * dy2;
    const double y1p = -sinPhi * dx2 + cosPhi * dy2;

    const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1.0) {
        const double s = std::sqrt(lambda);
        rx *= s;
        ry *= s;
    }
    const double rx2 = rx * rx, ry2 = ry * ry;
    const double den = rx2 * y1p * y1p + ry2 * x1p * x1p;
    double radicand = den > 0 ? (rx2 * ry2 - den) / den : 0.0;
    if (!(radicand > 0)) radicand = 0;  // scaled radii land on zero, give or take rounding
    double coef = std::sqrt(radicand);
    if (largeArc == sweep) coef = -coef;
    const double cxp = coef * (rx * y1p / ry);
    const double cyp = coef * -(ry * x1p / rx);
    const double cx = cosPhi * cxp - sinPhi * cyp + (from.x + to.x) / 2.0;
    const double cy = sinPhi * cxp + cosPhi * cyp + (from.y + to.y) / 2.0;

    const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
    const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
    const double theta1 = atan2Radians(uy, ux);
    double delta = atan2Radians(ux * vy - uy * vx, ux * vx + uy * vy);
    if (!sweep && delta > 0) delta -= 2.0 * kPi;
    if (sweep && delta < 0) delta += 2.0 * kPi;
    if (!std::isfinite(theta1) || !std::isfinite(delta)) {
        path.lineTo(to);  // non-finite input; the caller's range check reports it
        return;
    }

    int pieces = static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2.0) - 1e-7));
    if (pieces < 1) pieces = 1;
    if (pieces > 4) pieces = 4;
    const double step = delta / pieces;
    // Handle length of a cubic that follows a unit circular arc of `step` radians.
    const double k = 4.0 / 3.0 * (sinRadians(step / 4.0) / cosRadians(step / 4.0));

    auto map = [&](double px, double py) {
        return Point{cx + rx * cosPhi * px - ry * sinPhi * py,
                     cy + rx * sinPhi * px + ry * cosPhi * py};
    };
    double angle = theta1;
    double cos0 = cosRadians(angle), sin0 = sinRadians(angle);
    for (int i = 0; i < pieces; ++i) {
        const double next = theta1 + step * (i + 1);
        const double cos1 = cosRadians(next), sin1 = sinRadians(next);
        const Point c1 = map(cos0 - k * sin0, sin0 + k * cos0);
        const Point c2 = map(cos1 + k * sin1, sin1 - k * cos1);
        // The last end point is the one given, not a recomputed approximation.
        const Point end = i == pieces - 1 ? to : map(cos1, sin1);
        path.cubicTo(c1, c2, end);
        angle = next;
        cos0 = cos1;
        sin0 = sin1;
    }
}

namespace {

bool isCommandLetter(char c) {
    switch (c) {
        case 'M':
        case 'm':
        case 'L':
        case 'l':
        case 'H':
        case 'h':
        case 'V':
        case 'v':
        case 'C':
        case 'c':
        case 'S':
        case 's':
        case 'Q':
        case 'q':
        case 'T':
        case 't':
        case 'A':
        case 'a':
        case 'Z':
        case 'z':
            return true;
        default:
            return false;
    }
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

class PathDataParser {
  public:
    PathDataParser(std::string_view d, Path& out, size_t maxNodes, std::string& error)
        : cursor_(d), path_(out), maxNodes_(maxNodes), error_(error) {}

    bool run();

  private:
    bool number(double& v);
    bool coordinatePair(bool relative, Point& p);
    bool flag(bool& v);
    bool fail(const std::string& what);
    void beginDrawing();

    TextCursor cursor_;
    Path& path_;
    size_t maxNodes_;
    std::string& error_;
    Point current_;
    Point subpathStart_;
    bool needStart_ = false;
};

bool PathDataParser::fail(const std::string& what) {
    error_ = what;
    return false;
}

bool PathDataParser::number(double& v) {
    cursor_.skipCommaSpace();
    const size_t at = cursor_.position();
    std::string numberError;
    if (cursor_.readNumber(v, numberError)) return true;
    if (!numberError.empty()) return fail(numberError + " at character " + std::to_string(at + 1));
    if (cursor_.atEnd()) return fail("path data ends in the middle of a command");
    return fail("expected a number at character " + std::to_string(at + 1));
}

bool PathDataParser::coordinatePair(bool relative, Point& p) {
    double x = 0, y = 0;
    if (!number(x) || !number(y)) return false;
    p = relative ? Point{current_.x + x, current_.y + y} : Point{x, y};
    return true;
}

bool PathDataParser::flag(bool& v) {
    cursor_.skipCommaSpace();
    const size_t at = cursor_.position();
    if (cursor_.readFlag(v)) return true;
    if (cursor_.atEnd()) return fail("path data ends in the middle of a command");
    return fail("expected an arc flag (0 or 1) at character " + std::to_string(at + 1));
}

// A drawing command right after closepath starts a new subpath at the old start.
void PathDataParser::beginDrawing() {
    if (needStart_) {
        path_.moveTo(subpathStart_);
        needStart_ = false;
    }
}

bool PathDataParser::run() {
    char command = 0;
    // The control point that S or T reflects, and the kind of command that left it.
    Point lastControl;
    char lastOp = 0;
    while (true) {
        cursor_.skipCommaSpace();
        if (cursor_.atEnd()) break;
        const size_t at = cursor_.position();
        const char c = cursor_.peek();
        if (isLetter(c)) {
            if (!isCommandLetter(c)) {
                return fail(std::string("unknown path command '") + c + "' at character " +
                            std::to_string(at + 1));
            }
            if (command == 0 && upper(c) != 'M') {
                return fail("path data must begin with a moveto (M or m)");
            }
            command = c;
            cursor_.advance();
        } else {
            // Arguments without a letter repeat the last command; after a moveto
            // they are linetos.
            if (command == 0) return fail("path data must begin with a moveto (M or m)");
            if (upper(command) == 'Z') {
                return fail("expected a command at character " + std::to_string(at + 1));
            }
            if (command == 'M') command = 'L';
            if (command == 'm') command = 'l';
        }
        const bool rel = command >= 'a';
        const char op = upper(command);
        Point p, c1, c2;
        double v = 0;
        switch (op) {
            case 'M':
                if (!coordinatePair(rel, p)) return false;
                path_.moveTo(p);
                subpathStart_ = p;
                needStart_ = false;
                break;
            case 'Z':
                // A fill closes every subpath anyway; a stroke joins the ends.
                p = subpathStart_;
                if (!path_.subpaths.empty() && !needStart_) path_.subpaths.back().closed = true;
                needStart_ = true;
                break;
            case 'L':
                if (!coordinatePair(rel, p)) return false;
                beginDrawing();
                path_.lineTo(p);
                break;
            case 'H':
                if (!number(v)) return false;
                p = {rel ? current_.x + v : v, current_.y};
                beginDrawing();
                path_.lineTo(p);
                break;
            case 'V':
                if (!number(v)) return false;
                p = {current_.x, rel ? current_.y + v : v};
                beginDrawing();
                path_.lineTo(p);
                break;
            case 'C':
                if (!coordinatePair(rel, c1) || !coordinatePair(rel, c2) ||
                    !coordinatePair(rel, p)) {
                    return false;
                }
                beginDrawing();
                path_.cubicTo(c1, c2, p);
                lastControl = c2;
                break;
            case 'S':
                if (!coordinatePair(rel, c2) || !coordinatePair(rel, p)) return false;
                c1 = (lastOp == 'C' || lastOp == 'S')
                         ? Point{2 * current_.x - lastControl.x, 2 * current_.y - lastControl.y}
                         : current_;
                beginDrawing();
                path_.cubicTo(c1, c2, p);
                lastControl = c2;
                break;
            case 'Q':
                if (!coordinatePair(rel, c1) || !coordinatePair(rel, p)) return false;
                beginDrawing();
                path_.quadTo(current_, c1, p);
                lastControl = c1;
                break;
            case 'T':
                if (!coordinatePair(rel, p)) return false;
                c1 = (lastOp == 'Q' || lastOp == 'T')
                         ? Point{2 * current_.x - lastControl.x, 2 * current_.y - lastControl.y}
                         : current_;
                beginDrawing();
                path_.quadTo(current_, c1, p);
                lastControl = c1;
                break;
            case 'A': {
                double rx = 0, ry = 0, rotation = 0;
                bool largeArc = false, sweep = false;
                if (!number(rx) || !number(ry) || !number(rotation) || !flag(largeArc) ||
                    !flag(sweep) || !coordinatePair(rel, p)) {
                    return false;
                }
                beginDrawing();
                arcTo(path_, current_, rx, ry, rotation, largeArc, sweep, p);
                break;
            }
        }
        current_ = p;
        lastOp = op;
        if (path_.nodes > maxNodes_) {
            return fail("path has more than " + std::to_string(maxNodes_) + " nodes");
        }
    }
    return true;
}

}  // namespace

bool parsePathData(std::string_view d, Path& out, size_t maxNodes, std::string& error) {
    Path path;
    PathDataParser parser(d, path, maxNodes, error);
    if (!parser.run()) return false;
    out = std::move(path);
    return true;
}

}  // namespace gx::host
