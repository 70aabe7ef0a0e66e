// What the export dialogs ask of the Type 1 session: per-code state, the Cancel
// snapshot, loading metrics, and saving the font at once and reading it again.
#include <gtest/gtest.h>

#include "entry/type1_session.h"
#include "type1/font_reader.h"
#include "type1_test_util.h"

namespace gx {
namespace {

test::Outline square(int right) {
    test::Outline o;
    o.square(0, 0, right, 700, false);
    return o;
}

// A font with A (65, width 525) and B (66, width 630) on disk, opened as the session
// opens an existing font before its dialogs.
struct ExistingFont {
    std::string dir, font;
    Type1ExportSession s;

    explicit ExistingFont(const std::string& name) {
        dir = test::freshDirectory(name);
        font = dir + "/font.pfb";
        SessionSettings settings = test::type1Settings();
        test::exportGlyph(font, square(500), settings);
        settings.charNumber = 66;
        test::exportGlyph(font, square(600), settings);
        s.targetFileName = font;
        s.newFont = false;
        s.settings = test::type1Settings();
        s.fontFile = platform::FontFile::open(font, platform::OpenMode::ReadWriteDenyWrite);
        std::string error;
        EXPECT_EQ(readExistingType1Font(*s.fontFile, font, s.font, s.settings, error),
                  Type1ReadStatus::Ok)
            << error;
    }
};

int entriesIn(const std::string& path) {
    std::string bytes = test::readFile(path);
    Type1FontState state;
    SessionSettings settings = test::type1Settings();
    std::string error;
    if (!readType1Program(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), state,
                          settings, error))
        return -1;
    return int(state.preservedGlyphs.size());
}

TEST(Session, PerCodeStateOfAnExistingFont) {
    ExistingFont f("session-codes");
    Type1ExportSession& s = f.s;
    EXPECT_TRUE(type1HasGlyph(s, 65));
    EXPECT_TRUE(type1HasGlyph(s, 32));
    EXPECT_FALSE(type1HasGlyph(s, 67));
    EXPECT_EQ(type1GlyphWidth(s, 65), 525);
    EXPECT_EQ(type1GlyphWidth(s, 66), 630);
    for (int bad : {-1, 256, 100000}) {
        EXPECT_FALSE(type1HasGlyph(s, bad));
        EXPECT_FALSE(type1DeleteMark(s, bad));
        EXPECT_EQ(type1GlyphWidth(s, bad), 0);
        type1SetDeleteMark(s, bad, true);  // ignored, no write outside the tables
        type1SetGlyphWidth(s, bad, 5);
    }
    type1SetDeleteMark(s, 66, true);
    EXPECT_TRUE(type1DeleteMark(s, 66));
    type1SetDeleteMark(s, 66, false);
    EXPECT_FALSE(type1DeleteMark(s, 66));
    type1SetGlyphWidth(s, 65, 99999);  // kept in 16 bits
    EXPECT_EQ(type1GlyphWidth(s, 65), 32767);
}

TEST(Session, SnapshotUndoesEverythingTheOptionsDialogChanged) {
    ExistingFont f("session-snapshot");
    Type1ExportSession& s = f.s;
    s.font.kernPairsLoaded = 1;
    s.font.kerningPairs = {{65, 66, -40}};
    const Type1FontState before = s.font;
    const Type1MetricsSnapshot snapshot = type1TakeSnapshot(s);

    type1SetDeleteMark(s, 65, true);
    type1SetGlyphWidth(s, 66, 1);
    type1SetAddGlyph(s, false);
    test::writeFile(f.dir + "/load.afm",
                    "StartFontMetrics 2.0\nAscender 900\nStartCharMetrics 1\n"
                    "C 65 ; WX 400 ; N A ;\nEndCharMetrics\nStartKernPairs 0\nEndKernPairs\n");
    ASSERT_TRUE(type1LoadMetrics(s, f.dir + "/load.afm", 1000).loaded);
    EXPECT_EQ(s.font.ascender, 900);

    type1RestoreSnapshot(s, snapshot);
    EXPECT_EQ(s.font.widths, before.widths);
    EXPECT_EQ(s.font.glyphPresent, before.glyphPresent);
    EXPECT_EQ(s.font.deleteMark, before.deleteMark);
    EXPECT_EQ(s.font.loadedWidths, before.loadedWidths);
    EXPECT_EQ(s.font.charMetricsLoaded, 0);
    EXPECT_EQ(s.font.ascender, before.ascender);
    EXPECT_EQ(s.font.newGlyphPending, 1);
    ASSERT_EQ(s.font.kerningPairs.size(), 1u);
    EXPECT_EQ(s.font.kerningPairs[0].value, -40);
}

TEST(Session, LoadedMetricsGiveWidthsAndARefusedFileChangesNothing) {
    ExistingFont f("session-load");
    Type1ExportSession& s = f.s;
    test::writeFile(f.dir + "/good.afm",
                    "StartFontMetrics 2.0\nCapHeight 680\nStartCharMetrics 2\n"
                    "C 32 ; WX 300 ; N space ;\nC 65 ; WX 556 ; N A ;\nEndCharMetrics\n");
    Type1MetricsLoad r = type1LoadMetrics(s, f.dir + "/good.afm", 1000);
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_TRUE(r.characterMetrics);
    EXPECT_EQ(r.spaceWidth, 300);
    EXPECT_EQ(type1GlyphWidth(s, 65), 556);
    EXPECT_EQ(type1GlyphWidth(s, 66), s.font.widths[66]);  // the file gave B no width
    EXPECT_NE(type1GlyphWidth(s, 66), 0);
    type1SetGlyphWidth(s, 66, 640);  // an edit after loading sticks
    EXPECT_EQ(type1GlyphWidth(s, 66), 640);

    // A file refused half way (a line of spaces) leaves every value as it was.
    const Type1MetricsSnapshot before = type1TakeSnapshot(s);
    test::writeFile(f.dir + "/bad.afm",
                    "StartFontMetrics 2.0\nCapHeight 1\nAscender 2\nStartCharMetrics 1\n"
                    "C 65 ; WX 1 ; N A ;\nEndCharMetrics\n   \nEndFontMetrics\n");
    r = type1LoadMetrics(s, f.dir + "/bad.afm", 1000);
    EXPECT_FALSE(r.loaded);
    EXPECT_NE(r.error.find("line 7"), std::string::npos) << r.error;
    EXPECT_EQ(s.font.capHeight, before.capHeight);
    EXPECT_EQ(s.font.ascender, before.ascender);
    EXPECT_EQ(type1GlyphWidth(s, 65), 556);
    EXPECT_FALSE(type1LoadMetrics(s, f.dir + "/missing.afm", 1000).loaded);
}

TEST(Session, SaveNowAppliesDeletionsAndWidthsThenReadsTheFontAgain) {
    ExistingFont f("session-save");
    Type1ExportSession& s = f.s;
    const std::string program = test::readFile(f.font);
    type1SetDeleteMark(s, 66, true);
    type1SetGlyphWidth(s, 65, 777);
    std::string error;
    ASSERT_TRUE(type1SaveFontNow(s, error)) << error;

    EXPECT_EQ(test::readFile(f.dir + "/font.bak"), program);
    EXPECT_EQ(entriesIn(f.font), 3);  // .notdef, space, A
    std::string afm = test::readFile(f.dir + "/font.afm");
    EXPECT_NE(afm.find("C 65 ; WX 777 ; N A ;"), std::string::npos);
    EXPECT_EQ(afm.find("N B ;"), std::string::npos);
    // The state is the font as it now is, ready for the glyph of this export.
    EXPECT_FALSE(type1HasGlyph(s, 66));
    EXPECT_FALSE(type1DeleteMark(s, 66));
    EXPECT_EQ(type1GlyphWidth(s, 65), 777);
    EXPECT_EQ(s.font.newGlyphPending, 1);
    ASSERT_TRUE(s.fontFile);

    // The export then goes on to add its glyph to the saved font.
    s.settings.charNumber = 67;
    test::Outline o = square(400);
    ASSERT_EQ(buildCharString(s.font, s.settings, 0, 0, o.points.data(), o.types.data(), o.count()),
              CharStringStatus::Ok);
    ASSERT_EQ(saveType1Font(s.font, s.settings, f.font, s.fontFile, true, error),
              Type1SaveStatus::Ok)
        << error;
    EXPECT_EQ(entriesIn(f.font), 4);
    afm = test::readFile(f.dir + "/font.afm");
    EXPECT_NE(afm.find("C 65 ; WX 777 ; N A ;"), std::string::npos);
    EXPECT_NE(afm.find("N C ;"), std::string::npos);
}

TEST(Session, LoadedMetricsSurviveTheImmediateSave) {
    ExistingFont f("session-save-metrics");
    Type1ExportSession& s = f.s;
    test::writeFile(f.dir + "/m.afm",
                    "StartFontMetrics 2.0\nCapHeight 680\nXHeight 470\nStartCharMetrics 1\n"
                    "C 65 ; WX 556 ; N A ;\nEndCharMetrics\n");
    ASSERT_TRUE(type1LoadMetrics(s, f.dir + "/m.afm", 1000).loaded);
    std::string error;
    ASSERT_TRUE(type1SaveFontNow(s, error)) << error;
    EXPECT_EQ(s.font.charMetricsLoaded, 1);
    EXPECT_EQ(s.font.capHeight, 680);
    EXPECT_EQ(type1GlyphWidth(s, 65), 556);
    EXPECT_NE(test::readFile(f.dir + "/font.afm").find("CapHeight 680"), std::string::npos);
}

TEST(Session, FailedImmediateSaveLeavesFilesAndStateAsTheyWere) {
    ExistingFont f("session-save-fails");
    Type1ExportSession& s = f.s;
    const std::string program = test::readFile(f.font);
    const std::string afm = test::readFile(f.dir + "/font.afm");
    const std::string bak = test::readFile(f.dir + "/font.bak");
    type1SetDeleteMark(s, 66, true);
    std::string error;
    platform::injectWriteFailureAfter(100);
    EXPECT_FALSE(type1SaveFontNow(s, error));
    platform::injectWriteFailureAfter(-1);
    EXPECT_EQ(test::readFile(f.font), program);
    EXPECT_EQ(test::readFile(f.dir + "/font.afm"), afm);
    EXPECT_EQ(test::readFile(f.dir + "/font.bak"), bak);
    EXPECT_TRUE(type1HasGlyph(s, 66));
    EXPECT_TRUE(type1DeleteMark(s, 66));
    EXPECT_EQ(s.font.newGlyphPending, 1);

    // A failed rename: the font is still there and the session can still save.
    platform::injectRenameFailure(2);
    EXPECT_FALSE(type1SaveFontNow(s, error));
    EXPECT_EQ(test::readFile(f.font), program);
    ASSERT_TRUE(s.fontFile);
    EXPECT_TRUE(s.fontUsable);
    ASSERT_TRUE(type1SaveFontNow(s, error)) << error;
    EXPECT_FALSE(type1HasGlyph(s, 66));

    // A font that no longer reads (changed behind the session's back) stops the export.
    test::writeFile(f.font, "not a font any more");
    EXPECT_FALSE(type1ReloadFont(s, error));
    EXPECT_FALSE(s.fontUsable);
    EXPECT_FALSE(type1SaveFontNow(s, error));
    EXPECT_EQ(test::readFile(f.font), "not a font any more");

    // A new font has nothing to save yet.
    Type1ExportSession fresh;
    fresh.newFont = true;
    EXPECT_FALSE(type1SaveFontNow(fresh, error));
}

}  // namespace
}  // namespace gx
