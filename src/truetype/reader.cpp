// Reading an existing font: everything the rewrite and the dialogs need.
#include "support/charlist.h"
#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {

ReadStatus readExistingFont(std::vector<uint8_t> bytes, FontFileState& font,
                            SessionSettings& settings, bool laidOutHere) {
    // Per-font values start empty; what the export itself set (the glyph, the clock,
    // the add-glyph flag, the import flags and widths) stays.
    FontFileState fresh;
    fresh.addGlyph = font.addGlyph;
    fresh.newGlyph = std::move(font.newGlyph);
    fresh.timestamp = font.timestamp;
    fresh.imported = std::move(font.imported);
    fresh.imported.resetValues();
    font = std::move(fresh);
    font.source = std::move(bytes);

    auto fail = [&](ReadStatus status, const std::string& problem = std::string()) {
        font.problem = problem;
        font.releaseFontBuffers();
        font.directoryPresent = false;
        return status;
    };
    if (!readDirectory(font.source, font))
        return fail(ReadStatus::Malformed,
                    "it is no TrueType font, or its table directory is damaged");

    const TableRecord* name = font.findTableRecord("name");
    const TableRecord* head = font.findTableRecord("head");
    const TableRecord* maxp = font.findTableRecord("maxp");
    const TableRecord* cmap = font.findTableRecord("cmap");
    const TableRecord* hhea = font.findTableRecord("hhea");
    const TableRecord* hmtx = font.findTableRecord("hmtx");
    const TableRecord* loca = font.findTableRecord("loca");
    const TableRecord* glyf = font.findTableRecord("glyf");
    if (!name || !readNameTable(tableReader(font, *name), settings.familyName, &font.wideFamily))
        return fail(ReadStatus::Malformed, "it has no family name it can be read by");
    font.familyAsRead = settings.familyName;
    if (!head || !readHeadTable(tableReader(font, *head), font, settings))
        return fail(ReadStatus::Malformed, "its head table is missing or damaged");

    // The writer rewrites maxp from its 32-byte TrueType form.
    if (!maxp || maxp->length < 32)
        return fail(ReadStatus::Malformed, "its maxp table is missing or not a TrueType one");
    BigEndianReader m = tableReader(font, *maxp);
    m.seek(4);
    m.readU16(font.numGlyphs);
    if (font.numGlyphs > kMaxGlyphs) return fail(ReadStatus::TooComplex);
    if (font.numGlyphs == 0) return fail(ReadStatus::Malformed, "it has no glyphs");

    if (!cmap || !readCmapTable(tableReader(font, *cmap), font, settings))
        return fail(ReadStatus::Malformed, "it has no Windows character map it can be read by");
    // The writer needs all of these; a font without them cannot be extended.
    if (!hhea || !hmtx || !loca || !glyf)
        return fail(ReadStatus::Malformed, "it lacks one of hhea, hmtx, loca and glyf");
    if (!readHorizontalMetrics(tableReader(font, *hhea), tableReader(font, *hmtx), font))
        return fail(ReadStatus::Malformed, "its horizontal metrics do not cover its glyphs");
    if (!readLocaTable(tableReader(font, *loca), glyf->length, font))
        return fail(ReadStatus::Malformed,
                    "its glyph locations (loca) run past its glyph data or descend");
    // Tables copied as they are must not carry damage into the written font either;
    // gasp is the one of them every renderer reads.
    if (const TableRecord* gasp = font.findTableRecord("gasp")) {
        BigEndianReader g = tableReader(font, *gasp);
        uint16_t version = 0, numRanges = 0;
        if (!g.readU16(version) || !g.readU16(numRanges) || version > 1 ||
            g.remaining() < 4u * numRanges) {
            return fail(ReadStatus::Malformed, "its gasp table is damaged");
        }
    }
    // Glyphs are copied as they are; a damaged one would damage the written font too.
    const BigEndianReader glyphs = tableReader(font, *glyf);
    for (uint16_t g = 0; g < font.numGlyphs && !laidOutHere; ++g) {
        const uint32_t from = font.glyphOffsets[g], to = font.glyphOffsets[size_t(g) + 1];
        const std::string why = checkGlyphRecord(glyphs.data() + from, to - from, font.numGlyphs);
        if (!why.empty())
            return fail(ReadStatus::Malformed,
                        "glyph " + std::to_string(g) + " is damaged: " + why);
    }

    settings.spaceWidth = int16_t(font.advanceWidths[font.charToGlyph[32]]);
    settings.charNumber = int16_t(offeredCodeAfter(settings.charNumber));
    return ReadStatus::Ok;
}

}  // namespace gx::tt
