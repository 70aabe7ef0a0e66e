// The captured outline as the host delivered it, shared by the capture code and both
// engines' outline converters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gx {

// The captured outline: points in thousandths of an inch (y up) and one node-type
// byte per point.
struct GlyphOutline {
    int16_t count = 0;
    std::vector<int32_t> points;  // x0, y0, x1, y1, ...
    std::vector<uint8_t> types;

    void release() {
        count = 0;
        points.clear();
        points.shrink_to_fit();
        types.clear();
        types.shrink_to_fit();
    }
    int32_t x(int i) const { return points[size_t(i) * 2]; }
    int32_t y(int i) const { return points[size_t(i) * 2 + 1]; }
};

// Node-type byte.
inline constexpr uint8_t kNodeKindMask = 0xC0;
inline constexpr uint8_t kNodeStart = 0x00;
inline constexpr uint8_t kNodeLine = 0x40;
inline constexpr uint8_t kNodeCurveEnd = 0x80;
inline constexpr uint8_t kNodeControl = 0xC0;
inline constexpr uint8_t kNodeClosed = 0x08;

}  // namespace gx
