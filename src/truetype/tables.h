// Readers and writers of the individual tables (internal to the engine).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "truetype/font_state.h"
#include "support/export_settings.h"

namespace gx::tt {

// The bytes of one table of the existing font (empty reader when absent).
BigEndianReader tableReader(const FontFileState& font, const TableRecord& record);

// The directory of an existing font (hdmx dropped); false when malformed.
bool readDirectory(const std::vector<uint8_t>& bytes, FontFileState& font);

// Readers: false when the table is malformed.
// `wideFamily`: the Windows family name as the font has it, when there is no Macintosh
// one and it holds characters past 8 bits (else empty).
bool readNameTable(BigEndianReader table, std::string& familyName,
                   std::u16string* wideFamily = nullptr);
bool readHeadTable(BigEndianReader table, FontFileState& font, SessionSettings& settings);
bool readCmapTable(BigEndianReader table, FontFileState& font, SessionSettings& settings);
bool readHorizontalMetrics(BigEndianReader hhea, BigEndianReader hmtx, FontFileState& font);
bool readLocaTable(BigEndianReader loca, uint32_t glyfLength, FontFileState& font);
// What is wrong with one glyph record of an existing font (empty when it is sound):
// a glyph copied as it is must not make the written font fail where the old one did.
std::string checkGlyphRecord(const uint8_t* data, size_t length, uint16_t numGlyphs);

// Writers: append the table's bytes (no padding). False on bad input.
bool writeCmapTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out);
// Also yields the loca offsets of the glyphs written.
bool writeGlyfTable(const FontFileState& font, BigEndianWriter& out, std::vector<uint32_t>& loca);
void writeLocaTable(const FontFileState& font, BigEndianWriter& out);
void writeHmtxTable(const FontFileState& font, BigEndianWriter& out);
bool writeMaxpTable(const FontFileState& font, BigEndianWriter& out);
bool writeHeadTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out);
void writeHheaTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out);
void writeOs2Table(const FontFileState& font, const SessionSettings& settings,
                   BigEndianWriter& out);
void writePostTable(const FontFileState& font, BigEndianWriter& out);
void writeNameTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out);
void writeKernPairs(const std::vector<KerningPair>& pairs, BigEndianWriter& out);
// The old kern table with its glyph indices moved through `oldToNew` (-1: removed);
// false when it is not a table of horizontal format 0 subtables.
bool remapKernTable(BigEndianReader table, const std::vector<int>& oldToNew, BigEndianWriter& out);

// Composite glyph components: calls `visit(offsetOfGlyphIndex, glyphIndex)` for each;
// false when the records run outside the glyph.
template <typename Visit>
bool forEachComponent(const uint8_t* glyph, size_t length, Visit visit) {
    BigEndianReader r(glyph, length);
    int16_t contours;
    if (!r.readS16(contours)) return true;  // an empty glyph
    if (contours >= 0) return true;
    if (!r.skip(8)) return false;
    for (;;) {
        uint16_t flags, glyphIndex;
        const size_t at = r.offset() + 2;
        if (!r.readU16(flags) || !r.readU16(glyphIndex)) return false;
        visit(at, glyphIndex);
        size_t skip = (flags & 0x0001) ? 4 : 2;
        if (flags & 0x0008)
            skip += 2;
        else if (flags & 0x0040)
            skip += 4;
        else if (flags & 0x0080)
            skip += 8;
        if (!r.skip(skip)) return false;
        if (!(flags & 0x0020)) return true;
    }
}

// p = the largest power of two not above count (count > 0).
struct SearchFields {
    uint16_t searchRange, entrySelector, rangeShift;
};
SearchFields searchFields(uint32_t count, uint32_t unitSize);

// Values imported from an AFM file are in thousandths of an em; the font's em is the grid.
inline int16_t scaleAfmValue(int32_t v, uint16_t gridSize) {
    const int32_t scaled = int32_t(int64_t(v) * gridSize / 1000);
    return int16_t(std::max<int32_t>(-32768, std::min<int32_t>(32767, scaled)));
}

uint16_t unicodeToAnsi(uint32_t c);

}  // namespace gx::tt
