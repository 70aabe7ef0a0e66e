#include "ui/afm_import.h"

#include <gtest/gtest.h>

#include <string>

namespace gx {
namespace {

const std::string kDataDir = GX_TEST_DATA_DIR "/data/";

TEST(AfmImportTest, GlyphNamesFollowTheWindowsTable) {
    EXPECT_EQ(lookupGlyphCode("space"), 32);
    EXPECT_EQ(lookupGlyphCode("A"), 65);
    EXPECT_EQ(lookupGlyphCode("a"), 97);
    EXPECT_EQ(lookupGlyphCode("bar"), 124);  // not 166, which repeats the name
    EXPECT_EQ(lookupGlyphCode("quotesinglbase"), 130);
    EXPECT_EQ(lookupGlyphCode("Ydieresis"), 159);
    EXPECT_EQ(lookupGlyphCode("sfthyphen"), 173);
    EXPECT_EQ(lookupGlyphCode("ydieresis"), 255);
    EXPECT_EQ(lookupGlyphCode("Space"), 0);
    EXPECT_EQ(lookupGlyphCode(""), 0);
    EXPECT_EQ(lookupGlyphCode("uni0100"), 0);
}

TEST(AfmImportTest, FontWideValuesAndFixedWidth) {
    FontMetricsImport m = parseFontMetrics(
        "Ascender 718\nDescender -207\nItalicAngle -12.5\nUnderlinePosition -100\n"
        "UnderlineThickness 50\nCharWidth 600 0\n",
        2048);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.ascender, 718);
    EXPECT_EQ(m.descender, -207);
    EXPECT_EQ(m.italicAngle, -12);  // the integer part
    EXPECT_EQ(m.underlinePosition, -100);
    EXPECT_EQ(m.underlineThickness, 50);
    EXPECT_TRUE(m.fixedWidth);
    EXPECT_EQ(m.fixedAdvance, 1228);  // 600 x 2048 / 1000
    EXPECT_FALSE(m.characterMetrics);
    EXPECT_FALSE(m.kerning);
}

TEST(AfmImportTest, MetricsLinesAreReadByGlyphName) {
    FontMetricsImport m = parseFontMetrics(
        "StartCharMetrics 5\n"
        "C 65 ; WX 722 ; N A ; B 14 0 654 718 ;\n"
        "   \tC 66 ; WX 667 ; N B ; B 0 0 0 0 ;\n"  // indented like any other
        "C 1 ; WX 500 ; N uni0100 ; B 0 0 0 0 ;\n"  // counted, changes nothing
        "C -1 ; WX 600 ; N C128 ; B 0 0 0 0 ;\n"    // the letter C and a code
        "C 99 ; WX 300 ; N A2 ; B 0 0 0 0 ;\n"
        "EndCharMetrics\n",
        2048);
    ASSERT_TRUE(m.ok);
    EXPECT_TRUE(m.characterMetrics);
    EXPECT_EQ(m.widths[65], 1478);  // 2048 x 722 x 0.001 = 1478.656
    EXPECT_EQ(m.widths[66], 1366);
    EXPECT_EQ(m.widths[128], 1228);
    EXPECT_EQ(m.widths[99], 0);  // the code on the line is not used
    int set = 0;
    for (bool b : m.widthSet) set += b;
    EXPECT_EQ(set, 3);
}

TEST(AfmImportTest, CodeNamesOutsideTheTableYieldNoCode) {
    FontMetricsImport m = parseFontMetrics(
        "StartCharMetrics 3\nC 0 ; WX 100 ; N C0 ;\nC 0 ; WX 100 ; N C256 ;\n"
        "C 0 ; WX 100 ; N c255 ;\n",
        1000);
    ASSERT_TRUE(m.ok);
    EXPECT_FALSE(m.widthSet[0]);
    EXPECT_EQ(m.widths[255], 100);  // the C may be lower-case
}

TEST(AfmImportTest, CountStopsTheMetricsBlockAndEndCharMetricsEndsItEarly) {
    // A count larger than the lines still succeeds when EndCharMetrics follows them.
    FontMetricsImport a = parseFontMetrics(
        "StartCharMetrics 10\nC 65 ; WX 500 ; N A ;\nEndCharMetrics\nAscender 800\n", 1000);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.widths[65], 500);
    EXPECT_EQ(a.ascender, 800);
    // After the count the main loop reads on; a second C line is an ordinary line there.
    FontMetricsImport b = parseFontMetrics(
        "StartCharMetrics 1\nC 65 ; WX 500 ; N A ;\nC 66 ; WX 500 ; N B ;\n", 1000);
    ASSERT_TRUE(b.ok);
    EXPECT_TRUE(b.widthSet[65]);
    EXPECT_FALSE(b.widthSet[66]);
    // Blank lines inside the block are not counted.
    FontMetricsImport c =
        parseFontMetrics("StartCharMetrics 1\n\n\r\nC 65 ; WX 500 ; N A ;\n", 1000);
    EXPECT_TRUE(c.ok);
    EXPECT_TRUE(c.widthSet[65]);
}

TEST(AfmImportTest, KerningPairsByCodeAsWritten) {
    FontMetricsImport m = parseFontMetrics(
        "StartKernPairs 4\nKPX A V -80\nComment between\nKPX V A -70\nKPX A foo 12\n"
        "EndKernPairs\nKPX T o -5\n",
        2048);
    ASSERT_TRUE(m.ok);
    EXPECT_TRUE(m.kerning);
    ASSERT_EQ(m.kerningPairs.size(), 3u);  // the count is what was stored
    EXPECT_EQ(m.kerningPairs[0].left, 65);
    EXPECT_EQ(m.kerningPairs[0].right, 86);
    EXPECT_EQ(m.kerningPairs[0].value, -80);  // AFM units, not scaled
    EXPECT_EQ(m.kerningPairs[1].left, 86);
    EXPECT_EQ(m.kerningPairs[2].right, 0);  // unknown names store code 0
}

TEST(AfmImportTest, KerningStopsAtItsCount) {
    FontMetricsImport m = parseFontMetrics("StartKernPairs 1\nKPX A V -80\nKPX V A -70\n", 1000);
    ASSERT_TRUE(m.ok);
    ASSERT_EQ(m.kerningPairs.size(), 1u);
}

TEST(AfmImportTest, EmptyFileSucceedsAndChangesNothing) {
    for (const char* text : {"", "\r\n\r\n", "\n"}) {
        FontMetricsImport m = parseFontMetrics(text, 2048);
        EXPECT_TRUE(m.ok) << text;
        EXPECT_FALSE(m.characterMetrics || m.fixedWidth || m.kerning);
    }
}

TEST(AfmImportTest, FailureCausesKeepWhatWasReadBefore) {
    FontMetricsImport blank = parseFontMetrics("Ascender 700\n   \nDescender -200\n", 1000);
    EXPECT_FALSE(blank.ok);
    EXPECT_EQ(blank.failure, AfmFailure::LineWithoutToken);
    EXPECT_EQ(blank.failureLine, 2);
    EXPECT_EQ(blank.ascender, 700);
    EXPECT_EQ(blank.descender, 0);

    FontMetricsImport noValue = parseFontMetrics("Ascender\n", 1000);
    EXPECT_FALSE(noValue.ok);
    EXPECT_EQ(noValue.failure, AfmFailure::MissingValue);
    EXPECT_EQ(parseFontMetrics("StartKernPairs \t\n", 1000).failure, AfmFailure::MissingValue);

    FontMetricsImport notC =
        parseFontMetrics("StartCharMetrics 3\nC 65 ; WX 500 ; N A ;\nB 0 0 1 1\n", 1000);
    EXPECT_FALSE(notC.ok);
    EXPECT_EQ(notC.failure, AfmFailure::NotMetricsLine);
    EXPECT_FALSE(notC.characterMetrics);  // cleared, so the widths are not applied
    EXPECT_EQ(notC.widths[65], 500);
}

// Counts are read as the format's readers read them: a negative one takes no pairs, a
// huge one what the file holds, up to what a 16-bit count keeps; values that are no
// numbers are 0.
TEST(AfmImportTest, SloppyCountsAndValuesAreReadNotRefused) {
    FontMetricsImport negative = parseFontMetrics("StartKernPairs -1\nKPX A V -80\n", 1000);
    EXPECT_TRUE(negative.ok);
    EXPECT_TRUE(negative.kerning);
    EXPECT_TRUE(negative.kerningPairs.empty());

    std::string many = "StartKernPairs 40000\n";
    for (int i = 0; i < 33000; ++i) many += "KPX A V -1\n";
    FontMetricsImport huge = parseFontMetrics(many + "Ascender 700\n", 1000);
    EXPECT_TRUE(huge.ok);
    EXPECT_EQ(huge.kerningPairs.size(), 32767u);

    FontMetricsImport sloppy = parseFontMetrics(
        "Ascender abc\nStartKernPairs abc\nKPX A V -80\nStartKernPairs 1\nKPX B F\n", 1000);
    EXPECT_TRUE(sloppy.ok);
    EXPECT_EQ(sloppy.ascender, 0);
    ASSERT_EQ(sloppy.kerningPairs.size(), 1u);
    EXPECT_EQ(sloppy.kerningPairs[0].left, 66);
    EXPECT_EQ(sloppy.kerningPairs[0].right, 70);
    EXPECT_EQ(sloppy.kerningPairs[0].value, 0);
}

TEST(AfmImportTest, HugeNumbersAreHeldInSixteenBits) {
    FontMetricsImport m = parseFontMetrics(
        "Ascender 99999999999999999999\nDescender -70000\nCharWidth -5\n"
        "StartCharMetrics 99999999999999\nC 65 ; WX 999999999 ; N A ;\nEndCharMetrics\n"
        "StartKernPairs 1\nKPX A V -99999\n",
        16383);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.ascender, 32767);
    EXPECT_EQ(m.descender, -32768);
    EXPECT_EQ(m.fixedAdvance, 0);
    EXPECT_EQ(m.widths[65], 32767);
    EXPECT_EQ(m.kerningPairs.at(0).value, -32768);
}

TEST(AfmImportTest, LongLinesAreCutAndTheirRestReadOn) {
    // 1022 characters, one that is lost at the cut, then what reads as the next line.
    std::string text = "Comment " + std::string(1014, 'x') + "#Ascender 750\n";
    FontMetricsImport m = parseFontMetrics(text, 1000);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.ascender, 750);
}

TEST(AfmImportTest, MetricsLinesWithoutWidthOrNameAreIgnored) {
    FontMetricsImport m = parseFontMetrics(
        "StartCharMetrics 4\nC\nC 65 ; N A ;\nC 65 ; WX 500\nC 65 ; WX 500 ; N\n", 1000);
    ASSERT_TRUE(m.ok);
    for (bool b : m.widthSet) EXPECT_FALSE(b);
}

TEST(AfmImportTest, FileThroughThePlatformLayer) {
    FontMetricsImport m = importFontMetrics(kDataDir + "sample.afm", 1000);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.ascender, 718);
    EXPECT_EQ(m.widths[32], 278);
    EXPECT_EQ(m.widths[65], 722);
    ASSERT_EQ(m.kerningPairs.size(), 2u);
    EXPECT_EQ(m.kerningPairs[1].value, -70);

    FontMetricsImport missing = importFontMetrics(kDataDir + "no-such.afm", 1000);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.failure, AfmFailure::CannotRead);
}

TEST(AfmImportTest, MergeKeepsWidthsNoLineNamed) {
    std::array<int16_t, 256> table{};
    table[66] = 900;
    FontMetricsImport m = parseFontMetrics("StartCharMetrics 1\nC 65 ; WX 500 ; N A ;\n", 1000);
    mergeImportedWidths(m, table);
    EXPECT_EQ(table[65], 500);
    EXPECT_EQ(table[66], 900);
}

TEST(AfmImportTest, PairsForGlyphsDropFreeCodesAndSort) {
    // Codes 65 and 86 are glyphs 5 and 3; 66 has none.
    auto glyphOf = [](int code) { return code == 65 ? 5 : code == 86 ? 3 : 0; };
    std::vector<KerningPair> byCode = {{65, 86, -80}, {86, 65, -70}, {65, 66, 10}, {0, 65, 3},
                                       {86, 86, 7},   {86, 65, -1},  {300, 65, 1}};
    std::vector<KerningPair> out = kerningPairsForGlyphs(byCode, glyphOf);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].left, 3);
    EXPECT_EQ(out[0].right, 3);
    EXPECT_EQ(out[1].left, 3);
    EXPECT_EQ(out[1].right, 5);
    EXPECT_EQ(out[1].value, -70);  // equal pairs keep the file's order
    EXPECT_EQ(out[2].value, -1);
    EXPECT_EQ(out[3].left, 5);
    EXPECT_EQ(out[3].value, -80);
}

}  // namespace
}  // namespace gx
