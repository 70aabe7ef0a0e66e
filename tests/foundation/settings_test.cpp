// The export settings: defaults, the INI section rules and the record conversions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// After 126 the next code with a Windows character is 130: proposing 127 would have the
// dialog refuse its own proposal, and stop every export that takes the proposal.
TEST(SettingsTest, TheProposedCodeStepsOverCodesWithoutAWindowsCharacter) {
    IniFile ini;
    for (auto [last, proposed] : {std::pair{126, 130}, {140, 145}, {156, 159}, {125, 126}}) {
        ini.write("[TTF Filter]\nCharNumber=" + std::to_string(last) + "\n");
        SessionSettings t = defaultSettings(PluginKind::TrueType);
        readExportSettings(PluginKind::TrueType, ini.path, false, t);
        EXPECT_EQ(t.charNumber, proposed) << last;
    }
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

// Counts the renames that put a file in place, per target path.
std::vector<std::string> g_renamed;
void recordRename(const char* kind, const std::string& path, const std::string&) {
    if (std::string(kind) == "rename") g_renamed.push_back(path);
}
struct RenameCounter {
    RenameCounter() {
        g_renamed.clear();
        platform::setStepObserver(recordRename);
    }
    ~RenameCounter() { platform::setStepObserver(nullptr); }
    size_t count() const { return g_renamed.size(); }
    size_t count(const std::string& path) const {
        return size_t(std::count(g_renamed.begin(), g_renamed.end(), path));
    }
};

// The eight keys one profile write at a time: what the store did before it held the text.
void writeKeyByKey(const std::string& path, PluginKind kind, const SessionSettings& s) {
    const char* sec = settingsSection(kind);
    const std::pair<const char*, int> keys[] = {
        {"AutoWidth", s.autoWidth},     {"CharWidth", s.charWidth},   {"SpaceWidth", s.spaceWidth},
        {"ExportSymbol", s.symbolFont}, {"GridSize", s.gridSize},     {"Style", s.style},
        {"DesignSize", s.designSize},   {"CharNumber", s.charNumber},
    };
    for (const auto& [key, value] : keys)
        platform::profileWriteString(path, sec, key, std::to_string(value));
}

TEST(SettingsTest, OneWriteGivesTheSameBytesAsWritingEachKey) {
    const std::string start =
        "; kept\r\n[Config]\r\nFontsDir=/x\r\n[ttf filter]\r\n  charwidth = 7 \r\nOther=1\r\n";
    IniFile once, each;
    once.write(start);
    each.write(start);
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    for (int round = 0; round < 3; ++round) {
        s.charNumber = int16_t(65 + round);
        s.style = uint8_t(round);
        writeKeyByKey(each.path, PluginKind::TrueType, s);
        RenameCounter renames;
        writeExportSettings(PluginKind::TrueType, once.path, s);
        EXPECT_EQ(renames.count(), 1u) << "round " << round;
        EXPECT_EQ(once.read(), each.read()) << "round " << round;
    }
    // A new file too, and the other plug-in's section beside the first.
    IniFile fresh, freshEach;
    std::remove(fresh.path.c_str());
    std::remove(freshEach.path.c_str());
    writeExportSettings(PluginKind::Type1, fresh.path, defaultSettings(PluginKind::Type1));
    writeKeyByKey(freshEach.path, PluginKind::Type1, defaultSettings(PluginKind::Type1));
    writeExportSettings(PluginKind::TrueType, fresh.path, s);
    writeKeyByKey(freshEach.path, PluginKind::TrueType, s);
    EXPECT_EQ(fresh.read(), freshEach.read());
    // Writing what the file already says replaces nothing.
    RenameCounter renames;
    writeExportSettings(PluginKind::TrueType, fresh.path, s);
    EXPECT_EQ(renames.count(), 0u);
}

TEST(SettingsTest, ABatchWritesOnceAtItsLastExport) {
    IniFile ini, expected;
    ini.write("[Config]\nFontsDir=/x\n");
    expected.write("[Config]\nFontsDir=/x\n");
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    RenameCounter renames;
    for (int code = 40; code <= 45; ++code) {
        platform::setEnvironmentValue(platform::kHoldSettingsVariable,
                                      code < 45 ? "batch-1" : "batch-1 end");
        SessionSettings back = defaultSettings(PluginKind::TrueType);
        readExportSettings(PluginKind::TrueType, ini.path, false, back);
        if (code > 40) {
            EXPECT_EQ(back.charNumber, code) << "each export reads the one before";
        }
        s.charNumber = int16_t(code);
        writeExportSettings(PluginKind::TrueType, ini.path, s);
        writeKeyByKey(expected.path, PluginKind::TrueType, s);
        if (code < 45) {
            EXPECT_EQ(ini.read(), "[Config]\nFontsDir=/x\n");
        }
    }
    platform::setEnvironmentValue(platform::kHoldSettingsVariable, nullptr);
    EXPECT_EQ(renames.count(ini.path), 1u);
    EXPECT_EQ(ini.read(), expected.read());
}

TEST(SettingsTest, ABatchThatStopsWritesNothing) {
    IniFile ini;
    ini.write("[TTF Filter]\nCharNumber=50\n");
    SessionSettings s = defaultSettings(PluginKind::TrueType);
    s.charNumber = 99;
    platform::setEnvironmentValue(platform::kHoldSettingsVariable, "batch-2");
    writeExportSettings(PluginKind::TrueType, ini.path, s);
    // The batch stopped there; the next export, alone, starts from the file.
    platform::setEnvironmentValue(platform::kHoldSettingsVariable, nullptr);
    SessionSettings next = defaultSettings(PluginKind::TrueType);
    readExportSettings(PluginKind::TrueType, ini.path, false, next);
    EXPECT_EQ(next.charNumber, 51);
    EXPECT_EQ(ini.read(), "[TTF Filter]\nCharNumber=50\n");
}

TEST(SettingsTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    IniFile ini;
    const std::string big = "[Config]\nNotes=" + std::string(2u << 20, 'x') + "\n";
    ini.write(big);
    RenameCounter renames;
    writeExportSettings(PluginKind::TrueType, ini.path, defaultSettings(PluginKind::TrueType));
    EXPECT_EQ(renames.count(), 0u);
    EXPECT_EQ(ini.read(), big);
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
