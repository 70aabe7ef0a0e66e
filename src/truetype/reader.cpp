// Reading an existing font: everything the rewrite and the dialogs need.
#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {

ReadStatus readExistingFont(std::vector<uint8_t> bytes, FontFileState& font,
                            SessionSettings& settings) {
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

    auto fail = [&](ReadStatus status) {
        font.releaseFontBuffers();
        font.directoryPresent = false;
        return status;
    };
    if (!readDirectory(font.source, font)) return fail(ReadStatus::Malformed);

    const TableRecord* name = font.findTableRecord("name");
    const TableRecord* head = font.findTableRecord("head");
    const TableRecord* maxp = font.findTableRecord("maxp");
    const TableRecord* cmap = font.findTableRecord("cmap");
    const TableRecord* hhea = font.findTableRecord("hhea");
    const TableRecord* hmtx = font.findTableRecord("hmtx");
    const TableRecord* loca = font.findTableRecord("loca");
    const TableRecord* glyf = font.findTableRecord("glyf");
    if (!name || !readNameTable(tableReader(font, *name), settings.familyName))
        return fail(ReadStatus::Malformed);
    if (!head || !readHeadTable(tableReader(font, *head), font, settings))
        return fail(ReadStatus::Malformed);

    // The writer rewrites maxp from its 32-byte TrueType form.
    if (!maxp || maxp->length < 32) return fail(ReadStatus::Malformed);
    BigEndianReader m = tableReader(font, *maxp);
    m.seek(4);
    m.readU16(font.numGlyphs);
    if (font.numGlyphs > kMaxGlyphs) return fail(ReadStatus::TooComplex);
    if (font.numGlyphs == 0) return fail(ReadStatus::Malformed);

    if (!cmap || !readCmapTable(tableReader(font, *cmap), font, settings))
        return fail(ReadStatus::Malformed);
    // The writer needs all of these; a font without them cannot be extended.
    if (!hhea || !hmtx || !loca || !glyf) return fail(ReadStatus::Malformed);
    if (!readHorizontalMetrics(tableReader(font, *hhea), tableReader(font, *hmtx), font))
        return fail(ReadStatus::Malformed);
    if (!readLocaTable(tableReader(font, *loca), glyf->length, font))
        return fail(ReadStatus::Malformed);

    settings.spaceWidth = int16_t(font.advanceWidths[font.charToGlyph[32]]);
    settings.charNumber = int16_t(settings.charNumber + 1 >= 256 ? 33 : settings.charNumber + 1);
    return ReadStatus::Ok;
}

}  // namespace gx::tt
