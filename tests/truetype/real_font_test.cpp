// Fonts made or subset by fontTools, extended by the engine and read back by fontTools
// and the OpenType sanitizer: glyph-indexed data must follow the right glyphs, and
// nothing the font maps may be lost.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_io.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

std::string gTmp;

std::string python(const std::string& script, const std::string& args) {
    const std::string file = gTmp + "/script.py";
    std::ofstream(file) << script;
    const std::string out = gTmp + "/python.out";
    if (!run("/usr/bin/python3 " + file + " " + args + " >" + out + " 2>&1")) {
        std::ifstream in(out);
        return "FAILED: " + std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::ifstream in(out);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool sanitizerAccepts(const std::string& font) {
    return run("ots-sanitize '" + font + "' " + gTmp + "/ots.ttf >" + gTmp + "/ots.log 2>&1");
}

// One export the way the session does it: read, mark, build, save over the file.
SaveStatus exportInto(const std::string& path, int code, std::vector<int> deletes) {
    FontFileState font;
    SessionSettings s;
    std::unique_ptr<platform::FontFile> file =
        platform::FontFile::open(path, platform::OpenMode::ReadWriteDenyWrite);
    std::vector<uint8_t> bytes;
    if (!file || !loadFontBytes(*file, bytes)) return SaveStatus::Failed;
    if (readExistingFont(bytes, font, s) != ReadStatus::Ok) return SaveStatus::Failed;
    for (int d : deletes) font.deleteMark[size_t(d)] = true;
    if (font.charToGlyph[size_t(code)] != 0) font.deleteMark[size_t(code)] = true;
    ConvertedOutline conv;
    conv.points = {
        {0, 0, kContourStart}, {0, 700, kOnCurve}, {500, 700, kOnCurve}, {500, 0, kContourEnd}};
    conv.contourStarts = {0, 4};
    buildNewGlyph(conv, font.newGlyph);
    s.charNumber = int16_t(code);
    s.autoWidth = 0;
    s.charWidth = 600;
    std::string detail;
    return saveFontFile(font, s, file, path, true, detail);
}

struct RealFontTest : ::testing::Test {
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/gx-tt-real-XXXXXX";
        gTmp = mkdtemp(tmpl);
    }
    static void TearDownTestSuite() { run("rm -rf '" + gTmp + "'"); }
    void SetUp() override {
        if (!run("/usr/bin/python3 -c 'import fontTools' 2>/dev/null") ||
            !run("command -v ots-sanitize >/dev/null"))
            GTEST_SKIP() << "install python3-fonttools and opentype-sanitizer";
    }
};

// .notdef, A, V, Aacute (last): A V ligates to Aacute; A-Aacute and A-V are kerned
// in GPOS and in kern.
const char* kLayoutFont = R"(
import sys
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
def box(w):
    p = TTGlyphPen(None); p.moveTo((0, 0)); p.lineTo((0, 700)); p.lineTo((w, 700)); p.lineTo((w, 0)); p.closePath()
    return p.glyph()
names = ['.notdef', 'A', 'V', 'Aacute']
fb = FontBuilder(1000, isTTF=True)
fb.setupGlyphOrder(names)
fb.setupCharacterMap({0x41: 'A', 0x56: 'V', 0xC1: 'Aacute'})
fb.setupGlyf({n: box(100 + 50 * i) for i, n in enumerate(names)})
fb.setupHorizontalMetrics({n: (600, 0) for n in names})
fb.setupHorizontalHeader(ascent=800, descent=-200)
fb.setupNameTable({'familyName': 'Layout', 'styleName': 'Regular'})
fb.setupOS2(); fb.setupPost()
addOpenTypeFeaturesFromString(fb.font, '''
feature liga { sub A V by Aacute; } liga;
feature kern { pos A Aacute -163; pos A V -80; } kern;
''')
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0
from fontTools.ttLib import newTable
kern = newTable('kern'); kern.version = 0; st = KernTable_format_0()
st.version = 0; st.coverage = 1; st.format = 0; st.kernTable = {('A', 'Aacute'): -163, ('A', 'V'): -80}
kern.kernTables = [st]; fb.font['kern'] = kern
fb.save(sys.argv[1])
)";

// What the font says, by glyph name: the new glyph is the last one.
const char* kReadLayout = R"(
import sys
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1]); order = f.getGlyphOrder(); cmap = f.getBestCmap()
new = order[-1]
print('glyphs', len(order), 'F', cmap.get(0x46) == new, 'W', cmap.get(0x57) == new)
def name(g): return 'NEW' if g == new else g
if 'GSUB' in f:
    for l in f['GSUB'].table.LookupList.Lookup:
        for st in l.SubTable:
            for first, ligs in sorted(st.ligatures.items()):
                for lig in ligs:
                    print('liga', name(first), ' '.join(map(name, lig.Component)), '->', name(lig.LigGlyph))
if 'GPOS' in f:
    for l in f['GPOS'].table.LookupList.Lookup:
        for st in l.SubTable:
            if st.Format == 1:
                for i, first in enumerate(st.Coverage.glyphs):
                    for r in st.PairSet[i].PairValueRecord:
                        print('gpos', name(first), name(r.SecondGlyph), r.Value1.XAdvance)
if 'kern' in f:
    for (l, r), v in sorted(f['kern'].kernTables[0].kernTable.items()):
        print('kern', name(l), name(r), v)
)";

TEST_F(RealFontTest, ReplacingTheLastGlyphLeavesNoLigatureOrPairOnTheNewOne) {
    const std::string path = gTmp + "/layout.ttf";
    ASSERT_EQ(python(kLayoutFont, path), "");
    ASSERT_TRUE(sanitizerAccepts(path));

    // Adding a glyph moves no glyph: the layout stays, naming the same glyphs.
    ASSERT_EQ(exportInto(path, 70, {}), SaveStatus::Ok);
    ASSERT_TRUE(sanitizerAccepts(path)) << readFile(gTmp + "/ots.log").size();
    EXPECT_EQ(python(kReadLayout, path),
              "glyphs 5 F True W False\n"
              "liga A V -> Aacute\n"
              "gpos A V -80\ngpos A Aacute -163\n"
              "kern A Aacute -163\nkern A V -80\n");

    // Aacute, the last glyph before F was added, goes; nothing of it may reach another glyph.
    const std::string second = gTmp + "/layout2.ttf";
    ASSERT_EQ(python(kLayoutFont, second), "");
    ASSERT_EQ(exportInto(second, 70, {193}), SaveStatus::Ok);
    ASSERT_TRUE(sanitizerAccepts(second));
    EXPECT_EQ(python(kReadLayout, second), "glyphs 4 F True W False\nkern A V -80\n");

    // The plug-in's own story: V is the last glyph, W replaces it, and A-V must not become A-W.
    const std::string third = gTmp + "/layout3.ttf";
    ASSERT_EQ(python(kLayoutFont, third), "");
    ASSERT_EQ(exportInto(third, 70, {193}), SaveStatus::Ok);  // now V... F
    ASSERT_EQ(exportInto(third, 87, {70}), SaveStatus::Ok);   // F, the last glyph, goes for W
    ASSERT_TRUE(sanitizerAccepts(third));
    EXPECT_EQ(python(kReadLayout, third), "glyphs 4 F False W True\nkern A V -80\n");
}

TEST_F(RealFontTest, KeepsTheUnicodeMappingsOfASubset) {
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (access(dejavu.c_str(), R_OK) != 0) GTEST_SKIP() << "install fonts-dejavu-core";
    const std::string path = gTmp + "/subset.ttf";
    ASSERT_TRUE(run("/usr/bin/pyftsubset " + dejavu +
                    " --unicodes='U+0020-007E,U+00A0-00FF,U+0100-010F,U+2122,U+10300-10302'"
                    " --notdef-outline --output-file=" +
                    path + " >/dev/null 2>&1"));
    ASSERT_TRUE(run("cp " + path + " " + gTmp + "/subset-before.ttf"));
    // Characters of the first font that do not reach the same outline in the second; and
    // each font's Windows subtables.
    const char* kCompare = R"(
import sys
from fontTools.ttLib import TTFont
def outlines(path):
    f = TTFont(path); glyf = f['glyf']
    print(' '.join('%d.%d.%d' % (t.platformID, t.platEncID, t.format) for t in f['cmap'].tables
                   if t.platformID == 3))
    return {u: (g, list(glyf[g].getCoordinates(glyf)[0])) for u, g in f.getBestCmap().items()}, f
a, _ = outlines(sys.argv[1]); b, fb = outlines(sys.argv[2])
print('lost', [hex(u) for u in sorted(a) if u != 0x46 and (u not in b or a[u][1] != b[u][1])])
print('F is the new glyph', b[0x46][0] == fb.getGlyphOrder()[-1])
)";
    // Replacing F: every other character keeps its glyph, F reaches the new one.
    ASSERT_EQ(exportInto(path, 70, {}), SaveStatus::Ok);
    ASSERT_TRUE(sanitizerAccepts(path));
    EXPECT_EQ(python(kCompare, gTmp + "/subset-before.ttf " + path),
              "3.1.4 3.10.12\n3.1.4 3.10.12\nlost []\nF is the new glyph True\n");
}

}  // namespace
}  // namespace gx::tt
