// The host side: the outline text format, the command line's readings, the dialog script,
// and a whole export through a real plug-in library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cli_support.h"
#include "outline_reader.h"
#include "plugin_host.h"

namespace gx::host {
namespace {

TEST(OutlineTextTest, ReadsPointsObjectsAndComments) {
    OutlineFile f;
    std::string error;
    ASSERT_TRUE(parseOutlineText("# square\n0 0 0\n1000 0 64  # edge\n\n-5 7 72\nobject\n1 2 8\n",
                                 "sq.outline", f, error))
        << error;
    ASSERT_EQ(f.objects.size(), 2u);
    EXPECT_EQ(f.objects[0].points, (std::vector<int32_t>{0, 0, 1000, 0, -5, 7}));
    EXPECT_EQ(f.objects[0].types, (std::vector<uint8_t>{0, 64, 72}));
    EXPECT_EQ(f.objects[1].types, (std::vector<uint8_t>{8}));
}

TEST(OutlineTextTest, BadLinesNameTheFileAndLine) {
    OutlineFile f;
    std::string error;
    EXPECT_FALSE(parseOutlineText("0 0 0\n1 2\n", "a.outline", f, error));
    EXPECT_EQ(error.rfind("a.outline:2: ", 0), 0u) << error;
    EXPECT_FALSE(parseOutlineText("0 0 256\n", "a", f, error));
    EXPECT_FALSE(parseOutlineText("0 99999999999 0\n", "a", f, error));
    EXPECT_FALSE(parseOutlineText("0 0 0 0\n", "a", f, error));
    EXPECT_FALSE(parseOutlineText("x y z\n", "a", f, error));
}

TEST(CommandLineTest, CharacterCodes) {
    int code = 0;
    std::string error;
    EXPECT_TRUE(parseCharCode("65", code, error));
    EXPECT_EQ(code, 65);
    EXPECT_TRUE(parseCharCode("A", code, error));
    EXPECT_EQ(code, 65);
    EXPECT_TRUE(parseCharCode("7", code, error)) << "a single digit is the character";
    EXPECT_EQ(code, 55);
    EXPECT_TRUE(parseCharCode("0xE9", code, error));
    EXPECT_EQ(code, 233);
    EXPECT_TRUE(parseCharCode("U+00E9", code, error));
    EXPECT_EQ(code, 233);
    EXPECT_TRUE(parseCharCode("\xC3\xA9", code, error));
    EXPECT_EQ(code, 233);
    EXPECT_FALSE(parseCharCode("32", code, error));
    EXPECT_FALSE(parseCharCode("256", code, error));
    EXPECT_FALSE(parseCharCode("AB", code, error));
    EXPECT_FALSE(parseCharCode("U+20AC", code, error));
}

TEST(CommandLineTest, WidthsDesignSizesAndOrigins) {
    int v = 0;
    std::string error;
    EXPECT_TRUE(parseWidth("auto", v, error));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(parseWidth("500", v, error));
    EXPECT_EQ(v, 500);
    EXPECT_FALSE(parseWidth("16384", v, error));
    EXPECT_FALSE(parseWidth("-1", v, error));
    for (const char* s : {"720pt", "10in", "254mm", "60pc", "10000"}) {
        ASSERT_TRUE(parseDesignSize(s, v, error)) << s << ": " << error;
        EXPECT_EQ(v, 10000) << s;
    }
    EXPECT_FALSE(parseDesignSize("big", v, error));
    EXPECT_FALSE(parseDesignSize("100in", v, error));
    double x, y;
    EXPECT_TRUE(parseOrigin("10,-2.5", x, y, error));
    EXPECT_DOUBLE_EQ(y, -2.5);
    EXPECT_FALSE(parseOrigin("10", x, y, error));
    EXPECT_FALSE(parseOrigin("1,2,3", x, y, error));
}

TEST(CommandLineTest, CodesFromFileNames) {
    EXPECT_EQ(codeFromFileName("shapes/A.svg"), 65);
    EXPECT_EQ(codeFromFileName("65.svg"), 65);
    EXPECT_EQ(codeFromFileName("U+0041.svg"), 65);
    EXPECT_EQ(codeFromFileName("uni0041.svg"), 65);
    EXPECT_EQ(codeFromFileName("heart.svg"), 0);
    EXPECT_EQ(codeFromFileName("9.outline"), 57);
}

TEST(CommandLineTest, DialogScriptForNewAndExistingFonts) {
    DialogChoices c;
    c.family = "My Font";
    c.style = "BoldItalic";
    c.symbol = 0;
    c.grid = 1000;
    c.spaceWidth = 250;
    c.charCode = 65;
    c.width = 600;
    c.designSizeThousandths = 10000;
    EXPECT_EQ(dialogScript(c, true),
              "dialog 130\ntext 1000 My Font\ncheck 1009 off\nselect 1001 BoldItalic\n"
              "text 1002 1000\nvalue 1003 250\nok\nanswer yes\n"
              "dialog 131\ntext 1014 65\ncheck 1019 off\nvalue 1016 600\n"
              "select 1018 inches\nvalue 1017 10.000\nok\nanswer no\n");
    EXPECT_EQ(dialogScript(DialogChoices{}, false), "dialog 131\nok\nanswer no\n");
    DialogChoices e;
    e.deleteCodes = {66};
    e.setWidths = {{67, 500}};
    e.metricsFile = "m.afm";
    e.replace = true;
    EXPECT_EQ(
        dialogScript(e, false),
        "dialog 131\nclick 1011\ndialog 132\ntext 1039 66\nclick 1025\n"
        "text 1039 67\nvalue 1040 500\nstop-on-error\nclick 1026\nfile m.afm\nok\nanswer yes\n"
        "ok\nanswer yes\n");
    int code = 0, width = 0;
    std::string error;
    EXPECT_TRUE(parseCodeWidth("A=600", code, width, error));
    EXPECT_EQ(code, 65);
    EXPECT_EQ(width, 600);
    EXPECT_FALSE(parseCodeWidth("A=auto", code, width, error));
    EXPECT_FALSE(parseCodeWidth("600", code, width, error));
}

// ---------------------------------------------------------------- through a real plug-in

class PluginExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/gx-host-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        ::unsetenv("GLYPH_EXPORT_UI_SCRIPT");
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    ExportJob job(bool truetype) {
        ExportJob j;
        j.pluginPath = std::string(GX_PLUGIN_DIR) + "/" + pluginFileName(truetype);
        j.target = dir_ + (truetype ? "/font.ttf" : "/font.pfb");
        j.iniPath = dir_ + "/settings.ini";
        HostOutline square;
        square.points = {0, 0, 1000, 0, 1000, 1000, 0, 1000};
        square.types = {0, 64, 64, 72};
        j.objects = {square};
        return j;
    }
    std::string dir_;
};

TEST_F(PluginExportTest, BothPluginsRunBeginCaptureAndFinish) {
    for (bool truetype : {true, false}) {
        ExportOutcome o = runExport(job(truetype));
        ASSERT_TRUE(o.loaded) << o.loadError;
        EXPECT_EQ(o.beginResult, 1);
        EXPECT_TRUE(o.requestCalled);
        EXPECT_EQ(o.captureResults, std::vector<uint16_t>{0});
        EXPECT_EQ(o.finishResult, 1);
    }
}

TEST_F(PluginExportTest, SecondObjectIsRefusedAndFinishFails) {
    ExportJob j = job(true);
    j.objects.push_back(j.objects[0]);
    testing::internal::CaptureStderr();
    ExportOutcome o = runExport(j);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(o.captureResults, (std::vector<uint16_t>{0, 2}));
    EXPECT_EQ(o.finishResult, 0);
    EXPECT_NE(err.find("TrueType Export: Too many objects to export"), std::string::npos) << err;
}

TEST_F(PluginExportTest, MissingLibraryIsReported) {
    ExportJob j = job(true);
    j.pluginPath = dir_ + "/nothing.so";
    ExportOutcome o = runExport(j);
    EXPECT_FALSE(o.loaded);
    EXPECT_FALSE(o.loadError.empty());
}

}  // namespace
}  // namespace gx::host
