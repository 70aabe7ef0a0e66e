#include "svg_stroke.h"

#include "freetype_api.h"

#include <cmath>
#include <cstdlib>

namespace gx::host {

namespace {

// Stroker units per unit of the drawing's scale: FreeType's 26.6 fixed point.
constexpr double kSubunits = 64;
// FreeType's coordinates are C longs, 32 bits on Windows; staying well inside them
// keeps its arithmetic, and so the outline, the same on every target.
constexpr double kMaxCoordinate = 16777216;  // 2^24

void* ftAlloc(FT_Memory, long size) {
    return std::calloc(1, size_t(size));
}
void ftFree(FT_Memory, void* block) {
    std::free(block);
}
void* ftRealloc(FT_Memory, long, long newSize, void* block) {
    return std::realloc(block, size_t(newSize));
}

// Owns the library, the stroker and the exported outline.
class StrokerScope {
  public:
    explicit StrokerScope(const FreeTypeApi* api) : ft_(api) {
        memory_.user = nullptr;
        memory_.alloc = ftAlloc;
        memory_.free = ftFree;
        memory_.realloc = ftRealloc;
    }
    ~StrokerScope() {
        if (outlineMade_) ft_->FT_Outline_Done(library_, &outline_);
        if (stroker_) ft_->FT_Stroker_Done(stroker_);
        if (library_) ft_->FT_Done_Library(library_);
    }
    StrokerScope(const StrokerScope&) = delete;
    StrokerScope& operator=(const StrokerScope&) = delete;

    bool open() {
        return ft_->FT_New_Library(&memory_, &library_) == 0 &&
               ft_->FT_Stroker_New(library_, &stroker_) == 0;
    }
    bool makeOutline(FT_UInt points, FT_Int contours) {
        outlineMade_ = ft_->FT_Outline_New(library_, points, contours, &outline_) == 0;
        return outlineMade_;
    }
    FT_Stroker stroker() const { return stroker_; }
    FT_Outline& outline() { return outline_; }

  private:
    const FreeTypeApi* const ft_;
    FT_MemoryRec_ memory_;
    FT_Library library_ = nullptr;
    FT_Stroker stroker_ = nullptr;
    FT_Outline outline_{};
    bool outlineMade_ = false;
};

struct Decomposer {
    Path* out;
    Matrix map;  // stroker units to the ctm's units
    Point at(const FT_Vector* v) const { return map.apply({double(v->x), double(v->y)}); }
};

int moveTo(const FT_Vector* to, void* user) {
    auto* d = static_cast<Decomposer*>(user);
    d->out->moveTo(d->at(to));
    d->out->subpaths.back().closed = true;
    return 0;
}
int lineTo(const FT_Vector* to, void* user) {
    auto* d = static_cast<Decomposer*>(user);
    d->out->lineTo(d->at(to));
    return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* d = static_cast<Decomposer*>(user);
    d->out->quadTo(d->out->current(), d->at(control), d->at(to));
    return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* d = static_cast<Decomposer*>(user);
    d->out->cubicTo(d->at(c1), d->at(c2), d->at(to));
    return 0;
}

}  // namespace

bool strokeOutline(const Path& path, const Matrix& ctm, const StrokeStyle& style, Path& out,
                   std::string& error) {
    out = Path();
    const double det = ctm.a * ctm.d - ctm.b * ctm.c;
    // A transform that flattens the drawing to a line leaves the stroke no area.
    if (!(std::fabs(det) > 0)) return true;
    // The pen is round in user space; the stroker works at the drawing's own scale so
    // that its integer grid is as fine as elsewhere.
    const double k = std::sqrt(std::fabs(det)) * kSubunits;
    bool inRange = true;
    const auto toFt = [&](Point p) {
        const double x = std::floor(p.x * k + 0.5), y = std::floor(p.y * k + 0.5);
        if (!(std::fabs(x) < kMaxCoordinate && std::fabs(y) < kMaxCoordinate)) {
            inRange = false;
            return FT_Vector{0, 0};
        }
        return FT_Vector{FT_Pos(x), FT_Pos(y)};
    };
    const double radius = std::floor(style.width / 2 * k + 0.5);
    if (!(radius >= 1)) {
        error = "the stroke is too thin to draw";
        return false;
    }
    if (!(radius < kMaxCoordinate)) {
        error = "the stroke is too wide to draw";
        return false;
    }
    FT_Stroker_LineCap cap = FT_STROKER_LINECAP_BUTT;
    if (style.cap == LineCap::kRound) cap = FT_STROKER_LINECAP_ROUND;
    if (style.cap == LineCap::kSquare) cap = FT_STROKER_LINECAP_SQUARE;
    // SVG's miter turns into a bevel past the limit, as PostScript's does.
    FT_Stroker_LineJoin join = FT_STROKER_LINEJOIN_MITER_FIXED;
    if (style.join == LineJoin::kMiterClip) join = FT_STROKER_LINEJOIN_MITER_VARIABLE;
    if (style.join == LineJoin::kRound) join = FT_STROKER_LINEJOIN_ROUND;
    if (style.join == LineJoin::kBevel) join = FT_STROKER_LINEJOIN_BEVEL;
    const double miter = std::min(std::max(style.miterLimit, 1.0), 32767.0);

    std::string unavailable;
    const FreeTypeApi* ft = freetype(unavailable);
    if (!ft) {
        error = "cannot draw strokes: " + unavailable;
        return false;
    }
    StrokerScope scope(ft);
    if (!scope.open()) {
        error = "cannot start FreeType's stroker";
        return false;
    }
    ft->FT_Stroker_Set(scope.stroker(), FT_Fixed(radius), cap, join,
                       FT_Fixed(std::floor(miter * 65536 + 0.5)));
    for (const Subpath& s : path.subpaths) {
        if (s.segments.empty()) continue;
        FT_Vector start = toFt(s.start);
        if (ft->FT_Stroker_BeginSubPath(scope.stroker(), &start, s.closed ? 0 : 1) != 0) {
            error = "FreeType's stroker refused the path";
            return false;
        }
        for (const Segment& seg : s.segments) {
            FT_Vector end = toFt(seg.end);
            FT_Error e;
            if (seg.cubic) {
                FT_Vector c1 = toFt(seg.c1), c2 = toFt(seg.c2);
                e = ft->FT_Stroker_CubicTo(scope.stroker(), &c1, &c2, &end);
            } else {
                e = ft->FT_Stroker_LineTo(scope.stroker(), &end);
            }
            if (e != 0) {
                error = "FreeType's stroker refused the path";
                return false;
            }
        }
        if (ft->FT_Stroker_EndSubPath(scope.stroker()) != 0) {
            error = "FreeType's stroker refused the path";
            return false;
        }
    }
    if (!inRange) {
        error = "coordinates out of range for a stroke";
        return false;
    }
    FT_UInt points = 0, contours = 0;
    if (ft->FT_Stroker_GetCounts(scope.stroker(), &points, &contours) != 0 ||
        !scope.makeOutline(points, FT_Int(contours))) {
        error = "the stroke's outline is too complex";
        return false;
    }
    scope.outline().n_points = 0;
    scope.outline().n_contours = 0;
    ft->FT_Stroker_Export(scope.stroker(), &scope.outline());
    Decomposer d{&out, Matrix{ctm.a / k, ctm.b / k, ctm.c / k, ctm.d / k, ctm.e, ctm.f}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;
    if (ft->FT_Outline_Decompose(&scope.outline(), &funcs, &d) != 0) {
        error = "cannot read the stroke's outline";
        return false;
    }
    return true;
}

}  // namespace gx::host
