// The export settings: defaults, the INI section rules and the record conversions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "ui/settings.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

struct IniFile {
    IniFile() {
        char tmpl[] = "/tmp/gx-ini-XXXXXX";
        int fd = ::mkstemp(tmpl);
        ::close(fd);
        path = tmpl;
    }
    ~IniFile() { std::remove(path.c_str()); }
    void write(const std::string& text) { std::ofstream(path) << text; }
    std::string read() const {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string path;
};

TEST(SettingsTest, DefaultsOfBothPlugins) {
    SessionSettings t = defaultSettings(PluginKind::TrueType);
    EXPECT_EQ(t.gridSize, 2048);
    EXPECT_EQ(t.spaceWidth, 2048);
    EXPECT_EQ(t.symbolFont, 1);
    EXPECT_EQ(t.charNumber, 33);
    EXPECT_EQ(t.charWidth, 2048);
    EXPECT_EQ(t.autoWidth, 1);
    EXPECT_EQ(t.designSize, 10000);
    EXPECT_EQ(t.style, 0);
    EXPECT_TRUE(t.familyName.empty());
    SessionSettings a = defaultSettings(PluginKind::Type1);
    EXPECT_EQ(a.gridSize, 1000);
    EXPECT_EQ(a.spaceWidth, 1000);
    EXPECT_EQ(a.symbolFont, 0);
    EXPECT_EQ(a.charWidth, 2048);
    EXPECT_STREQ(settingsSection(PluginKind::TrueType), "TTF Filter");
    EXPECT_STREQ(settingsSection(PluginKind::Type1), "AT1 Filter");
}

TEST(SettingsTest, MissingFileOrKeysKeepTheCurrentValues) {
    IniFile ini;
    ini.write("[TTF Filter]\nCharWidth=500\n");
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, ini.path, true, s);
    EXPECT_EQ(s.charWidth, 500);
    EXPECT_EQ(s.autoWidth, 1);
    EXPECT_EQ(s.gridSize, 2048);
    EXPECT_EQ(s.charNumber, 33) << "a new font does not read CharNumber";
    SessionSettings t = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, "/nonexistent/x.ini", true, t);
    EXPECT_EQ(t.charWidth, 2048);
}

TEST(SettingsTest, ExistingFontIgnoresFontWideKeys) {
    IniFile ini;
    ini.write(
        "[TTF Filter]\nGridSize=1000\nStyle=3\nSpaceWidth=7\nExportSymbol=0\nCharNumber=65\n"
        "DesignSize=1000\n");
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, ini.path, false, s);
    EXPECT_EQ(s.gridSize, 2048);
    EXPECT_EQ(s.style, 0);
    EXPECT_EQ(s.spaceWidth, 2048);
    EXPECT_EQ(s.symbolFont, 1);
    EXPECT_EQ(s.designSize, 1000);
    EXPECT_EQ(s.charNumber, 66);
    SessionSettings n = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, ini.path, true, n);
    EXPECT_EQ(n.gridSize, 1000);
    EXPECT_EQ(n.style, 3);
    EXPECT_EQ(n.spaceWidth, 7);
    EXPECT_EQ(n.symbolFont, 0);
}

TEST(SettingsTest, CharNumberAfter255WrapsTo33InTrueTypeAndIsKeptInType1) {
    IniFile ini;
    ini.write("[TTF Filter]\nCharNumber=255\n[AT1 Filter]\nCharNumber=255\n");
    SessionSettings t = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, ini.path, false, t);
    EXPECT_EQ(t.charNumber, 33);
    SessionSettings a = defaultSettings(PluginKind::Type1);
    readExportSettings(PluginKind::Type1, ini.path, false, a);
    EXPECT_EQ(a.charNumber, 255) << "the Type 1 session adds the one after reading the font";
}

TEST(SettingsTest, WritesAllEightKeysInOrderAndKeepsOtherSections) {
    IniFile ini;
    ini.write("[Config]\nFontsDir=/x\n");
    SessionSettings s = defaultSettings(PluginKind::Type1);
    s.charNumber = 65;
    s.style = 2;
    writeExportSettings(PluginKind::Type1, ini.path, s);
    EXPECT_EQ(ini.read(),
              "[Config]\nFontsDir=/x\n[AT1 Filter]\nAutoWidth=1\nCharWidth=2048\nSpaceWidth=1000\n"
              "ExportSymbol=0\nGridSize=1000\nStyle=2\nDesignSize=10000\nCharNumber=65\n");
    SessionSettings back = defaultSettings(PluginKind::Type1);
    readExportSettings(PluginKind::Type1, ini.path, false, back);
    EXPECT_EQ(back.charNumber, 65);
}

TEST(SettingsTest, RecordRoundTripCutsTheNameAndConvertsTheDesignSize) {
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    s.familyName = "Family";
    FontExportSettings f = settingsFromSession(s, true);
    EXPECT_EQ(f.fontExists, 1);
    EXPECT_EQ(f.designSizeUnit, 20);
    EXPECT_EQ(f.familyName, "Family");
    f.familyName = std::string(70, 'x');
    f.designSize = 72;
    f.designSizeUnit = 4;  // points
    f.exportSymbol = 5;
    settingsToSession(f, s);
    EXPECT_EQ(s.familyName, std::string(59, 'x'));
    EXPECT_EQ(s.designSize, 1000) << "72 points are 1000 thousandths of an inch";
    EXPECT_EQ(s.designSizeUnit, 20);
    EXPECT_EQ(s.symbolFont, 1);
}

TEST(UiScriptTest, ParsesEveryActionAndReportsTheBadLine) {
    UiScript script;
    std::string error;
    ASSERT_TRUE(
        parseUiScript("dialog 130   # options\ntext 1000 My Font\ncheck 1009 on\n"
                      "select 1001 Bold Italic\nselect 1018 #2\nvalue 1003 500\n"
                      "click 1025\n\nok\nanswer yes\nfile fonts/m.afm\ncancel\n",
                      script, error))
        << error;
    ASSERT_EQ(script.actions.size(), 11u);
    EXPECT_EQ(script.actions[0].kind, ScriptAction::Dialog);
    EXPECT_EQ(script.actions[0].control, 130);
    EXPECT_EQ(script.actions[1].text, "My Font");
    EXPECT_TRUE(script.actions[2].on);
    EXPECT_EQ(script.actions[3].text, "Bold Italic");
    EXPECT_EQ(script.actions[4].index, 2);
    EXPECT_EQ(script.actions[5].text, "500");
    EXPECT_EQ(script.actions[6].control, 1025);
    EXPECT_EQ(script.actions[7].kind, ScriptAction::Ok);
    EXPECT_EQ(script.actions[8].text, "yes");
    EXPECT_EQ(script.actions[9].text, "fonts/m.afm");
    EXPECT_EQ(script.actions[10].kind, ScriptAction::Cancel);

    UiScript bad;
    EXPECT_FALSE(parseUiScript("dialog 130\npress 1\n", bad, error));
    EXPECT_EQ(error, "line 2: unknown action \"press\"");
    EXPECT_FALSE(parseUiScript("check 1009 maybe\n", bad, error));
    EXPECT_FALSE(parseUiScript("answer perhaps\n", bad, error));
    EXPECT_FALSE(parseUiScript("dialog 99999999999\n", bad, error));
}

}  // namespace
}  // namespace gx
