// The dialogs' character list (codes 33 to 255, free and deleted codes in grey) and
// the main dialog's glyph preview (origin line, baseline, advance-width marker), as
// models a window procedure draws from. They take plain inputs, no engine types.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gx {

inline constexpr int kFirstListedCode = 33;
inline constexpr int kLastListedCode = 255;
inline constexpr int kCharListItems = kLastListedCode - kFirstListedCode + 1;  // 223
inline constexpr int kNoListItem = 256;
inline constexpr int kMainCharList = 1020;
inline constexpr int kOptionsCharList = 1041;
// Widths a user can give a glyph (the width boxes' range).
inline constexpr int kMaxCharWidth = 16383;

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    PixelRect shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// ------------------------------------------------------------------ character list

// Codes the dialog refuses: outside 33..255 and those without a Windows character.
bool codeIsExcluded(int code);
// The code proposed for the next glyph when the one after the last is `code`: `code`
// itself, or past the codes without a Windows character that follow it, so that the
// dialog never proposes a code it would refuse. Codes outside 33..255 are kept.
int offeredCodeFrom(int code);
// The code proposed after `last`, the code of the font's last glyph: the next one, 33
// after 255, and past the codes without a Windows character.
int offeredCodeAfter(int last);

// The code an item stands for, and back (-1 outside the list).
inline int codeOfItem(int index) {
    return index + kFirstListedCode;
}
int itemOfCode(int code);
// The item's text: the single character of that code in the ANSI code page.
std::string itemText(int index);
// The texts of all items, in order; made once, as every dialog shows the same list.
const std::vector<std::string>& charListItems();

// Per-code state as the session keeps it.
struct CharStates {
    std::function<bool(int code)> hasGlyph;
    std::function<bool(int code)> deleteMark;
};
// Grey: no glyph, or a glyph that is deleted or will be replaced.
bool itemIsGrey(const CharStates& states, int code);

enum class DrawAction { DrawEntire, Select, Focus };

// What one owner-draw request asks of the view.
struct ItemDrawing {
    bool handled = false;      // false: the request is not for this list
    bool drawText = false;     // fill `fill` with the window colour, then the text
    PixelRect fill;            // the item rectangle less 2 pixels a side
    std::string text;          // drawn at fill's top-left, clipped to it
    bool grey = false;         // grey-text colour, else window-text colour
    bool toggleFrame = false;  // invert the 1-pixel outline of `frame`
    PixelRect frame;           // the item rectangle less 1 pixel a side
};

// One list's drawing rules and its last selected item, which outlives the dialog.
class CharList {
  public:
    explicit CharList(int controlId) : controlId_(controlId) {}
    int controlId() const { return controlId_; }
    int lastSelected() const { return lastSelected_; }
    void forgetSelection() { lastSelected_ = kNoListItem; }

    ItemDrawing drawItem(int controlId, int index, DrawAction action, bool selected,
                         const PixelRect& item, const CharStates& states);

  private:
    int controlId_;
    int lastSelected_ = kNoListItem;
};

// The plug-in's two lists, kept while it stays loaded.
CharList& mainCharList();
CharList& optionsCharList();

// Item size of both lists: the system font's height + 4 and its widest character + 4.
inline int charItemHeight(int fontHeight) {
    return fontHeight + 4;
}
inline int charItemWidth(int maxCharWidth) {
    return maxCharWidth + 4;
}

// ------------------------------------------------------------------ preview

struct PreviewGeometry {
    PixelRect pane;  // the frame control's rectangle in dialog client coordinates
    int originX = 0;
    int baselineY = 0;

    static PreviewGeometry fromPane(const PixelRect& pane);
    // The advance width a mouse position stands for: gridSize font units span the
    // pane from the origin line to its right edge; 0 left of the origin line.
    int widthFromX(int x, int gridSize) const;
    // The marker's x for a width; false when it falls outside the origin line..right.
    bool markerX(int width, int gridSize, int& x) const;
};

// The drawing's mapping into the pane: one em (designSize thousandths of an inch)
// spans from the origin line to the right edge or from the baseline to the top,
// whichever is shorter, with the glyph origin on the origin line and the baseline.
struct PreviewTransform {
    double scale = 0.0;                   // pixels per thousandth of an inch; 0 draws nothing
    double originX = 0.0, originY = 0.0;  // glyph origin, thousandths of an inch
    int paneOriginX = 0, paneBaselineY = 0;

    static PreviewTransform make(const PreviewGeometry& g, int32_t glyphOriginX,
                                 int32_t glyphOriginY, int designSize);
    double x(double drawingX) const { return paneOriginX + (drawingX - originX) * scale; }
    double y(double drawingY) const { return paneBaselineY - (drawingY - originY) * scale; }
};

// The outline as a path: move, line and cubic (three points) segments.
struct PathSegment {
    enum Kind { Move, Line, Cubic } kind;
    int32_t x[3];
    int32_t y[3];
};
// Walks node-type bytes as the preview does: 0 starts a subpath, 1 draws a line, 3
// a cubic through that point and the next two. A curve end met where a segment
// starts is drawn as a line to it; a cubic cut short by the end of the outline is
// dropped. `points` holds x, y pairs.
std::vector<PathSegment> previewPath(const std::vector<int32_t>& points,
                                     const std::vector<uint8_t>& types, int count);

// The width marker, drawn by toggling an inverted line: the remembered width is
// always the one on screen.
class WidthMarker {
  public:
    // After a paint, which draws the marker afresh at `width`.
    void painted(int width) { shown_ = width; }
    // The x positions to toggle to move the marker to `width` (erase, then draw).
    std::vector<int> moveTo(int width, const PreviewGeometry& g, int gridSize);
    int width() const { return shown_; }

  private:
    int shown_ = 0;
};

// Mouse handling of the preview pane in the main dialog.
struct PreviewMouseResult {
    bool widthChanged = false;
    int width = 0;             // the new character width
    std::vector<int> toggles;  // marker lines to toggle
    bool capture = false;
    bool release = false;
    bool showInWidthBox = false;  // the width box shows the new width
};

class PreviewMouse {
  public:
    PreviewMouseResult buttonDown(int x, int y, bool autoWidth, const PreviewGeometry& g,
                                  int gridSize, WidthMarker& marker);
    PreviewMouseResult move(int x, const PreviewGeometry& g, int gridSize, WidthMarker& marker);
    PreviewMouseResult buttonUp(int x, const PreviewGeometry& g, int gridSize, WidthMarker& marker);
    bool dragging() const { return dragging_; }

  private:
    bool dragging_ = false;
};

// The automatic advance width: 5 per cent beyond the outline's right-most point
// (control points included), measured from the glyph origin, in font units. 0 for no
// points or a design size that is not positive; at most kMaxCharWidth.
int autoCharWidth(const std::vector<int32_t>& points, int count, int32_t glyphOriginX,
                  int designSize, int gridSize);

}  // namespace gx
