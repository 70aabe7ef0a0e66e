#include "type1/charstring.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "type1/cipher.h"

namespace gx {

int encodeCharStringNumber(int32_t v, std::vector<uint8_t>& out) {
    if (v >= -107 && v <= 107) {
        out.push_back(uint8_t(v + 139));
        return 1;
    }
    if (v >= 108 && v <= 1131) {
        out.push_back(uint8_t((v - 108) / 256 + 247));
        out.push_back(uint8_t((v - 108) % 256));
        return 2;
    }
    if (v >= -1131 && v <= -108) {
        out.push_back(uint8_t((-v - 108) / 256 + 251));
        out.push_back(uint8_t((-v - 108) % 256));
        return 2;
    }
    uint32_t u = uint32_t(v);
    out.push_back(255);
    out.push_back(uint8_t(u >> 24));
    out.push_back(uint8_t(u >> 16));
    out.push_back(uint8_t(u >> 8));
    out.push_back(uint8_t(u));
    return 5;
}

void buildPathPoints(const int32_t* points, const uint8_t* types, int count,
                     std::vector<PathPoint>& out, std::vector<int>& starts) {
    out.assign(size_t(std::max(count, 0)), PathPoint{});
    starts.clear();
    for (int i = 0; i < count; ++i) {
        PathPoint& p = out[size_t(i)];
        p.x = points[2 * i];
        p.y = points[2 * i + 1];
        uint8_t kind = types[i] & 0xC0;
        // Nodes before the first start node form a subpath of their own.
        if (kind == 0x00 || i == 0) {
            p.kind = kPointStart;
            if (i > 0) out[size_t(i) - 1].kind = kPointLast;
            starts.push_back(i);
        } else {
            p.kind = kind == 0x40 ? kPointLine : kPointCurve;
        }
    }
    if (count > 0) out[size_t(count) - 1].kind = kPointLast;
    starts.push_back(std::max(count, 0));
}

namespace {

// A signed sum of 64-bit terms in 128 bits: a zigzag outline can make every term of
// an area sum large and of one sign.
struct WideSum {
    uint64_t low = 0;
    int64_t high = 0;
    void add(int64_t v) {
        const uint64_t before = low;
        low += uint64_t(v);
        high += (v < 0 ? -1 : 0) + (low < before ? 1 : 0);
    }
    int sign() const { return high < 0 ? -1 : (high > 0 || low != 0 ? 1 : 0); }
};

}  // namespace

int contourAreaSign(const std::vector<PathPoint>& pts, int first, int end) {
    WideSum sum;
    for (int i = first; i + 1 < end; ++i) {
        sum.add((int64_t(pts[size_t(i)].y) + pts[size_t(i) + 1].y) *
                (int64_t(pts[size_t(i) + 1].x) - pts[size_t(i)].x));
    }
    // The contour closes back to its first point (closepath); drawings that do not
    // repeat that point would otherwise lose a whole edge.
    if (end - first >= 2) {
        const PathPoint &a = pts[size_t(end) - 1], &b = pts[size_t(first)];
        sum.add((int64_t(a.y) + b.y) * (int64_t(b.x) - a.x));
    }
    return sum.sign();
}

namespace {

int64_t roundHalfAway(double v) {
    return v < 0 ? -int64_t(std::floor(-v + 0.5)) : int64_t(std::floor(v + 0.5));
}

struct Pt {
    int64_t x, y;
};

// Crossing of segment p1p2 with the vertical piece p3p4; the point when there is one.
bool segmentCrossing(Pt p1, Pt p2, Pt p3, Pt p4, Pt& at) {
    if (std::min(p1.x, p2.x) > std::max(p3.x, p4.x) || std::min(p3.x, p4.x) > std::max(p1.x, p2.x))
        return false;
    if (std::min(p1.y, p2.y) > std::max(p3.y, p4.y) || std::min(p3.y, p4.y) > std::max(p1.y, p2.y))
        return false;
    int64_t den = (p1.x - p2.x) * (p3.y - p4.y) + (p4.x - p3.x) * (p1.y - p2.y);
    if (den == 0) return false;
    int64_t num = (p1.y - p2.y) * (p1.x - p3.x) + (p3.y - p1.y) * (p1.x - p2.x);
    double u = num == 0 ? 0.0 : double(num) / double(den);
    if (u < 0.0 || u > 1.0) return false;
    at.x = p1.x + roundHalfAway(double(p2.x - p1.x) * u);
    at.y = p1.y + roundHalfAway(u * double(p2.y - p1.y));
    return true;
}

struct CrossingCounter {
    Pt p;
    int c = 0, r = 0, l = 0;

    void segment(Pt a, Pt b) {
        if (p.x == a.x) {
            if (a.y > p.y) {
                if (b.x > p.x)
                    ++r;
                else if (b.x < p.x)
                    ++l;
            }
        } else if (p.x == b.x) {
            if (b.y > p.y) {
                if (a.x > p.x)
                    ++r;
                else
                    ++l;
            }
        } else if ((a.x < p.x && p.x < b.x) || (b.x < p.x && p.x < a.x)) {
            if (a.y > p.y && b.y > p.y) {
                ++c;
            } else if (a.y < p.y && b.y < p.y) {
            } else {
                Pt at{};
                if (segmentCrossing(a, b, p, Pt{p.x, std::max(a.y, b.y)}, at) && at.y > p.y) ++c;
            }
        }
    }

    void curve(const Pt q[4]) {
        bool allLeft = true, allRight = true, allBelow = true;
        int64_t minX = q[0].x, maxX = q[0].x, minY = q[0].y, maxY = q[0].y;
        for (int i = 0; i < 4; ++i) {
            allLeft = allLeft && q[i].x < p.x;
            allRight = allRight && q[i].x > p.x;
            allBelow = allBelow && q[i].y < p.y;
            minX = std::min(minX, q[i].x);
            maxX = std::max(maxX, q[i].x);
            minY = std::min(minY, q[i].y);
            maxY = std::max(maxY, q[i].y);
        }
        if (allLeft || allRight || allBelow) return;
        int64_t n = std::max(maxX - minX, maxY - minY) / 4;
        n = std::min<int64_t>(32, std::max<int64_t>(2, n));
        double ax = double(q[3].x - q[0].x + 3 * (q[1].x - q[2].x));
        double bx = double(3 * (q[0].x - 2 * q[1].x + q[2].x));
        double cx = double(3 * (q[1].x - q[0].x));
        double ay = double(q[3].y - q[0].y + 3 * (q[1].y - q[2].y));
        double by = double(3 * (q[0].y - 2 * q[1].y + q[2].y));
        double cy = double(3 * (q[1].y - q[0].y));
        Pt prev = q[0];
        for (int64_t k = 1; k <= n; ++k) {
            Pt next = q[3];
            if (k < n) {
                double t = double(k) / double(n);
                next.x = roundHalfAway(((ax * t + bx) * t + cx) * t + double(q[0].x));
                next.y = roundHalfAway(((ay * t + by) * t + cy) * t + double(q[0].y));
            }
            segment(prev, next);
            prev = next;
        }
    }
};

Pt at(const std::vector<PathPoint>& pts, int i) {
    return Pt{pts[size_t(i)].x, pts[size_t(i)].y};
}

}  // namespace

bool pointInsideOtherContours(const std::vector<PathPoint>& pts, const std::vector<int>& starts,
                              int j) {
    CrossingCounter counter;
    counter.p = at(pts, starts[size_t(j)]);
    const int subpaths = int(starts.size()) - 1;
    for (int k = 0; k < subpaths; ++k) {
        if (k == j) continue;
        const int first = starts[size_t(k)], end = starts[size_t(k) + 1];
        int i = first;
        while (i + 1 < end) {
            if (pts[size_t(i) + 1].kind == kPointCurve && i + 3 < end) {
                Pt q[4] = {at(pts, i), at(pts, i + 1), at(pts, i + 2), at(pts, i + 3)};
                counter.curve(q);
                i += 3;
            } else {
                // A curve cut short by the end of its subpath is taken as lines.
                counter.segment(at(pts, i), at(pts, i + 1));
                i += 1;
            }
        }
        if (end - first >= 2) counter.segment(at(pts, end - 1), at(pts, first));  // closepath
    }
    if ((counter.l & 1) && (counter.r & 1)) ++counter.c;
    return (counter.c & 1) != 0;
}

void reverseContour(std::vector<PathPoint>& pts, int first, int end) {
    if (end - first < 2) return;
    // Each point's kind says how it is reached from its predecessor; reversed, a
    // point is reached the way its old successor was.
    std::vector<uint8_t> reach;  // kind of the segment arriving at each point, 0 for the first
    for (int i = first; i < end; ++i) {
        uint8_t k = pts[size_t(i)].kind;
        reach.push_back(i == first ? uint8_t(0) : (k == kPointLast ? uint8_t(kPointLine) : k));
    }
    // A closing point that ends a curve carries 8 instead of 4: recover it from the
    // curve triples.
    for (int i = 1; i < end - first;) {
        if (reach[size_t(i)] == kPointCurve && i + 2 < end - first) {
            reach[size_t(i) + 2] = kPointCurve;
            i += 3;
        } else {
            if (reach[size_t(i)] == kPointCurve) reach[size_t(i)] = kPointLine;
            i += 1;
        }
    }
    std::reverse(pts.begin() + first, pts.begin() + end);
    const int n = end - first;
    for (int i = 1; i < n; ++i) {
        // New point i was old point n-1-i; it is reached along old segment n-i.
        pts[size_t(first + i)].kind = reach[size_t(n - i)];
    }
    pts[size_t(first)].kind = kPointStart;
    pts[size_t(end) - 1].kind = kPointLast;
}

void fixContourDirections(std::vector<PathPoint>& pts, const std::vector<int>& starts) {
    const int subpaths = int(starts.size()) - 1;
    std::vector<bool> inside(size_t(std::max(subpaths, 0)));
    for (int j = 0; j < subpaths; ++j) inside[size_t(j)] = pointInsideOtherContours(pts, starts, j);
    for (int j = 0; j < subpaths; ++j) {
        int s = contourAreaSign(pts, starts[size_t(j)], starts[size_t(j) + 1]);
        if (inside[size_t(j)] ? s > 0 : s < 0)
            reverseContour(pts, starts[size_t(j)], starts[size_t(j) + 1]);
    }
}

CharStringStatus buildCharString(Type1FontState& s, const SessionSettings& settings,
                                 int32_t originX, int32_t originY, const int32_t* points,
                                 const uint8_t* types, int count) {
    const int code = settings.charNumber;
    if (code < 33 || code > 255) return CharStringStatus::BadCharCode;
    if (settings.designSize <= 0 || settings.gridSize == 0) return CharStringStatus::BadDesignSize;
    std::vector<PathPoint> pts;
    std::vector<int> starts;
    buildPathPoints(points, types, count, pts, starts);

    // Each point relative to the origin; the shape is refused before anything is
    // computed from a coordinate that does not land on the grid.
    const double scale = double(settings.gridSize) / double(settings.designSize);
    for (size_t i = 0; i < pts.size(); ++i) {
        const int64_t dx = int64_t(pts[i].x) - originX, dy = int64_t(pts[i].y) - originY;
        const double vx = std::trunc(double(dx) * scale + 0.5);
        const double vy = std::trunc(double(dy) * scale + 0.5);
        if (!(vx >= -32768.0 && vx <= 32767.0 && vy >= -32768.0 && vy <= 32767.0))
            return CharStringStatus::OutOfRange;
        // A point that lands on the grid lies within 2^30 of the origin (the scale is at
        // least 1/32767), which the direction tests below compute with exactly.
        pts[i].x = int32_t(dx);
        pts[i].y = int32_t(dy);
    }
    // Directions are decided on the unscaled shape; moving it to the origin changes
    // no direction.
    fixContourDirections(pts, starts);

    int32_t minX = 32767, minY = 32767, maxX = 0, maxY = 0;
    for (PathPoint& p : pts) {
        const double vx = std::trunc(double(p.x) * scale + 0.5);
        const double vy = std::trunc(double(p.y) * scale + 0.5);
        p.x = int32_t(vx);
        p.y = int32_t(vy);
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    int32_t width;
    if (s.charMetricsLoaded && s.loadedWidthSet[size_t(code)]) {
        width = s.loadedWidths[size_t(code)];
    } else if (settings.autoWidth) {
        width = int32_t(std::trunc(double(maxX) * 1.05));
        if (width > 32767) return CharStringStatus::OutOfRange;
    } else {
        width = settings.charWidth;
    }

    std::vector<uint8_t> cs;
    encodeCharStringNumber(minX, cs);
    encodeCharStringNumber(width, cs);
    cs.push_back(kCsHsbw);
    int32_t cx = minX, cy = 0;
    auto tooLong = [&cs] { return cs.size() + 4 > kMaxCharStringLength; };
    const int subpaths = int(starts.size()) - 1;
    for (int j = 0; j < subpaths; ++j) {
        const int first = starts[size_t(j)], end = starts[size_t(j) + 1];
        for (int i = first; i < end; ++i) {
            const PathPoint& p = pts[size_t(i)];
            if (i == first) {
                encodeCharStringNumber(p.x - cx, cs);
                encodeCharStringNumber(p.y - cy, cs);
                cs.push_back(kCsRmoveto);
                if (end - first == 1) cs.push_back(kCsClosepath);
            } else if (p.kind == kPointCurve && i + 2 < end) {
                const PathPoint& p2 = pts[size_t(i) + 1];
                const PathPoint& p3 = pts[size_t(i) + 2];
                encodeCharStringNumber(p.x - cx, cs);
                encodeCharStringNumber(p.y - cy, cs);
                encodeCharStringNumber(p2.x - p.x, cs);
                encodeCharStringNumber(p2.y - p.y, cs);
                encodeCharStringNumber(p3.x - p2.x, cs);
                encodeCharStringNumber(p3.y - p2.y, cs);
                cs.push_back(kCsRrcurveto);
                if (p3.kind == kPointLast) cs.push_back(kCsClosepath);
                cx = p3.x;
                cy = p3.y;
                i += 2;
                if (tooLong()) return CharStringStatus::TooLong;
                continue;
            } else if (p.kind == kPointLast && p.x == pts[size_t(first)].x &&
                       p.y == pts[size_t(first)].y) {
                cs.push_back(kCsClosepath);
                continue;
            } else {
                encodeCharStringNumber(p.x - cx, cs);
                encodeCharStringNumber(p.y - cy, cs);
                cs.push_back(kCsRlineto);
                if (p.kind == kPointLast) cs.push_back(kCsClosepath);
            }
            cx = p.x;
            cy = p.y;
            if (tooLong()) return CharStringStatus::TooLong;
        }
    }
    cs.push_back(kCsEndchar);
    if (tooLong()) return CharStringStatus::TooLong;

    s.minX = int16_t(minX);
    s.minY = int16_t(minY);
    s.maxX = int16_t(maxX);
    s.maxY = int16_t(maxY);
    s.widths[size_t(code)] = int16_t(width);
    s.newGlyphProgram = std::move(cs);
    s.newGlyphBuilt = true;
    return CharStringStatus::Ok;
}

namespace {

// Walks a plain program up to its hsbw: the bytes that compute the width operand and
// its value. Fonts such as cm-super give widths as "a b div"; the span then covers the
// whole division, so that a new width can stand in its place as one number.
bool findHsbwWidth(const uint8_t* p, size_t n, size_t& spanStart, size_t& spanEnd, int32_t& value) {
    struct Operand {
        int32_t value;
        size_t start, end;
    };
    std::vector<Operand> stack;
    size_t i = 0;
    while (i < n) {
        uint8_t b = p[i];
        if (b >= 32) {
            size_t len = b <= 246 ? 1 : (b <= 254 ? 2 : 5);
            if (len > n - i) return false;
            int32_t v;
            if (len == 1) {
                v = int32_t(b) - 139;
            } else if (len == 2) {
                v = b <= 250 ? (int32_t(b) - 247) * 256 + p[i + 1] + 108
                             : -(int32_t(b) - 251) * 256 - p[i + 1] - 108;
            } else {
                v = int32_t(uint32_t(p[i + 1]) << 24 | uint32_t(p[i + 2]) << 16 |
                            uint32_t(p[i + 3]) << 8 | p[i + 4]);
            }
            stack.push_back(Operand{v, i, i + len});
            i += len;
        } else if (b == kCsHsbw) {
            if (stack.empty()) return false;
            value = stack.back().value;
            spanStart = stack.back().start;
            spanEnd = stack.back().end;
            return true;
        } else if (b == kCsEscape) {
            if (i + 1 >= n) return false;
            if (p[i + 1] == 12 && stack.size() >= 2) {  // div
                const Operand d = stack.back();
                stack.pop_back();
                Operand& a = stack.back();
                a.value =
                    d.value == 0 || (a.value == INT32_MIN && d.value == -1) ? 0 : a.value / d.value;
                a.end = i + 2;
            }
            i += 2;  // the escape and its sub-command
        } else {
            i += 1;
        }
    }
    return false;
}

}  // namespace

bool checkCharString(const std::vector<uint8_t>& program, std::string& why) {
    // The commands of Type 1 charstrings; the escaped ones after byte 12.
    static const bool kCommand[32] = {0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0,
                                      0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    auto escaped = [](uint8_t b) {
        return b == 0 || b == 1 || b == 2 || b == 6 || b == 7 || b == 12 || b == 16 || b == 17 ||
               b == 33;
    };
    const size_t n = program.size();
    for (size_t i = 0; i < n;) {
        const uint8_t b = program[i];
        if (b >= 32) {
            const size_t len = b <= 246 ? 1 : (b <= 254 ? 2 : 5);
            if (len > n - i) {
                why = "ends inside a number";
                return false;
            }
            i += len;
        } else if (b == kCsEscape) {
            if (i + 1 >= n) {
                why = "ends inside a command";
                return false;
            }
            if (!escaped(program[i + 1])) {
                why = "has the unknown command 12 " + std::to_string(program[i + 1]);
                return false;
            }
            i += 2;
        } else if (!kCommand[b]) {
            why = "has the unknown command " + std::to_string(b);
            return false;
        } else {
            i += 1;
        }
    }
    return true;
}

int16_t charStringWidth(const uint8_t* program, size_t length) {
    size_t a = 0, b = 0;
    int32_t v = 0;
    if (!findHsbwWidth(program, length, a, b, v)) return 0;
    return int16_t(std::max(-32768, std::min(32767, v)));
}

std::vector<uint8_t> withCharStringWidth(const std::vector<uint8_t>& program, int16_t width) {
    size_t a = 0, b = 0;
    int32_t v = 0;
    // A width beyond 16 bits reads as the nearest 16-bit value; unless that was changed,
    // the glyph keeps its own.
    if (!findHsbwWidth(program.data(), program.size(), a, b, v) ||
        std::max(-32768, std::min(32767, v)) == width)
        return program;
    std::vector<uint8_t> out(program.begin(), program.begin() + long(a));
    encodeCharStringNumber(width, out);
    out.insert(out.end(), program.begin() + long(b), program.end());
    return out;
}

std::vector<uint8_t> defaultGlyphProgram(int16_t width) {
    std::vector<uint8_t> cs{139};
    encodeCharStringNumber(width, cs);
    cs.push_back(kCsHsbw);
    cs.push_back(kCsEndchar);
    return cs;
}

std::string charStringEntry(const std::string& name, const std::vector<uint8_t>& program, int lenIV,
                            CharStringStyle style) {
    std::vector<uint8_t> bytes;
    if (lenIV >= 0) {
        // Lead bytes this writer always used for lenIV 4: 20 21 22 23.
        for (int i = 0; i < lenIV; ++i) bytes.push_back(uint8_t(20 + i));
    }
    bytes.insert(bytes.end(), program.begin(), program.end());
    if (lenIV >= 0) Type1Cipher(kCharStringKey).encrypt(bytes.data(), bytes.size());
    const bool rd = style == CharStringStyle::RD;
    std::string entry = "/" + name + " " + std::to_string(bytes.size()) + (rd ? " RD " : " -| ");
    entry.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    entry += rd ? " ND\r\n" : " |-\r\n";
    return entry;
}

}  // namespace gx
