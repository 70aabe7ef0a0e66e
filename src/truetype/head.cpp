// head: read for the grid, box, style and loca format; rewritten with the new box.
#include "truetype/tables.h"

namespace gx::tt {

bool readHeadTable(BigEndianReader head, FontFileState& font, SessionSettings& settings) {
    if (head.length() < 54) return false;
    uint32_t version = 0, magicNumber = 0;
    int16_t glyphDataFormat = -1;
    head.readU32(version);
    head.seek(12);
    head.readU32(magicNumber);
    head.seek(52);
    head.readS16(glyphDataFormat);
    // The rewritten head starts from this one, so it must be one readers accept.
    if (version >> 16 != 1 || magicNumber != 0x5F0F3CF5 || glyphDataFormat != 0) return false;
    uint16_t unitsPerEm, macStyle;
    int16_t indexToLocFormat;
    head.seek(18);
    head.readU16(unitsPerEm);
    head.seek(36);
    head.readS16(font.xMin);
    head.readS16(font.yMin);
    head.readS16(font.xMax);
    head.readS16(font.yMax);
    head.readU16(macStyle);
    head.seek(50);
    head.readS16(indexToLocFormat);
    // The grid drives scaling and the curve tolerance; the format allows 16 to 16384.
    if (unitsPerEm < 16 || unitsPerEm > 16384) return false;
    if (indexToLocFormat != 0 && indexToLocFormat != 1) return false;
    settings.gridSize = unitsPerEm;
    settings.style = uint8_t(macStyle & 3);  // bold and italic; other bits name no style
    font.indexToLocFormat = indexToLocFormat;
    return true;
}

bool writeHeadTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out) {
    const size_t at = out.size();
    if (font.isNew()) {
        out.writeU32(0x00010000);  // version
        out.writeU32(0);           // fontRevision
        out.writeU32(0);           // checkSumAdjustment, patched when the file is complete
        out.writeU32(0x5F0F3CF5);
        out.writeU16(3);  // baseline at y = 0, left side bearing point at x = 0
        out.writeU16(settings.gridSize);
        out.writeU32(uint32_t(uint64_t(font.timestamp) >> 32));  // created
        out.writeU32(uint32_t(uint64_t(font.timestamp)));
        out.writeU32(uint32_t(uint64_t(font.timestamp) >> 32));  // modified
        out.writeU32(uint32_t(uint64_t(font.timestamp)));
        out.zeros(8);  // box, patched below
        out.writeU16(settings.style & 3);
        out.writeU16(8);  // lowestRecPPEM
        out.writeS16(1);  // fontDirectionHint
        out.writeS16(1);  // indexToLocFormat
        out.writeS16(0);  // glyphDataFormat
    } else {
        const TableRecord* record = font.findTableRecord("head");
        if (!record) return false;
        const BigEndianReader old = tableReader(font, *record);
        if (old.length() < 54) return false;
        out.writeBytes(old.data(), 54);
        out.patchU32(at + 8, 0);
        out.patchU16(at + 50, 1);  // loca is always written long
    }
    out.patchU16(at + 36, uint16_t(font.boxXMin));
    out.patchU16(at + 38, uint16_t(font.boxYMin));
    out.patchU16(at + 40, uint16_t(font.boxXMax));
    out.patchU16(at + 42, uint16_t(font.boxYMax));
    return true;
}

}  // namespace gx::tt
