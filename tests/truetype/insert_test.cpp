// Glyph insertion: kept glyphs, renumbering with composites, kern pairs, space width.
#include <gtest/gtest.h>

#include "font_fixture.h"
#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

using test::buildFixture;
using test::FixtureFont;

NewGlyph smallGlyph() {
    ConvertedOutline conv;
    conv.points = {{0, 0, kContourStart}, {0, 50, kOnCurve}, {50, 0, kContourEnd}};
    conv.contourStarts = {0, 3};
    NewGlyph g;
    buildNewGlyph(conv, g);
    return g;
}

// glyphs: 0 .notdef, 1 'A' (65), 2 'B' (66), 3 'C' (67) composite of 1, 4 'D' (68) composite
// of 2, 5 space (32); legacy kern pairs B-D and A-B.
FixtureFont compositeFont() {
    FixtureFont f;
    f.glyphs = {{test::triangleGlyph(100)},          {test::triangleGlyph(200)},
                {test::triangleGlyph(300)},          {test::compositeGlyph({1})},
                {test::compositeGlyph({2, 5}), 700}, {{}, 250}};
    f.cmap = {{32, 5}, {65, 1}, {66, 2}, {67, 3}, {68, 4}};
    f.kern = {{1, 2, -30}, {2, 4, -40}};
    return f;
}

std::vector<uint8_t> save(FontFileState& font, SessionSettings& s) {
    EXPECT_EQ(updateFontMetrics(font, s), SaveStatus::Ok);
    std::vector<uint8_t> file;
    EXPECT_TRUE(writeFontFile(font, s, file));
    return file;
}

TEST(Insertion, RemovalRenumbersGlyphsCompositesAndKern) {
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(compositeFont()), font, s), ReadStatus::Ok);
    EXPECT_EQ(font.glyphToChar[4], 68);
    // Replace 'A': glyph 1 goes, and with it composite 3 that uses it.
    font.deleteMark[65] = true;
    font.newGlyph = smallGlyph();
    s.charNumber = 65;
    s.autoWidth = 0;
    s.charWidth = 600;
    const std::vector<uint8_t> file = save(font, s);
    EXPECT_EQ(font.keptGlyphs, (std::vector<uint16_t>{0, 2, 4, 5}));

    FontFileState back;
    SessionSettings s2;
    ASSERT_EQ(readExistingFont(file, back, s2), ReadStatus::Ok);
    ASSERT_EQ(back.numGlyphs, 5);
    EXPECT_EQ(back.charToGlyph[66], 1);
    EXPECT_EQ(back.charToGlyph[67], 0);  // the composite of the removed glyph is gone
    EXPECT_EQ(back.charToGlyph[68], 2);
    EXPECT_EQ(back.charToGlyph[32], 3);
    EXPECT_EQ(back.charToGlyph[65], 4);
    EXPECT_EQ(back.advanceWidths[4], 600);
    EXPECT_EQ(back.advanceWidths[2], 700);  // metrics follow their glyph

    // The composite 'D' now points at B's and the space's new places.
    const TableRecord* glyf = back.findTableRecord("glyf");
    ASSERT_NE(glyf, nullptr);
    BigEndianReader g = tableReader(back, *glyf);
    std::vector<uint16_t> parts;
    ASSERT_TRUE(forEachComponent(g.data() + back.glyphOffsets[2],
                                 back.glyphOffsets[3] - back.glyphOffsets[2],
                                 [&](size_t, uint16_t c) { parts.push_back(c); }));
    EXPECT_EQ(parts, (std::vector<uint16_t>{1, 3}));

    // kern: A-B dropped with A; B-D renumbered to 1-2.
    const TableRecord* kern = back.findTableRecord("kern");
    ASSERT_NE(kern, nullptr);
    BigEndianReader k = tableReader(back, *kern);
    uint16_t nPairs, left, right;
    int16_t value;
    k.seek(10), k.readU16(nPairs);
    ASSERT_EQ(nPairs, 1);
    k.seek(18), k.readU16(left), k.readU16(right), k.readS16(value);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 2);
    EXPECT_EQ(value, -40);
}

TEST(Insertion, LayoutTablesKeptOnlyWhileIndicesHold) {
    FixtureFont f = compositeFont();
    f.extraTables = {{"GSUB", std::vector<uint8_t>(10)},
                     {"LTSH", std::vector<uint8_t>(10)},
                     {"DSIG", std::vector<uint8_t>(8)}};
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(f), font, s), ReadStatus::Ok);
    font.newGlyph = smallGlyph();
    s.charNumber = 70;
    FontFileState added;
    SessionSettings sa;
    ASSERT_EQ(readExistingFont(save(font, s), added, sa), ReadStatus::Ok);
    EXPECT_NE(added.findTableRecord("GSUB"), nullptr);  // appended glyph: indices hold
    EXPECT_NE(added.findTableRecord("kern"), nullptr);
    EXPECT_EQ(added.findTableRecord("LTSH"), nullptr);  // count changed
    EXPECT_EQ(added.findTableRecord("DSIG"), nullptr);

    added.deleteMark[65] = true;
    added.addGlyph = false;
    FontFileState removed;
    SessionSettings sr;
    ASSERT_EQ(readExistingFont(save(added, sa), removed, sr), ReadStatus::Ok);
    EXPECT_EQ(removed.findTableRecord("GSUB"), nullptr);  // glyphs moved
    EXPECT_EQ(removed.numGlyphs, 5);
}

// The kern pairs of the font as (left, right, value).
std::vector<KerningPair> kernPairsOf(const FontFileState& font) {
    std::vector<KerningPair> pairs;
    const TableRecord* kern = font.findTableRecord("kern");
    if (!kern) return pairs;
    BigEndianReader k = tableReader(font, *kern);
    uint16_t nPairs = 0;
    k.seek(10), k.readU16(nPairs);
    k.seek(18);
    for (uint16_t i = 0; i < nPairs; ++i) {
        uint16_t l, r;
        int16_t v;
        if (!k.readU16(l) || !k.readU16(r) || !k.readS16(v)) break;
        pairs.push_back({int16_t(l), int16_t(r), v});
    }
    return pairs;
}

TEST(Insertion, ReplacingTheLastGlyphLeavesNothingOfItsIndex) {
    // The last glyph, Aacute, is kerned against A and named by index in the layout tables.
    FixtureFont f;
    f.glyphs = {{test::triangleGlyph(100)},
                {test::triangleGlyph(200)},
                {test::triangleGlyph(300)},
                {test::triangleGlyph(400)}};
    f.cmap = {{65, 1}, {66, 2}, {193, 3}};
    f.kern = {{1, 3, -163}, {2, 1, -20}};
    for (const char* tag :
         {"GSUB", "GPOS", "LTSH", "vmtx", "Silf", "Glat", "Gloc", "bloc", "bdat", "gcid", "gasp"})
        f.extraTables.push_back({tag, std::vector<uint8_t>(8)});
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(f), font, s), ReadStatus::Ok);
    font.deleteMark[193] = true;
    font.newGlyph = smallGlyph();
    s.charNumber = 70;
    FontFileState back;
    SessionSettings sb;
    ASSERT_EQ(readExistingFont(save(font, s), back, sb), ReadStatus::Ok);
    ASSERT_EQ(back.numGlyphs, 4);
    EXPECT_EQ(back.charToGlyph[70], 3);
    // Index 3 is F now: nothing that described Aacute may describe it.
    for (const char* tag :
         {"GSUB", "GPOS", "LTSH", "vmtx", "Silf", "Glat", "Gloc", "bloc", "bdat", "gcid"})
        EXPECT_EQ(back.findTableRecord(tag), nullptr) << tag;
    EXPECT_NE(back.findTableRecord("gasp"), nullptr);
    const std::vector<KerningPair> pairs = kernPairsOf(back);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].left, 2);
    EXPECT_EQ(pairs[0].right, 1);
    EXPECT_EQ(pairs[0].value, -20);

    // Deleting the last glyph without adding one is the same story.
    FontFileState again;
    SessionSettings sa;
    ASSERT_EQ(readExistingFont(buildFixture(f), again, sa), ReadStatus::Ok);
    again.deleteMark[193] = true;
    again.addGlyph = false;
    FontFileState removed;
    ASSERT_EQ(readExistingFont(save(again, sa), removed, sa), ReadStatus::Ok);
    EXPECT_EQ(removed.numGlyphs, 3);
    EXPECT_EQ(removed.findTableRecord("GSUB"), nullptr);
    EXPECT_EQ(kernPairsOf(removed).size(), 1u);
}

TEST(Insertion, SpaceWidthGoesToTheSpaceGlyph) {
    FontFileState font;
    SessionSettings s;
    ASSERT_EQ(readExistingFont(buildFixture(compositeFont()), font, s), ReadStatus::Ok);
    EXPECT_EQ(s.spaceWidth, 250);
    s.spaceWidth = 333;
    font.newGlyph = smallGlyph();
    s.charNumber = 70;
    save(font, s);
    EXPECT_EQ(font.outAdvances[5], 333);
    EXPECT_EQ(font.outAdvances[0], 500);  // never glyph 0

    FixtureFont noSpace = compositeFont();
    noSpace.cmap.erase(32);
    ASSERT_EQ(readExistingFont(buildFixture(noSpace), font, s), ReadStatus::Ok);
    font.newGlyph = smallGlyph();
    s.spaceWidth = 333;
    s.charNumber = 70;
    save(font, s);
    for (int g = 0; g < font.glyphCount; ++g) EXPECT_NE(font.outAdvances[size_t(g)], 333) << g;
}

TEST(Insertion, ANewFontMapsTheSpaceToItsSpaceGlyph) {
    // Glyph 0 of a new font is the exported shape; a space left unmapped would show it.
    FontFileState font;
    SessionSettings s;
    s.spaceWidth = 500;
    font.newGlyph = smallGlyph();
    s.charNumber = 65;
    const std::vector<uint8_t> file = save(font, s);
    EXPECT_EQ(font.newCodeMap[32], 3);
    EXPECT_EQ(font.outAdvances[3], 500);
    FontFileState back;
    SessionSettings again;
    ASSERT_EQ(readExistingFont(file, back, again), ReadStatus::Ok);
    EXPECT_EQ(back.charToGlyph[32], 3);
    EXPECT_EQ(again.spaceWidth, 500);
}

TEST(Insertion, AutoWidthFreeCodeAndFullFonts) {
    FontFileState font;
    SessionSettings s;
    font.newGlyph = smallGlyph();
    font.newGlyph.xMax = 1000;
    s.charNumber = 65;
    ASSERT_EQ(updateFontMetrics(font, s), SaveStatus::Ok);
    EXPECT_EQ(font.outAdvances[4], 1050);
    EXPECT_EQ(findFreeCode(font), 33);

    FixtureFont full;
    full.glyphs.assign(300, {test::triangleGlyph(10)});
    full.symbol = true;
    for (uint16_t c = 33; c <= 255; ++c) full.cmap[uint16_t(0xF000 + c)] = c;
    ASSERT_EQ(readExistingFont(buildFixture(full), font, s), ReadStatus::Ok);
    EXPECT_EQ(findFreeCode(font), 0);
    font.deleteMark[40] = true;
    EXPECT_EQ(findFreeCode(font), 40);
    // 300 glyphs kept and one added would pass the limit the reader enforces.
    font.deleteMark[40] = false;
    font.newGlyph = smallGlyph();
    s.charNumber = 40;
    EXPECT_EQ(updateFontMetrics(font, s), SaveStatus::TooManyGlyphs);
}

}  // namespace
}  // namespace gx::tt
