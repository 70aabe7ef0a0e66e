#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>

#include "type1/afm.h"
#include "type1/charstring.h"
#include "type1/font_reader.h"
#include "type1/update.h"
#include "type1_test_util.h"

namespace gx {
namespace {

test::Outline square() {
    test::Outline o;
    o.square(0, 0, 500, 700, false);
    return o;
}

int entriesIn(const std::string& path) {
    std::string bytes = test::readFile(path);
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    if (!readType1Program(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), s, settings,
                          error))
        return -1;
    return int(s.preservedGlyphs.size());
}

TEST(Save, NewFontThenExtendReplaceAndDelete) {
    std::string dir = test::freshDirectory("save");
    std::string font = dir + "/font.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    EXPECT_EQ(entriesIn(font), 3);
    EXPECT_FALSE(platform::FontFile::exists(dir + "/font.bak"));  // a new font has no backup
    ASSERT_TRUE(platform::FontFile::exists(dir + "/font.afm"));
    ASSERT_TRUE(platform::FontFile::exists(dir + "/font.pfm"));

    settings.charNumber = 66;
    std::string first = test::readFile(font);
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    EXPECT_EQ(entriesIn(font), 4);
    EXPECT_EQ(test::readFile(dir + "/font.bak"), first);

    // Replacing code 66 keeps the count and drops the old charstring.
    test::Outline wide;
    wide.square(0, 0, 900, 700, false);
    ASSERT_TRUE(test::exportGlyph(font, wide, settings).ok);
    EXPECT_EQ(entriesIn(font), 4);
    EXPECT_NE(test::readFile(dir + "/font.afm").find("C 66 ; WX 945 ; N B ;"), std::string::npos);

    // Deleting code 65 while adding 67.
    settings.charNumber = 67;
    ASSERT_TRUE(
        test::exportGlyph(font, square(), settings, [](Type1FontState& s, SessionSettings&) {
            s.deleteMark[65] = 1;
        }).ok);
    EXPECT_EQ(entriesIn(font), 4);
    std::string afm = test::readFile(dir + "/font.afm");
    EXPECT_EQ(afm.find("N A ;"), std::string::npos);
    EXPECT_NE(afm.find("StartCharMetrics 3\r\n"), std::string::npos);
}

TEST(Save, KerningOfTheOldAfmSurvives) {
    std::string dir = test::freshDirectory("kern");
    std::string font = dir + "/k.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    std::string afm = test::readFile(dir + "/k.afm");
    size_t end = afm.find("EndFontMetrics");
    afm.insert(
        end, "StartKernData\r\nStartKernPairs 1\r\nKPX A B -80\r\nEndKernPairs\r\nEndKernData\r\n");
    test::writeFile(dir + "/k.afm", afm);
    settings.charNumber = 67;
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    EXPECT_NE(test::readFile(dir + "/k.afm").find("KPX A B -80\r\r\n"), std::string::npos);
}

TEST(Save, FiftyExportsKeepEveryGlyphAndAreDeterministic) {
    std::string dir = test::freshDirectory("fifty");
    std::string a = dir + "/a.pfb", b = dir + "/b.pfb";
    SessionSettings settings = test::type1Settings();
    for (int i = 0; i < 50; ++i) {
        settings.charNumber = int16_t(33 + i);
        test::Outline o;
        o.square(i, 0, 300 + 5 * i, 600, i % 2 == 0);
        o.square(i + 100, 100, 200 + 5 * i, 500, i % 2 == 0);
        ASSERT_TRUE(test::exportGlyph(a, o, settings).ok) << i;
        ASSERT_TRUE(test::exportGlyph(b, o, settings).ok) << i;
    }
    EXPECT_EQ(entriesIn(a), 52);
    EXPECT_EQ(test::readFile(a), test::readFile(b));
    EXPECT_EQ(test::readFile(dir + "/a.pfm"), test::readFile(dir + "/b.pfm"));
}

std::vector<std::string> listDirectory(const std::string& dir) {
    std::vector<std::string> names;
    std::string listing = dir + "/.listing";
    std::string command = "ls -A '" + dir + "' > '" + listing + "'";
    if (std::system(command.c_str()) != 0) return names;
    std::string text = test::readFile(listing);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string name = text.substr(start, end - start);
        if (name != ".listing") names.push_back(name);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return names;
}

TEST(Save, AFailingWriteAnywhereLeavesEveryFileAsItWas) {
    std::string dir = test::freshDirectory("fault");
    std::string font = dir + "/f.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    const std::string pfb = test::readFile(font), afm = test::readFile(dir + "/f.afm"),
                      pfm = test::readFile(dir + "/f.pfm"), bak = test::readFile(dir + "/f.bak");
    const auto names = listDirectory(dir);
    settings.charNumber = 67;
    int failures = 0;
    for (long long after = 0;; after += 37) {
        platform::injectWriteFailureAfter(after);
        test::ExportResult r = test::exportGlyph(font, square(), settings);
        platform::injectWriteFailureAfter(-1);
        if (r.ok) break;  // the limit lies beyond everything the save writes
        ++failures;
        ASSERT_EQ(test::readFile(font), pfb) << after;
        ASSERT_EQ(test::readFile(dir + "/f.afm"), afm) << after;
        ASSERT_EQ(test::readFile(dir + "/f.pfm"), pfm) << after;
        ASSERT_EQ(test::readFile(dir + "/f.bak"), bak) << after;
        ASSERT_EQ(listDirectory(dir), names) << after;
    }
    EXPECT_GT(failures, 40);
}

// Every system operation of the save fails in turn (writes, syncs, closes, links,
// renames, deletes): each failed export leaves the font, its backup, AFM and PFM as they
// were, and no temporary file behind.
TEST(Save, AFailureAtAnyStepLeavesAllFourFilesAsTheyWere) {
    std::string dir = test::freshDirectory("steps");
    std::string font = dir + "/r.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    const std::string pfb = test::readFile(font), afm = test::readFile(dir + "/r.afm"),
                      pfm = test::readFile(dir + "/r.pfm"), bak = test::readFile(dir + "/r.bak");
    const auto names = listDirectory(dir);
    settings.charNumber = 67;
    platform::resetStepCount();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    const int steps = platform::stepCount();
    int failures = 0;
    for (int step = 1; step <= steps; ++step) {
        test::writeFile(font, pfb);
        test::writeFile(dir + "/r.afm", afm);
        test::writeFile(dir + "/r.pfm", pfm);
        test::writeFile(dir + "/r.bak", bak);
        for (const std::string& n : listDirectory(dir))
            if (std::find(names.begin(), names.end(), n) == names.end())
                unlink((dir + "/" + n).c_str());
        platform::injectStepFailure(step);
        test::ExportResult r = test::exportGlyph(font, square(), settings);
        platform::injectStepFailure(0);
        // A link refused is made up for by a copy, and a second name no longer needed may
        // stay behind: such a failure leaves a complete save.
        if (r.ok) {
            EXPECT_EQ(entriesIn(font), 5) << step;
            continue;
        }
        ++failures;
        ASSERT_EQ(test::readFile(font), pfb) << step;
        ASSERT_EQ(test::readFile(dir + "/r.afm"), afm) << step;
        ASSERT_EQ(test::readFile(dir + "/r.pfm"), pfm) << step;
        ASSERT_EQ(test::readFile(dir + "/r.bak"), bak) << step;
        ASSERT_EQ(listDirectory(dir), names) << step << ": " << r.error;
    }
    EXPECT_GE(failures, steps / 2);
}

int kerningLines(const std::string& afm) {
    int n = 0;
    for (size_t at = afm.find("KPX "); at != std::string::npos; at = afm.find("KPX ", at + 1)) ++n;
    return n;
}

// SIGKILL at every system operation of a save (in a child process, by the step
// counter), starting from a font with a .bak, an AFM with kerning and a PFM: the font or
// its .bak is the old font, or the font is the new one complete; no AFM or PFM is
// missing; the next export succeeds and keeps the kerning.
TEST(Save, KilledAtAnyStepTheNextExportRecoversWithItsKerning) {
    std::string dir = test::freshDirectory("kill");
    std::string font = dir + "/k.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(
        test::exportGlyph(font, square(), settings, [](Type1FontState& s, SessionSettings&) {
            s.kerningPairs = {{65, 66, -80}, {66, 65, -40}, {65, 65, -10}};
            s.kernPairsLoaded = 1;
        }).ok);
    const std::string pfb = test::readFile(font), afm = test::readFile(dir + "/k.afm"),
                      pfm = test::readFile(dir + "/k.pfm"), bak = test::readFile(dir + "/k.bak");
    ASSERT_EQ(kerningLines(afm), 3);
    const int oldCount = entriesIn(font);
    int kills = 0;
    for (int step = 1; step < 500; ++step) {
        for (const std::string& n : listDirectory(dir)) unlink((dir + "/" + n).c_str());
        test::writeFile(font, pfb);
        test::writeFile(dir + "/k.afm", afm);
        test::writeFile(dir + "/k.pfm", pfm);
        test::writeFile(dir + "/k.bak", bak);
        settings.charNumber = 67;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::injectKillAtStep(step);
            _exit(test::exportGlyph(font, square(), settings).ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFSIGNALED(status)) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << step;
            EXPECT_EQ(entriesIn(font), oldCount + 1);
            EXPECT_EQ(test::readFile(dir + "/k.bak"), pfb);
            break;
        }
        ++kills;
        const bool oldFont = test::readFile(font) == pfb || test::readFile(dir + "/k.bak") == pfb;
        const bool newFont = entriesIn(font) == oldCount + 1;
        ASSERT_TRUE(oldFont || newFont) << "killed at step " << step;
        ASSERT_TRUE(platform::FontFile::exists(dir + "/k.afm")) << step;
        ASSERT_TRUE(platform::FontFile::exists(dir + "/k.pfm")) << step;
        settings.charNumber = 68;
        test::ExportResult next = test::exportGlyph(font, square(), settings);
        ASSERT_TRUE(next.ok) << step << ": " << next.error;
        EXPECT_EQ(kerningLines(test::readFile(dir + "/k.afm")), 3) << step;
        for (const std::string& n : listDirectory(dir))
            EXPECT_NE(n.rfind("AT1", 0), 0u) << step << n;
    }
    EXPECT_GT(kills, 30);
}

TEST(Save, AnUnreadableAfmBesideTheFontStopsTheExport) {
    std::string dir = test::freshDirectory("badafm");
    std::string font = dir + "/b.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    test::writeFile(dir + "/b.afm", "StartFontMetrics 2.0\n  \n");
    const std::string pfb = test::readFile(font);
    settings.charNumber = 66;
    EXPECT_FALSE(test::exportGlyph(font, square(), settings).ok);
    EXPECT_EQ(test::readFile(font), pfb);
}

// An AFM beside the font is read as the format's readers read it: values that are no
// numbers as 0, a file that cannot be read as none, and a file of any size.
TEST(Save, SloppyUnreadableOrLargeAfmBesideTheFontIsRead) {
    std::string dir = test::freshDirectory("sloppyafm");
    std::string font = dir + "/s.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(test::exportGlyph(font, square(), settings).ok);

    test::writeFile(dir + "/s.afm",
                    "StartFontMetrics 2.0\nAscender abc\nStartCharMetrics -1\nC 65 ; WX 9 ; N A ;\n"
                    "StartKernData\nStartKernPairs 2\nKPX A B -40\nKPX B A\nEndKernPairs\n");
    settings.charNumber = 67;
    test::ExportResult r = test::exportGlyph(font, square(), settings);
    ASSERT_TRUE(r.ok) << r.error;
    std::string afm = test::readFile(dir + "/s.afm");
    EXPECT_NE(afm.find("KPX A B -40\r\r\n"), std::string::npos) << afm;
    EXPECT_NE(afm.find("KPX B A 0\r\r\n"), std::string::npos) << afm;

    // A kerning count that is no number takes no pairs; the export goes on.
    test::writeFile(dir + "/s.afm", "StartKernPairs abc\nKPX A B -40\n");
    settings.charNumber = 68;
    r = test::exportGlyph(font, square(), settings);
    ASSERT_TRUE(r.ok) << r.error;

    // An AFM that opens but cannot be read (a name for /proc/self/mem, whose first page
    // is never mapped) gives no pairs.
    // The reader is asked directly: a save writes through a linked AFM to its target.
    ASSERT_EQ(std::system(("ln -sf /proc/self/mem '" + dir + "/s.afm'").c_str()), 0);
    {
        auto file = platform::FontFile::open(font, platform::OpenMode::ReadOnly);
        ASSERT_TRUE(file);
        Type1FontState state;
        SessionSettings read = test::type1Settings();
        std::string error;
        EXPECT_EQ(readExistingType1Font(*file, font, state, read, error), Type1ReadStatus::Ok)
            << error;
        EXPECT_TRUE(state.kerningPairs.empty());
    }
    ASSERT_EQ(unlink((dir + "/s.afm").c_str()), 0);
    settings.charNumber = 69;
    r = test::exportGlyph(font, square(), settings);
    ASSERT_TRUE(r.ok) << r.error;

    // Almost ten megabytes of AFM, its pairs at the end.
    std::string large = "StartFontMetrics 2.0\n";
    while (large.size() < 9800000) large += "Comment " + std::string(90, 'c') + "\n";
    large += "StartKernData\nStartKernPairs 1\nKPX E A -25\nEndKernPairs\nEndKernData\n";
    test::writeFile(dir + "/s.afm", large);
    settings.charNumber = 70;
    r = test::exportGlyph(font, square(), settings);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(test::readFile(dir + "/s.afm").find("KPX E A -25\r\r\n"), std::string::npos);
}

// Shapes far beyond 16 bits are refused before anything is written; those that land
// on the grid come out where they were drawn, whatever their size before scaling.
TEST(Save, CoordinatesBeyondSixteenBitsNeitherWrapNorReachTheFont) {
    std::string dir = test::freshDirectory("wide");
    std::string font = dir + "/w.pfb";
    SessionSettings settings = test::type1Settings();
    test::Outline huge;
    huge.square(0, 0, 100000, 100000, false);
    test::ExportResult r = test::exportGlyph(font, huge, settings);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(platform::FontFile::exists(dir + "/w.afm"));

    test::Outline big;
    big.square(0, 0, 40000, 40000, false);
    settings.designSize = 2000;  // half a unit per drawing unit: 20000 units
    r = test::exportGlyph(font, big, settings);
    ASSERT_TRUE(r.ok) << r.error;
    std::string afm = test::readFile(dir + "/w.afm");
    EXPECT_NE(afm.find("FontBBox 0 0 20000 20000\r\n"), std::string::npos) << afm;
    EXPECT_NE(afm.find("C 65 ; WX 21000 ; N A ; B 0 0 20000 20000 ;"), std::string::npos);
}

TEST(Save, AFamilyNameOutsideAsciiIsRefusedNotMangled) {
    std::string dir = test::freshDirectory("family");
    std::string font = dir + "/f.pfb";
    SessionSettings settings = test::type1Settings();
    settings.familyName =
        "\xc3\x91"
        "and\xc3\xba";  // Ñandú in UTF-8
    test::ExportResult r = test::exportGlyph(font, square(), settings);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("ASCII"), std::string::npos) << r.error;
    EXPECT_FALSE(platform::FontFile::exists(dir + "/f.afm"));
    EXPECT_FALSE(platform::FontFile::exists(dir + "/f.pfm"));
}

// Within a batch a save is not laid out: the next export takes what reading its files
// back would give. That must be exactly what the reader makes of the files.
void expectSameState(const Type1FontState& a, const Type1FontState& b, const std::string& what) {
#define GX_SAME(field) EXPECT_TRUE(a.field == b.field) << what << ": " #field
    GX_SAME(widths);
    GX_SAME(glyphPresent);
    GX_SAME(deleteMark);
    GX_SAME(loadedWidths);
    GX_SAME(loadedWidthSet);
    GX_SAME(llx);
    GX_SAME(lly);
    GX_SAME(urx);
    GX_SAME(ury);
    GX_SAME(avgWidth);
    GX_SAME(maxWidth);
    GX_SAME(ascender);
    GX_SAME(descender);
    GX_SAME(capHeight);
    GX_SAME(xHeight);
    GX_SAME(italicAngle);
    GX_SAME(underlinePosition);
    GX_SAME(underlineThickness);
    GX_SAME(glyphCount);
    GX_SAME(unknownGlyphCount);
    GX_SAME(symbol);
    GX_SAME(cNames);
    GX_SAME(newGlyphPending);
    GX_SAME(charMetricsLoaded);
    GX_SAME(kernPairsLoaded);
    GX_SAME(fontName);
    GX_SAME(fullName);
    GX_SAME(glyphNameTable);
    GX_SAME(encodingNames);
    GX_SAME(minX);
    GX_SAME(minY);
    GX_SAME(maxX);
    GX_SAME(maxY);
    GX_SAME(newGlyphProgram);
    GX_SAME(newGlyphBuilt);
    GX_SAME(existingFont);
    GX_SAME(preservedPrivateText);
    GX_SAME(subrPrograms);
    GX_SAME(charStringStyle);
    GX_SAME(lenIV);
#undef GX_SAME
    ASSERT_EQ(a.kerningPairs.size(), b.kerningPairs.size()) << what;
    for (size_t i = 0; i < a.kerningPairs.size(); ++i) {
        EXPECT_EQ(a.kerningPairs[i].left, b.kerningPairs[i].left) << what << " pair " << i;
        EXPECT_EQ(a.kerningPairs[i].right, b.kerningPairs[i].right) << what << " pair " << i;
        EXPECT_EQ(a.kerningPairs[i].value, b.kerningPairs[i].value) << what << " pair " << i;
    }
    ASSERT_EQ(a.preservedGlyphs.size(), b.preservedGlyphs.size()) << what;
    for (size_t i = 0; i < a.preservedGlyphs.size(); ++i) {
        EXPECT_EQ(a.preservedGlyphs[i].name, b.preservedGlyphs[i].name) << what << " glyph " << i;
        EXPECT_EQ(a.preservedGlyphs[i].code, b.preservedGlyphs[i].code) << what << " glyph " << i;
        EXPECT_TRUE(a.preservedGlyphs[i].program == b.preservedGlyphs[i].program)
            << what << " glyph " << i;
        EXPECT_EQ(a.preservedGlyphs[i].checked, b.preservedGlyphs[i].checked)
            << what << " glyph " << i;
        EXPECT_EQ(a.preservedGlyphs[i].width, b.preservedGlyphs[i].width) << what << " glyph " << i;
    }
}

struct ReadBackCase {
    const char* label;
    const char* program;  // nullptr: a new font
    const char* afm;
    bool symbol;
    int code;
};

TEST(Save, WhatABatchKeepsIsWhatTheReaderMakesOfTheFiles) {
    const ReadBackCase cases[] = {
        {"new", nullptr, nullptr, false, 65},
        {"new symbol", nullptr, nullptr, true, 200},
        {"msam10", "/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfb",
         "/usr/share/texlive/texmf-dist/fonts/afm/public/amsfonts/symbols/msam10.afm", false, 66},
        {"StandardSymbolsPS", "/usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb",
         "/usr/share/fonts/type1/urw-base35/StandardSymbolsPS.afm", false, 131},
        {"cm-super", "/usr/share/texmf/fonts/type1/public/cm-super/sfbmr10.pfb", nullptr, false,
         130},
        {"NimbusSans", "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb",
         "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm", false, 65},
    };
    const std::string dir = test::freshDirectory("readback");
    int checked = 0;
    for (const ReadBackCase& c : cases) {
        SessionSettings settings = test::type1Settings();
        settings.charNumber = int16_t(c.code);
        settings.symbolFont = c.symbol ? 1 : 0;
        settings.style = 3;
        Type1FontState state;
        state.symbol = settings.symbolFont;
        const std::string font = dir + "/f.pfb";
        if (c.program) {
            if (!platform::FontFile::exists(c.program)) continue;  // its package is not here
            test::writeFile(font, test::readFile(c.program));
            std::remove((dir + "/f.afm").c_str());
            if (c.afm) test::writeFile(dir + "/f.afm", test::readFile(c.afm));
            std::string error;
            auto file = openType1ForUpdate(font, error);
            ASSERT_TRUE(file) << c.label << ": " << error;
            ASSERT_EQ(readExistingType1Font(*file, font, state, settings, error),
                      Type1ReadStatus::Ok)
                << c.label << ": " << error;
            // A replaced glyph and a deleted one, as the dialogs mark them.
            for (int code = 70; code < 256; ++code)
                if (state.glyphPresent[size_t(code)] && code != c.code) {
                    state.deleteMark[size_t(code)] = 1;
                    break;
                }
        }
        ASSERT_EQ(buildCharString(state, settings, 0, 0, square().points.data(),
                                  square().types.data(), square().count()),
                  CharStringStatus::Ok)
            << c.label;

        // The files laid out and read back, as an export after this one would.
        Type1FontState laidOut = state;
        Type1Files files;
        std::string error;
        ASSERT_EQ(buildType1Files(laidOut, settings, font, files, error), Type1SaveStatus::Ok);
        Type1FontState read;
        read.symbol = 1;
        SessionSettings readSettings = test::type1Settings();
        ASSERT_EQ(readType1FontBytes(files.program, files.afm, read, readSettings, error),
                  Type1ReadStatus::Ok)
            << c.label << ": " << error;

        // The same told without laying them out.
        Type1FontState held = state;
        Type1ReadBack readBack;
        Type1Files none;
        bool certain = false;
        ASSERT_EQ(type1ReadBackOfSave(held, settings, font, readBack, certain, none, error),
                  Type1SaveStatus::Ok);
        ASSERT_TRUE(certain) << c.label;
        EXPECT_TRUE(none.program.empty()) << c.label;
        Type1FontState applied;
        SessionSettings appliedSettings = test::type1Settings();
        applyType1ReadBack(std::move(readBack), applied, appliedSettings);

        expectSameState(read, applied, c.label);
        expectSameState(laidOut, held, std::string(c.label) + " (settled)");
        EXPECT_EQ(readSettings.familyName, appliedSettings.familyName) << c.label;
        EXPECT_EQ(readSettings.style, appliedSettings.style) << c.label;
        EXPECT_EQ(readSettings.gridSize, appliedSettings.gridSize) << c.label;
        EXPECT_EQ(readSettings.symbolFont, appliedSettings.symbolFont) << c.label;
        EXPECT_EQ(readSettings.spaceWidth, appliedSettings.spaceWidth) << c.label;
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

// One export of a batch: the save held as the session holds it (its state dropped), checked
// against the files that save lays out, read back. Returns the state the next export
// starts from.
// The square, built as the new glyph at `code`.
void buildSquare(Type1FontState& state, SessionSettings& settings, int code) {
    settings.charNumber = code;
    EXPECT_EQ(buildCharString(state, settings, 0, 0, square().points.data(), square().types.data(),
                              square().count()),
              CharStringStatus::Ok);
}

Type1FontState holdOneExport(const Type1FontState& state, const SessionSettings& settings,
                             const std::string& font, const std::string& what) {
    Type1FontState laidOut = state;
    Type1Files files;
    std::string error;
    EXPECT_EQ(buildType1Files(laidOut, settings, font, files, error), Type1SaveStatus::Ok) << what;
    Type1FontState read;
    SessionSettings readSettings = test::type1Settings();
    EXPECT_EQ(readType1FontBytes(files.program, files.afm, read, readSettings, error),
              Type1ReadStatus::Ok)
        << what << ": " << error;

    Type1FontState held = state;
    Type1ReadBack readBack;
    Type1Files none;
    bool certain = false;
    EXPECT_EQ(type1ReadBackOfSave(held, settings, font, readBack, certain, none, error, true),
              Type1SaveStatus::Ok);
    EXPECT_TRUE(certain) << what;
    Type1FontState applied;
    SessionSettings appliedSettings = test::type1Settings();
    applyType1ReadBack(std::move(readBack), applied, appliedSettings);
    expectSameState(read, applied, what);
    return applied;
}

// A font holding a square at 65, as one held export leaves it.
Type1FontState heldSquareFont(SessionSettings& settings, const std::string& font) {
    Type1FontState state;
    buildSquare(state, settings, 65);
    return holdOneExport(state, settings, font, "first");
}

const PreservedGlyph* glyphAt(const Type1FontState& s, int code) {
    for (const PreservedGlyph& g : s.preservedGlyphs)
        if (g.code == code) return &g;
    return nullptr;
}

TEST(Save, ABatchCarriesOnFromWhatItVerifiedAndRedoesWhatChanged) {
    const std::string font = test::freshDirectory("carry-on") + "/f.pfb";
    SessionSettings settings = test::type1Settings();
    Type1FontState state = heldSquareFont(settings, font);
    ASSERT_TRUE(glyphAt(state, 65));
    EXPECT_TRUE(glyphAt(state, 65)->checked);

    // A width set on a glyph checked before, beside a new glyph: written at the new width.
    state.widths[65] = 777;
    buildSquare(state, settings, 66);
    state = holdOneExport(state, settings, font, "width set");
    const PreservedGlyph* a = glyphAt(state, 65);
    ASSERT_TRUE(a);
    EXPECT_EQ(charStringWidth(a->program.data(), a->program.size()), 777);
    EXPECT_EQ(a->width, 777);
    EXPECT_EQ(state.widths[65], 777);

    // The checked glyph replaced: the new program, not the one checked before.
    test::Outline wide;
    wide.square(0, 0, 900, 300, false);
    settings.charNumber = 65;
    Type1FontState replacing = state;
    ASSERT_EQ(buildCharString(replacing, settings, 0, 0, wide.points.data(), wide.types.data(),
                              wide.count()),
              CharStringStatus::Ok);
    const std::vector<uint8_t> replacement = replacing.newGlyphProgram;
    state = holdOneExport(replacing, settings, font, "replaced");
    ASSERT_TRUE(glyphAt(state, 65));
    EXPECT_EQ(glyphAt(state, 65)->program, replacement);
    EXPECT_EQ(state.preservedGlyphs.size(), 4u);  // .notdef, A, B and space
}

// Whether a batch's save of `state` tells for certain what reading its files back gives;
// where it cannot, `files` holds them laid out.
bool readBackIsCertain(Type1FontState state, const SessionSettings& settings,
                       const std::string& font, Type1Files& files) {
    Type1ReadBack readBack;
    bool certain = true;
    std::string error;
    EXPECT_EQ(type1ReadBackOfSave(state, settings, font, readBack, certain, files, error, true),
              Type1SaveStatus::Ok);
    return certain;
}

TEST(Save, AGlyphNotKnownToPassTheReaderIsCheckedBeforeABatchKeepsIt) {
    const std::string font = test::freshDirectory("unchecked") + "/f.pfb";
    SessionSettings settings = test::type1Settings();
    Type1FontState state = heldSquareFont(settings, font);
    // A program the reader refuses (an unknown command), not marked as checked, in a
    // glyph written as it stands whatever the widths (.notdef).
    ASSERT_FALSE(state.preservedGlyphs.empty());
    PreservedGlyph& g = state.preservedGlyphs[0];
    ASSERT_EQ(g.code, 0);
    g.program.insert(g.program.end() - 1, uint8_t(2));
    g.checked = false;
    Type1Files files;
    EXPECT_FALSE(readBackIsCertain(state, settings, font, files));
    EXPECT_FALSE(files.program.empty());  // laid out, for the reader to judge
}

TEST(Save, TwoGlyphsOfOneNameWithoutACodeAreLeftToTheReader) {
    const std::string font = test::freshDirectory("twins") + "/f.pfb";
    SessionSettings settings = test::type1Settings();
    Type1FontState state = heldSquareFont(settings, font);
    ASSERT_TRUE(glyphAt(state, 65));
    // Glyphs the reader found and checked, each of a name no code has.
    PreservedGlyph extra = *glyphAt(state, 65);
    extra.code = kUnknownGlyphCode;
    for (const char* name : {"zeta.alt", "alpha.alt", "omega.alt"}) {
        extra.name = name;
        state.preservedGlyphs.push_back(extra);
    }
    state.unknownGlyphCount = 3;
    state = holdOneExport(state, settings, font, "three names without a code");
    EXPECT_EQ(state.unknownGlyphCount, 3);

    extra.name = "alpha.alt";
    state.preservedGlyphs.push_back(extra);
    ++state.unknownGlyphCount;
    Type1Files files;
    EXPECT_FALSE(readBackIsCertain(state, settings, font, files));
}

}  // namespace
}  // namespace gx
