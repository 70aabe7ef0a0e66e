// post version 3.0: no glyph names.
#include "truetype/tables.h"

namespace gx::tt {

void writePostTable(const FontFileState& font, BigEndianWriter& out) {
    out.writeU32(0x00030000);
    out.writeU32(uint32_t(int32_t(font.italicAngle) * 65536));
    out.writeS16(font.underlinePosition);
    out.writeS16(font.underlineThickness);
    out.writeU32(font.imported.fixedWidth ? 1 : 0);
    out.zeros(16);  // memory hints
}

}  // namespace gx::tt
