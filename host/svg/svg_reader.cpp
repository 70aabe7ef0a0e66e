#include "svg_reader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>

#include "svg_css.h"
#include "svg_fill.h"
#include "svg_math.h"
#include "svg_path.h"
#include "svg_stroke.h"
#include "svg_syntax.h"

namespace gx::host {

namespace {

constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
// A drawing is read whole into memory; anything this large is not a glyph.
constexpr size_t kMaxFileBytes = 64u << 20;
// Bounds for hostile files: nested elements and use chains recurse, and a few
// levels of use can multiply the elements visited exponentially.
constexpr int kMaxDepth = 200;
constexpr size_t kMaxElementsVisited = 200000;
constexpr size_t kMaxWorkBytes = 256u << 20;
// Nodes gathered before degenerate segments are dropped; the protocol's own
// limit is checked on what remains.
constexpr size_t kMaxGatheredNodes = 4 * kMaxOutlineNodes;
// 96 CSS pixels to the inch; the host works in thousandths of an inch. The root
// viewport is sized in thousandths directly, so that a drawing sized in inches or
// pixels maps its viewBox with an exact scale (1in over a 1000-unit viewBox is 1).
constexpr double kThousandthsPerPixel = 1000.0 / 96.0;
// Handle length for a quarter circle drawn as one cubic, 4/3 (sqrt 2 - 1).
constexpr double kQuarterCircle = 0.55228474983079339840;

struct InheritedStyle {
    bool fillNone = false;
    bool evenOdd = false;
    bool hidden = false;
    bool stroked = false;
    bool dashed = false;
    StrokeStyle stroke;
};

struct Context {
    Matrix ctm;  // to thousandths of an inch, y still growing downward
    InheritedStyle style;
    double viewportWidth = 0, viewportHeight = 0;  // user units, for percentages
    bool viewportKnown = false;
    int depth = 0;
};

enum class Axis { kX, kY, kDiagonal };

// A subpath in thousandths of an inch (y down), with node types, before rounding.
struct GatheredSubpath {
    std::vector<Point> points;
    std::vector<uint8_t> types;
    size_t shape = 0;  // index of the painted shape it belongs to
};

// The properties that decide whether and how an element draws, worked out once per
// element: a use can visit the same element many times.
struct ElementStyle {
    std::string display, fill, fillRule, visibility;
    std::string stroke, strokeWidth, strokeLinejoin, strokeLinecap, strokeMiterlimit,
        strokeDasharray;
    size_t attributeBytes = 0;  // what one visit may parse
};

struct ViewBox {
    bool present = false;
    double x = 0, y = 0, width = 0, height = 0;
};

class SvgDocumentReader {
  public:
    SvgDocumentReader(const std::string& text, const std::string& name, const SvgOptions& options)
        : text_(text), name_(name), options_(options) {}

    SvgResult run();

  private:
    bool fail(const pugi::xml_node& node, const std::string& what);
    bool failFile(const std::string& what);
    std::string describe(const pugi::xml_node& node) const;
    int lineOf(ptrdiff_t offset) const;

    std::string svgName(const pugi::xml_node& node) const;
    std::string property(const pugi::xml_node& node, const char* name) const;
    const ElementStyle& styleOf(const pugi::xml_node& node);
    bool applyStyle(const pugi::xml_node& node, Context& ctx);
    bool chargeWork(const pugi::xml_node& node, size_t bytes);
    const char* href(const pugi::xml_node& node) const;
    bool lengthAttribute(const pugi::xml_node& node, const Context& ctx, const char* name,
                         Axis axis, double fallback, double& out, bool* present = nullptr);
    bool lengthValue(const pugi::xml_node& node, const Context& ctx, const char* name,
                     const char* value, Axis axis, double fallback, double& out,
                     bool* present = nullptr);
    bool parseViewBox(const pugi::xml_node& node, ViewBox& out);
    bool viewportTransform(const pugi::xml_node& node, const ViewBox& box, double x, double y,
                           double width, double height, Matrix& out);

    bool walk(const pugi::xml_node& node, const Context& parent);
    bool walkChildren(const pugi::xml_node& node, const Context& ctx);
    bool walkUse(const pugi::xml_node& node, const Context& ctx);
    bool walkViewport(const pugi::xml_node& node, const Context& ctx, bool ownPosition,
                      const char* width, const char* height);
    bool shape(const pugi::xml_node& node, const std::string& name, const Context& ctx);
    bool gather(const pugi::xml_node& node, const Path& path, const Matrix& ctm, bool evenOdd);
    bool finish(SvgResult& result, const Matrix& rootMap, const ViewBox& box, double rootHeight);

    const std::string& text_;
    const std::string& name_;
    const SvgOptions& options_;
    std::string error_;
    std::vector<size_t> lineStarts_;
    std::map<std::string, pugi::xml_node> ids_;
    StyleSheet styleSheet_;
    std::unordered_map<const void*, ElementStyle> styles_;
    size_t workBytes_ = 0;
    std::vector<pugi::xml_node> useStack_;
    size_t visited_ = 0;
    size_t gatheredNodes_ = 0;
    std::vector<GatheredSubpath> gathered_;
    std::vector<PaintedShape> shapes_;
};

int SvgDocumentReader::lineOf(ptrdiff_t offset) const {
    if (offset < 0) return 0;
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), size_t(offset));
    return static_cast<int>(it - lineStarts_.begin());
}

std::string SvgDocumentReader::describe(const pugi::xml_node& node) const {
    std::string s = "<" + std::string(node.name()) + ">";
    const int line = lineOf(node.offset_debug());
    if (line > 0) s += " at line " + std::to_string(line);
    return s;
}

bool SvgDocumentReader::fail(const pugi::xml_node& node, const std::string& what) {
    if (error_.empty()) error_ = name_ + ": " + describe(node) + ": " + what;
    return false;
}

bool SvgDocumentReader::failFile(const std::string& what) {
    if (error_.empty()) error_ = name_ + ": " + what;
    return false;
}

// The element's SVG name, or empty for elements of other vocabularies (editor metadata).
std::string SvgDocumentReader::svgName(const pugi::xml_node& node) const {
    const std::string full = node.name();
    const size_t colon = full.find(':');
    if (colon == std::string::npos) return full;
    const std::string binding = "xmlns:" + full.substr(0, colon);
    for (pugi::xml_node n = node; n; n = n.parent()) {
        const pugi::xml_attribute a = n.attribute(binding.c_str());
        if (a) return std::strcmp(a.value(), kSvgNamespace) == 0 ? full.substr(colon + 1) : "";
    }
    return "";
}

// A style declaration wins over a style sheet rule, and both over the presentation
// attribute of the same name.
std::string SvgDocumentReader::property(const pugi::xml_node& node, const char* name) const {
    const pugi::xml_attribute style = node.attribute("style");
    if (style) {
        std::string found;
        bool have = false;
        for (const StyleDeclaration& d : parseStyleDeclarations(style.value())) {
            if (d.name == name) {
                found = d.value;
                have = true;
            }
        }
        if (have) return found;
    }
    std::string fromSheet;
    if (!styleSheet_.empty() &&
        styleSheet_.lookup(svgName(node), node.attribute("id").value(),
                           node.attribute("class").value(), name, fromSheet)) {
        return fromSheet;
    }
    return std::string(trimSpace(node.attribute(name).value()));
}

const ElementStyle& SvgDocumentReader::styleOf(const pugi::xml_node& node) {
    const auto found = styles_.find(node.internal_object());
    if (found != styles_.end()) return found->second;
    ElementStyle style;
    style.display = property(node, "display");
    style.fill = property(node, "fill");
    style.fillRule = property(node, "fill-rule");
    style.stroke = property(node, "stroke");
    style.strokeWidth = property(node, "stroke-width");
    style.strokeLinejoin = property(node, "stroke-linejoin");
    style.strokeLinecap = property(node, "stroke-linecap");
    style.strokeMiterlimit = property(node, "stroke-miterlimit");
    style.strokeDasharray = property(node, "stroke-dasharray");
    style.visibility = property(node, "visibility");
    for (const pugi::xml_attribute& a : node.attributes()) {
        style.attributeBytes += std::strlen(a.value()) + 1;
    }
    return styles_.emplace(node.internal_object(), std::move(style)).first->second;
}

// Fill and visibility inherit; "inherit" and an absent value keep the parent's.
bool SvgDocumentReader::applyStyle(const pugi::xml_node& node, Context& ctx) {
    const ElementStyle& style = styleOf(node);
    if (!style.fill.empty() && style.fill != "inherit") ctx.style.fillNone = style.fill == "none";
    if (style.fillRule == "evenodd") ctx.style.evenOdd = true;
    if (style.fillRule == "nonzero") ctx.style.evenOdd = false;
    // Stroke properties inherit too; values SVG does not know are ignored, as renderers do.
    if (!style.stroke.empty() && style.stroke != "inherit") {
        ctx.style.stroked = style.stroke != "none";
    }
    if (!style.strokeWidth.empty() && style.strokeWidth != "inherit") {
        if (!lengthValue(node, ctx, "stroke-width", style.strokeWidth.c_str(), Axis::kDiagonal, 1,
                         ctx.style.stroke.width)) {
            return false;
        }
    }
    const std::string& join = style.strokeLinejoin;
    if (join == "miter" || join == "arcs") ctx.style.stroke.join = LineJoin::kMiter;
    if (join == "miter-clip") ctx.style.stroke.join = LineJoin::kMiterClip;
    if (join == "round") ctx.style.stroke.join = LineJoin::kRound;
    if (join == "bevel") ctx.style.stroke.join = LineJoin::kBevel;
    const std::string& cap = style.strokeLinecap;
    if (cap == "butt") ctx.style.stroke.cap = LineCap::kButt;
    if (cap == "round") ctx.style.stroke.cap = LineCap::kRound;
    if (cap == "square") ctx.style.stroke.cap = LineCap::kSquare;
    if (!style.strokeMiterlimit.empty() && style.strokeMiterlimit != "inherit") {
        std::vector<double> v;
        std::string error;
        if (parseNumberList(style.strokeMiterlimit, v, error) && v.size() == 1 && v[0] >= 1) {
            ctx.style.stroke.miterLimit = v[0];
        }
    }
    const std::string& dashes = style.strokeDasharray;
    if (!dashes.empty() && dashes != "inherit") {
        std::vector<double> v;
        std::string error;
        ctx.style.dashed = dashes != "none" && parseNumberList(dashes, v, error) &&
                           std::any_of(v.begin(), v.end(), [](double d) { return d != 0; });
    }
    if (style.visibility == "hidden" || style.visibility == "collapse") ctx.style.hidden = true;
    if (style.visibility == "visible") ctx.style.hidden = false;
    if (const pugi::xml_attribute t = node.attribute("transform")) {
        Matrix m;
        std::string error;
        if (!parseTransform(t.value(), m, error)) return fail(node, "bad transform: " + error);
        ctx.ctm = ctx.ctm.then(m);
    }
    return true;
}

// Attribute text parsed, counted over every visit, so that a file of a few
// megabytes cannot make the reader parse gigabytes through repeated uses.
bool SvgDocumentReader::chargeWork(const pugi::xml_node& node, size_t bytes) {
    workBytes_ += bytes;
    if (workBytes_ > kMaxWorkBytes) return fail(node, "the drawing is too complex to read");
    return true;
}

const char* SvgDocumentReader::href(const pugi::xml_node& node) const {
    if (const pugi::xml_attribute a = node.attribute("href")) return a.value();
    for (const pugi::xml_attribute& a : node.attributes()) {
        const char* colon = std::strchr(a.name(), ':');
        if (colon && std::strcmp(colon + 1, "href") == 0) return a.value();
    }
    return nullptr;
}

const char* attributeOrNull(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute a = node.attribute(name);
    return a ? a.value() : nullptr;
}

bool SvgDocumentReader::lengthAttribute(const pugi::xml_node& node, const Context& ctx,
                                        const char* name, Axis axis, double fallback, double& out,
                                        bool* present) {
    return lengthValue(node, ctx, name, attributeOrNull(node, name), axis, fallback, out, present);
}

// A length in user units; `value` null or "auto" gives the fallback.
bool SvgDocumentReader::lengthValue(const pugi::xml_node& node, const Context& ctx,
                                    const char* name, const char* value, Axis axis, double fallback,
                                    double& out, bool* present) {
    const bool given = value && trimSpace(value) != "auto";
    if (present) *present = given;
    if (!given) {
        out = fallback;
        return true;
    }
    Length length;
    std::string error;
    if (!parseLength(value, length, error)) {
        return fail(node, "bad " + std::string(name) + ": " + error);
    }
    if (length.isPercent()) {
        if (!ctx.viewportKnown) {
            return fail(node, std::string(name) + " is a percentage, but the drawing has no size");
        }
        double base = ctx.viewportWidth;
        if (axis == Axis::kY) base = ctx.viewportHeight;
        if (axis == Axis::kDiagonal) {
            base = std::sqrt(
                (ctx.viewportWidth * ctx.viewportWidth + ctx.viewportHeight * ctx.viewportHeight) /
                2.0);
        }
        out = length.value / 100.0 * base;
    } else {
        out = length.toPixels();
    }
    return true;
}

bool SvgDocumentReader::parseViewBox(const pugi::xml_node& node, ViewBox& out) {
    out = ViewBox();
    const pugi::xml_attribute a = node.attribute("viewBox");
    if (!a) return true;
    std::vector<double> v;
    std::string error;
    if (!parseNumberList(a.value(), v, error)) return fail(node, "bad viewBox: " + error);
    if (v.size() != 4) return fail(node, "viewBox needs four numbers: min-x min-y width height");
    if (!(v[2] > 0) || !(v[3] > 0)) return fail(node, "viewBox width and height must be positive");
    out.present = true;
    out.x = v[0];
    out.y = v[1];
    out.width = v[2];
    out.height = v[3];
    return true;
}

// Maps the viewBox into the viewport rectangle as preserveAspectRatio says.
bool SvgDocumentReader::viewportTransform(const pugi::xml_node& node, const ViewBox& box, double x,
                                          double y, double width, double height, Matrix& out) {
    if (!box.present) {
        out = Matrix::translate(x, y);
        return true;
    }
    std::istringstream words(node.attribute("preserveAspectRatio").value());
    std::string align = "xMidYMid", meetOrSlice = "meet", word;
    std::vector<std::string> list;
    while (words >> word) list.push_back(word);
    size_t i = 0;
    if (i < list.size() && list[i] == "defer") ++i;
    if (i < list.size()) align = list[i++];
    if (i < list.size()) meetOrSlice = list[i++];
    static const char* const kAligns[] = {"none",     "xMinYMin", "xMidYMin", "xMaxYMin",
                                          "xMinYMid", "xMidYMid", "xMaxYMid", "xMinYMax",
                                          "xMidYMax", "xMaxYMax"};
    const bool alignOk = std::find_if(std::begin(kAligns), std::end(kAligns), [&](const char* a) {
                             return align == a;
                         }) != std::end(kAligns);
    if (!alignOk || (meetOrSlice != "meet" && meetOrSlice != "slice") || i != list.size()) {
        return fail(node, "bad preserveAspectRatio \"" +
                              std::string(node.attribute("preserveAspectRatio").value()) + "\"");
    }
    const double sx = width / box.width, sy = height / box.height;
    if (align == "none") {
        out = Matrix{sx, 0, 0, sy, x - box.x * sx, y - box.y * sy};
        return true;
    }
    const double s = meetOrSlice == "meet" ? std::min(sx, sy) : std::max(sx, sy);
    double tx = x - box.x * s, ty = y - box.y * s;
    const double freeX = width - box.width * s, freeY = height - box.height * s;
    if (align.compare(0, 4, "xMid") == 0) tx += freeX / 2.0;
    if (align.compare(0, 4, "xMax") == 0) tx += freeX;
    if (align.compare(4, 4, "YMid") == 0) ty += freeY / 2.0;
    if (align.compare(4, 4, "YMax") == 0) ty += freeY;
    out = Matrix{s, 0, 0, s, tx, ty};
    return true;
}

bool SvgDocumentReader::walkChildren(const pugi::xml_node& node, const Context& ctx) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && !walk(child, ctx)) return false;
    }
    return true;
}

bool SvgDocumentReader::walk(const pugi::xml_node& node, const Context& parent) {
    if (++visited_ > kMaxElementsVisited) {
        return fail(node, "too many elements to draw (more than " +
                              std::to_string(kMaxElementsVisited) + ", counting each use)");
    }
    if (parent.depth >= kMaxDepth) return fail(node, "elements nested too deeply");
    const std::string name = svgName(node);
    if (name.empty()) return true;
    if (!chargeWork(node, styleOf(node).attributeBytes)) return false;
    if (styleOf(node).display == "none") return true;

    Context ctx = parent;
    ctx.depth = parent.depth + 1;
    if (!applyStyle(node, ctx)) return false;

    if (name == "g" || name == "a") return walkChildren(node, ctx);
    if (name == "switch") {
        // The first child whose conditions hold; no extensions are supported, which
        // skips the private data that design tools wrap in a switch.
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element && !child.attribute("requiredExtensions")) {
                return walk(child, ctx);
            }
        }
        return true;
    }
    if (name == "svg") {
        return walkViewport(node, ctx, true, attributeOrNull(node, "width"),
                            attributeOrNull(node, "height"));
    }
    if (name == "use") return walkUse(node, ctx);
    if (name == "path" || name == "rect" || name == "circle" || name == "ellipse" ||
        name == "polygon" || name == "polyline" || name == "line") {
        return shape(node, name, ctx);
    }
    if (name == "text" || name == "image" || name == "foreignObject") {
        return fail(node, "cannot export " + name + "; convert it to a path first");
    }
    // defs, symbol, clipPath, mask, pattern, marker, gradients, style, metadata and
    // unknown elements draw nothing by themselves.
    return true;
}

// A nested <svg>, or a symbol drawn by a use (whose x and y the caller has applied):
// a new viewport with its own viewBox. Width and height default to the viewport around.
bool SvgDocumentReader::walkViewport(const pugi::xml_node& node, const Context& parentCtx,
                                     bool ownPosition, const char* widthValue,
                                     const char* heightValue) {
    ViewBox box;
    if (!parseViewBox(node, box)) return false;
    double x = 0, y = 0, width = 0, height = 0;
    if (ownPosition && (!lengthAttribute(node, parentCtx, "x", Axis::kX, 0, x) ||
                        !lengthAttribute(node, parentCtx, "y", Axis::kY, 0, y))) {
        return false;
    }
    const double defaultWidth = parentCtx.viewportKnown ? parentCtx.viewportWidth : box.width;
    const double defaultHeight = parentCtx.viewportKnown ? parentCtx.viewportHeight : box.height;
    bool hasWidth = false, hasHeight = false;
    if (!lengthValue(node, parentCtx, "width", widthValue, Axis::kX, defaultWidth, width,
                     &hasWidth) ||
        !lengthValue(node, parentCtx, "height", heightValue, Axis::kY, defaultHeight, height,
                     &hasHeight)) {
        return false;
    }
    if (width < 0 || height < 0) return fail(node, "negative width or height");
    Context ctx = parentCtx;
    Matrix map = Matrix::translate(x, y);
    if (box.present) {
        if (width == 0 || height == 0) return true;  // a viewport of no size shows nothing
        if (!viewportTransform(node, box, x, y, width, height, map)) return false;
        ctx.viewportWidth = box.width;
        ctx.viewportHeight = box.height;
        ctx.viewportKnown = true;
    } else if (hasWidth && hasHeight) {
        ctx.viewportWidth = width;
        ctx.viewportHeight = height;
        ctx.viewportKnown = true;
    }
    ctx.ctm = ctx.ctm.then(map);
    return walkChildren(node, ctx);
}

bool SvgDocumentReader::walkUse(const pugi::xml_node& node, const Context& useCtx) {
    const char* ref = href(node);
    if (!ref || !*ref) return fail(node, "use without a reference (href)");
    const std::string_view target = trimSpace(ref);
    if (target.empty() || target[0] != '#') {
        return fail(node, "only references within the same file (#id) can be drawn, not \"" +
                              std::string(target) + "\"");
    }
    const auto it = ids_.find(std::string(target.substr(1)));
    if (it == ids_.end()) {
        return fail(node, "no element with id \"" + std::string(target.substr(1)) + "\"");
    }
    if (std::find(useStack_.begin(), useStack_.end(), node) != useStack_.end()) {
        return fail(node, "reference cycle through \"" + std::string(target) + "\"");
    }
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (n == it->second) {
            return fail(node, "\"" + std::string(target) + "\" contains this use, a cycle");
        }
    }
    double x = 0, y = 0;
    if (!lengthAttribute(node, useCtx, "x", Axis::kX, 0, x) ||
        !lengthAttribute(node, useCtx, "y", Axis::kY, 0, y)) {
        return false;
    }
    Context ctx = useCtx;
    ctx.ctm = ctx.ctm.then(Matrix::translate(x, y));
    useStack_.push_back(node);
    bool ok;
    const pugi::xml_node referenced = it->second;
    const std::string name = svgName(referenced);
    if (name == "symbol" || name == "svg") {
        // The symbol's own presentation attributes, then its viewport sized by the use.
        Context inner = ctx;
        inner.depth = ctx.depth + 1;
        if (!chargeWork(referenced, styleOf(referenced).attributeBytes)) {
            ok = false;
        } else if (styleOf(referenced).display == "none") {
            ok = true;
        } else if (!applyStyle(referenced, inner)) {
            ok = false;
        } else {
            // The use's width and height replace the symbol's own.
            auto size = [&](const char* attr) -> const char* {
                const char* v = attributeOrNull(node, attr);
                return v ? v : attributeOrNull(referenced, attr);
            };
            ok = walkViewport(referenced, inner, false, size("width"), size("height"));
        }
    } else {
        ok = walk(referenced, ctx);
    }
    useStack_.pop_back();
    return ok;
}

bool SvgDocumentReader::shape(const pugi::xml_node& node, const std::string& name,
                              const Context& ctx) {
    if (ctx.style.hidden) return true;
    const bool stroked = options_.strokes && ctx.style.stroked;
    if (name == "line" && !stroked) {
        return fail(node, "a line encloses no area; draw the shape as a filled path");
    }
    if (ctx.style.fillNone && !stroked) {
        if (!options_.strokes) {
            return fail(node,
                        "the shape has no fill (fill is none), so it has no outline to export; "
                        "strokes are not exported: fill the shape or convert the stroke to a path");
        }
        return fail(node,
                    "the shape has no fill (fill is none) and no stroke, so it has no outline "
                    "to export");
    }
    if (stroked) {
        if (ctx.style.stroke.width < 0) return fail(node, "negative stroke-width");
        if (ctx.style.stroke.width == 0) {
            return fail(node, "the stroke has no width (stroke-width is 0), so it has no outline");
        }
        if (ctx.style.dashed) {
            return fail(node,
                        "dashed strokes are not exported: remove stroke-dasharray or convert "
                        "the stroke to a path");
        }
    }
    Path path;
    std::string error;
    const size_t budget = kMaxGatheredNodes - gatheredNodes_;
    if (name == "path") {
        if (!parsePathData(node.attribute("d").value(), path, budget, error)) {
            return fail(node, "bad path data: " + error);
        }
    } else if (name == "line") {
        double x1, y1, x2, y2;
        if (!lengthAttribute(node, ctx, "x1", Axis::kX, 0, x1) ||
            !lengthAttribute(node, ctx, "y1", Axis::kY, 0, y1) ||
            !lengthAttribute(node, ctx, "x2", Axis::kX, 0, x2) ||
            !lengthAttribute(node, ctx, "y2", Axis::kY, 0, y2)) {
            return false;
        }
        path.moveTo({x1, y1});
        path.lineTo({x2, y2});
    } else if (name == "rect") {
        double x, y, w, h, rx, ry;
        bool hasRx = false, hasRy = false;
        if (!lengthAttribute(node, ctx, "x", Axis::kX, 0, x) ||
            !lengthAttribute(node, ctx, "y", Axis::kY, 0, y) ||
            !lengthAttribute(node, ctx, "width", Axis::kX, 0, w) ||
            !lengthAttribute(node, ctx, "height", Axis::kY, 0, h) ||
            !lengthAttribute(node, ctx, "rx", Axis::kX, 0, rx, &hasRx) ||
            !lengthAttribute(node, ctx, "ry", Axis::kY, 0, ry, &hasRy)) {
            return false;
        }
        if (w < 0 || h < 0) return fail(node, "negative width or height");
        if (rx < 0 || ry < 0) return fail(node, "negative corner radius");
        if (hasRx && !hasRy) ry = rx;
        if (hasRy && !hasRx) rx = ry;
        rx = std::min(rx, w / 2.0);
        ry = std::min(ry, h / 2.0);
        if (w > 0 && h > 0) {
            if (rx == 0 || ry == 0) {
                path.moveTo({x, y});
                path.lineTo({x + w, y});
                path.lineTo({x + w, y + h});
                path.lineTo({x, y + h});
            } else {
                const double kx = rx * kQuarterCircle, ky = ry * kQuarterCircle;
                const double r = x + w, b = y + h;
                path.moveTo({x + rx, y});
                path.lineTo({r - rx, y});
                path.cubicTo({r - rx + kx, y}, {r, y + ry - ky}, {r, y + ry});
                path.lineTo({r, b - ry});
                path.cubicTo({r, b - ry + ky}, {r - rx + kx, b}, {r - rx, b});
                path.lineTo({x + rx, b});
                path.cubicTo({x + rx - kx, b}, {x, b - ry + ky}, {x, b - ry});
                path.lineTo({x, y + ry});
                path.cubicTo({x, y + ry - ky}, {x + rx - kx, y}, {x + rx, y});
            }
        }
    } else if (name == "circle" || name == "ellipse") {
        double cx, cy, rx, ry;
        bool hasRx = true, hasRy = true;
        if (!lengthAttribute(node, ctx, "cx", Axis::kX, 0, cx) ||
            !lengthAttribute(node, ctx, "cy", Axis::kY, 0, cy)) {
            return false;
        }
        if (name == "circle") {
            if (!lengthAttribute(node, ctx, "r", Axis::kDiagonal, 0, rx)) return false;
            ry = rx;
        } else {
            if (!lengthAttribute(node, ctx, "rx", Axis::kX, 0, rx, &hasRx) ||
                !lengthAttribute(node, ctx, "ry", Axis::kY, 0, ry, &hasRy)) {
                return false;
            }
            // An "auto" or missing radius takes the other one.
            if (!hasRx) rx = ry;
            if (!hasRy) ry = rx;
        }
        if (rx < 0 || ry < 0) return fail(node, "negative radius");
        if (rx > 0 && ry > 0) {
            const double kx = rx * kQuarterCircle, ky = ry * kQuarterCircle;
            path.moveTo({cx + rx, cy});
            path.cubicTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
            path.cubicTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
            path.cubicTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
            path.cubicTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
        }
    } else {  // polygon, polyline: a fill closes both alike, a stroke only the polygon
        std::vector<double> v;
        if (!parseNumberList(node.attribute("points").value(), v, error)) {
            return fail(node, "bad points: " + error);
        }
        if (v.size() % 2 != 0) return fail(node, "points has an odd number of coordinates");
        if (v.size() / 2 > budget) return fail(node, "too many points");
        if (v.size() >= 4) {
            path.moveTo({v[0], v[1]});
            for (size_t i = 2; i + 1 < v.size(); i += 2) path.lineTo({v[i], v[i + 1]});
            path.subpaths.back().closed = name == "polygon";
        }
    }
    if (name == "rect" || name == "circle" || name == "ellipse") {
        for (Subpath& s : path.subpaths) s.closed = true;
    }
    if (!ctx.style.fillNone && name != "line" && !gather(node, path, ctx.ctm, ctx.style.evenOdd)) {
        return false;
    }
    if (stroked) {
        Path outline;
        if (!strokeOutline(path, ctx.ctm, ctx.style.stroke, outline, error)) {
            return fail(node, error);
        }
        if (outline.nodes > kMaxGatheredNodes - gatheredNodes_) {
            return fail(node, "the drawing has too many nodes (at most " +
                                  std::to_string(kMaxOutlineNodes) + " can be exported)");
        }
        return gather(node, outline, Matrix(), false);
    }
    return true;
}

bool SvgDocumentReader::gather(const pugi::xml_node& node, const Path& path, const Matrix& ctm,
                               bool evenOdd) {
    if (path.subpaths.empty()) return true;
    PaintedShape painted;
    painted.where = describe(node);
    painted.evenOdd = evenOdd;
    shapes_.push_back(std::move(painted));
    for (const Subpath& s : path.subpaths) {
        if (s.segments.empty()) continue;  // a lone moveto fills nothing
        GatheredSubpath g;
        g.shape = shapes_.size() - 1;
        g.points.push_back(ctm.apply(s.start));
        g.types.push_back(0);
        for (const Segment& seg : s.segments) {
            if (seg.cubic) {
                g.points.push_back(ctm.apply(seg.c1));
                g.points.push_back(ctm.apply(seg.c2));
                g.types.push_back(192);
                g.types.push_back(192);
                g.points.push_back(ctm.apply(seg.end));
                g.types.push_back(128);
            } else {
                g.points.push_back(ctm.apply(seg.end));
                g.types.push_back(64);
            }
        }
        gatheredNodes_ += g.points.size();
        if (gatheredNodes_ > kMaxGatheredNodes) {
            return fail(node, "the drawing has too many nodes (at most " +
                                  std::to_string(kMaxOutlineNodes) + " can be exported)");
        }
        gathered_.push_back(std::move(g));
    }
    return true;
}

bool toThousandths(double v, int32_t& out) {
    if (!std::isfinite(v) || v > 2147483647.0 || v < -2147483647.0) return false;
    out = static_cast<int32_t>(std::floor(v + 0.5));
    return true;
}

bool SvgDocumentReader::finish(SvgResult& result, const Matrix& rootMap, const ViewBox& box,
                               double rootHeight) {
    Point origin;
    double height = 0;
    if (box.present) {
        origin = rootMap.apply({box.x, box.y + box.height});
        height = box.height * std::fabs(rootMap.d);
    } else if (rootHeight > 0) {
        origin = {0, rootHeight};
        height = rootHeight;
    } else {
        // No size given at all: the drawing's own box stands in for the viewBox.
        bool first = true;
        double minX = 0, minY = 0, maxY = 0;
        for (const GatheredSubpath& g : gathered_) {
            for (const Point& p : g.points) {
                if (first || p.x < minX) minX = p.x;
                if (first || p.y < minY) minY = p.y;
                if (first || p.y > maxY) maxY = p.y;
                first = false;
            }
        }
        origin = {minX, maxY};
        height = maxY - minY;
    }
    if (options_.originSet) origin = rootMap.apply({options_.originX, options_.originY});
    result.viewBoxHeightThousandths = height;

    HostOutline& out = result.outline;
    for (const GatheredSubpath& g : gathered_) {
        std::vector<int32_t> xs(g.points.size()), ys(g.points.size());
        for (size_t i = 0; i < g.points.size(); ++i) {
            if (!toThousandths(g.points[i].x - origin.x, xs[i]) ||
                !toThousandths(origin.y - g.points[i].y, ys[i])) {
                return failFile(shapes_[g.shape].where + ": coordinates out of range");
            }
        }
        // Segments that rounding made empty carry nothing but would count as nodes;
        // a final line back to the start is the one the plug-ins draw anyway.
        std::vector<size_t> kept{0};
        for (size_t i = 1; i < g.types.size();) {
            const size_t last = kept.back();
            if (g.types[i] == 64) {
                if (xs[i] != xs[last] || ys[i] != ys[last]) kept.push_back(i);
                i += 1;
                continue;
            }
            const bool empty = xs[i] == xs[last] && ys[i] == ys[last] && xs[i + 1] == xs[last] &&
                               ys[i + 1] == ys[last] && xs[i + 2] == xs[last] &&
                               ys[i + 2] == ys[last];
            if (!empty) kept.insert(kept.end(), {i, i + 1, i + 2});
            i += 3;
        }
        if (kept.size() > 1 && g.types[kept.back()] == 64 && xs[kept.back()] == xs[0] &&
            ys[kept.back()] == ys[0]) {
            kept.pop_back();
        }
        if (kept.size() < 2) continue;
        ShapeContour contour;
        for (size_t k : kept) {
            contour.xs.push_back(xs[k]);
            contour.ys.push_back(ys[k]);
            contour.types.push_back(g.types[k]);
        }
        shapes_[g.shape].contours.push_back(std::move(contour));
    }
    std::string where, why;
    if (!resolveFills(shapes_, out, where, why)) {
        return failFile((where.empty() ? std::string() : where + ": ") + why);
    }
    if (out.types.size() > kMaxOutlineNodes) {
        return failFile("the drawing has " + std::to_string(out.types.size()) + " nodes; at most " +
                        std::to_string(kMaxOutlineNodes) + " can be exported");
    }
    if (out.types.empty()) return failFile("nothing to export: the drawing has no filled shape");
    return true;
}

SvgResult SvgDocumentReader::run() {
    SvgResult result;
    lineStarts_.push_back(0);
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n') lineStarts_.push_back(i + 1);
    }
    if (text_.size() >= 2 && ((uint8_t(text_[0]) == 0xFE && uint8_t(text_[1]) == 0xFF) ||
                              (uint8_t(text_[0]) == 0xFF && uint8_t(text_[1]) == 0xFE))) {
        failFile("UTF-16 text is not read; save the drawing as UTF-8");
        result.error = error_;
        return result;
    }
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        failFile("line " + std::to_string(lineOf(parsed.offset)) +
                 ": malformed XML: " + parsed.description());
        result.error = error_;
        return result;
    }
    const pugi::xml_node root = doc.document_element();
    if (!root || svgName(root) != "svg") {
        failFile(std::string("not an SVG drawing: the root element is <") +
                 (root ? root.name() : "") + ">");
        result.error = error_;
        return result;
    }
    // Ids are looked up by use, the first element with an id winning as in browsers;
    // style sheets apply wherever they stand.
    for (pugi::xml_node n = root; n;) {
        if (n.type() == pugi::node_element) {
            const pugi::xml_attribute id = n.attribute("id");
            if (id) ids_.emplace(id.value(), n);
            if (svgName(n) == "style") {
                for (pugi::xml_node t = n.first_child(); t; t = t.next_sibling()) {
                    if ((t.type() == pugi::node_pcdata || t.type() == pugi::node_cdata) &&
                        !styleSheet_.addText(t.value())) {
                        fail(n, "the style sheet has too many rules");
                        result.error = error_;
                        return result;
                    }
                }
            }
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling() && n != root) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }

    bool ok = true;
    ViewBox box;
    Matrix rootMap;
    double rootHeight = 0;
    Context ctx;
    ok = parseViewBox(root, box);
    if (ok) {
        // Width and height in absolute units set the drawing's size; percentages
        // and missing values leave it to the viewBox.
        double size[2] = {0, 0};  // thousandths of an inch
        double pixels[2] = {0, 0};
        bool have[2] = {false, false};
        const char* names[2] = {"width", "height"};
        for (int i = 0; i < 2 && ok; ++i) {
            const pugi::xml_attribute a = root.attribute(names[i]);
            if (!a) continue;
            Length length;
            std::string error;
            if (!parseLength(a.value(), length, error)) {
                ok = fail(root, "bad " + std::string(names[i]) + ": " + error);
            } else if (!length.isPercent()) {
                pixels[i] = length.toPixels();
                size[i] = length.toThousandths();
                have[i] = true;
                if (!(size[i] > 0)) {
                    ok = fail(root, std::string(names[i]) + " must be positive");
                }
            }
        }
        if (ok && box.present) {
            if (!have[0] && !have[1]) {
                size[0] = box.width * kThousandthsPerPixel;
                size[1] = box.height * kThousandthsPerPixel;
            } else if (!have[0]) {
                size[0] = size[1] * box.width / box.height;
            } else if (!have[1]) {
                size[1] = size[0] * box.height / box.width;
            }
            ok = viewportTransform(root, box, 0, 0, size[0], size[1], rootMap);
            ctx.viewportKnown = true;
            ctx.viewportWidth = box.width;
            ctx.viewportHeight = box.height;
        } else if (ok) {
            rootMap = Matrix::scale(kThousandthsPerPixel, kThousandthsPerPixel);
            if (have[0] && have[1]) {
                ctx.viewportKnown = true;
                ctx.viewportWidth = pixels[0];
                ctx.viewportHeight = pixels[1];
            }
        }
        if (have[1]) rootHeight = size[1];
    }
    if (ok && styleOf(root).display != "none") {
        // A transform on the root is taken inside the viewBox, in user units.
        ctx.ctm = rootMap;
        ctx.depth = 1;
        ok = applyStyle(root, ctx) && walkChildren(root, ctx);
    }
    if (ok) ok = finish(result, rootMap, box, rootHeight);
    if (!ok) {
        result.outline = HostOutline();
        result.error = error_;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace

SvgResult readSvgText(const std::string& text, const std::string& nameForMessages,
                      const SvgOptions& options) {
    SvgDocumentReader reader(text, nameForMessages, options);
    return reader.run();
}

SvgResult readSvgFile(const std::string& path, const SvgOptions& options) {
    SvgResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = path + ": cannot open: " + std::strerror(errno);
        return result;
    }
    std::string text;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            result.error = path + ": the file is too large for a drawing of one glyph";
            return result;
        }
    }
    if (in.bad()) {
        result.error = path + ": cannot read the file";
        return result;
    }
    return readSvgText(text, path, options);
}

}  // namespace gx::host
