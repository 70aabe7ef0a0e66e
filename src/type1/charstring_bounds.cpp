#include "type1/charstring_bounds.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace gx {
namespace {

// The charstring interpreter's limits: the format allows 24 operands and ten levels
// of Subrs; the step budget stops programs that call each other in circles.
constexpr size_t kMaxOperands = 48;
constexpr int kMaxNesting = 10;
constexpr long kMaxSteps = 100000;

struct Point {
    double x = 0, y = 0;
};

class BoundsRunner {
  public:
    explicit BoundsRunner(const CharStringLibrary& library) : library_(library) {}

    bool run(const std::vector<uint8_t>& program, Point offset) {
        offset_ = offset;
        return execute(program, 0);
    }
    bool empty() const { return !any_; }
    double minX = 0, minY = 0, maxX = 0, maxY = 0;

  private:
    void include(Point p) {
        if (!any_) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            any_ = true;
            return;
        }
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }

    // A moveto draws nothing; its point counts once something is drawn from it.
    void moveTo(Point p) {
        current_ = p;
        pendingMove_ = true;
    }
    void drawFrom() {
        if (pendingMove_) include(current_);
        pendingMove_ = false;
    }
    void lineTo(Point p) {
        drawFrom();
        include(p);
        current_ = p;
    }

    // The extremes of a cubic on one axis: where its derivative is zero inside (0, 1).
    static void extremes(double p0, double p1, double p2, double p3, double t[2], int& n) {
        const double a = -p0 + 3 * p1 - 3 * p2 + p3;
        const double b = 2 * (p0 - 2 * p1 + p2);
        const double c = p1 - p0;
        n = 0;
        if (std::fabs(a) < 1e-12) {
            if (std::fabs(b) > 1e-12) t[n++] = -c / b;
        } else {
            const double d = b * b - 4 * a * c;
            if (d >= 0) {
                const double r = std::sqrt(d);
                t[n++] = (-b + r) / (2 * a);
                t[n++] = (-b - r) / (2 * a);
            }
        }
    }
    static double at(double p0, double p1, double p2, double p3, double t) {
        const double u = 1 - t;
        return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
    }

    void curveTo(Point p1, Point p2, Point p3) {
        drawFrom();
        const Point p0 = current_;
        include(p3);
        double t[2];
        int n = 0;
        extremes(p0.x, p1.x, p2.x, p3.x, t, n);
        for (int i = 0; i < n; ++i)
            if (t[i] > 0 && t[i] < 1) include(Point{at(p0.x, p1.x, p2.x, p3.x, t[i]), p0.y});
        extremes(p0.y, p1.y, p2.y, p3.y, t, n);
        for (int i = 0; i < n; ++i)
            if (t[i] > 0 && t[i] < 1) include(Point{p0.x, at(p0.y, p1.y, p2.y, p3.y, t[i])});
        // The x extremes were taken with y at the start: put the start back in the box.
        include(p0);
        current_ = p3;
    }

    void rcurve(double dx1, double dy1, double dx2, double dy2, double dx3, double dy3) {
        const Point p1{current_.x + dx1, current_.y + dy1};
        const Point p2{p1.x + dx2, p1.y + dy2};
        const Point p3{p2.x + dx3, p2.y + dy3};
        curveTo(p1, p2, p3);
    }

    void relativeMove(double dx, double dy) {
        const Point p{current_.x + dx, current_.y + dy};
        if (flex_)
            current_ = p;  // flex points are gathered, not drawn
        else
            moveTo(p);
    }

    bool need(size_t n) const { return stack_.size() >= n; }
    double arg(size_t i) const { return stack_[stack_.size() - need_ + i]; }

    bool otherSubr(int number, std::vector<double>& args) {
        psStack_.clear();
        switch (number) {
            case 1:  // flex starts
                flex_ = true;
                flexPoints_.clear();
                return true;
            case 2:  // one flex point
                if (flex_) flexPoints_.push_back(current_);
                return true;
            case 0: {  // flex ends: two curves through the gathered points
                if (!flex_ || flexPoints_.size() != 7 || args.size() != 3) return false;
                flex_ = false;
                current_ = flexStart_;
                curveTo(flexPoints_[1], flexPoints_[2], flexPoints_[3]);
                curveTo(flexPoints_[4], flexPoints_[5], flexPoints_[6]);
                // What setcurrentpoint is then given, in the glyph's own coordinates.
                psStack_ = {flexPoints_[6].y - offset_.y, flexPoints_[6].x - offset_.x};
                return true;
            }
            default:  // hint replacement (3) and others: the arguments come back
                psStack_.assign(args.rbegin(), args.rend());
                return true;
        }
    }

    bool execute(const std::vector<uint8_t>& p, int depth) {
        if (depth > kMaxNesting) return false;
        const size_t n = p.size();
        for (size_t i = 0; i < n;) {
            if (++steps_ > kMaxSteps) return false;
            const uint8_t b = p[i];
            if (b >= 32) {
                int32_t v;
                if (b <= 246) {
                    v = int32_t(b) - 139;
                    i += 1;
                } else if (b <= 254) {
                    if (i + 1 >= n) return false;
                    v = b <= 250 ? (int32_t(b) - 247) * 256 + p[i + 1] + 108
                                 : -(int32_t(b) - 251) * 256 - p[i + 1] - 108;
                    i += 2;
                } else {
                    if (i + 4 >= n) return false;
                    v = int32_t(uint32_t(p[i + 1]) << 24 | uint32_t(p[i + 2]) << 16 |
                                uint32_t(p[i + 3]) << 8 | p[i + 4]);
                    i += 5;
                }
                if (stack_.size() >= kMaxOperands) return false;
                stack_.push_back(double(v));
                continue;
            }
            int op = b;
            i += 1;
            if (b == 12) {
                if (i >= n) return false;
                op = 100 + p[i];
                i += 1;
            }
            bool clear = true;
            auto take = [&](size_t k) {
                need_ = k;
                return need(k);
            };
            switch (op) {
                case 13:  // hsbw
                    if (!take(2)) return false;
                    moveTo(Point{offset_.x + arg(0), offset_.y});
                    pendingMove_ = false;
                    sidebearing_ = arg(0);
                    break;
                case 107:  // sbw
                    if (!take(4)) return false;
                    moveTo(Point{offset_.x + arg(0), offset_.y + arg(1)});
                    pendingMove_ = false;
                    sidebearing_ = arg(0);
                    break;
                case 21:
                    if (!take(2)) return false;
                    relativeMove(arg(0), arg(1));
                    break;
                case 22:
                    if (!take(1)) return false;
                    relativeMove(arg(0), 0);
                    break;
                case 4:
                    if (!take(1)) return false;
                    relativeMove(0, arg(0));
                    break;
                case 5:
                    if (!take(2)) return false;
                    lineTo(Point{current_.x + arg(0), current_.y + arg(1)});
                    break;
                case 6:
                    if (!take(1)) return false;
                    lineTo(Point{current_.x + arg(0), current_.y});
                    break;
                case 7:
                    if (!take(1)) return false;
                    lineTo(Point{current_.x, current_.y + arg(0)});
                    break;
                case 8:
                    if (!take(6)) return false;
                    rcurve(arg(0), arg(1), arg(2), arg(3), arg(4), arg(5));
                    break;
                case 30:  // vhcurveto
                    if (!take(4)) return false;
                    rcurve(0, arg(0), arg(1), arg(2), arg(3), 0);
                    break;
                case 31:  // hvcurveto
                    if (!take(4)) return false;
                    rcurve(arg(0), 0, arg(1), arg(2), 0, arg(3));
                    break;
                case 9:  // closepath keeps the current point
                case 1:
                case 3:
                case 100:
                case 101:
                case 102:
                    break;
                case 14:  // endchar
                    done_ = true;
                    return true;
                case 106: {  // seac asb adx ady bchar achar
                    if (!take(5) || !library_.glyph) return false;
                    const double asb = arg(0), adx = arg(1), ady = arg(2);
                    const char* base = standardEncodingName(int(arg(3)));
                    const char* accent = standardEncodingName(int(arg(4)));
                    const std::vector<uint8_t>* bp = *base ? library_.glyph(base) : nullptr;
                    const std::vector<uint8_t>* ap = *accent ? library_.glyph(accent) : nullptr;
                    if (!bp || !ap || seacDepth_ > 0) return false;
                    const Point accentOffset{offset_.x + adx + sidebearing_ - asb, offset_.y + ady};
                    ++seacDepth_;
                    bool ok = runPart(*bp, offset_) && runPart(*ap, accentOffset);
                    --seacDepth_;
                    done_ = true;
                    return ok;
                }
                case 10: {  // callsubr
                    if (!need(1)) return false;
                    const double index = stack_.back();
                    stack_.pop_back();
                    const auto* subrs = library_.subrs;
                    if (!subrs || !(index >= 0) || index >= double(subrs->size())) return false;
                    if (!execute((*subrs)[size_t(index)], depth + 1)) return false;
                    if (done_) return true;
                    clear = false;
                    break;
                }
                case 11:  // return
                    return true;
                case 112: {  // div
                    if (!need(2)) return false;
                    const double d = stack_.back();
                    stack_.pop_back();
                    stack_.back() = d == 0 ? 0 : stack_.back() / d;
                    clear = false;
                    break;
                }
                case 116: {  // callothersubr: args... n number
                    if (!need(2)) return false;
                    const int number = int(stack_[stack_.size() - 1]);
                    const double count = stack_[stack_.size() - 2];
                    stack_.resize(stack_.size() - 2);
                    if (!(count >= 0) || count > double(stack_.size())) return false;
                    std::vector<double> args(stack_.end() - long(count), stack_.end());
                    stack_.resize(stack_.size() - size_t(count));
                    if (number == 1) flexStart_ = current_;
                    if (!otherSubr(number, args)) return false;
                    clear = false;
                    break;
                }
                case 117:  // pop: a value back from the other subroutine
                    if (stack_.size() >= kMaxOperands) return false;
                    stack_.push_back(psStack_.empty() ? 0 : psStack_.back());
                    if (!psStack_.empty()) psStack_.pop_back();
                    clear = false;
                    break;
                case 133:  // setcurrentpoint
                    if (!take(2)) return false;
                    current_ = Point{offset_.x + arg(0), offset_.y + arg(1)};
                    break;
                default:
                    return false;
            }
            if (clear) stack_.clear();
        }
        return true;
    }

    // One glyph of an accented pair, with its own operands and end.
    bool runPart(const std::vector<uint8_t>& program, Point offset) {
        const Point savedOffset = offset_;
        offset_ = offset;
        stack_.clear();
        psStack_.clear();
        done_ = false;
        flex_ = false;
        pendingMove_ = false;
        const bool ok = execute(program, 0);
        offset_ = savedOffset;
        return ok;
    }

    const CharStringLibrary& library_;
    std::vector<double> stack_, psStack_;
    size_t need_ = 0;
    Point current_, offset_, flexStart_;
    double sidebearing_ = 0;
    std::vector<Point> flexPoints_;
    bool flex_ = false, pendingMove_ = false, any_ = false, done_ = false;
    int seacDepth_ = 0;
    long steps_ = 0;
};

int32_t toBound(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return int32_t(v);
}

// The names of the standard encoding from code 32 on; "" where it has none.
const char* const kStandardEncoding[224] = {
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quoteright",
    "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash", "zero",
    "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "colon", "semicolon",
    "less", "equal", "greater", "question", "at", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J",
    "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "bracketleft",
    "backslash", "bracketright", "asciicircum", "underscore", "quoteleft", "a", "b", "c", "d", "e",
    "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x",
    "y", "z", "braceleft", "bar", "braceright", "asciitilde", "",
    // 128..159
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    "", "", "", "", "", "", "", "",
    // 160..191
    "", "exclamdown", "cent", "sterling", "fraction", "yen", "florin", "section", "currency",
    "quotesingle", "quotedblleft", "guillemotleft", "guilsinglleft", "guilsinglright", "fi", "fl",
    "", "endash", "dagger", "daggerdbl", "periodcentered", "", "paragraph", "bullet",
    "quotesinglbase", "quotedblbase", "quotedblright", "guillemotright", "ellipsis", "perthousand",
    "", "questiondown",
    // 192..223
    "", "grave", "acute", "circumflex", "tilde", "macron", "breve", "dotaccent", "dieresis", "",
    "ring", "cedilla", "", "hungarumlaut", "ogonek", "caron", "emdash", "", "", "", "", "", "", "",
    "", "", "", "", "", "", "", "",
    // 224..255
    "", "AE", "", "ordfeminine", "", "", "", "", "Lslash", "Oslash", "OE", "ordmasculine", "", "",
    "", "", "", "ae", "", "", "", "dotlessi", "", "", "lslash", "oslash", "oe", "germandbls", "",
    "", "", ""};

}  // namespace

const char* standardEncodingName(int code) {
    return code >= 32 && code <= 255 ? kStandardEncoding[code - 32] : "";
}

bool charStringBounds(const std::vector<uint8_t>& program, const CharStringLibrary& library,
                      GlyphBounds& out) {
    out = GlyphBounds();
    BoundsRunner runner(library);
    if (!runner.run(program, Point{})) return false;
    if (runner.empty()) return true;
    out.llx = toBound(std::floor(runner.minX));
    out.lly = toBound(std::floor(runner.minY));
    out.urx = toBound(std::ceil(runner.maxX));
    out.ury = toBound(std::ceil(runner.maxY));
    return true;
}

}  // namespace gx
