#include "support/charlist.h"

#include <algorithm>
#include <cmath>

namespace gx {

// ------------------------------------------------------------------ character list

int itemOfCode(int code) {
    if (code < kFirstListedCode || code > kLastListedCode) return -1;
    return code - kFirstListedCode;
}

std::string itemText(int index) {
    if (index < 0 || index >= kCharListItems) return "";
    return std::string(1, char(static_cast<unsigned char>(codeOfItem(index))));
}

const std::vector<std::string>& charListItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> list;
        list.reserve(kCharListItems);
        for (int i = 0; i < kCharListItems; ++i) list.push_back(itemText(i));
        return list;
    }();
    return items;
}

bool itemIsGrey(const CharStates& states, int code) {
    bool has = states.hasGlyph && states.hasGlyph(code);
    bool deleted = states.deleteMark && states.deleteMark(code);
    return !has || deleted;
}

ItemDrawing CharList::drawItem(int controlId, int index, DrawAction action, bool selected,
                               const PixelRect& item, const CharStates& states) {
    ItemDrawing d;
    if (controlId != controlId_ || index < 0 || index >= kCharListItems) return d;
    d.handled = true;
    d.fill = item.shrunk(2);
    d.frame = item.shrunk(1);
    switch (action) {
        case DrawAction::DrawEntire:
            d.drawText = true;
            d.text = itemText(index);
            d.grey = itemIsGrey(states, codeOfItem(index));
            d.toggleFrame = selected;
            break;
        case DrawAction::Select:
            // A selected item that already carries the frame is left alone, so that a
            // repeated selection does not invert the frame away.
            d.toggleFrame = !(index == lastSelected_ && selected);
            break;
        case DrawAction::Focus:
            break;
    }
    if (d.toggleFrame && selected) lastSelected_ = index;
    return d;
}

CharList& mainCharList() {
    static CharList list(kMainCharList);
    return list;
}

CharList& optionsCharList() {
    static CharList list(kOptionsCharList);
    return list;
}

// ------------------------------------------------------------------ preview

PreviewGeometry PreviewGeometry::fromPane(const PixelRect& pane) {
    PreviewGeometry g;
    g.pane = pane;
    g.originX = int(pane.left + 0.1 * (double(pane.right) - pane.left));
    g.baselineY = int(pane.top + 0.9 * (double(pane.bottom) - pane.top));
    return g;
}

int PreviewGeometry::widthFromX(int x, int gridSize) const {
    long long span = static_cast<long long>(pane.right) - originX;
    if (span <= 0) return 0;
    long long w = (static_cast<long long>(x) - originX) * gridSize / span;
    if (w < 0) return 0;
    return w > 0x7FFFFFFF ? 0x7FFFFFFF : int(w);
}

bool PreviewGeometry::markerX(int width, int gridSize, int& x) const {
    if (gridSize <= 0) return false;
    double at = originX + (double(pane.right) - originX) / gridSize * width;
    if (!(at >= originX && at <= pane.right)) return false;
    x = int(at);
    return true;
}

PreviewTransform PreviewTransform::make(const PreviewGeometry& g, int32_t glyphOriginX,
                                        int32_t glyphOriginY, int designSize) {
    PreviewTransform t;
    t.originX = glyphOriginX;
    t.originY = glyphOriginY;
    t.paneOriginX = g.originX;
    t.paneBaselineY = g.baselineY;
    if (designSize <= 0) return t;
    // Isotropic: both axes take the smaller of the two scales.
    double sx = (double(g.pane.right) - g.originX) / designSize;
    double sy = (double(g.baselineY) - g.pane.top) / designSize;
    t.scale = std::max(0.0, std::min(sx, sy));
    return t;
}

std::vector<PathSegment> previewPath(const std::vector<int32_t>& points,
                                     const std::vector<uint8_t>& types, int count) {
    std::vector<PathSegment> path;
    size_t n = std::min({count < 0 ? size_t(0) : size_t(count), points.size() / 2, types.size()});
    auto at = [&](size_t i, PathSegment& s, int k) {
        s.x[k] = points[2 * i];
        s.y[k] = points[2 * i + 1];
    };
    size_t i = 0;
    while (i < n) {
        int kind = types[i] >> 6;
        PathSegment s{PathSegment::Move, {0, 0, 0}, {0, 0, 0}};
        if (kind == 0 || path.empty()) {
            // A path has to start somewhere; nodes before the first start node begin it.
            s.kind = PathSegment::Move;
            at(i, s, 0);
            ++i;
        } else if (kind == 3) {
            if (n - i < 3) break;
            s.kind = PathSegment::Cubic;
            for (int k = 0; k < 3; ++k) at(i + size_t(k), s, k);
            i += 3;
        } else {
            s.kind = PathSegment::Line;
            at(i, s, 0);
            ++i;
        }
        path.push_back(s);
    }
    return path;
}

std::vector<int> WidthMarker::moveTo(int width, const PreviewGeometry& g, int gridSize) {
    std::vector<int> toggles;
    int x = 0;
    if (g.markerX(shown_, gridSize, x)) toggles.push_back(x);
    if (g.markerX(width, gridSize, x)) toggles.push_back(x);
    shown_ = width;
    return toggles;
}

namespace {

// A far drag can point at widths no glyph may have; the width boxes' limit holds.
int pointedWidth(int x, const PreviewGeometry& g, int gridSize) {
    return std::min(g.widthFromX(x, gridSize), kMaxCharWidth);
}

}  // namespace

PreviewMouseResult PreviewMouse::buttonDown(int x, int y, bool autoWidth, const PreviewGeometry& g,
                                            int gridSize, WidthMarker& marker) {
    PreviewMouseResult r;
    if (autoWidth || dragging_ || !g.pane.contains(x, y)) return r;
    r.widthChanged = true;
    r.width = pointedWidth(x, g, gridSize);
    r.toggles = marker.moveTo(r.width, g, gridSize);
    r.capture = true;
    dragging_ = true;
    return r;
}

PreviewMouseResult PreviewMouse::move(int x, const PreviewGeometry& g, int gridSize,
                                      WidthMarker& marker) {
    PreviewMouseResult r;
    if (!dragging_) return r;
    r.widthChanged = true;
    r.width = pointedWidth(x, g, gridSize);
    r.toggles = marker.moveTo(r.width, g, gridSize);
    r.showInWidthBox = true;
    return r;
}

PreviewMouseResult PreviewMouse::buttonUp(int x, const PreviewGeometry& g, int gridSize,
                                          WidthMarker& marker) {
    PreviewMouseResult r = move(x, g, gridSize, marker);
    if (dragging_) {
        r.release = true;
        dragging_ = false;
    }
    return r;
}

int autoCharWidth(const std::vector<int32_t>& points, int count, int32_t glyphOriginX,
                  int designSize, int gridSize) {
    size_t n = std::min(count < 0 ? size_t(0) : size_t(count), points.size() / 2);
    if (n == 0 || designSize <= 0 || gridSize <= 0) return 0;
    int32_t maxX = points[0];
    for (size_t i = 1; i < n; ++i) maxX = std::max(maxX, points[2 * i]);
    double w = double(gridSize) / designSize * (double(maxX) - glyphOriginX) * 1.05 + 0.5;
    if (!(w > 0.0)) return 0;
    if (w >= kMaxCharWidth) return kMaxCharWidth;
    return int(w);
}

bool codeIsExcluded(int code) {
    if (code < kFirstListedCode || code > kLastListedCode) return true;
    switch (code) {
        case 127:
        case 128:
        case 129:
        case 141:
        case 142:
        case 143:
        case 144:
        case 157:
        case 158:
            return true;
        default:
            return false;
    }
}

int offeredCodeFrom(int code) {
    if (code < kFirstListedCode || code > kLastListedCode) return code;
    // 255 has a character, so this never runs past the list.
    while (codeIsExcluded(code)) ++code;
    return code;
}

int offeredCodeAfter(int last) {
    return offeredCodeFrom(last + 1 > kLastListedCode ? kFirstListedCode : last + 1);
}

}  // namespace gx
