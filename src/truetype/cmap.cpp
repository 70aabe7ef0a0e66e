// cmap: reading the Windows format 4 subtable (and a format 12 one), writing a Mac format 0
// and a Windows format 4 subtable over the 8-bit Windows character codes and the font's
// other characters, with a format 12 subtable when the font had one.
#include <algorithm>
#include <array>

#include "truetype/tables.h"

namespace gx::tt {
namespace {

struct AnsiCode {
    uint16_t unicode;
    uint8_t code;
};
// In the order the lookup searches them; the first match wins.
constexpr AnsiCode kAnsiTable[] = {
    {8218, 130}, {402, 131},  {8222, 132}, {8230, 133}, {8224, 134}, {8225, 135}, {710, 136},
    {8240, 137}, {352, 138},  {8249, 139}, {338, 140},  {8216, 145}, {8217, 146}, {8220, 147},
    {8221, 148}, {8226, 149}, {8211, 150}, {8212, 151}, {732, 152},  {8482, 153}, {353, 154},
    {8250, 155}, {339, 156},  {376, 159},  {8729, 183},
};

// Mac OS Roman 128..255 to the Windows code (0: none).
constexpr uint8_t kMacToAnsi[128] = {
    196, 197, 199, 201, 209, 214, 220, 225, 224, 226, 228, 227, 229, 231, 233, 232, 234, 235, 237,
    236, 238, 239, 241, 243, 242, 244, 246, 245, 250, 249, 251, 252, 134, 176, 162, 163, 167, 149,
    182, 223, 174, 169, 153, 180, 168, 0,   198, 216, 0,   177, 0,   0,   165, 181, 0,   0,   0,
    0,   0,   170, 186, 0,   230, 248, 191, 161, 172, 0,   131, 0,   0,   171, 187, 133, 160, 192,
    195, 213, 140, 156, 150, 151, 147, 148, 145, 146, 247, 0,   255, 159, 0,   164, 139, 155, 0,
    0,   135, 183, 130, 132, 137, 194, 202, 193, 203, 200, 205, 206, 207, 204, 211, 212, 0,   210,
    218, 219, 217, 0,   136, 152, 175, 0,   0,   0,   184, 0,   0,   0,
};

struct Segment {
    uint16_t start, end;
};
constexpr Segment kUnicodeSegments[] = {
    {32, 255},    {338, 339},   {352, 353},   {376, 376},   {402, 402},       {710, 710},
    {732, 732},   {8211, 8212}, {8216, 8218}, {8220, 8222}, {8224, 8226},     {8230, 8230},
    {8240, 8240}, {8249, 8250}, {8482, 8482}, {8729, 8729}, {0xFFFF, 0xFFFF},
};

// The Unicode values that reach a Windows code, ascending (beyond 0..255 and the
// symbol area), so a reader only visits codes that matter.
std::vector<uint16_t> sortedSpecialCodes() {
    std::vector<uint16_t> v;
    for (const AnsiCode& a : kAnsiTable)
        if (a.unicode > 255) v.push_back(a.unicode);
    std::sort(v.begin(), v.end());
    return v;
}

uint8_t macToAnsi(int c) {
    return c < 128 ? uint8_t(c) : kMacToAnsi[c - 128];
}

// The (3,10) format 12 subtable, when the font has one: its mappings join those of the
// format 4 subtable (which win, being the ones the 8-bit codes were read from).
void readFormat12(BigEndianReader table, FontFileState& font) {
    font.fullUnicodeSubtable = false;
    uint16_t version, numTables;
    table.seek(0);
    if (!table.readU16(version) || !table.readU16(numTables)) return;
    for (uint16_t i = 0; i < numTables; ++i) {
        uint16_t platformID, encodingID;
        uint32_t offset;
        if (!table.readU16(platformID) || !table.readU16(encodingID) || !table.readU32(offset))
            return;
        if (platformID != 3 || encodingID != 10) continue;
        BigEndianReader sub = table;
        uint16_t format, reserved;
        uint32_t length, language, numGroups;
        if (!sub.seek(offset) || !sub.readU16(format) || !sub.readU16(reserved) ||
            !sub.readU32(length) || !sub.readU32(language) || !sub.readU32(numGroups))
            continue;
        if (format != 12 || length > table.length() - offset || numGroups > (length - 16) / 12 ||
            length < 16)
            continue;
        std::vector<std::pair<uint32_t, uint16_t>> wide;
        uint32_t previousEnd = 0;
        bool ordered = true;
        for (uint32_t g = 0; g < numGroups && ordered; ++g) {
            uint32_t start, end, startGlyph;
            if (!sub.readU32(start) || !sub.readU32(end) || !sub.readU32(startGlyph)) break;
            // Groups must ascend and stay within Unicode, which bounds the codes visited.
            if (start > end || end > 0x10FFFF || (g > 0 && start <= previousEnd)) {
                ordered = false;
                break;
            }
            previousEnd = end;
            if (startGlyph >= font.numGlyphs) continue;
            const uint32_t last =
                std::min<uint32_t>(end, start + (font.numGlyphs - 1 - startGlyph));
            for (uint32_t c = start; c <= last; ++c)
                if (c - start + startGlyph != 0)
                    wide.push_back({c, uint16_t(c - start + startGlyph)});
        }
        if (!ordered) continue;
        font.fullUnicodeSubtable = true;
        std::vector<std::pair<uint32_t, uint16_t>> merged;
        merged.reserve(font.unicodeMap.size() + wide.size());
        size_t a = 0, b = 0;
        while (a < font.unicodeMap.size() || b < wide.size()) {
            if (b == wide.size() ||
                (a < font.unicodeMap.size() && font.unicodeMap[a].first <= wide[b].first)) {
                if (b < wide.size() && wide[b].first == font.unicodeMap[a].first) ++b;
                merged.push_back(font.unicodeMap[a++]);
            } else {
                merged.push_back(wide[b++]);
            }
        }
        font.unicodeMap.swap(merged);
        return;
    }
}

}  // namespace

uint16_t unicodeToAnsi(uint32_t c) {
    // The symbol area holds one Windows code per Unicode value; values past it have none.
    if (c >= 0xF020 && c <= 0xF0FF) return uint16_t(c - 0xF000);
    if (c >= 0xF100) return 0;
    if (c <= 127 || (c >= 160 && c <= 255)) return uint16_t(c);
    for (const AnsiCode& a : kAnsiTable)
        if (a.unicode == c) return a.code;
    return 0;
}

bool readCmapTable(BigEndianReader table, FontFileState& font, SessionSettings& settings) {
    uint16_t version, numTables;
    if (!table.readU16(version) || !table.readU16(numTables)) return false;
    size_t chosen = 0, chosenLength = 0;
    bool found = false, symbol = false;
    for (uint16_t i = 0; i < numTables; ++i) {
        uint16_t platformID, encodingID;
        uint32_t offset;
        if (!table.readU16(platformID) || !table.readU16(encodingID) || !table.readU32(offset))
            return false;
        if (platformID != 3 || encodingID > 1) continue;
        BigEndianReader sub = table;
        uint16_t format, length, language, segCountX2;
        if (!sub.seek(offset) || !sub.readU16(format) || !sub.readU16(length) ||
            !sub.readU16(language) || !sub.readU16(segCountX2))
            continue;
        // Only a format 4 subtable that lies inside the table can be read as one.
        const size_t segCount = segCountX2 / 2;
        if (format != 4 || segCount == 0 || length < 16 + 8 * segCount || length > table.length() ||
            offset > table.length() - length)
            continue;
        found = true;
        symbol = encodingID == 0;
        chosen = offset;
        chosenLength = length;
    }
    if (!found) return false;

    const uint8_t* base = table.data() + chosen;
    BigEndianReader sub(base, chosenLength);
    uint16_t segCountX2 = 0;
    sub.seek(6);
    sub.readU16(segCountX2);
    const size_t segCount = segCountX2 / 2;
    auto word = [&](size_t at) {
        BigEndianReader r(base, chosenLength);
        uint16_t v = 0;
        if (!r.seek(at) || !r.readU16(v)) return uint16_t(0);
        return v;
    };
    const size_t endAt = 14, startAt = 16 + 2 * segCount, deltaAt = 16 + 4 * segCount,
                 rangeAt = 16 + 6 * segCount;
    static const std::vector<uint16_t> specials = sortedSpecialCodes();

    font.charToGlyph.fill(0);
    auto map = [&](size_t seg, uint32_t c) {
        const uint16_t start = word(startAt + 2 * seg);
        const uint16_t delta = word(deltaAt + 2 * seg);
        const size_t rangePos = rangeAt + 2 * seg;
        const uint16_t rangeOffset = word(rangePos);
        uint16_t glyph;
        if (rangeOffset == 0) {
            glyph = uint16_t(c + delta);
        } else {
            // word() yields 0 for a lookup that leaves the subtable.
            const uint16_t g = word(rangePos + rangeOffset + 2 * size_t(c - start));
            glyph = g ? uint16_t(g + delta) : 0;
        }
        if (glyph >= font.numGlyphs) glyph = 0;  // a map past the glyphs reaches nothing
        const uint16_t ansi = unicodeToAnsi(c);
        if (ansi < 256) font.charToGlyph[ansi] = glyph;
        return glyph;
    };
    // Every code of a well-ordered subtable is visited once (at most 65536 in all), so the
    // mappings past the 8-bit codes can be kept; overlapping segments are read for the
    // 8-bit codes alone.
    font.unicodeMap.clear();
    uint32_t previousEnd = 0;
    bool ordered = true;
    for (size_t seg = 0; seg + 1 < segCount; ++seg) {
        const uint32_t start = word(startAt + 2 * seg), end = word(endAt + 2 * seg);
        if (start > end) continue;
        if (seg > 0 && start <= previousEnd) ordered = false;
        previousEnd = end;
        if (ordered) {
            for (uint32_t c = start; c <= end; ++c) {
                const uint16_t glyph = map(seg, c);
                if (glyph != 0) font.unicodeMap.push_back({c, glyph});
            }
            continue;
        }
        for (uint32_t c = start; c <= std::min<uint32_t>(end, 255); ++c) map(seg, c);
        for (uint16_t c : specials)
            if (c >= start && c <= end) map(seg, c);
        for (uint32_t c = std::max<uint32_t>(start, 0xF020); c <= std::min<uint32_t>(end, 0xF0FF);
             ++c)
            map(seg, c);
    }
    if (!ordered) font.unicodeMap.clear();
    readFormat12(table, font);

    font.charToGlyph[0] = 1;
    font.glyphToChar.fill(0);
    for (int code = 32; code < 256; ++code)
        if (font.charToGlyph[size_t(code)] < kMaxGlyphs)
            font.glyphToChar[font.charToGlyph[size_t(code)]] = uint8_t(code);
    font.glyphToChar[0] = 0;

    int highest = 32;  // so that an empty map proposes 33
    for (int code = 32; code < 256; ++code)
        if (font.charToGlyph[size_t(code)] != 0) highest = code;
    settings.charNumber = int16_t(highest);
    settings.symbolFont = symbol ? 1 : 0;
    return true;
}

namespace {

using CodeGlyph = std::pair<uint32_t, uint16_t>;

// A format 4 subtable over any ascending (code, glyph) list of codes below 0xFFFF: a run
// of codes whose glyphs keep one distance from them is a delta segment, any other run
// takes its glyphs from glyphIdArray. False when it would not fit the 16-bit length.
bool buildFormat4(const std::vector<CodeGlyph>& map, BigEndianWriter& out) {
    struct Seg {
        uint16_t start, end, delta;
        bool array;
        size_t arrayAt;
    };
    std::vector<Seg> segs;
    std::vector<uint16_t> glyphIds;
    for (size_t i = 0; i < map.size();) {
        size_t j = i + 1;
        while (j < map.size() && map[j].first == map[j - 1].first + 1) ++j;
        bool sameDelta = true;
        for (size_t k = i + 1; k < j; ++k)
            if (uint16_t(map[k].second - map[k].first) != uint16_t(map[i].second - map[i].first))
                sameDelta = false;
        Seg seg{uint16_t(map[i].first), uint16_t(map[j - 1].first), 0, !sameDelta, glyphIds.size()};
        if (sameDelta)
            seg.delta = uint16_t(map[i].second - map[i].first);
        else
            for (size_t k = i; k < j; ++k) glyphIds.push_back(map[k].second);
        segs.push_back(seg);
        i = j;
    }
    segs.push_back({0xFFFF, 0xFFFF, 1, false, 0});
    const size_t segCount = segs.size();
    const size_t length = 2 * (glyphIds.size() + 4 * segCount + 8);
    if (length > 0xFFFF) return false;
    const SearchFields sf = searchFields(uint32_t(segCount), 2);
    out.writeU16(4);
    out.writeU16(uint16_t(length));
    out.writeU16(0);
    out.writeU16(uint16_t(2 * segCount));
    out.writeU16(sf.searchRange);
    out.writeU16(sf.entrySelector);
    out.writeU16(sf.rangeShift);
    for (const Seg& g : segs) out.writeU16(g.end);
    out.writeU16(0);
    for (const Seg& g : segs) out.writeU16(g.start);
    for (const Seg& g : segs) out.writeU16(g.delta);
    for (size_t i = 0; i < segCount; ++i)
        out.writeU16(segs[i].array ? uint16_t(2 * (segCount - i) + 2 * segs[i].arrayAt) : 0);
    for (uint16_t g : glyphIds) out.writeU16(g);
    return true;
}

void buildFormat12(const std::vector<CodeGlyph>& map, BigEndianWriter& out) {
    std::vector<std::array<uint32_t, 3>> groups;
    for (const CodeGlyph& m : map) {
        if (!groups.empty() && groups.back()[1] + 1 == m.first &&
            groups.back()[2] + (m.first - groups.back()[0]) == m.second)
            groups.back()[1] = m.first;
        else
            groups.push_back({m.first, m.first, m.second});
    }
    out.writeU16(12);
    out.writeU16(0);
    out.writeU32(uint32_t(16 + 12 * groups.size()));
    out.writeU32(0);
    out.writeU32(uint32_t(groups.size()));
    for (const auto& g : groups) {
        out.writeU32(g[0]);
        out.writeU32(g[1]);
        out.writeU32(g[2]);
    }
}

}  // namespace

bool writeCmapTable(const FontFileState& font, const SessionSettings& settings,
                    BigEndianWriter& out) {
    const bool symbol = settings.symbolFont != 0;

    // The 8-bit codes' own segments, and what they map.
    std::vector<Segment> segments;
    if (symbol)
        segments = {{0xF020, 0xF0FF}, {0xFFFF, 0xFFFF}};
    else
        for (const Segment& seg : kUnicodeSegments) segments.push_back(seg);
    auto codeGlyph = [&](uint32_t c) -> uint16_t {
        if (symbol) return font.newCodeMap[size_t(c - 0xF000)];
        const uint16_t ansi = unicodeToAnsi(c);
        return ansi < 256 ? font.newCodeMap[ansi] : 0;
    };
    // The font's other characters follow their glyphs when these stay; where a character
    // is also one of the 8-bit codes, the code's glyph wins.
    std::vector<CodeGlyph> all;
    bool beyondCodes = false;
    if (!font.isNew() && !font.unicodeMap.empty()) {
        std::vector<int> oldToNew(font.numGlyphs, -1);
        for (size_t k = 0; k < font.keptGlyphs.size(); ++k)
            if (font.keptGlyphs[k] < oldToNew.size()) oldToNew[font.keptGlyphs[k]] = int(k);
        std::vector<CodeGlyph> kept;
        for (const CodeGlyph& m : font.unicodeMap)
            if (m.second < oldToNew.size() && oldToNew[m.second] > 0)
                kept.push_back({m.first, uint16_t(oldToNew[m.second])});
        size_t at = 0;
        for (const Segment& seg : segments) {
            if (seg.start == 0xFFFF) break;
            for (uint32_t c = seg.start; c <= seg.end; ++c) {
                while (at < kept.size() && kept[at].first < c) {
                    all.push_back(kept[at++]);
                    beyondCodes = true;
                }
                uint16_t g = codeGlyph(c);
                if (at < kept.size() && kept[at].first == c) {
                    if (g == 0) {
                        g = kept[at].second;
                        beyondCodes = true;
                    }
                    ++at;
                }
                if (g != 0) all.push_back({c, g});
            }
        }
        for (; at < kept.size(); ++at) {
            all.push_back(kept[at]);
            beyondCodes = true;
        }
    }
    const bool writeFull = !font.isNew() && font.fullUnicodeSubtable;
    if (writeFull && all.empty()) {
        for (const Segment& seg : segments)
            for (uint32_t c = seg.start; c <= seg.end && seg.start != 0xFFFF; ++c)
                if (const uint16_t g = codeGlyph(c)) all.push_back({c, g});
    }

    BigEndianWriter format4;
    bool general = false;
    if (beyondCodes) {
        std::vector<CodeGlyph> bmp;
        for (const CodeGlyph& m : all)
            if (m.first < 0xFFFF) bmp.push_back(m);
        general = buildFormat4(bmp, format4);
        // Too many characters for one format 4 subtable: the 8-bit codes alone, as for any
        // font (a format 12 subtable, when written, still holds every character).
        if (!general) format4 = BigEndianWriter();
    }
    if (!general) {
        std::vector<uint16_t> glyphIds, idDelta, idRangeOffset;
        if (symbol) {
            idDelta = {0, 1};
            idRangeOffset = {4, 0};
            for (int c = 32; c < 256; ++c) glyphIds.push_back(font.newCodeMap[size_t(c)]);
        } else {
            const size_t n = segments.size();
            idDelta.assign(n, 0);
            idDelta[n - 1] = 1;
            idRangeOffset.assign(n, 0);
            idRangeOffset[0] = uint16_t(2 * n);
            for (size_t i = 1; i < n; ++i)
                idRangeOffset[i] = uint16_t(idRangeOffset[i - 1] +
                                            2 * (segments[i - 1].end - segments[i - 1].start));
            for (size_t i = 0; i + 1 < n; ++i)
                for (uint32_t c = segments[i].start; c <= segments[i].end; ++c)
                    glyphIds.push_back(codeGlyph(c));
            glyphIds.push_back(0);
        }
        const uint16_t segCount = uint16_t(segments.size());
        const SearchFields sf = searchFields(segCount, 2);
        format4.writeU16(4);
        format4.writeU16(uint16_t(2 * (glyphIds.size() + 4 * segCount + 8)));
        format4.writeU16(0);
        format4.writeU16(uint16_t(2 * segCount));
        format4.writeU16(sf.searchRange);
        format4.writeU16(sf.entrySelector);
        format4.writeU16(sf.rangeShift);
        for (const Segment& seg : segments) format4.writeU16(seg.end);
        format4.writeU16(0);
        for (const Segment& seg : segments) format4.writeU16(seg.start);
        for (uint16_t d : idDelta) format4.writeU16(d);
        for (uint16_t r : idRangeOffset) format4.writeU16(r);
        for (uint16_t g : glyphIds) format4.writeU16(g);
    }

    // Two records put the subtables at 20 and 282; a third moves them by its 8 bytes.
    const uint32_t macAt = writeFull ? 28 : 20, format4At = macAt + 262;
    out.writeU16(0);                  // version
    out.writeU16(writeFull ? 3 : 2);  // numTables
    out.writeU16(1);
    out.writeU16(0);
    out.writeU32(macAt);
    out.writeU16(3);
    out.writeU16(symbol ? 0 : 1);
    out.writeU32(format4At);
    if (writeFull) {
        out.writeU16(3);
        out.writeU16(10);
        out.writeU32(uint32_t(format4At + format4.size()));
    }

    // format 0, by Mac OS Roman code; one byte per glyph index, so a glyph past 255 has none
    out.writeU16(0);
    out.writeU16(262);
    out.writeU16(0);
    for (int c = 0; c < 256; ++c) {
        uint8_t g = 0;
        if (c <= 32 || c == 127 || c == 202) {
            switch (c) {
                case 0:
                case 8:
                case 29:
                    g = 1;
                    break;
                case 9:
                case 32:
                    g = 3;
                    break;
                case 13:
                case 202:
                    g = 2;
                    break;
                default:
                    g = 0;
            }
        } else {
            const uint16_t glyph = font.newCodeMap[symbol ? size_t(c) : macToAnsi(c)];
            g = glyph > 255 ? 0 : uint8_t(glyph);
        }
        out.writeU8(g);
    }
    out.writeBytes(format4.bytes().data(), format4.size());
    if (writeFull) buildFormat12(all, out);
    return true;
}

}  // namespace gx::tt
