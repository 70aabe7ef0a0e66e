#include <gtest/gtest.h>

#include <cstdlib>

#include "support/bytes.h"
#include "support/glyph_names.h"
#include "type1/afm.h"
#include "type1/font_program.h"
#include "type1/pfm.h"
#include "type1_test_util.h"

namespace gx {
namespace {

TEST(GlyphNames, TableNamesEveryCodeOnceAndFindsTheFirst) {
    Type1FontState s;
    EXPECT_EQ(glyphNameForCode(s, 32), "space");
    EXPECT_EQ(glyphNameForCode(s, 255), "ydieresis");
    EXPECT_EQ(glyphNameForCode(s, 160), "nbspace");
    EXPECT_EQ(glyphNameForCode(s, 128), "c128");  // no Windows name: never an empty name
    EXPECT_EQ(codeForGlyphName(s, "bar"), 124);
    EXPECT_EQ(codeForGlyphName(s, "nbspace"), 160);
    EXPECT_EQ(codeForGlyphName(s, "c128"), 128);
    EXPECT_EQ(codeForGlyphName(s, "c65"), kUnknownGlyphCode);
    EXPECT_EQ(codeForGlyphName(s, ".notdef"), 0);
    for (int c = 32; c <= 255; ++c) EXPECT_EQ(codeForGlyphName(s, glyphNameForCode(s, c)), c) << c;
}

TEST(GlyphNames, SymbolNamesComeFromTheOldEncodingOrTheCode) {
    Type1FontState s;
    s.cNames = 1;
    EXPECT_EQ(fileGlyphName(s, 65), "c65");
    s.encodingNames[65] = "square";
    s.glyphNameTable[65 - 32] = "square";
    EXPECT_EQ(fileGlyphName(s, 65), "square");
    EXPECT_EQ(codeForGlyphName(s, "square"), 65);
    EXPECT_EQ(fileGlyphName(s, 0), ".notdef");
}

TEST(FontNames, SpacesGoAndTheStyleIsAppended) {
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    settings.familyName = "My Font";
    settings.style = 3;
    buildFontNames(s, settings);
    EXPECT_EQ(s.fontName, "MyFont-BoldItalic");
    EXPECT_EQ(s.fullName, "My Font BoldItalic");
    settings.style = 0;
    settings.familyName = std::string(40, 'A');
    buildFontNames(s, settings);
    EXPECT_EQ(s.fontName, std::string(29, 'A'));
    EXPECT_EQ(s.fullName, std::string(40, 'A') + " Normal");
    settings.familyName = " (/) ";
    buildFontNames(s, settings);
    EXPECT_EQ(s.fontName, "Untitled");  // a PostScript name must not be empty
}

// A new font's state after one glyph inside (0,0)-(500,700).
Type1FontState newFontState(SessionSettings& settings) {
    Type1FontState s;
    test::Outline o;
    o.square(0, 0, 500, 700, false);
    EXPECT_EQ(buildCharString(s, settings, 0, 0, o.points.data(), o.types.data(), o.count()),
              CharStringStatus::Ok);
    s.symbol = settings.symbolFont;
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    return s;
}

TEST(FontMetrics, NewFontBoxAndDerivedValues) {
    SessionSettings settings = test::type1Settings();
    Type1FontState s = newFontState(settings);
    EXPECT_EQ(s.llx, 0);
    EXPECT_EQ(s.lly, 0);
    EXPECT_EQ(s.urx, 500);
    EXPECT_EQ(s.ury, 700);
    EXPECT_EQ(s.ascender, 700);
    EXPECT_EQ(s.descender, 0);
    EXPECT_EQ(s.capHeight, 750);
    EXPECT_EQ(s.xHeight, 550);
    EXPECT_EQ(s.glyphCount, 3);
    EXPECT_EQ(s.widths[32], 250);
    EXPECT_EQ(s.maxWidth, 525);
    EXPECT_EQ(s.avgWidth, (250 + 525) / 3);
    EXPECT_EQ(charStringEntries(s, settings).size(), 3u);
}

TEST(FontMetrics, ItalicWithoutAngleGetsOneDegree) {
    SessionSettings settings = test::type1Settings();
    settings.style = 2;
    Type1FontState s = newFontState(settings);
    EXPECT_EQ(s.italicAngle, 1);
}

TEST(FontProgram, SegmentsAndHeaderLines) {
    SessionSettings settings = test::type1Settings();
    settings.symbolFont = 1;
    Type1FontState s = newFontState(settings);
    std::vector<uint8_t> pfb = buildFontProgram(s, settings);
    LittleEndianReader in(pfb);
    uint8_t m, t;
    uint32_t l1, l2, l3;
    ASSERT_TRUE(in.readU8(m) && in.readU8(t) && in.readU32(l1));
    EXPECT_EQ(m, 0x80);
    EXPECT_EQ(t, 1);
    std::string header(reinterpret_cast<const char*>(pfb.data() + 6), l1);
    EXPECT_EQ(header.find("%!PS-AdobeFont-1.0: TestFont 001.003\r%CreationDate: Time stamp "
                          "unavailable\n\r%%Creator: glyph-export"),
              0u);
    EXPECT_NE(header.find("/FontMatrix [0.001 0 0 0.001 0 0] readonly def\r"), std::string::npos);
    EXPECT_NE(header.find("dup 32 /c32 put\rdup 33 /c33 put\r"), std::string::npos);
    EXPECT_NE(header.find("dup 255 /c255 put\rreadonly def\r"), std::string::npos);
    EXPECT_NE(header.find("/FontBBox {0 0 500 700} readonly def\r"), std::string::npos);
    ASSERT_TRUE(in.skip(l1) && in.readU8(m) && in.readU8(t) && in.readU32(l2) && in.skip(l2));
    EXPECT_EQ(t, 2);
    ASSERT_TRUE(in.readU8(m) && in.readU8(t) && in.readU32(l3) && in.skip(l3));
    EXPECT_EQ(l3, 532u);
    ASSERT_TRUE(in.readU8(m) && in.readU8(t));
    EXPECT_EQ(t, 3);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(Afm, NewFontListsSpaceAndTheGlyphWithDosLineEnds) {
    SessionSettings settings = test::type1Settings();
    Type1FontState s = newFontState(settings);
    std::string afm = buildAfmFile(s, settings);
    EXPECT_EQ(afm.find("StartFontMetrics 2.0\r\nComment TestFont\r\n"), 0u);
    EXPECT_NE(afm.find("Comment Creation Date: Timestamp is unavailable\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(afm.find("StartCharMetrics 2\r\nC 32 ; WX 250 ; N space ; B 0 0 0 0 ;\r\n"
                       "C 65 ; WX 525 ; N A ; B 0 0 500 700 ;\r\nEndCharMetrics\r\n"),
              std::string::npos);
    EXPECT_EQ(afm.find("KernData"), std::string::npos);
}

TEST(Afm, KerningIsWrittenLeftFirstWithCrCrLfAndReadBack) {
    SessionSettings settings = test::type1Settings();
    Type1FontState s = newFontState(settings);
    s.glyphPresent[66] = 1;
    s.kernPairsLoaded = 1;
    s.kerningPairs = {{66, 65, -80}, {65, 66, 20}, {65, 32, 5}};
    std::string afm = buildAfmFile(s, settings);
    size_t a = afm.find("KPX A space 5\r\r\n");
    size_t b = afm.find("KPX A B 20\r\r\n");
    size_t c = afm.find("KPX B A -80\r\r\n");
    ASSERT_NE(a, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_NE(afm.find("StartKernPairs 3\r\n"), std::string::npos);

    Type1FontState back;
    std::string error;
    ASSERT_TRUE(readAfmText(afm, AfmMode::KerningOnly, back, settings, error)) << error;
    ASSERT_EQ(back.kerningPairs.size(), 3u);
    EXPECT_EQ(back.kerningPairs[2].left, 66);
    EXPECT_EQ(back.kerningPairs[2].value, -80);
    EXPECT_EQ(back.charMetricsLoaded, 0);  // kerning-only mode takes nothing else
}

// Fonts such as cm-super hold hundreds of glyphs without a code: the count must still be
// that of the C lines, or readers that skip that many lines lose the kerning and the end.
TEST(Afm, CharMetricsCountIsThatOfTheLinesAlsoWithUncodedGlyphs) {
    SessionSettings settings = test::type1Settings();
    Type1FontState s = newFontState(settings);
    s.unknownGlyphCount = 400;
    s.glyphPresent[66] = 1;
    s.widths[66] = 610;
    s.kernPairsLoaded = 1;
    s.kerningPairs = {{65, 66, -30}};
    finishFontMetrics(s, settings);
    std::string afm = buildAfmFile(s, settings);
    size_t start = afm.find("StartCharMetrics ");
    ASSERT_NE(start, std::string::npos);
    int declared = std::atoi(afm.c_str() + start + 17);
    int lines = 0;
    for (size_t at = afm.find("\nC ", start); at != std::string::npos;
         at = afm.find("\nC ", at + 1))
        ++lines;
    EXPECT_EQ(declared, 3);
    EXPECT_EQ(lines, declared);

    // Read back in full mode, every width is taken and the kerning follows.
    Type1FontState back;
    std::string error;
    ASSERT_TRUE(readAfmText(afm, AfmMode::Full, back, settings, error)) << error;
    EXPECT_EQ(back.loadedWidths[66], 610);
    EXPECT_EQ(back.loadedWidths[32], 250);
    ASSERT_EQ(back.kerningPairs.size(), 1u);
    EXPECT_EQ(back.kerningPairs[0].value, -30);
}

TEST(Afm, FullModeTakesWidthsByNameAndScalesThem) {
    SessionSettings settings = test::type1Settings();
    settings.gridSize = 2048;
    Type1FontState s;
    std::string error;
    ASSERT_TRUE(
        readAfmText("StartFontMetrics 2.0\nAscender 700\nStartCharMetrics 2\n"
                    "C 65 ; WX 556 ; N B ;\nC 32 ; WX 278 ; N space ;\nEndCharMetrics\n",
                    AfmMode::Full, s, settings, error))
        << error;
    EXPECT_EQ(s.charMetricsLoaded, 1);
    EXPECT_EQ(s.loadedWidths[66], 1138);  // the name decides the code
    EXPECT_EQ(s.loadedWidths[65], 0);
    EXPECT_EQ(s.ascender, 700);
}

TEST(Afm, LinesWithoutAWordOrValueAreRefused) {
    SessionSettings settings = test::type1Settings();
    const char* bad[] = {
        "StartFontMetrics 2.0\n   \n",             // a line of spaces only
        "StartFontMetrics 2.0\nStartKernPairs\n",  // count missing
    };
    for (const char* text : bad) {
        Type1FontState s;
        std::string error;
        EXPECT_FALSE(readAfmText(text, AfmMode::KerningOnly, s, settings, error)) << text;
        EXPECT_NE(error.find("at line 2"), std::string::npos) << error;
    }
    Type1FontState s;
    std::string error;
    EXPECT_FALSE(readAfmText("StartCharMetrics 3\nfoo\n", AfmMode::Full, s, settings, error));
    EXPECT_FALSE(readAfmText("Ascender\n", AfmMode::Full, s, settings, error));
    EXPECT_TRUE(readAfmText("Ascender\n", AfmMode::KerningOnly, s, settings, error));
}

// The format's readers take a value that is no number as 0, and a count that is no
// number, or negative, as none; only the bounds of what the font keeps stay.
TEST(Afm, SloppyValuesReadAsZeroAndCountsKeepTheirBounds) {
    SessionSettings settings = test::type1Settings();
    Type1FontState s;
    std::string error;
    ASSERT_TRUE(
        readAfmText("Ascender abc\nDescender -12.5\nStartCharMetrics -1\n"
                    "C 65 ; WX 500 ; N A ;\nStartKernPairs 3\nKPX B F\nKPX A\n"
                    "KPX A V -80\n",
                    AfmMode::Full, s, settings, error))
        << error;
    EXPECT_EQ(s.ascender, 0);
    EXPECT_EQ(s.descender, -12);
    EXPECT_EQ(s.charMetricsLoaded, 1);
    EXPECT_EQ(s.loadedWidthSet[65], 0);  // the C line lies outside any metrics block
    ASSERT_EQ(s.kerningPairs.size(), 3u);
    EXPECT_EQ(s.kerningPairs[0].left, 66);
    EXPECT_EQ(s.kerningPairs[0].right, 70);
    EXPECT_EQ(s.kerningPairs[0].value, 0);
    EXPECT_EQ(s.kerningPairs[1].right, kUnknownGlyphCode);  // dropped when written
    EXPECT_EQ(s.kerningPairs[2].value, -80);

    for (const char* count : {"abc", "-5"}) {
        Type1FontState k;
        ASSERT_TRUE(readAfmText(std::string("StartKernPairs ") + count + "\nKPX A V -80\n",
                                AfmMode::KerningOnly, k, settings, error));
        EXPECT_EQ(k.kernPairsLoaded, 1);
        EXPECT_TRUE(k.kerningPairs.empty()) << count;
    }
    // A huge count takes what the file holds, and never more than the font keeps.
    std::string many = "StartKernPairs 99999999999999\n";
    for (int i = 0; i < 40000; ++i) many += "KPX A V " + std::to_string(i % 100) + "\n";
    Type1FontState k;
    ASSERT_TRUE(readAfmText(many, AfmMode::KerningOnly, k, settings, error));
    EXPECT_EQ(k.kerningPairs.size(), 32767u);

    // A line longer than the reader's line is read on as the next line.
    Type1FontState l;
    ASSERT_TRUE(readAfmText("Comment " + std::string(1015, 'x') + "Ascender 700\n", AfmMode::Full,
                            l, settings, error));
    EXPECT_EQ(l.ascender, 700);
}

uint32_t u32At(const std::vector<uint8_t>& b, size_t at) {
    LittleEndianReader r(b);
    uint32_t v = 0;
    r.seek(at);
    r.readU32(v);
    return v;
}
uint16_t u16At(const std::vector<uint8_t>& b, size_t at) {
    LittleEndianReader r(b);
    uint16_t v = 0;
    r.seek(at);
    r.readU16(v);
    return v;
}

TEST(Pfm, OffsetsFollowTheNames) {
    SessionSettings settings = test::type1Settings();
    settings.familyName = "Seventh";  // 7 characters
    Type1FontState s = newFontState(settings);
    std::vector<uint8_t> pfm = buildPfmFile(s, settings);
    EXPECT_EQ(u32At(pfm, 2), pfm.size());   // dfSize
    EXPECT_EQ(u32At(pfm, 101), 199u);       // dfDevice
    EXPECT_EQ(u32At(pfm, 105), 210u);       // dfFace
    EXPECT_EQ(u32At(pfm, 139), 218u);       // dfDriverInfo
    EXPECT_EQ(u32At(pfm, 119), 147u);       // dfExtMetricsOffset
    EXPECT_EQ(u32At(pfm, 123), 218u + 8u);  // dfExtentTable after "Seventh\0"
    EXPECT_EQ(u32At(pfm, 131), 0u);         // no kerning table
    EXPECT_EQ(pfm.size(), 226u + 448u);     // ends with the width table
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&pfm[199])), "PostScript");
    EXPECT_EQ(u16At(pfm, 226 + 2 * (65 - 32)), 525);
    EXPECT_EQ(u16At(pfm, 226 + 2 * (66 - 32)), 250);  // no glyph: the space width
    EXPECT_EQ(pfm[85], 0);
    EXPECT_EQ(pfm[90], 0x01);
}

TEST(Pfm, SymbolFontAndKerningOrderedByRightCode) {
    SessionSettings settings = test::type1Settings();
    settings.symbolFont = 1;
    Type1FontState s = newFontState(settings);
    s.kernPairsLoaded = 1;
    s.kerningPairs = {{65, 66, 1}, {66, 65, 2}, {32, 66, 3}};
    std::vector<uint8_t> pfm = buildPfmFile(s, settings);
    EXPECT_EQ(pfm[85], 2);
    EXPECT_EQ(pfm[90], 0x51);
    uint32_t kern = u32At(pfm, 131);
    ASSERT_NE(kern, 0u);
    EXPECT_EQ(u16At(pfm, 147 + 48), 3);  // etmKernPairs
    EXPECT_EQ(u16At(pfm, kern), 3);
    const uint8_t expected[] = {66, 65, 2, 0, 32, 66, 3, 0, 65, 66, 1, 0};
    EXPECT_TRUE(std::equal(expected, expected + 12, pfm.begin() + long(kern) + 2));
    EXPECT_EQ(kern + 2 + 12, pfm.size());
    EXPECT_EQ(u32At(pfm, 2), pfm.size());
}

// Leadings computed from two 16-bit values can pass 16 bits; they stop at the limit
// instead of wrapping to the other sign.
TEST(Pfm, LeadingsBeyondSixteenBitsStopAtTheLimit) {
    SessionSettings settings = test::type1Settings();
    settings.gridSize = 65535;
    settings.designSize = 1000;
    Type1FontState s;
    test::Outline o;
    o.square(0, -30, 10, -20, false);  // below the baseline: ascender 0
    ASSERT_EQ(buildCharString(s, settings, 0, 0, o.points.data(), o.types.data(), o.count()),
              CharStringStatus::Ok);
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    s.ascender = -100;
    s.capHeight = 32767;
    std::vector<uint8_t> pfm = buildPfmFile(s, settings);
    EXPECT_EQ(int16_t(u16At(pfm, 76)), -32768);  // dfInternalLeading: -100 - 32767
    EXPECT_EQ(int16_t(u16At(pfm, 78)), 32767);   // dfExternalLeading: 65535 + 100
}

}  // namespace
}  // namespace gx
