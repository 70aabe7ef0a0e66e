// maxp: a fixed profile for a new font; the old one with the new counts otherwise.
#include <algorithm>

#include "truetype/tables.h"

namespace gx::tt {

bool writeMaxpTable(const FontFileState& font, BigEndianWriter& out) {
    const NewGlyph& g = font.newGlyph;
    const uint16_t contours = uint16_t(std::max<int16_t>(g.numberOfContours, 0));
    if (font.isNew()) {
        out.writeU32(0x00010000);
        out.writeU16(font.glyphCount);
        out.writeU16(g.pointCount);
        out.writeU16(contours);
        out.writeU16(0);   // maxCompositePoints
        out.writeU16(0);   // maxCompositeContours
        out.writeU16(1);   // maxZones
        out.writeU16(0);   // maxTwilightPoints
        out.writeU16(16);  // maxStorage
        out.zeros(12);     // function/instruction defs, stack, instructions, components, depth
        return true;
    }
    const TableRecord* record = font.findTableRecord("maxp");
    if (!record) return false;
    BigEndianReader old = tableReader(font, *record);
    if (old.length() < 32) return false;
    const size_t at = out.size();
    out.writeBytes(old.data(), 32);
    out.patchU16(at + 4, font.glyphCount);
    if (font.addGlyph && g.present) {
        uint16_t maxPoints, maxContours;
        old.seek(6);
        old.readU16(maxPoints);
        old.readU16(maxContours);
        out.patchU16(at + 6, std::max(maxPoints, g.pointCount));
        out.patchU16(at + 8, std::max(maxContours, contours));
    }
    return true;
}

}  // namespace gx::tt
