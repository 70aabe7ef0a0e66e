// Reads the filled shapes of an SVG drawing into the outline that the host hands a
// plug-in: points in thousandths of an inch, y growing upward, one node-type byte
// per point (0 start, 64 line, 128 curve end, 192 control point, +8 on the last
// point of each subpath, which the plug-ins close back to its first point).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gx::host {

struct HostOutline {
    std::vector<int32_t> points;  // x0, y0, x1, y1, ...
    std::vector<uint8_t> types;
};

struct SvgOptions {
    // The glyph origin in SVG user units; by default the bottom-left corner of the viewBox.
    bool originSet = false;
    double originX = 0, originY = 0;
    // Stroked elements become the outline of their stroke; off, a shape without a
    // fill is refused as before strokes were drawn.
    bool strokes = true;
};

struct SvgResult {
    bool ok = false;
    HostOutline outline;
    std::string error;  // "FILE: <element> at line L: what"
    // Height of the viewBox in thousandths of an inch (for a design size taken from the drawing).
    double viewBoxHeightThousandths = 0;
};

// The host protocol counts nodes in 16 bits.
constexpr size_t kMaxOutlineNodes = 32767;

SvgResult readSvgFile(const std::string& path, const SvgOptions& options);
SvgResult readSvgText(const std::string& text, const std::string& nameForMessages,
                      const SvgOptions& options);

}  // namespace gx::host
