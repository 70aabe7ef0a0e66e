// glyf and loca: glyph offsets of an existing font; the rewritten glyph data.
#include "truetype/tables.h"

namespace gx::tt {

bool readLocaTable(BigEndianReader loca, uint32_t glyfLength, FontFileState& font) {
    uint32_t previous = 0;
    for (uint32_t g = 0; g <= font.numGlyphs; ++g) {
        uint32_t offset;
        if (font.indexToLocFormat != 0) {
            if (!loca.readU32(offset)) return false;
        } else {
            uint16_t half;
            if (!loca.readU16(half)) return false;
            offset = uint32_t(half) * 2;
        }
        // Offsets must ascend and stay inside glyf, or copying glyphs would read elsewhere.
        if (offset < previous || offset > glyfLength) return false;
        font.glyphOffsets[g] = offset;
        previous = offset;
    }
    return true;
}

namespace {
void padToEven(BigEndianWriter& out, size_t tableStart) {
    if ((out.size() - tableStart) % 2) out.writeU8(0);
}
}  // namespace

bool writeGlyfTable(const FontFileState& font, BigEndianWriter& out, std::vector<uint32_t>& loca) {
    const size_t start = out.size();
    const std::vector<uint8_t>& glyph = font.newGlyph.record;
    loca.clear();
    if (font.isNew()) {
        // 0: the exported shape again as the missing-character glyph, 1 to 3 empty, 4 the shape.
        loca.push_back(0);
        out.writeBytes(glyph.data(), glyph.size());
        padToEven(out, start);
        loca.insert(loca.end(), 4, uint32_t(out.size() - start));
        out.writeBytes(glyph.data(), glyph.size());
        padToEven(out, start);
        loca.push_back(uint32_t(out.size() - start));
        return true;
    }
    const TableRecord* glyf = font.findTableRecord("glyf");
    if (!glyf) return false;
    const BigEndianReader old = tableReader(font, *glyf);
    for (size_t k = 0; k < font.keptGlyphs.size(); ++k) {
        const uint16_t g = font.keptGlyphs[k];
        const uint32_t from = font.glyphOffsets[g], to = font.glyphOffsets[size_t(g) + 1];
        if (to < from || to > old.length()) return false;
        const size_t at = out.size();
        loca.push_back(uint32_t(at - start));
        out.writeBytes(old.data() + from, to - from);
        // Composites name their parts by index; point them at the parts' new places.
        bool ok = true;
        forEachComponent(old.data() + from, to - from, [&](size_t fieldAt, uint16_t component) {
            int mapped = -1;
            for (size_t j = 0; j < font.keptGlyphs.size(); ++j)
                if (font.keptGlyphs[j] == component) mapped = int(j);
            if (mapped < 0) ok = false;
            out.patchU16(at + fieldAt, uint16_t(mapped));
        });
        if (!ok) return false;
        padToEven(out, start);
    }
    if (font.addGlyph && font.newGlyph.present) {
        loca.push_back(uint32_t(out.size() - start));
        out.writeBytes(glyph.data(), glyph.size());
        padToEven(out, start);
    }
    loca.push_back(uint32_t(out.size() - start));
    return true;
}

void writeLocaTable(const FontFileState& font, BigEndianWriter& out) {
    for (uint32_t offset : font.newGlyphOffsets) out.writeU32(offset);
}

}  // namespace gx::tt
