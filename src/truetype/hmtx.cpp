// hhea + hmtx of an existing font; the rewritten hmtx.
#include "truetype/tables.h"

namespace gx::tt {

bool readHorizontalMetrics(BigEndianReader hhea, BigEndianReader hmtx, FontFileState& font) {
    uint16_t advanceWidthMax, numberOfHMetrics;
    if (!hhea.seek(10) || !hhea.readU16(advanceWidthMax) || !hhea.seek(34) ||
        !hhea.readU16(numberOfHMetrics))
        return false;
    // The metrics must cover exactly the glyphs maxp announces.
    if (numberOfHMetrics == 0 || numberOfHMetrics > font.numGlyphs) return false;
    if (hmtx.length() < 4u * numberOfHMetrics + 2u * (font.numGlyphs - numberOfHMetrics))
        return false;
    font.numberOfHMetrics = numberOfHMetrics;
    font.advanceWidthMax = advanceWidthMax;
    int64_t sum = 0;
    for (uint16_t i = 0; i < numberOfHMetrics; ++i) {
        hmtx.readU16(font.advanceWidths[i]);
        hmtx.readS16(font.leftSideBearings[i]);
        sum += font.advanceWidths[i];
    }
    for (uint16_t i = numberOfHMetrics; i < font.numGlyphs; ++i) {
        font.advanceWidths[i] = font.advanceWidths[numberOfHMetrics - 1u];
        hmtx.readS16(font.leftSideBearings[i]);
        sum += font.advanceWidths[i];
    }
    font.averageAdvance = int32_t(sum / font.numGlyphs);
    return true;
}

void writeHmtxTable(const FontFileState& font, BigEndianWriter& out) {
    for (uint16_t i = 0; i < font.glyphCount; ++i) {
        if (i < font.outNumberOfHMetrics) out.writeU16(font.outAdvances[i]);
        out.writeS16(font.outBearings[i]);
    }
}

}  // namespace gx::tt
