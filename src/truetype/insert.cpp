// Glyph insertion: which glyphs stay, where the new one goes, and the metric summary.
#include <algorithm>
#include <array>

#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {

int findFreeCode(const FontFileState& font) {
    for (int code = 33; code <= 255; ++code)
        if (font.charToGlyph[size_t(code)] == 0 || font.deleteMark[size_t(code)]) return code;
    return 0;
}

namespace {

// Drops composites whose parts are gone, until no more go (a composite may use another).
void dropOrphanComposites(const FontFileState& font, std::vector<uint16_t>& kept) {
    const TableRecord* glyf = font.findTableRecord("glyf");
    const BigEndianReader data = glyf ? tableReader(font, *glyf) : BigEndianReader();
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<bool> isKept(font.numGlyphs, false);
        for (uint16_t g : kept) isKept[g] = true;
        std::vector<uint16_t> next;
        for (uint16_t g : kept) {
            const uint32_t from = font.glyphOffsets[g], to = font.glyphOffsets[size_t(g) + 1];
            bool keep = true;
            const bool whole =
                forEachComponent(data.data() + from, to - from, [&](size_t, uint16_t c) {
                    if (c >= font.numGlyphs || !isKept[c]) keep = false;
                });
            // A composite whose records cannot be walked cannot have its parts renumbered.
            if (!whole) keep = false;
            if (keep)
                next.push_back(g);
            else
                changed = true;
        }
        kept.swap(next);
    }
}

}  // namespace

SaveStatus updateFontMetrics(FontFileState& font, const SessionSettings& settings) {
    const ImportedMetrics& imp = font.imported;
    // Only the characters the metrics file named take its widths.
    if (imp.characterMetrics)
        for (uint16_t g = 1; g < font.numGlyphs; ++g)
            if (imp.widthSet[font.glyphToChar[g]])
                font.advanceWidths[g] = uint16_t(imp.widths[font.glyphToChar[g]]);

    int32_t sum = font.averageAdvance;
    font.largestAdvance = 0;
    font.smallestAdvance = 0xFFFF;
    font.newCodeMap.fill(0);
    font.keptGlyphs.clear();
    font.outAdvances.fill(0);
    font.outBearings.fill(0);
    font.boxXMin = font.xMin;
    font.boxYMin = font.yMin;
    font.boxXMax = font.xMax;
    font.boxYMax = font.yMax;
    if (font.isNew()) {
        font.keptGlyphs = {0, 1, 2, 3};
        font.spaceGlyphIndex = 3;
        // The space character reaches its glyph through every cmap; left at 0 it would
        // show glyph 0, which is the exported shape.
        font.newCodeMap[32] = 3;
        font.outAdvances[0] = settings.gridSize;
        font.outBearings[0] = font.newGlyph.xMin;  // glyph 0 is the shape too
    } else {
        for (uint16_t g = 0; g < font.numGlyphs; ++g) {
            const uint8_t code = font.glyphToChar[g];
            if (code == 0 || !font.deleteMark[code]) font.keptGlyphs.push_back(g);
        }
        dropOrphanComposites(font, font.keptGlyphs);
        // Where each old glyph goes (-1: dropped), so that the codes are mapped in one pass.
        std::array<int, kMaxGlyphs> newIndex;
        newIndex.fill(-1);
        for (size_t k = 0; k < font.keptGlyphs.size(); ++k)
            if (font.keptGlyphs[k] < kMaxGlyphs) newIndex[font.keptGlyphs[k]] = int(k);
        for (int code = 32; code < 256; ++code) {
            const uint16_t g = font.charToGlyph[size_t(code)];
            if (g < kMaxGlyphs && newIndex[g] >= 0)
                font.newCodeMap[size_t(code)] = uint16_t(newIndex[g]);
        }
        for (size_t k = 0; k < font.keptGlyphs.size(); ++k) {
            const uint16_t g = font.keptGlyphs[k];
            font.outAdvances[k] = font.advanceWidths[g];
            font.outBearings[k] = font.leftSideBearings[g];
            sum += font.outAdvances[k];
            font.largestAdvance = std::max(font.largestAdvance, font.outAdvances[k]);
            if (font.outAdvances[k] != 0)
                font.smallestAdvance = std::min(font.smallestAdvance, font.outAdvances[k]);
        }
        // The space width belongs to the space character's glyph, if the font has one.
        font.spaceGlyphIndex = font.newCodeMap[32] != 0 ? font.newCodeMap[32] : -1;
    }

    size_t n = font.keptGlyphs.size();
    if (font.addGlyph) {
        if (n >= size_t(kMaxGlyphs)) return SaveStatus::TooManyGlyphs;
        if (settings.charNumber < 0 || settings.charNumber > 255) return SaveStatus::Failed;
        // An empty shape would replace a glyph by nothing (and leave a new font's glyph
        // data empty, which readers refuse).
        if (font.newGlyph.record.empty()) return SaveStatus::Failed;
        const NewGlyph& g = font.newGlyph;
        font.newCodeMap[size_t(settings.charNumber)] = uint16_t(n);
        int32_t advance;
        if (imp.characterMetrics && imp.widthSet[size_t(settings.charNumber)])
            advance = imp.widths[size_t(settings.charNumber)];
        else if (settings.autoWidth)
            advance = int32_t(double(g.xMax) * 1.05);
        else
            advance = settings.charWidth;
        font.outAdvances[n] = uint16_t(std::max(advance, 0));
        font.outBearings[n] = g.xMin;
        sum += font.outAdvances[n];
        font.largestAdvance = std::max(font.largestAdvance, font.outAdvances[n]);
        font.smallestAdvance = std::min(font.smallestAdvance, font.outAdvances[n]);
        font.boxXMin = std::min(font.boxXMin, g.xMin);
        font.boxYMin = std::min(font.boxYMin, g.yMin);
        font.boxXMax = std::max(font.boxXMax, g.xMax);
        font.boxYMax = std::max(font.boxYMax, g.yMax);
        ++n;
    }
    if (n == 0) return SaveStatus::Failed;
    font.glyphCount = uint16_t(n);
    font.outAverage = sum / int32_t(n);

    font.smallestBearing = 32000;
    font.largestBearing = -32768;
    for (size_t i = 0; i < n; ++i) {
        font.smallestBearing = std::min(font.smallestBearing, font.outBearings[i]);
        font.largestBearing = std::max<int32_t>(font.largestBearing, font.outBearings[i]);
    }
    font.largestBearing += int32_t(font.boxXMax) - font.boxXMin;

    font.kernPairs.clear();
    font.writeKern = imp.kerning;
    if (imp.kerning) {
        for (const KerningPair& p : imp.pairs) {
            if (p.left < 0 || p.left > 255 || p.right < 0 || p.right > 255) continue;
            const uint16_t l = font.newCodeMap[size_t(p.left)],
                           r = font.newCodeMap[size_t(p.right)];
            if (l == 0 || r == 0) continue;
            font.kernPairs.push_back(
                {int16_t(l), int16_t(r), scaleAfmValue(p.value, settings.gridSize)});
        }
        std::stable_sort(font.kernPairs.begin(), font.kernPairs.end(),
                         [](const KerningPair& a, const KerningPair& b) {
                             if (a.left != b.left) return a.left < b.left;
                             return a.right < b.right;
                         });
        // A kern table needs pairs; without any the font keeps what it had.
        font.writeKern = !font.kernPairs.empty();
    }

    font.outNumberOfHMetrics = imp.fixedWidth ? 1 : uint16_t(n);
    if (font.spaceGlyphIndex >= 0 && size_t(font.spaceGlyphIndex) < n)
        font.outAdvances[size_t(font.spaceGlyphIndex)] =
            uint16_t(std::max<int16_t>(settings.spaceWidth, 0));

    if (imp.characterMetrics) {
        // AFM values are thousandths of an em; this font's em is the grid.
        font.typoAscender = scaleAfmValue(imp.ascender, settings.gridSize);
        font.typoDescender = scaleAfmValue(imp.descender, settings.gridSize);
        font.italicAngle = imp.italicAngle;
        font.underlinePosition = scaleAfmValue(imp.underlinePosition, settings.gridSize);
        font.underlineThickness = scaleAfmValue(imp.underlineThickness, settings.gridSize);
    } else {
        font.typoAscender = font.boxYMax;
        font.typoDescender = font.boxYMin;
        font.italicAngle = font.underlinePosition = font.underlineThickness = 0;
    }
    return SaveStatus::Ok;
}

}  // namespace gx::tt
