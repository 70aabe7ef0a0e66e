// Builds small TrueType fonts for tests: glyph records, a code map, optional kern pairs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "truetype/font_state.h"

namespace gx::tt::test {

struct FixtureGlyph {
    std::vector<uint8_t> record;  // empty for an empty glyph
    uint16_t advance = 500;
};

// A one-contour triangle glyph record.
inline std::vector<uint8_t> triangleGlyph(int16_t size) {
    BigEndianWriter w;
    w.writeS16(1);
    w.writeS16(0), w.writeS16(0), w.writeS16(size), w.writeS16(size);
    w.writeU16(2);
    w.writeU16(0);
    for (int i = 0; i < 3; ++i) w.writeU8(1);
    w.writeS16(0), w.writeS16(size), w.writeS16(int16_t(-size / 2));  // x deltas
    w.writeS16(0), w.writeS16(0), w.writeS16(size);                   // y deltas
    return w.bytes();
}

// A composite glyph record using `parts`.
inline std::vector<uint8_t> compositeGlyph(const std::vector<uint16_t>& parts) {
    BigEndianWriter w;
    w.writeS16(-1);
    w.writeS16(0), w.writeS16(0), w.writeS16(100), w.writeS16(100);
    for (size_t i = 0; i < parts.size(); ++i) {
        const uint16_t more = i + 1 < parts.size() ? 0x0020 : 0;
        w.writeU16(uint16_t(0x0001 | 0x0002 | more));  // word args, xy values
        w.writeU16(parts[i]);
        w.writeS16(int16_t(10 * i)), w.writeS16(0);
    }
    return w.bytes();
}

struct FixtureFont {
    std::vector<FixtureGlyph> glyphs;
    std::map<uint16_t, uint16_t> cmap;  // Unicode -> glyph
    bool symbol = false;
    std::vector<KerningPair> kern;  // glyph indices
    uint16_t unitsPerEm = 1000;
    uint16_t numGlyphsOverride = 0;
    std::string family = "Fixture";
    std::u16string windowsFamily;  // when set, the only family name, in a Windows record
    std::vector<std::pair<std::string, std::vector<uint8_t>>> extraTables;
};

inline uint32_t fixtureChecksum(const std::vector<uint8_t>& b) {
    uint32_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 4) {
        uint32_t w = 0;
        for (size_t k = 0; k < 4; ++k) w = w << 8 | (i + k < b.size() ? b[i + k] : 0);
        sum += w;
    }
    return sum;
}

inline std::vector<uint8_t> buildFixture(const FixtureFont& f) {
    std::map<std::string, std::vector<uint8_t>> tables;
    const uint16_t n = f.numGlyphsOverride ? f.numGlyphsOverride : uint16_t(f.glyphs.size());
    {
        BigEndianWriter w;
        w.writeU32(0x00010000), w.writeU32(0), w.writeU32(0), w.writeU32(0x5F0F3CF5);
        w.writeU16(3), w.writeU16(f.unitsPerEm);
        w.zeros(16);
        w.writeS16(0), w.writeS16(-200), w.writeS16(900), w.writeS16(800);
        w.writeU16(0), w.writeU16(8), w.writeS16(2), w.writeS16(1), w.writeS16(0);
        tables["head"] = w.bytes();
    }
    {
        BigEndianWriter w;
        w.writeU32(0x00010000), w.writeS16(800), w.writeS16(-200), w.writeS16(0);
        w.writeU16(500), w.zeros(22), w.writeU16(uint16_t(f.glyphs.size()));
        tables["hhea"] = w.bytes();
    }
    {
        BigEndianWriter w;
        w.writeU32(0x00010000), w.writeU16(n), w.zeros(26);
        tables["maxp"] = w.bytes();
    }
    {
        BigEndianWriter hmtx, glyf, loca;
        for (const FixtureGlyph& g : f.glyphs) {
            hmtx.writeU16(g.advance), hmtx.writeS16(0);
            loca.writeU32(uint32_t(glyf.size()));
            glyf.writeBytes(g.record.data(), g.record.size());
            if (glyf.size() % 2) glyf.writeU8(0);
        }
        loca.writeU32(uint32_t(glyf.size()));
        tables["hmtx"] = hmtx.bytes();
        tables["glyf"] = glyf.bytes();
        tables["loca"] = loca.bytes();
    }
    {
        BigEndianWriter w;
        const uint16_t segs = uint16_t(f.cmap.size() + 1);
        w.writeU16(0), w.writeU16(1), w.writeU16(3), w.writeU16(f.symbol ? 0 : 1), w.writeU32(12);
        w.writeU16(4), w.writeU16(uint16_t(16 + 8 * segs)), w.writeU16(0),
            w.writeU16(uint16_t(2 * segs));
        w.writeU16(2), w.writeU16(0), w.writeU16(uint16_t(2 * segs - 2));
        for (auto& [c, g] : f.cmap) w.writeU16(c);
        w.writeU16(0xFFFF), w.writeU16(0);
        for (auto& [c, g] : f.cmap) w.writeU16(c);
        w.writeU16(0xFFFF);
        for (auto& [c, g] : f.cmap) w.writeU16(uint16_t(g - c));
        w.writeU16(1);
        w.zeros(2 * segs);
        tables["cmap"] = w.bytes();
    }
    if (!f.windowsFamily.empty()) {
        BigEndianWriter w;
        w.writeU16(0), w.writeU16(1), w.writeU16(18);
        w.writeU16(3), w.writeU16(1), w.writeU16(0x409), w.writeU16(1);
        w.writeU16(uint16_t(2 * f.windowsFamily.size())), w.writeU16(0);
        for (char16_t c : f.windowsFamily) w.writeU16(uint16_t(c));
        tables["name"] = w.bytes();
    } else {
        BigEndianWriter w;
        w.writeU16(0), w.writeU16(1), w.writeU16(18);
        w.writeU16(1), w.writeU16(0), w.writeU16(0), w.writeU16(1);
        w.writeU16(uint16_t(f.family.size())), w.writeU16(0);
        w.writeString(f.family);
        tables["name"] = w.bytes();
    }
    {
        BigEndianWriter w;
        w.writeU32(0x00030000), w.zeros(28);
        tables["post"] = w.bytes();
    }
    if (!f.kern.empty()) {
        BigEndianWriter w;
        w.writeU16(0), w.writeU16(1), w.writeU16(0), w.writeU16(uint16_t(14 + 6 * f.kern.size()));
        w.writeU16(1), w.writeU16(uint16_t(f.kern.size())), w.writeU16(6), w.writeU16(0),
            w.writeU16(uint16_t(6 * f.kern.size() - 6));
        for (const KerningPair& p : f.kern)
            w.writeU16(uint16_t(p.left)), w.writeU16(uint16_t(p.right)), w.writeS16(p.value);
        tables["kern"] = w.bytes();
    }
    for (auto& [tag, bytes] : f.extraTables) tables[tag] = bytes;

    BigEndianWriter out;
    out.writeU32(0x00010000), out.writeU16(uint16_t(tables.size()));
    out.writeU16(0), out.writeU16(0), out.writeU16(0);  // search fields are not read
    size_t offset = 12 + 16 * tables.size();
    for (auto& [tag, bytes] : tables) {
        out.writeString(tag);
        out.writeU32(fixtureChecksum(bytes)), out.writeU32(uint32_t(offset)),
            out.writeU32(uint32_t(bytes.size()));
        offset += (bytes.size() + 3) / 4 * 4;
    }
    for (auto& [tag, bytes] : tables) {
        out.writeBytes(bytes.data(), bytes.size());
        out.zeros((4 - bytes.size() % 4) % 4);
    }
    return out.bytes();
}

}  // namespace gx::tt::test
