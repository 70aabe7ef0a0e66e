// glyph-export driving the Type 1 plug-in end to end, as a user does: new fonts, a font
// grown by fifty exports, and real fonts from Debian packages extended. Every font is
// checked by tools nobody here wrote (t1utils, afdko, FreeType, Ghostscript), and every
// old glyph's decrypted charstring must come through unchanged.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "type1_test_util.h"

namespace gx {
namespace {

const std::string kHost = GX_HOST_PROGRAM;
const std::string kTools = std::string(GX_SOURCE_DIR) + "/tests/tools";
const std::string kExamples = std::string(GX_SOURCE_DIR) + "/examples";

int shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellWord(const std::string& s) {
    return "'" + s + "'";
}

// One run of the host: `type1 ARGS` with the test's own settings file.
struct HostRun {
    int exit = -1;
    std::string output;
};
HostRun exportType1(const std::string& dir, const std::string& args) {
    HostRun r;
    const std::string log = dir + "/host.log";
    r.exit = shell(shellWord(kHost) + " --config " + shellWord(dir + "/settings.ini") + " type1 " +
                   args + " > " + shellWord(log) + " 2>&1 < /dev/null");
    r.output = test::readFile(log);
    return r;
}

void expectValid(const std::string& program, const std::string& afm, const std::string& pfm) {
    const std::string log = program + ".check";
    EXPECT_EQ(shell(kTools + "/check-type1 " + shellWord(program) + " " + shellWord(afm) + " " +
                    shellWord(pfm) + " > " + shellWord(log) + " 2>&1"),
              0)
        << test::readFile(log);
}

// The decrypted charstrings of a font by t1disasm: glyph name -> its lines.
std::map<std::string, std::string> disassembledGlyphs(const std::string& program) {
    std::map<std::string, std::string> glyphs;
    const std::string out = program + ".dis";
    if (shell("t1disasm " + shellWord(program) + " > " + shellWord(out) + " 2>/dev/null") != 0)
        return glyphs;
    std::string text = test::readFile(out);
    size_t at = text.find("/CharStrings");
    if (at == std::string::npos) return glyphs;
    std::istringstream lines(text.substr(at));
    std::string line, name;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (line.size() > 3 && line[0] == '/' && line.compare(line.size() - 2, 2, " {") == 0) {
            name = line.substr(1, line.size() - 3);
            glyphs[name] = "";
            continue;
        }
        if (line.compare(0, 3, "end") == 0) break;
        // The closing line shows how the entry ended ("ND", "|-"), which is no part of
        // the charstring.
        if (line.compare(0, 2, "\t}") == 0) name.clear();
        if (!name.empty()) glyphs[name] += line + "\n";
    }
    return glyphs;
}

// The name the AFM gives the glyph of `code` ("" when it lists none).
std::string afmGlyphName(const std::string& afmPath, int code) {
    std::string afm = test::readFile(afmPath);
    std::string key = "\nC " + std::to_string(code) + " ;";
    size_t at = afm.find(key);
    if (at == std::string::npos) return "";
    size_t n = afm.find("; N ", at);
    size_t end = afm.find(" ;", n + 4);
    return n == std::string::npos || end == std::string::npos ? "" : afm.substr(n + 4, end - n - 4);
}

int iniCharNumber(const std::string& dir) {
    std::string ini = test::readFile(dir + "/settings.ini");
    size_t at = ini.find("CharNumber=");
    return at == std::string::npos ? -1 : std::atoi(ini.c_str() + at + 11);
}

// An outline text file: one point per line "x y type", thousandths of an inch.
// A closed shape with a curve and a hole, different for every i.
std::string writeShape(const std::string& dir, int i) {
    std::ostringstream o;
    o << "# glyph " << i << "\n";
    o << 10 + i << " 0 0\n400 0 64\n";
    o << "500 100 192\n500 600 192\n400 700 128\n";
    o << 10 + i << " 700 72\n";
    o << "150 200 0\n150 500 64\n300 500 64\n300 200 64\n150 200 72\n";
    const std::string path = dir + "/shape" + std::to_string(i) + ".outline";
    test::writeFile(path, o.str());
    return path;
}

TEST(HostType1, NewFontsAndRefusedInput) {
    const std::string dir = test::freshDirectory("host-new");
    const std::string font = dir + "/new.pfb";
    HostRun r = exportType1(dir, shellWord(font) + " " + shellWord(kExamples + "/square.outline") +
                                     " --char 65 --width auto --design-size 1in"
                                     " --family 'Host Test' --style bold");
    ASSERT_EQ(r.exit, 0) << r.output;
    expectValid(font, dir + "/new.afm", dir + "/new.pfm");
    EXPECT_FALSE(platform::FontFile::exists(dir + "/new.bak"));
    EXPECT_EQ(iniCharNumber(dir), 65);
    const std::string afm = test::readFile(dir + "/new.afm");
    EXPECT_NE(afm.find("FontName HostTest-Bold\r\n"), std::string::npos);
    EXPECT_NE(afm.find("Weight Bold\r\n"), std::string::npos);
    EXPECT_NE(afm.find("C 65 ; WX 630 ; N A ;"), std::string::npos);  // 600 wide, auto: +5 %

    // A symbol font names its glyphs by code.
    const std::string symbol = dir + "/symbol.pfb";
    r = exportType1(dir, shellWord(symbol) + " " + shellWord(writeShape(dir, 1)) +
                             " --char 200 --width 480 --design-size 720pt --family Sym --symbol");
    ASSERT_EQ(r.exit, 0) << r.output;
    expectValid(symbol, dir + "/symbol.afm", dir + "/symbol.pfm");
    EXPECT_EQ(afmGlyphName(dir + "/symbol.afm", 200), "c200");

    // Refused input writes nothing and leaves what is there as it was.
    const std::string refused = dir + "/refused.pfb";
    r = exportType1(dir, shellWord(refused) + " " + shellWord(kExamples + "/two-objects.outline"));
    EXPECT_EQ(r.exit, 1) << r.output;
    EXPECT_FALSE(platform::FontFile::exists(refused));
    const std::string garbage = dir + "/garbage.pfb";
    test::writeFile(garbage, std::string("\x80\x01\x10\x00\x00\x00not a font", 16));
    r = exportType1(dir, shellWord(garbage) + " " + shellWord(kExamples + "/square.outline"));
    EXPECT_EQ(r.exit, 1) << r.output;
    EXPECT_EQ(test::readFile(garbage), std::string("\x80\x01\x10\x00\x00\x00not a font", 16));
    EXPECT_FALSE(platform::FontFile::exists(dir + "/garbage.afm"));
    EXPECT_EQ(exportType1(dir, shellWord(font)).exit, 2);  // no shape
    EXPECT_EQ(exportType1(dir, shellWord(font) + " " + shellWord(kExamples + "/square.outline") +
                                   " --char 300")
                  .exit,
              2);
}

TEST(HostType1, FiftyExportsIntoOneFont) {
    const std::string dir = test::freshDirectory("host-fifty");
    const std::string font = dir + "/grow.pfb";
    std::map<std::string, std::string> first;
    std::string previous;
    for (int i = 0; i < 50; ++i) {
        HostRun r = exportType1(dir, shellWord(font) + " " + shellWord(writeShape(dir, i)) +
                                         " --char " + std::to_string(33 + i) +
                                         " --design-size 1in" + (i == 0 ? " --family Grow" : ""));
        ASSERT_EQ(r.exit, 0) << "export " << i << ": " << r.output;
        // Each update keeps the previous program, byte for byte.
        if (i > 0) {
            ASSERT_EQ(test::readFile(dir + "/grow.bak"), previous) << i;
        }
        previous = test::readFile(font);
        if (i == 0) first = disassembledGlyphs(font);
    }
    expectValid(font, dir + "/grow.afm", dir + "/grow.pfm");
    std::map<std::string, std::string> last = disassembledGlyphs(font);
    EXPECT_EQ(last.size(), 52u);  // .notdef, space and fifty glyphs
    for (const auto& g : first) EXPECT_EQ(last[g.first], g.second) << g.first;

    // The next export proposes the code after the last one.
    EXPECT_EQ(iniCharNumber(dir), 82);
    HostRun r = exportType1(
        dir, shellWord(font) + " " + shellWord(writeShape(dir, 50)) + " --design-size 1in");
    ASSERT_EQ(r.exit, 0) << r.output;
    EXPECT_EQ(iniCharNumber(dir), 83);
    EXPECT_EQ(afmGlyphName(dir + "/grow.afm", 83), "S");
    EXPECT_EQ(test::readFile(dir + "/grow.bak"), previous);
}

// The lines of a run's output, one per element.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool hasLine(const std::string& text, const std::string& line) {
    for (const std::string& l : linesOf(text))
        if (l == line) return true;
    return false;
}

// Refusals reach the user in the messages' own words; what went wrong in detail
// follows on a line of its own.
TEST(HostType1, RefusalsKeepTheirTextAndGiveTheDetailOnItsOwnLine) {
    const std::string dir = test::freshDirectory("host-messages");
    const std::string font = dir + "/m.pfb";
    const std::string square = shellWord(kExamples + "/square.outline");
    ASSERT_EQ(exportType1(dir, shellWord(font) + " " + square + " --char 65 --family M").exit, 0);
    const std::string program = test::readFile(font);

    test::writeFile(dir + "/m.afm", "StartFontMetrics 2.0\n   \nEndFontMetrics\n");
    HostRun r = exportType1(dir, shellWord(font) + " " + square + " --char 66");
    EXPECT_EQ(r.exit, 1) << r.output;
    EXPECT_TRUE(hasLine(r.output, "Adobe Type 1 Export: Unsupported metric file -- internal error"))
        << r.output;
    EXPECT_TRUE(hasLine(r.output, dir + "/m.afm: line without a keyword at line 2")) << r.output;
    EXPECT_EQ(test::readFile(font), program);

    // A font asking for an absurd Subrs array is damaged, and said to be.
    ASSERT_EQ(shell("rm -f " + shellWord(dir + "/m.afm") + " && t1disasm " + shellWord(font) +
                    " | sed 's|/Subrs 4 array|/Subrs 2147483647 array|' | t1asm -b > " +
                    shellWord(dir + "/d.pfb")),
              0);
    const std::string damaged = test::readFile(dir + "/d.pfb");
    r = exportType1(dir, shellWord(dir + "/d.pfb") + " " + square + " --char 66");
    EXPECT_EQ(r.exit, 1) << r.output;
    EXPECT_TRUE(hasLine(r.output,
                        "Adobe Type 1 Export: This Adobe Type 1 Font file is damaged or of a kind "
                        "that cannot be extended; it was left unchanged"))
        << r.output;
    EXPECT_NE(r.output.find("2147483647 array"), std::string::npos) << r.output;
    EXPECT_EQ(test::readFile(dir + "/d.pfb"), damaged);
    EXPECT_FALSE(platform::FontFile::exists(dir + "/d.afm"));

    // A shape far beyond the font's number range.
    test::writeFile(dir + "/huge.outline",
                    "0 0 0\n100000 0 64\n100000 100000 64\n0 100000 64\n0 0 72\n");
    r = exportType1(dir, shellWord(font) + " " + shellWord(dir + "/huge.outline") +
                             " --char 66 --design-size 1in");
    EXPECT_EQ(r.exit, 1) << r.output;
    EXPECT_TRUE(hasLine(r.output,
                        "Adobe Type 1 Export: The shape does not fit the font grid at this design "
                        "size"))
        << r.output;
    EXPECT_EQ(test::readFile(font), program);

    // A family name the font cannot carry is not written with its letters dropped.
    const std::string named = dir + "/n.pfb";
    r = exportType1(dir, shellWord(named) + " " + square +
                             " --family '\xc3\x91"
                             "and\xc3\xba'");
    EXPECT_NE(r.exit, 0) << r.output;
    EXPECT_FALSE(platform::FontFile::exists(named) && !test::readFile(named).empty());
    EXPECT_FALSE(platform::FontFile::exists(dir + "/n.afm"));
}

// TeX's afm2tfm reads the AFM of a new font and of an extended real one: it needs a
// box (B) on every character line.
TEST(HostType1, WrittenAfmFilesReadInAfm2tfm) {
    if (shell("command -v afm2tfm > /dev/null") != 0) GTEST_SKIP() << "install texlive-binaries";
    const std::string dir = test::freshDirectory("host-afm2tfm");
    const std::string font = dir + "/t.pfb";
    ASSERT_EQ(exportType1(dir, shellWord(font) + " " + shellWord(writeShape(dir, 1)) +
                                   " --char 65 --design-size 1in --family TeX")
                  .exit,
              0);
    const std::string afm = test::readFile(dir + "/t.afm");
    EXPECT_NE(afm.find("C 65 ; WX 525 ; N A ; B 11 0 475 700 ;\r\n"), std::string::npos) << afm;
    EXPECT_EQ(shell("cd " + shellWord(dir) + " && afm2tfm t.afm t.tfm > afm2tfm.log 2>&1"), 0)
        << test::readFile(dir + "/afm2tfm.log");
    EXPECT_GT(test::readFile(dir + "/t.tfm").size(), 0u);

    const char* urw = "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb";
    if (!platform::FontFile::exists(urw)) return;
    ASSERT_EQ(shell("cp " + shellWord(urw) + " " + shellWord(dir + "/u.pfb")), 0);
    ASSERT_EQ(exportType1(dir, shellWord(dir + "/u.pfb") + " " + shellWord(writeShape(dir, 2)) +
                                   " --char 200 --design-size 1in --replace")
                  .exit,
              0);
    EXPECT_EQ(shell("cd " + shellWord(dir) + " && afm2tfm u.afm u.tfm > afm2tfm.log 2>&1"), 0)
        << test::readFile(dir + "/afm2tfm.log");
    // The boxes of the old glyphs are those the font's makers give for them.
    const std::string written = test::readFile(dir + "/u.afm");
    EXPECT_NE(written.find("N A ; B 17 0 653 729 ;"), std::string::npos);
    EXPECT_NE(written.find("N g ; B 35 -218 481 539 ;"), std::string::npos);
}

struct RealFont {
    const char* label;
    const char* program;
    const char* afm;  // nullptr: none
    const char* pfm;
    const char* package;
    int code;            // where the new glyph goes
    bool asPfa = false;  // converted with t1ascii first
};

class HostRealFonts : public ::testing::TestWithParam<RealFont> {};

TEST_P(HostRealFonts, ExtendedThroughTheHostKeepingEveryOldGlyph) {
    const RealFont& f = GetParam();
    if (!platform::FontFile::exists(f.program)) GTEST_SKIP() << "install " << f.package;
    const std::string dir = test::freshDirectory(std::string("host-real-") + f.label);
    std::string font = dir + "/font.pfb";
    if (f.asPfa) {
        font = dir + "/font.pfa";
        ASSERT_EQ(shell("t1ascii " + shellWord(f.program) + " " + shellWord(font)), 0);
    } else {
        ASSERT_EQ(shell("cp " + shellWord(f.program) + " " + shellWord(font)), 0);
    }
    if (f.afm) {
        ASSERT_EQ(shell("cp " + shellWord(f.afm) + " " + shellWord(dir + "/font.afm")), 0);
    }
    if (f.pfm) {
        ASSERT_EQ(shell("cp " + shellWord(f.pfm) + " " + shellWord(dir + "/font.pfm")), 0);
    }
    const std::string original = test::readFile(font);
    const std::map<std::string, std::string> before = disassembledGlyphs(f.program);
    ASSERT_GT(before.size(), 2u);

    HostRun r =
        exportType1(dir, shellWord(font) + " " + shellWord(writeShape(dir, 7)) + " --char " +
                             std::to_string(f.code) + " --design-size 1in --replace");
    ASSERT_EQ(r.exit, 0) << r.output;
    EXPECT_EQ(test::readFile(dir + "/font.bak"), original);
    expectValid(font, dir + "/font.afm", dir + "/font.pfm");
    EXPECT_EQ(iniCharNumber(dir), f.code);

    const std::string added = afmGlyphName(dir + "/font.afm", f.code);
    ASSERT_FALSE(added.empty());
    const std::map<std::string, std::string> after = disassembledGlyphs(font);
    int kept = 0;
    for (const auto& g : before) {
        if (g.first == added) continue;  // the glyph this export replaced
        auto it = after.find(g.first);
        ASSERT_NE(it, after.end()) << g.first << " is gone";
        EXPECT_EQ(it->second, g.second) << g.first << " changed";
        ++kept;
    }
    EXPECT_GE(after.size(), size_t(kept + 1));
    ASSERT_TRUE(after.count(added));

    // The next export proposes the next code and keeps this one's glyph.
    r = exportType1(dir, shellWord(font) + " " + shellWord(writeShape(dir, 8)) +
                             " --design-size 1in --replace");
    ASSERT_EQ(r.exit, 0) << r.output;
    EXPECT_EQ(iniCharNumber(dir), f.code + 1);
    EXPECT_EQ(disassembledGlyphs(font)[added], after.at(added));
}

const RealFont kRealFonts[] = {
    {"AmsMsam10", "/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfb",
     "/usr/share/texlive/texmf-dist/fonts/afm/public/amsfonts/symbols/msam10.afm",
     "/usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfm", "texlive-base",
     200},
    {"UrwStandardSymbols", "/usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb",
     "/usr/share/fonts/type1/urw-base35/StandardSymbolsPS.afm", nullptr, "fonts-urw-base35", 131},
    {"CmSuper", "/usr/share/texmf/fonts/type1/public/cm-super/sfbmr10.pfb", nullptr, nullptr,
     "cm-super-minimal", 130},
    {"UrwNimbusSansPfa", "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb",
     "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm", nullptr, "fonts-urw-base35", 199,
     true},
};

INSTANTIATE_TEST_SUITE_P(Debian, HostRealFonts, ::testing::ValuesIn(kRealFonts),
                         [](const ::testing::TestParamInfo<RealFont>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace gx
