// Whole exports through the session and the validators: fonts new and extended,
// real fonts from Debian packages, symbol mode with a private fontconfig.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "entry/truetype_session.h"
#include "install/install.h"
#include "test_io.h"
#include "truetype/truetype.h"

namespace gx {
namespace {

std::string gTmp;

bool checkTtf(const std::string& font) {
    return run(std::string(GX_SOURCE_DIR) + "/tests/tools/check-ttf '" + font + "' >" + gTmp +
               "/check.log 2>&1");
}

std::string checkLog() {
    std::ifstream in(gTmp + "/check.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A host call for one export; the outline is a ring of cubics scaled by `k`.
struct Export {
    HostExportCall call{};
    ExportTargetInfo target{};
    std::string path;
    std::string ini;

    int32_t runOnce(bool fileMode, int k) {
        target.path = path.c_str();
        call.target = &target;
        call.iniPath = ini.c_str();
        if (!prepareTrueTypeExport(call, fileMode)) return -1;
        TrueTypeSession& s = trueTypeExportSession();
        s.objectCount = 0;
        std::vector<int32_t> pts;
        std::vector<uint8_t> types;
        auto add = [&](int x, int y, uint8_t t) {
            pts.push_back(x), pts.push_back(y), types.push_back(t);
        };
        const int r = 400 + 10 * (k % 20), q = r * 552 / 1000;
        add(r, 0, kNodeStart);
        add(r, q, kNodeControl), add(q, r, kNodeControl), add(0, r, kNodeCurveEnd);
        add(-q, r, kNodeControl), add(-r, q, kNodeControl), add(-r, 0, kNodeCurveEnd);
        add(-r, -q, kNodeControl), add(-q, -r, kNodeControl), add(0, -r, kNodeCurveEnd);
        add(q, -r, kNodeControl), add(r, -q, kNodeControl), add(r, 0, kNodeCurveEnd | kNodeClosed);
        add(100, 100, kNodeStart), add(200, 100, kNodeLine), add(200, 200, kNodeLine),
            add(100, 200, kNodeLine | kNodeClosed);
        if (captureObject(s, truetypeTraits(), pts.data(), types.data(), int32_t(types.size())) !=
            0)
            return -2;
        return finishTrueTypeExport(call, fileMode);
    }
};

// One export of exactly these nodes (none at all, if so given).
int32_t exportNodes(Export& e, const std::vector<int32_t>& pts, const std::vector<uint8_t>& types) {
    e.target.path = e.path.c_str();
    e.call.target = &e.target;
    e.call.iniPath = e.ini.c_str();
    if (!prepareTrueTypeExport(e.call, true)) return -1;
    TrueTypeSession& s = trueTypeExportSession();
    s.objectCount = 0;
    if (captureObject(s, truetypeTraits(), pts.data(), types.data(), int32_t(types.size())) != 0)
        return -2;
    return finishTrueTypeExport(e.call, true);
}

struct SessionTest : ::testing::Test {
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/gx-tt-session-XXXXXX";
        gTmp = mkdtemp(tmpl);
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        // A private fontconfig: only our fonts directory, our own cache.
        mkdir((gTmp + "/fonts").c_str(), 0755);
        std::ofstream(gTmp + "/fonts.conf")
            << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << gTmp << "/fonts</dir><cachedir>"
            << gTmp << "/cache</cachedir></fontconfig>\n";
        setenv("FONTCONFIG_FILE", (gTmp + "/fonts.conf").c_str(), 1);
        std::ofstream(gTmp + "/host.ini") << "[Config]\nFontsDir=" << gTmp << "/fonts\n";
        // no dialogs: the stored choices stand, as if the user pressed OK
        unsetenv("GLYPH_EXPORT_UI_SCRIPT");
    }
    static void TearDownTestSuite() { run("rm -rf '" + gTmp + "'"); }
};

TEST_F(SessionTest, FileModeFontGrowsThroughFiftyExports) {
    Export e;
    e.path = gTmp + "/grow.ttf";
    e.ini = gTmp + "/grow.ini";
    std::vector<uint8_t> previous;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(e.runOnce(true, i), 1) << "export " << i;
        if (!previous.empty()) {
            ASSERT_EQ(readFile(gTmp + "/grow.bak"), previous) << i;
        }
        previous = readFile(e.path);
        if (i == 0 || i == 49) {
            ASSERT_TRUE(checkTtf(e.path)) << checkLog();
        }
    }
    tt::FontFileState font;
    SessionSettings s;
    ASSERT_EQ(tt::readExistingFont(previous, font, s), tt::ReadStatus::Ok);
    EXPECT_EQ(font.numGlyphs, 54);
}

TEST_F(SessionTest, AnEmptyObjectIsRefusedAndWritesNothing) {
    Export e;
    e.path = gTmp + "/empty.ttf";
    e.ini = gTmp + "/empty.ini";
    // No nodes, and control points alone: neither draws anything.
    EXPECT_EQ(exportNodes(e, {}, {}), 0);
    EXPECT_EQ(access(e.path.c_str(), F_OK), -1);
    EXPECT_EQ(exportNodes(e, {0, 0, 100, 100}, {kNodeControl | kNodeClosed, kNodeControl}), 0);
    EXPECT_EQ(access(e.path.c_str(), F_OK), -1);

    ASSERT_EQ(e.runOnce(true, 1), 1);
    const std::vector<uint8_t> before = readFile(e.path);
    EXPECT_EQ(exportNodes(e, {}, {}), 0);
    EXPECT_EQ(readFile(e.path), before);
}

TEST_F(SessionTest, SameExportSameBytes) {
    Export a, b;
    a.path = gTmp + "/same1.ttf", a.ini = gTmp + "/same1.ini";
    b.path = gTmp + "/same2.ttf", b.ini = gTmp + "/same2.ini";
    ASSERT_EQ(a.runOnce(true, 3), 1);
    ASSERT_EQ(b.runOnce(true, 3), 1);
    EXPECT_EQ(readFile(a.path), readFile(b.path));
}

// Within a batch the plug-in keeps the font it saved in memory. Only the next export of
// the same batch into the same, unchanged file continues from it; any other reads the file.
TEST_F(SessionTest, HeldFontServesOnlyItsBatchItsPathAndAnUnchangedFile) {
    auto glyphs = [](const std::string& path) {
        tt::FontFileState font;
        SessionSettings s;
        const std::vector<uint8_t> bytes = readFile(path);
        if (bytes.empty() || tt::readExistingFont(bytes, font, s) != tt::ReadStatus::Ok) return -1;
        return int(font.numGlyphs);
    };
    auto batch = [](const char* value) {
        if (value)
            setenv(platform::kHoldSettingsVariable, value, 1);
        else
            unsetenv(platform::kHoldSettingsVariable);
    };
    Export p, q, r;
    p.path = gTmp + "/held.ttf", p.ini = gTmp + "/held.ini";
    q.path = gTmp + "/held-other.ttf", q.ini = gTmp + "/held-other.ini";
    r.path = gTmp + "/held-third.ttf", r.ini = gTmp + "/held-third.ini";

    // Held, not written, until the batch's last export writes both glyphs (a new font has 4).
    batch("b1");
    ASSERT_EQ(p.runOnce(true, 1), 1);
    EXPECT_EQ(access(p.path.c_str(), F_OK), -1);
    batch("b1 end");
    ASSERT_EQ(p.runOnce(true, 2), 1);
    EXPECT_EQ(glyphs(p.path), 6);

    // The file changed after the batch read it: the file counts, not what was held.
    batch(nullptr);
    ASSERT_EQ(q.runOnce(true, 4), 1);
    batch("b2");
    ASSERT_EQ(p.runOnce(true, 3), 1);
    EXPECT_EQ(glyphs(p.path), 6);
    std::ofstream(p.path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(readFile(q.path).data()),
               std::streamsize(readFile(q.path).size()));
    ASSERT_EQ(glyphs(p.path), 5);
    batch("b2 end");
    ASSERT_EQ(p.runOnce(true, 5), 1);
    EXPECT_EQ(glyphs(p.path), 6);

    // Another path: it is read from its file, and the font held for the first is dropped
    // unwritten; two new fonts look alike on disk (neither is there).
    const std::vector<uint8_t> before = readFile(p.path);
    batch("b3");
    ASSERT_EQ(p.runOnce(true, 6), 1);
    batch("b3 end");
    ASSERT_EQ(r.runOnce(true, 7), 1);
    EXPECT_EQ(glyphs(r.path), 5);
    EXPECT_EQ(readFile(p.path), before);
    Export n;
    n.path = gTmp + "/held-new.ttf", n.ini = r.ini;
    unlink(r.path.c_str());
    batch("b3b");
    ASSERT_EQ(n.runOnce(true, 12), 1);
    batch("b3b end");
    ASSERT_EQ(r.runOnce(true, 13), 1);
    EXPECT_EQ(glyphs(r.path), 5);
    EXPECT_EQ(access(n.path.c_str(), F_OK), -1);

    // Another batch, and no batch at all: the file counts.
    batch("b4");
    ASSERT_EQ(p.runOnce(true, 8), 1);
    batch("b5 end");
    ASSERT_EQ(p.runOnce(true, 9), 1);
    EXPECT_EQ(glyphs(p.path), 7);
    batch("b6");
    ASSERT_EQ(p.runOnce(true, 10), 1);
    batch(nullptr);
    ASSERT_EQ(p.runOnce(true, 11), 1);
    EXPECT_EQ(glyphs(p.path), 8);
}

TEST_F(SessionTest, ExtendsRealFonts) {
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    std::vector<std::string> fonts;
    if (access(dejavu.c_str(), R_OK) == 0 &&
        run("/usr/bin/pyftsubset " + dejavu +
            " --unicodes='U+0020-007E,U+00A0-00FF' --layout-features=kern --legacy-kern"
            " --name-legacy --notdef-outline --output-file=" +
            gTmp + "/dejavu-sub.ttf >/dev/null 2>&1"))
        fonts.push_back(gTmp + "/dejavu-sub.ttf");
    for (const char* wine : {"marlett.ttf", "wingding.ttf", "webdings.ttf"}) {
        const std::string p = std::string("/usr/share/wine/fonts/") + wine;
        if (access(p.c_str(), R_OK) == 0 && run("cp " + p + " " + gTmp + "/" + wine))
            fonts.push_back(gTmp + "/" + wine);
    }
    if (fonts.empty())
        GTEST_SKIP() << "install fonts-dejavu-core, fonts-wine and python3-fonttools";
    for (const std::string& f : fonts) {
        Export e;
        e.path = f;
        e.ini = gTmp + "/real.ini";
        const std::vector<uint8_t> original = readFile(f);
        ASSERT_EQ(e.runOnce(true, 1), 1) << f;
        EXPECT_EQ(readFile(f.substr(0, f.rfind('.')) + ".bak"), original);
        EXPECT_TRUE(checkTtf(f)) << f << "\n" << checkLog();
        ASSERT_EQ(e.runOnce(true, 2), 1) << f;
        EXPECT_TRUE(checkTtf(f)) << f << "\n" << checkLog();
    }
}

TEST_F(SessionTest, RefusesTooComplexFontUnchanged) {
    const std::string path = gTmp + "/big.ttf";
    ASSERT_TRUE(
        run("/usr/bin/python3 -c \"from fontTools.fontBuilder import FontBuilder\n"
            "from fontTools.pens.ttGlyphPen import TTGlyphPen\n"
            "names=['.notdef']+['g%d'%i for i in range(300)]\n"
            "fb=FontBuilder(1000,isTTF=True);fb.setupGlyphOrder(names)\n"
            "fb.setupCharacterMap({0x21+i:'g%d'%i for i in range(200)})\n"
            "fb.setupGlyf({n:TTGlyphPen(None).glyph() for n in names})\n"
            "fb.setupHorizontalMetrics({n:(500,0) for n in names});fb.setupHorizontalHeader()\n"
            "fb.setupNameTable({'familyName':'Big','styleName':'Regular'});fb.setupOS2();fb."
            "setupPost()\n"
            "fb.save('" +
            path + "')\" >/dev/null 2>&1"));
    const std::vector<uint8_t> before = readFile(path);
    Export e;
    e.path = path;
    e.ini = gTmp + "/big.ini";
    EXPECT_EQ(e.runOnce(true, 1), 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(access((gTmp + "/big.bak").c_str(), F_OK), -1);
}

TEST_F(SessionTest, SymbolModeRegistersWithFontconfig) {
    Export e;
    e.path = "Gx Symbols";
    e.ini = gTmp + "/host.ini";
    ASSERT_EQ(e.runOnce(false, 1), 1);
    const std::string file = gTmp + "/fonts/Gx Symbols.ttf";
    ASSERT_TRUE(checkTtf(file)) << checkLog();
    tt::FontFileState font;
    SessionSettings s;
    ASSERT_EQ(tt::readExistingFont(readFile(file), font, s), tt::ReadStatus::Ok);
    EXPECT_NE(font.charToGlyph[33], 0);
    EXPECT_EQ(font.charToGlyph[34], 0);
    ASSERT_TRUE(run("fc-list 'Gx Symbols' file | grep -q 'Gx Symbols.ttf'"));
    // FreeType renders U+F021 from it.
    const std::string py =
        "/usr/bin/python3 -c \"import freetype,sys\n"
        "f=freetype.Face(sys.argv[1]);f.select_charmap(freetype.FT_ENCODING_MS_SYMBOL)\n"
        "i=f.get_char_index(0xF021);f.set_pixel_sizes(0,48);f.load_glyph(i)\n"
        "sys.exit(0 if i and f.glyph.bitmap.rows>0 else 1)\" '" +
        file + "'";
    EXPECT_TRUE(run(py));
    ASSERT_EQ(e.runOnce(false, 2), 1);
    ASSERT_EQ(tt::readExistingFont(readFile(file), font, s), tt::ReadStatus::Ok);
    EXPECT_NE(font.charToGlyph[34], 0);
    EXPECT_TRUE(checkTtf(file)) << checkLog();
    // The previous version is kept where fontconfig does not look, so font menus list
    // the family once.
    const std::string bak = gTmp + "/fonts/.Gx Symbols.bak";
    const std::vector<uint8_t> second = readFile(file);
    ASSERT_EQ(e.runOnce(false, 3), 1);
    ASSERT_EQ(tt::readExistingFont(readFile(file), font, s), tt::ReadStatus::Ok);
    EXPECT_NE(font.charToGlyph[35], 0);
    EXPECT_EQ(readFile(bak), second);
    EXPECT_EQ(access((gTmp + "/fonts/Gx Symbols.bak").c_str(), F_OK), -1);
    EXPECT_TRUE(run("test \"$(fc-list 'Gx Symbols' file | wc -l)\" = 1"))
        << "fontconfig lists more than one file for the family";
}

}  // namespace
}  // namespace gx
