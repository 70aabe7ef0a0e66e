// The file layout and the tables, from the worked examples; reading back what we write.
#include <gtest/gtest.h>

#include <cstring>

#include "font_fixture.h"
#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

using test::buildFixture;
using test::FixtureFont;

struct Table {
    std::string tag;
    uint32_t checkSum, offset, length;
};

std::vector<Table> directoryOf(const std::vector<uint8_t>& file) {
    BigEndianReader r(file);
    uint32_t version = 0;
    uint16_t n = 0, sr = 0, es = 0, rs = 0;
    std::vector<Table> v;
    if (!(r.readU32(version) && r.readU16(n) && r.readU16(sr) && r.readU16(es) && r.readU16(rs)))
        return v;
    for (uint16_t i = 0; i < n; ++i) {
        char tag[4] = {};
        Table t{};
        if (!(r.readBytes(tag, 4) && r.readU32(t.checkSum) && r.readU32(t.offset) &&
              r.readU32(t.length)))
            break;
        t.tag.assign(tag, 4);
        v.push_back(t);
    }
    return v;
}

uint16_t u16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] << 8 | b[at + 1]);
}
uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(u16(b, at)) << 16 | u16(b, at + 2);
}

NewGlyph squareGlyph(int16_t lo, int16_t hi) {
    ConvertedOutline conv;
    conv.points = {
        {lo, lo, kContourStart}, {lo, hi, kOnCurve}, {hi, hi, kOnCurve}, {hi, lo, kContourEnd}};
    conv.contourStarts = {0, 4};
    NewGlyph g;
    EXPECT_EQ(buildNewGlyph(conv, g), kOutlineOk);
    return g;
}

std::vector<uint8_t> writeNew(FontFileState& font, SessionSettings& s) {
    font.newGlyph = squareGlyph(100, 900);
    EXPECT_EQ(updateFontMetrics(font, s), SaveStatus::Ok);
    std::vector<uint8_t> file;
    EXPECT_TRUE(writeFontFile(font, s, file));
    return file;
}

TEST(Container, NewFontDirectoryChecksumsAndAdjustment) {
    FontFileState font;
    SessionSettings s;
    s.familyName = "Test";
    s.charNumber = 65;
    s.symbolFont = 0;
    const std::vector<uint8_t> file = writeNew(font, s);
    EXPECT_EQ(u32(file, 0), 0x00010000u);
    EXPECT_EQ(u16(file, 4), 10);
    EXPECT_EQ(u16(file, 6), 128);
    EXPECT_EQ(u16(file, 8), 3);
    EXPECT_EQ(u16(file, 10), 32);
    const std::vector<Table> dir = directoryOf(file);
    const char* tags[] = {"OS/2", "cmap", "glyf", "head", "hhea",
                          "hmtx", "loca", "maxp", "name", "post"};
    ASSERT_EQ(dir.size(), 10u);
    uint32_t headAt = 0;
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(dir[i].tag, tags[i]);
        EXPECT_EQ(dir[i].offset % 4, 0u);
        std::vector<uint8_t> body(file.begin() + dir[i].offset,
                                  file.begin() + dir[i].offset + (dir[i].length + 3) / 4 * 4);
        if (dir[i].tag == "head") {
            ASSERT_GE(body.size(), 12u);
            headAt = dir[i].offset;
            std::fill(body.begin() + 8, body.begin() + 12, uint8_t(0));
        }
        EXPECT_EQ(test::fixtureChecksum(body), dir[i].checkSum) << dir[i].tag;
    }
    std::vector<uint8_t> whole = file;
    ASSERT_GE(whole.size(), size_t(headAt) + 12);
    std::fill(whole.begin() + headAt + 8, whole.begin() + headAt + 12, uint8_t(0));
    EXPECT_EQ(test::fixtureChecksum(whole) + u32(file, headAt + 8), 0xB1B0AFBAu);

    // hmtx advances: grid, 0, 0, space width, auto width (900 x 1.05 = 945); loca 0 L L L L 2L
    const Table& hmtx = dir[5];
    EXPECT_EQ(u16(file, hmtx.offset + 0), 2048);
    EXPECT_EQ(u16(file, hmtx.offset + 4), 0);
    EXPECT_EQ(u16(file, hmtx.offset + 12), 2048);
    EXPECT_EQ(u16(file, hmtx.offset + 16), 945);
    const Table& loca = dir[6];
    const uint32_t len = u32(file, loca.offset + 4);
    EXPECT_GT(len, 0u);
    EXPECT_EQ(u32(file, loca.offset + 16), len);
    EXPECT_EQ(u32(file, loca.offset + 20), 2 * len);
}

TEST(Cmap, UnicodeSegmentsAndRangeOffsets) {
    FontFileState font;
    SessionSettings s;
    s.symbolFont = 0;
    font.newCodeMap[65] = 4;
    font.newCodeMap[153] = 7;
    font.newCodeMap[149] = 9;
    BigEndianWriter w;
    ASSERT_TRUE(writeCmapTable(font, s, w));
    const std::vector<uint8_t>& b = w.bytes();
    EXPECT_EQ(u16(b, 14), 1);  // (3,1)
    EXPECT_EQ(u32(b, 16), 282u);
    EXPECT_EQ(b[20 + 6 + 0xA5], 9);  // Mac bullet reaches the glyph of Windows 149
    const size_t f4 = 282;
    EXPECT_EQ(u16(b, f4 + 6), 34);  // segCountX2
    EXPECT_EQ(u16(b, f4 + 8), 32);
    EXPECT_EQ(u16(b, f4 + 10), 4);
    EXPECT_EQ(u16(b, f4 + 12), 2);
    EXPECT_EQ(u16(b, f4 + 2), 2 * (250 + 4 * 17 + 8));
    const size_t range = f4 + 16 + 6 * 17;
    EXPECT_EQ(u16(b, range), 34);
    EXPECT_EQ(u16(b, range + 2), 34 + 2 * 223);
    EXPECT_EQ(u16(b, range + 4), 34 + 2 * 223 + 2);
    // read back: U+2122 reaches code 153, U+0041 code 65
    FontFileState back;
    back.numGlyphs = 10;
    SessionSettings s2;
    ASSERT_TRUE(readCmapTable(BigEndianReader(b), back, s2));
    EXPECT_EQ(back.charToGlyph[65], 4);
    EXPECT_EQ(back.charToGlyph[153], 7);
    EXPECT_EQ(back.charToGlyph[0], 1);
    EXPECT_EQ(s2.symbolFont, 0);
    EXPECT_EQ(s2.charNumber, 153);
}

TEST(Cmap, SymbolFontAndWideGlyphIndices) {
    FontFileState font;
    SessionSettings s;          // symbol by default
    font.newCodeMap[65] = 280;  // past one byte: nothing in the Mac table
    BigEndianWriter w;
    ASSERT_TRUE(writeCmapTable(font, s, w));
    const std::vector<uint8_t>& b = w.bytes();
    EXPECT_EQ(u16(b, 14), 0);  // (3,0)
    EXPECT_EQ(b[20 + 6 + 65], 0);
    FontFileState back;
    back.numGlyphs = 300;
    SessionSettings s2;
    ASSERT_TRUE(readCmapTable(BigEndianReader(b), back, s2));
    EXPECT_EQ(back.charToGlyph[65], 280);  // via U+F041
    EXPECT_EQ(s2.symbolFont, 1);
    EXPECT_EQ(unicodeToAnsi(0xF041), 65);
    EXPECT_EQ(unicodeToAnsi(0xF141), 0);
    EXPECT_EQ(unicodeToAnsi(0x2122), 153);
    EXPECT_EQ(unicodeToAnsi(0x0100), 0);
}

TEST(Cmap, RefusesSubtablesThatAreNotFormat4OrLeaveTheTable) {
    FontFileState font;
    font.numGlyphs = 5;
    SessionSettings s;
    BigEndianWriter w;  // (3,1) format 6 only
    w.writeU16(0), w.writeU16(1), w.writeU16(3), w.writeU16(1), w.writeU32(12);
    w.writeU16(6), w.writeU16(10), w.writeU16(0), w.writeU16(65), w.writeU16(0);
    EXPECT_FALSE(readCmapTable(BigEndianReader(w.bytes()), font, s));
    BigEndianWriter x;  // format 4 whose length runs past the table
    x.writeU16(0), x.writeU16(1), x.writeU16(3), x.writeU16(1), x.writeU32(12);
    x.writeU16(4), x.writeU16(4000), x.writeU16(0), x.writeU16(2), x.zeros(20);
    EXPECT_FALSE(readCmapTable(BigEndianReader(x.bytes()), font, s));
    // idRangeOffset pointing far outside: the code maps to nothing instead of reading out of bounds
    BigEndianWriter y;
    y.writeU16(0), y.writeU16(1), y.writeU16(3), y.writeU16(1), y.writeU32(12);
    y.writeU16(4), y.writeU16(32), y.writeU16(0), y.writeU16(4), y.zeros(6);
    y.writeU16(65), y.writeU16(0xFFFF), y.writeU16(0), y.writeU16(65), y.writeU16(0xFFFF);
    y.writeU16(0), y.writeU16(1), y.writeU16(60000), y.writeU16(0);
    ASSERT_TRUE(readCmapTable(BigEndianReader(y.bytes()), font, s));
    EXPECT_EQ(font.charToGlyph[65], 0);
}

TEST(Cmap, KeepsEveryCharacterOfKeptGlyphsAndTheFullSubtable) {
    FontFileState font;
    font.directoryPresent = true;  // an existing font
    font.numGlyphs = 6;
    font.keptGlyphs = {0, 1, 3, 4, 5};  // old glyph 2 removed
    font.fullUnicodeSubtable = true;
    font.unicodeMap = {{65, 1}, {66, 5}, {0x100, 3}, {0x10F, 2}, {0x20AC, 4}, {0x1F600, 4}};
    font.newCodeMap[65] = 1;
    font.newCodeMap[66] = 5;  // the code's glyph wins over the font's old mapping
    SessionSettings s;
    s.symbolFont = 0;
    BigEndianWriter w;
    ASSERT_TRUE(writeCmapTable(font, s, w));
    const std::vector<uint8_t>& b = w.bytes();
    EXPECT_EQ(u16(b, 2), 3);  // (1,0), (3,1), (3,10)
    EXPECT_EQ(u32(b, 4 + 4), 28u);
    EXPECT_EQ(u32(b, 12 + 4), 28u + 262);
    EXPECT_EQ(u16(b, 20), 3);
    EXPECT_EQ(u16(b, 22), 10);

    FontFileState back;
    back.numGlyphs = 6;
    SessionSettings s2;
    ASSERT_TRUE(readCmapTable(BigEndianReader(b), back, s2));
    // 0x10F went with its glyph; the others follow theirs to the new indices.
    const std::vector<std::pair<uint32_t, uint16_t>> expected = {
        {65, 1}, {66, 5}, {0x100, 2}, {0x20AC, 3}, {0x1F600, 3}};
    EXPECT_EQ(back.unicodeMap, expected);
    EXPECT_TRUE(back.fullUnicodeSubtable);
    EXPECT_EQ(back.charToGlyph[65], 1);
    EXPECT_EQ(back.charToGlyph[66], 5);

    // Characters the 8-bit codes cover already: the full subtable holds each once.
    font.unicodeMap = {{65, 1}, {66, 5}};
    BigEndianWriter same;
    ASSERT_TRUE(writeCmapTable(font, s, same));
    FontFileState sameBack;
    sameBack.numGlyphs = 6;
    ASSERT_TRUE(readCmapTable(BigEndianReader(same.bytes()), sameBack, s2));
    const std::vector<std::pair<uint32_t, uint16_t>> codesOnly = {{65, 1}, {66, 5}};
    EXPECT_EQ(sameBack.unicodeMap, codesOnly);
    const size_t full = u32(same.bytes(), 24);
    EXPECT_EQ(u32(same.bytes(), full + 12), 2u);  // two groups, no repeats

    // Without extra characters the table is the 8-bit codes' own, byte for byte.
    FontFileState plain;
    plain.newCodeMap[65] = 4;
    BigEndianWriter p;
    ASSERT_TRUE(writeCmapTable(plain, s, p));
    EXPECT_EQ(p.size(), 282u + 2 * (250 + 4 * 17 + 8));
}

TEST(Name, TestBoldItalicOffsets) {
    SessionSettings s;
    s.familyName = "Test";
    s.style = 3;
    s.symbolFont = 0;
    BigEndianWriter w;
    writeNameTable(FontFileState{}, s, w);
    const std::vector<uint8_t>& b = w.bytes();
    EXPECT_EQ(b.size(), 6u + 96 + 105);
    const uint16_t lengths[8] = {4, 11, 4, 16, 8, 22, 8, 32};
    const uint16_t offsets[8] = {0, 4, 15, 19, 35, 43, 65, 73};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(u16(b, 6 + 12 * i + 8), lengths[i]) << i;
        EXPECT_EQ(u16(b, 6 + 12 * i + 10), offsets[i]) << i;
    }
    EXPECT_EQ(std::string(b.begin() + 102 + 19, b.begin() + 102 + 35), "Test Bold Italic");
    EXPECT_EQ(u16(b, 6 + 12 * 4 + 2), 1);  // Windows Unicode encoding
    std::string family;
    ASSERT_TRUE(readNameTable(BigEndianReader(b), family));
    EXPECT_EQ(family, "Test");
}

TEST(Name, AWindowsOnlyNamePast8BitsIsKeptAsTheFontHasIt) {
    FixtureFont f;
    f.glyphs = {{test::triangleGlyph(100)}, {test::triangleGlyph(200)}};
    f.cmap = {{65, 1}};
    f.windowsFamily = u"Win\u0141Only";
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(f), font, s), ReadStatus::Ok);
    EXPECT_EQ(s.familyName, "Win?Only");  // what the 8-bit dialogs can show
    font.newGlyph = squareGlyph(100, 900);
    s.charNumber = 66;
    ASSERT_EQ(updateFontMetrics(font, s), SaveStatus::Ok);
    std::vector<uint8_t> file;
    ASSERT_TRUE(writeFontFile(font, s, file));

    FontFileState back;
    SessionSettings sb;
    ASSERT_EQ(readExistingFont(file, back, sb), ReadStatus::Ok);
    EXPECT_EQ(back.wideFamily, u"Win\u0141Only");
    const TableRecord* name = back.findTableRecord("name");
    ASSERT_NE(name, nullptr);
    BigEndianReader r = tableReader(back, *name);
    uint16_t format, count;
    r.readU16(format), r.readU16(count);
    EXPECT_EQ(count, 4);  // Windows records only, as the font had
    std::vector<uint8_t> b(r.data(), r.data() + r.length());
    const std::u16string full = u"Win\u0141Only";
    std::u16string fullName;  // record 4: the full name
    const size_t storage = u16(b, 4), rec4 = 6 + 12 * 3;
    EXPECT_EQ(u16(b, rec4 + 6), 4);
    for (size_t k = 0; k < u16(b, rec4 + 8); k += 2)
        fullName.push_back(char16_t(u16(b, storage + u16(b, rec4 + 10) + k)));
    EXPECT_EQ(fullName, full);

    // A name the user changed is written as given, in all eight records.
    FontFileState renamed;
    SessionSettings sr;
    ASSERT_EQ(readExistingFont(buildFixture(f), renamed, sr), ReadStatus::Ok);
    sr.familyName = "Plain";
    renamed.newGlyph = squareGlyph(100, 900);
    sr.charNumber = 66;
    ASSERT_EQ(updateFontMetrics(renamed, sr), SaveStatus::Ok);
    ASSERT_TRUE(writeFontFile(renamed, sr, file));
    ASSERT_EQ(readExistingFont(file, back, sb), ReadStatus::Ok);
    EXPECT_EQ(sb.familyName, "Plain");
    EXPECT_TRUE(back.wideFamily.empty());
}

TEST(Kern, ImportedPairsSearchFieldsAndDirectoryPlace) {
    std::vector<KerningPair> pairs(10, KerningPair{1, 2, -5});
    BigEndianWriter w;
    writeKernPairs(pairs, w);
    EXPECT_EQ(u16(w.bytes(), 6), 74);
    EXPECT_EQ(u16(w.bytes(), 12), 48);
    EXPECT_EQ(u16(w.bytes(), 14), 3);
    EXPECT_EQ(u16(w.bytes(), 16), 12);

    // A new font with imported pairs: 11 tables, kern between hmtx and loca.
    FontFileState font;
    SessionSettings s;
    s.charNumber = 65;
    font.imported.kerning = true;
    font.imported.pairs = {{65, 65, -100}};
    const std::vector<uint8_t> file = writeNew(font, s);
    EXPECT_EQ(u16(file, 4), 11);
    EXPECT_EQ(u16(file, 10), 48);
    const std::vector<Table> dir = directoryOf(file);
    EXPECT_EQ(dir[5].tag, "hmtx");
    EXPECT_EQ(dir[6].tag, "kern");
    EXPECT_EQ(dir[7].tag, "loca");
    // AFM units scaled to the grid: -100 / 1000 em at 2048 units
    EXPECT_EQ(int16_t(u16(file, dir[6].offset + 18 + 4)), -204);
}

TEST(Container, ExistingFontGainsKernAndDropsHdmx) {
    FixtureFont f;
    f.glyphs = {{test::triangleGlyph(300)}, {}, {test::triangleGlyph(500)}};
    f.cmap = {{65, 2}};
    f.extraTables = {{"OS/2", std::vector<uint8_t>(78)},
                     {"hdmx", std::vector<uint8_t>(8)},
                     {"cvt ", std::vector<uint8_t>(6, 7)}};
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(f), font, s), ReadStatus::Ok);
    EXPECT_EQ(font.directory.size(), 11u);  // 12 minus hdmx
    EXPECT_EQ(s.familyName, "Fixture");
    EXPECT_EQ(s.gridSize, 1000);
    EXPECT_EQ(s.charNumber, 66);
    font.newGlyph = squareGlyph(10, 20);
    font.imported.kerning = true;
    font.imported.pairs = {{65, 66, 50}};
    s.charNumber = 66;
    ASSERT_EQ(updateFontMetrics(font, s), SaveStatus::Ok);
    std::vector<uint8_t> file;
    ASSERT_TRUE(writeFontFile(font, s, file));
    EXPECT_EQ(u16(file, 4), 12);
    EXPECT_EQ(u16(file, 6), 128);
    EXPECT_EQ(u16(file, 8), 3);
    EXPECT_EQ(u16(file, 10), 64);
    const std::vector<Table> dir = directoryOf(file);
    for (size_t i = 0; i < dir.size(); ++i) {
        EXPECT_NE(dir[i].tag, "hdmx");
        if (dir[i].tag == "kern") {
            EXPECT_EQ(dir[i - 1].tag, "hmtx");
            EXPECT_EQ(dir[i + 1].tag, "loca");
        }
        if (dir[i].tag == "cvt ") {
            EXPECT_EQ(dir[i].length, 6u);  // copied verbatim
            EXPECT_EQ(file[dir[i].offset + 5], 7);
        }
    }
    // Read back: the new glyph at code 66, the old one kept at 65.
    FontFileState again;
    SessionSettings s2;
    ASSERT_EQ(readExistingFont(file, again, s2), ReadStatus::Ok);
    EXPECT_EQ(again.numGlyphs, 4);
    EXPECT_EQ(again.charToGlyph[65], 2);
    EXPECT_EQ(again.charToGlyph[66], 3);
    // Idempotence: writing the read font again without a glyph gives the same bytes.
    again.addGlyph = false;
    ASSERT_EQ(updateFontMetrics(again, s2), SaveStatus::Ok);
    std::vector<uint8_t> rewritten;
    ASSERT_TRUE(writeFontFile(again, s2, rewritten));
    FontFileState third;
    SessionSettings s3;
    ASSERT_EQ(readExistingFont(rewritten, third, s3), ReadStatus::Ok);
    third.addGlyph = false;
    ASSERT_EQ(updateFontMetrics(third, s3), SaveStatus::Ok);
    std::vector<uint8_t> thirdBytes;
    ASSERT_TRUE(writeFontFile(third, s3, thirdBytes));
    EXPECT_EQ(rewritten, thirdBytes);
}

TEST(Reader, RefusesWhatItCannotTrust) {
    FixtureFont f;
    f.glyphs = {{test::triangleGlyph(300)}, {test::triangleGlyph(400)}};
    f.cmap = {{65, 1}};
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(f), font, s), ReadStatus::Ok);

    FixtureFont big = f;
    big.glyphs.assign(301, {test::triangleGlyph(10)});
    EXPECT_EQ(readExistingFont(buildFixture(big), font, s), ReadStatus::TooComplex);
    big.glyphs.resize(300);
    EXPECT_EQ(readExistingFont(buildFixture(big), font, s), ReadStatus::Ok);

    FixtureFont lying = f;  // numGlyphs larger than loca and hmtx hold
    lying.numGlyphsOverride = 40;
    EXPECT_EQ(readExistingFont(buildFixture(lying), font, s), ReadStatus::Malformed);

    std::vector<uint8_t> bytes = buildFixture(f);
    // every truncation is refused or read, never a crash
    for (size_t n = 0; n < bytes.size(); n += 7) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        EXPECT_NE(readExistingFont(cut, font, s), ReadStatus::Ok) << n;
    }
    // loca offsets that descend
    std::vector<uint8_t> bad = bytes;
    const std::vector<Table> dir = directoryOf(bad);
    for (const Table& t : dir)
        if (t.tag == "loca") bad[t.offset + 7] = 0xFF;
    EXPECT_EQ(readExistingFont(bad, font, s), ReadStatus::Malformed);
    // loca whose last offset points past the end of glyf: copying that glyph would read
    // past the glyph data
    std::vector<uint8_t> pastEnd = bytes;
    for (const Table& t : dir)
        if (t.tag == "loca") pastEnd[t.offset + t.length - 2] = 0x7F;  // still ascending
    EXPECT_EQ(readExistingFont(pastEnd, font, s), ReadStatus::Malformed);
    EXPECT_NE(font.problem.find("loca"), std::string::npos) << font.problem;
    // glyph records whose data does not hold what their header announces
    for (int damage = 0; damage < 4; ++damage) {
        FixtureFont d = f;
        std::vector<uint8_t>& g = d.glyphs[1].record;
        if (damage == 0) g[11] = 40;               // the contour ends at point 40 of 3
        if (damage == 1) g[16] |= 0x40;            // the overlap bit past the first point
        if (damage == 2) g.resize(8);              // shorter than a header
        if (damage == 3) g[14] = 0x09, g[15] = 9;  // a flag repeated past the points
        EXPECT_EQ(readExistingFont(buildFixture(d), font, s), ReadStatus::Malformed) << damage;
        EXPECT_EQ(font.problem.rfind("glyph 1 is damaged", 0), 0u) << font.problem;
    }
    FixtureFont foreignPart = f;  // a composite naming a glyph the font does not have
    foreignPart.glyphs.push_back({test::compositeGlyph({7})});
    EXPECT_EQ(readExistingFont(buildFixture(foreignPart), font, s), ReadStatus::Malformed);
    // a font without hmtx
    FixtureFont noHmtx = f;
    std::vector<uint8_t> renamed = buildFixture(noHmtx);
    for (size_t i = 12; i + 4 < 12 + 16 * dir.size(); i += 16)
        if (std::memcmp(&renamed[i], "hmtx", 4) == 0) std::memcpy(&renamed[i], "zzzz", 4);
    EXPECT_EQ(readExistingFont(renamed, font, s), ReadStatus::Malformed);
}

}  // namespace
}  // namespace gx::tt
