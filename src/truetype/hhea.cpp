// hhea, built afresh from the metric summary.
#include "truetype/tables.h"

namespace gx::tt {

void writeHheaTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out) {
    const int16_t lineGap = int16_t(settings.gridSize + font.boxYMin - font.boxYMax);
    const int16_t xMaxExtent = int16_t(font.largestBearing);
    out.writeU32(0x00010000);
    out.writeS16(font.boxYMax);  // ascender
    out.writeS16(font.boxYMin);  // descender
    out.writeS16(lineGap > 0 ? lineGap : 0);
    out.writeU16(font.largestAdvance);
    out.writeS16(font.smallestBearing);
    out.writeS16(int16_t(font.smallestAdvance - xMaxExtent));  // minRightSideBearing
    out.writeS16(xMaxExtent);
    out.writeS16(1);   // caretSlopeRise
    out.writeS16(0);   // caretSlopeRun
    out.zeros(2 + 8);  // caretOffset, reserved
    out.writeS16(0);   // metricDataFormat
    out.writeU16(font.outNumberOfHMetrics);
}

}  // namespace gx::tt
