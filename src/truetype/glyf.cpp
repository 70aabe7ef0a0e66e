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

std::string checkGlyphRecord(const uint8_t* data, size_t length, uint16_t numGlyphs) {
    if (length == 0) return {};  // an empty glyph
    BigEndianReader r(data, length);
    int16_t contours, xMin, yMin, xMax, yMax;
    if (length < 10 || !r.readS16(contours) || !r.readS16(xMin) || !r.readS16(yMin) ||
        !r.readS16(xMax) || !r.readS16(yMax))
        return "shorter than its header";
    if (xMin > xMax || yMin > yMax) return "a box whose minimum lies past its maximum";
    if (contours < -1) return "an unknown kind of glyph";
    if (contours == -1) {
        bool instructions = false;
        for (bool more = true; more;) {
            uint16_t flags, component;
            if (!r.readU16(flags) || !r.readU16(component))
                return "its component records run past its data";
            if (component >= numGlyphs) return "a component that is no glyph of the font";
            size_t skip = (flags & 0x0001) ? 4 : 2;
            if (flags & 0x0008)
                skip += 2;
            else if (flags & 0x0040)
                skip += 4;
            else if (flags & 0x0080)
                skip += 8;
            if (!r.skip(skip)) return "its component records run past its data";
            if (flags & 0x0100) instructions = true;
            more = (flags & 0x0020) != 0;
        }
        uint16_t instructionLength;
        if (instructions && (!r.readU16(instructionLength) || !r.skip(instructionLength)))
            return "its instructions run past its data";
        return {};
    }
    uint16_t last = 0;
    for (int16_t c = 0; c < contours; ++c) {
        uint16_t end;
        if (!r.readU16(end)) return "its contour ends run past its data";
        if (c > 0 && end <= last) return "contour ends that do not ascend";
        last = end;
    }
    uint16_t instructionLength;
    if (!r.readU16(instructionLength) || !r.skip(instructionLength))
        return "its instructions run past its data";
    const uint32_t points = contours > 0 ? uint32_t(last) + 1 : 0;
    size_t xBytes = 0, yBytes = 0;
    for (uint32_t p = 0; p < points;) {
        uint8_t flag;
        if (!r.readU8(flag)) return "its point flags run past its data";
        uint32_t repeat = 1;
        if (flag & 0x08) {
            uint8_t more;
            if (!r.readU8(more)) return "its point flags run past its data";
            repeat += more;
        }
        // The overlap bit belongs to the first point alone; the top bit is reserved.
        if ((flag & 0x80) || ((flag & 0x40) && (p > 0 || repeat > 1)))
            return "a point flag with a reserved bit set";
        if (repeat > points - p) return "point flags for more points than it has";
        xBytes += repeat * ((flag & 0x02) ? 1 : (flag & 0x10) ? 0 : 2);
        yBytes += repeat * ((flag & 0x04) ? 1 : (flag & 0x20) ? 0 : 2);
        p += repeat;
    }
    if (!r.skip(xBytes) || !r.skip(yBytes)) return "its coordinates run past its data";
    return {};
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
