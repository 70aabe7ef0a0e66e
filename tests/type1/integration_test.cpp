// Fonts written by the engine, checked by tools nobody here wrote (t1utils, afdko,
// FreeType, Ghostscript), and real fonts from Debian packages read and extended.
#include <gtest/gtest.h>

#include <cstdlib>

#include "type1_test_util.h"

namespace gx {
namespace {

const std::string kTools = std::string(GX_SOURCE_DIR) + "/tests/tools";

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void expectValid(const std::string& pfb) {
    std::string base = pfb.substr(0, pfb.rfind('.'));
    std::string command = kTools + "/check-type1 '" + pfb + "' '" + base + ".afm' '" + base +
                          ".pfm' > '" + base + ".check' 2>&1";
    EXPECT_TRUE(run(command)) << test::readFile(base + ".check");
}

// The decrypted charstrings of a font, one "/name {...}" block per glyph, by t1disasm.
std::string disassembledGlyph(const std::string& pfb, const std::string& name) {
    std::string out = pfb + ".dis";
    if (!run("t1disasm '" + pfb + "' > '" + out + "' 2>/dev/null")) return "";
    std::string text = test::readFile(out);
    size_t cs = text.find("/CharStrings");
    size_t at = text.find("\n/" + name + " {", cs);
    if (at == std::string::npos) return "";
    size_t end = text.find("\n\t}", at);
    return text.substr(at, end - at);
}

test::Outline glyphOutline(int i) {
    test::Outline o;
    o.start(10 + i, 0);
    o.line(400, 0);
    o.curve(500, 100, 500, 600, 400, 700);
    o.line(10 + i, 700, true);
    o.square(150, 200, 300, 500, false);
    return o;
}

TEST(Type1Files, NewFontAndFiftyExportsPassTheValidators) {
    std::string dir = test::freshDirectory("valid");
    std::string font = dir + "/grow.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, glyphOutline(0), settings).ok);
    expectValid(font);
    for (int i = 1; i < 50; ++i) {
        settings.charNumber = int16_t(33 + i);
        ASSERT_TRUE(test::exportGlyph(font, glyphOutline(i), settings).ok) << i;
    }
    expectValid(font);
    // A replacement and a deletion.
    settings.charNumber = 40;
    ASSERT_TRUE(
        test::exportGlyph(font, glyphOutline(3), settings, [](Type1FontState& s, SessionSettings&) {
            s.deleteMark[50] = 1;
        }).ok);
    expectValid(font);
    std::string symbol = dir + "/symbol.pfb";
    settings.symbolFont = 1;
    settings.charNumber = 160;
    ASSERT_TRUE(test::exportGlyph(symbol, glyphOutline(0), settings).ok);
    settings.charNumber = 200;
    ASSERT_TRUE(test::exportGlyph(symbol, glyphOutline(1), settings).ok);
    expectValid(symbol);
}

// cm-super gives widths as "a b div". A width changed by loaded metrics must reach
// such a glyph; the others keep their division as it was.
TEST(Type1Files, AnEmptyShapeGivesAValidEmptyGlyph) {
    // A drawing program may hand over an object without nodes; the glyph it makes is the
    // empty one (hsbw, endchar), and the font stays one the validators accept.
    std::string dir = test::freshDirectory("empty");
    std::string font = dir + "/empty.pfb";
    SessionSettings settings = test::type1Settings();
    ASSERT_TRUE(test::exportGlyph(font, glyphOutline(0), settings).ok);
    settings.charNumber = 66;
    ASSERT_TRUE(test::exportGlyph(font, test::Outline(), settings).ok);
    expectValid(font);
    EXPECT_NE(disassembledGlyph(font, "B").find("endchar"), std::string::npos);
}

TEST(Type1Files, LoadedWidthReplacesAWidthGivenAsDivision) {
    const std::string source = "/usr/share/texmf/fonts/type1/public/cm-super/sfbmr10.pfb";
    if (!platform::FontFile::exists(source)) GTEST_SKIP() << "install cm-super-minimal";
    std::string dir = test::freshDirectory("cm-div");
    std::string font = dir + "/font.pfb";
    ASSERT_TRUE(run("cp '" + source + "' '" + font + "'"));
    ASSERT_NE(disassembledGlyph(font, "B").find("59812 87 div"), std::string::npos);
    SessionSettings settings = test::type1Settings();
    settings.charNumber = 200;
    ASSERT_TRUE(test::exportGlyph(font, glyphOutline(0), settings).ok);

    // Metrics as the AFM just written gives them, with B made wider.
    std::string afm = test::readFile(dir + "/font.afm");
    size_t b = afm.find("C 66 ; WX 687 ; N B ;");
    ASSERT_NE(b, std::string::npos);
    afm.replace(b, 21, "C 66 ; WX 700 ; N B ;");
    test::writeFile(dir + "/load.afm", afm);
    settings.charNumber = 201;
    std::string error;
    test::ExportResult r = test::exportGlyph(
        font, glyphOutline(1), settings, [&](Type1FontState& s, SessionSettings& values) {
            EXPECT_TRUE(loadAfmMetrics(dir + "/load.afm", s, values, error)) << error;
        });
    ASSERT_TRUE(r.ok) << r.error;
    expectValid(font);
    EXPECT_NE(disassembledGlyph(font, "B").find("99 700 hsbw"), std::string::npos);
    EXPECT_NE(disassembledGlyph(font, "C").find("82 19454 29 div"), std::string::npos);
    EXPECT_NE(test::readFile(dir + "/font.afm").find("C 66 ; WX 700 ; N B ;"), std::string::npos);
}

struct RealFont {
    const char* pfb;
    const char* afm;  // nullptr: none
    const char* pfm;
    const char* package;
    const char* keptGlyph;
    bool asPfa = false;  // converted with t1ascii before the export
};

class RealFonts : public ::testing::TestWithParam<RealFont> {};

TEST_P(RealFonts, ExtendedFontKeepsEveryOldGlyph) {
    const RealFont& f = GetParam();
    if (!platform::FontFile::exists(f.pfb)) GTEST_SKIP() << "install " << f.package;
    std::string dir = test::freshDirectory(std::string("real-") + f.keptGlyph);
    std::string source = f.pfb;
    std::string font = dir + "/font.pfb";
    if (f.asPfa) {
        // A PFA made from the PFB at test time.
        ASSERT_TRUE(run("t1ascii '" + source + "' '" + dir + "/font.pfa'"));
        font = dir + "/font.pfa";
    } else {
        ASSERT_TRUE(run("cp '" + source + "' '" + font + "'"));
    }
    if (f.afm) {
        ASSERT_TRUE(run("cp '" + std::string(f.afm) + "' '" + dir + "/font.afm'"));
    }
    if (f.pfm) {
        ASSERT_TRUE(run("cp '" + std::string(f.pfm) + "' '" + dir + "/font.pfm'"));
    }
    std::string plainBefore = dir + "/before.pfb";
    ASSERT_TRUE(run("cp '" + source + "' '" + plainBefore + "'"));
    const std::string before = disassembledGlyph(plainBefore, f.keptGlyph);
    ASSERT_FALSE(before.empty());

    SessionSettings settings = test::type1Settings();
    settings.charNumber = 200;
    test::ExportResult r = test::exportGlyph(font, glyphOutline(0), settings);
    ASSERT_TRUE(r.ok) << r.error;
    std::string written = font;
    if (f.asPfa) {
        // The plug-in always writes the segmented form; name it so for the validators.
        ASSERT_TRUE(run("cp '" + font + "' '" + dir + "/out.pfb' && cp '" + dir + "/font.afm' '" +
                        dir + "/out.afm' && cp '" + dir + "/font.pfm' '" + dir + "/out.pfm'"));
        written = dir + "/out.pfb";
    }
    expectValid(written);
    EXPECT_EQ(disassembledGlyph(written, f.keptGlyph).substr(0, 2000), before.substr(0, 2000));
    // Every old glyph is still defined.
    std::string count = dir + "/count";
    ASSERT_TRUE(run("t1disasm '" + plainBefore +
                    "' | sed -n '/CharStrings/,$p' | grep -c '^/[^ ]* {$' > '" + count + "'"));
    int oldCount = std::atoi(test::readFile(count).c_str());
    ASSERT_TRUE(run("t1disasm '" + written +
                    "' | sed -n '/CharStrings/,$p' | grep -c '^/[^ ]* {$' > '" + count + "'"));
    int newCount = std::atoi(test::readFile(count).c_str());
    EXPECT_GE(newCount, oldCount);  // code 200 may replace an old glyph
}

const RealFont kRealFonts[] = {
    {"/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfb",
     "/usr/share/texlive/texmf-dist/fonts/afm/public/amsfonts/symbols/msam10.afm",
     "/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfm", "texlive-base",
     "square"},
    {"/usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb",
     "/usr/share/fonts/type1/urw-base35/StandardSymbolsPS.afm", nullptr, "fonts-urw-base35",
     "universal"},
    {"/usr/share/fonts/type1/urw-base35/D050000L.t1",
     "/usr/share/fonts/type1/urw-base35/D050000L.afm", nullptr, "fonts-urw-base35", "a1"},
    {"/usr/share/texmf/fonts/type1/public/cm-super/sfbmr10.pfb", nullptr, nullptr,
     "cm-super-minimal", "A"},
    {"/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb",
     "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm", nullptr, "fonts-urw-base35", "A",
     true},
};

std::string realFontName(const ::testing::TestParamInfo<RealFont>& info) {
    static const char* const names[] = {"AmsMsam10", "UrwSymbolPfb", "UrwDingbatsRawBinary",
                                        "CmSuperBarStyle", "UrwNimbusSansPfa"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Debian, RealFonts, ::testing::ValuesIn(kRealFonts), realFontName);

}  // namespace
}  // namespace gx
