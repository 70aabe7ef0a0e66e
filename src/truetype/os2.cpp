// OS/2 version 0, built afresh.
#include "truetype/tables.h"

namespace gx::tt {

void writeOs2Table(const FontFileState& font, const SessionSettings& settings,
                   BigEndianWriter& out) {
    const bool bold = settings.style & 1;
    const bool symbol = settings.symbolFont != 0;
    static const uint16_t kFsSelection[4] = {0x0040, 0x0020, 0x0001, 0x0021};
    out.writeU16(0);  // version
    out.writeS16(int16_t(font.outAverage));
    out.writeU16(bold ? 700 : 400);
    out.writeU16(5);  // usWidthClass
    out.writeU16(0);  // fsType
    out.zeros(20);    // sub- and superscript sizes and offsets, strikeout
    out.writeS16(0);  // sFamilyClass
    const uint8_t panose[10] = {2, 11, uint8_t(bold ? 8 : 6), 3, 5, 3, 2, 2, 2, 4};
    out.writeBytes(panose, 10);
    out.zeros(16 + 4);  // ulUnicodeRange1-4, achVendID
    out.writeU16(kFsSelection[settings.style & 3]);
    out.writeU16(symbol ? 0xF020 : 0x0020);
    out.writeU16(symbol ? 0xF0FF : 0xF002);
    out.writeS16(font.typoAscender);
    out.writeS16(font.typoDescender);
    const int16_t lineGap = int16_t(settings.gridSize + font.typoDescender - font.typoAscender);
    out.writeS16(lineGap > 0 ? lineGap : 0);
    // Unsigned distances from the baseline: a box that does not reach below (or above)
    // the baseline contributes 0, not a wrapped negative value.
    out.writeU16(uint16_t(font.boxYMax > 0 ? font.boxYMax : 0));
    out.writeU16(uint16_t(font.boxYMin < 0 ? -int32_t(font.boxYMin) : 0));
}

}  // namespace gx::tt
