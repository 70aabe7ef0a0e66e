// The export dialogs played by scripts against a fake session.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "entry/host_abi.h"
#include "fake_session.h"
#include "platform/platform.h"
#include "platform/ui_hooks.h"
#include "support/units.h"
#include "ui/dialogs.h"
#include "ui/main_dialog.h"
#include "ui/options_dialog.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

const std::string kDataDir = GX_TEST_DATA_DIR "/data/";

const char* kGridMessage =
    "TrueType Export: Invalid Grid Size. Please enter\na value beetween 16 and 16383.";
const char* kEmptyNameMessage =
    "TrueType Export: Invalid Family name. Please enter a valid Family name.";
const char* kLongNameMessage =
    "TrueType Export: The Family name is too long\nThe maximum allowed is 80 Characters.\n\n"
    "Please enter a valid Family name.";
const char* kSaveQuestion = "True Type Export: Save changes to Font File";
const char* kOverwrite = "TrueType Export: Overwrite existing definition";
const char* kNotSupported = "TrueType Export: Character code is not supported by Windows";

// Message boxes as the scripted user sees them: logged, answered by "answer" lines.
std::vector<std::string> g_messages;
UiScript* g_script = nullptr;

int answerBox(const char* text, const char* caption, unsigned flags) {
    g_messages.push_back(std::string(caption) + ": " + text);
    if (g_script && !g_script->actions.empty() &&
        g_script->actions.front().kind == ScriptAction::Answer) {
        std::string a = g_script->actions.front().text;
        g_script->actions.pop_front();
        return a == "yes" ? platform::kIdYes : a == "no" ? platform::kIdNo : platform::kIdOk;
    }
    return platform::defaultMessageBoxAnswer(flags);
}

// A view for driving one model by hand.
struct NullView : DialogView {
    int runModal(DialogModel&) override { return kDialogCancel; }
    bool chooseOpenFile(const OpenFileRequest&, std::string&) override { return false; }
    void showHelp(const std::string& file, int context) override {
        helpFile = file;
        helpContext = context;
    }
    std::string helpFile;
    int helpContext = 0;
};

class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UnitLocale us;
        overrideUnitLocale(&us);
        g_messages.clear();
        g_script = &script;
        platform::setMessageBoxHandler(answerBox);
        record = settingsFromSession(defaultSettings(PluginKind::TrueType), false);
    }
    void TearDown() override {
        platform::setMessageBoxHandler(nullptr);
        g_script = nullptr;
        overrideUnitLocale(nullptr);
    }

    int play(const std::string& text, bool newFont, PluginKind kind = PluginKind::TrueType) {
        std::string error;
        script = UiScript{};
        script.source = "test.script";
        EXPECT_TRUE(parseUiScript(text, script, error)) << error;
        return playExportDialogs(script, kind, call, record, newFont, session);
    }
    // An existing font with glyphs for A (width 1200) and B (1300).
    void existingFont() {
        record.fontExists = 1;
        record.familyName = "Sans";
        session.state.glyph[65] = session.state.glyph[66] = true;
        session.state.width[65] = 1200;
        session.state.width[66] = 1300;
        record.charNumber = 65;
    }

    UiScript script;
    FakeSession session;
    FontExportSettings record;
    HostExportCall call{};
};

// ------------------------------------------------------------------ Options (130)

TEST_F(DialogsTest, GridSizeLimits) {
    for (const char* grid : {"15", "16384", "abc", "", "-16"}) {
        record = settingsFromSession(defaultSettings(PluginKind::TrueType), false);
        g_messages.clear();
        EXPECT_EQ(
            play(std::string("dialog 130\ntext 1000 Sans\ntext 1002 ") + grid + "\nok\n", true),
            kDialogCancel)
            << grid;
        EXPECT_EQ(g_messages, std::vector<std::string>{kGridMessage}) << grid;
        EXPECT_EQ(record.gridSize, 2048);
    }
    for (int grid : {16, 16383, 1000, 512}) {
        g_messages.clear();
        EXPECT_EQ(play("dialog 130\ntext 1000 Sans\ntext 1002 " + std::to_string(grid) +
                           "\nok\nanswer yes\ndialog 131\nok\n",
                       true),
                  kDialogOk)
            << grid;
        EXPECT_EQ(record.gridSize, grid);
        EXPECT_EQ(g_messages, std::vector<std::string>{kSaveQuestion});
    }
    // Typed text is read as a number up to its first non-digit.
    for (const char* typed : {"2048abc", "1000pt", "+512 units"}) {
        g_messages.clear();
        EXPECT_EQ(play(std::string("dialog 130\ntext 1000 Sans\ntext 1002 ") + typed +
                           "\nok\nanswer yes\ndialog 131\nok\n",
                       true),
                  kDialogOk)
            << typed;
        EXPECT_EQ(record.gridSize, std::atoi(typed)) << typed;
        EXPECT_EQ(g_messages, std::vector<std::string>{kSaveQuestion}) << typed;
    }
    // Choosing a listed grid puts it into the edit part.
    EXPECT_EQ(play("dialog 130\ntext 1000 Sans\nselect 1002 4096\nok\nanswer yes\ndialog 131\nok\n",
                   true),
              kDialogOk);
    EXPECT_EQ(record.gridSize, 4096);
}

TEST_F(DialogsTest, GridIsCheckedBeforeTheName) {
    EXPECT_EQ(play("dialog 130\ntext 1002 15\nok\n", true), kDialogCancel);
    EXPECT_EQ(g_messages, std::vector<std::string>{kGridMessage});
}

TEST_F(DialogsTest, FamilyNameLengths) {
    EXPECT_EQ(play("dialog 130\nok\n", true), kDialogCancel);
    EXPECT_EQ(g_messages, std::vector<std::string>{kEmptyNameMessage});

    g_messages.clear();
    const std::string n81(81, 'n');
    EXPECT_EQ(play("dialog 130\ntext 1000 " + n81 + "\nok\n", true), kDialogCancel);
    EXPECT_EQ(g_messages, std::vector<std::string>{kLongNameMessage});
    EXPECT_EQ(record.familyName, "");

    g_messages.clear();
    const std::string n80(80, 'n');
    EXPECT_EQ(play("dialog 130\ntext 1000 " + n80 + "\nok\nanswer yes\ndialog 131\nok\n", true),
              kDialogOk);
    EXPECT_EQ(record.familyName, n80);
}

TEST_F(DialogsTest, TypeOneOptionsKeepTheGridAndSayCharacters) {
    record = settingsFromSession(defaultSettings(PluginKind::Type1), false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 130\ntext 1002 15\ntext 1000 " + std::string(81, 'n') + "\nok\n", true,
                   PluginKind::Type1),
              kDialogCancel);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("test.script: line 2: control 1002 is disabled"), std::string::npos) << err;
    EXPECT_EQ(g_messages, std::vector<std::string>{
                              "Adobe Type 1 Export: The Family name is too long\nThe maximum "
                              "allowed is 80 characters.\n\nPlease enter a valid Family name."});
    g_messages.clear();
    EXPECT_EQ(play("dialog 130\ntext 1000 Serif\nok\nanswer yes\ndialog 131\nok\n", true,
                   PluginKind::Type1),
              kDialogOk);
    EXPECT_EQ(record.gridSize, 1000);
    EXPECT_EQ(g_messages,
              std::vector<std::string>{"Adobe Type 1 Export: Save changes to Font File"});
}

TEST_F(DialogsTest, NoToSaveKeepsTheDialogOpen) {
    record.exportSymbol = 0;  // a symbol font has no style to choose
    EXPECT_EQ(play("dialog 130\ntext 1000 Sans\nselect 1001 Bold\nvalue 1003 500\nok\nanswer no\n"
                   "ok\nanswer yes\ndialog 131\nok\n",
                   true),
              kDialogOk);
    EXPECT_EQ(g_messages, (std::vector<std::string>{kSaveQuestion, kSaveQuestion}));
    EXPECT_EQ(record.familyName, "Sans");
    EXPECT_EQ(record.style, 1);
    EXPECT_EQ(record.spaceWidth, 500);
    // Without any answer the question is answered No, and the script then runs out.
    g_messages.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 130\ntext 1000 Sans\nok\n", true), kDialogCancel);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "the script ended while dialog 130 was open; cancelled"),
              std::string::npos);
}

TEST_F(DialogsTest, StyleItemsAndSymbolFlag) {
    NullView view;
    OptionsDialog d(PluginKind::TrueType, call, record, view);
    record.style = 3;
    record.exportSymbol = 0;
    d.init();
    EXPECT_EQ(d.items(kOptStyle),
              (std::vector<std::string>{"BoldItalic", "Italic", "Bold", "Normal"}));
    EXPECT_EQ(d.selection(kOptStyle), 0);
    EXPECT_EQ(d.text(kOptGridSize), "2048");
    EXPECT_TRUE(d.enabled(kOptStyle));
    // The symbol flag goes to the record at once and locks the style.
    EXPECT_TRUE(d.userCheck(kOptSymbolFont, true));
    EXPECT_EQ(record.exportSymbol, 1);
    EXPECT_FALSE(d.enabled(kOptStyle));
    EXPECT_FALSE(d.userSelect(kOptStyle, 3));
}

TEST_F(DialogsTest, CancelOfOptionsLeavesTheRecordAsItWas) {
    record.exportSymbol = 0;
    record.familyName = "Sans";
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 130\ncheck 1009 on\ntext 1000 Other\n"
                   "text 1002 4096\nok\nanswer no\ncancel\nok\n",
                   false),
              kDialogOk);
    EXPECT_EQ(record.exportSymbol, 0);
    EXPECT_EQ(record.familyName, "Sans");
    EXPECT_EQ(record.gridSize, 2048);
}

// ------------------------------------------------------------------ main dialog (131)

TEST_F(DialogsTest, ExcludedCodesAreRefusedAtOk) {
    EXPECT_EQ(play("dialog 131\ntext 1014 128\nok\ntext 1014 130\nok\n", false), kDialogOk);
    EXPECT_EQ(g_messages, std::vector<std::string>{kNotSupported});
    EXPECT_EQ(record.charNumber, 130);
    for (int c : {127, 128, 129, 141, 142, 143, 144, 157, 158, 32, 256, 0, -1})
        EXPECT_TRUE(codeIsExcluded(c)) << c;
    for (int c : {33, 126, 130, 140, 145, 156, 159, 255}) EXPECT_FALSE(codeIsExcluded(c)) << c;
    // The code proposed after the last one steps over those the dialog refuses.
    for (auto [from, to] : {std::pair{127, 130},
                            {128, 130},
                            {141, 145},
                            {157, 159},
                            {126, 126},
                            {255, 255},
                            {33, 33},
                            {300, 300},
                            {0, 0}})
        EXPECT_EQ(offeredCodeFrom(from), to) << from;
    // A code the INI file proposed out of range is refused as well.
    g_messages.clear();
    record.charNumber = 300;
    EXPECT_EQ(play("dialog 131\nok\n", false), kDialogCancel);
    EXPECT_EQ(g_messages, std::vector<std::string>{kNotSupported});
}

TEST_F(DialogsTest, TypedCodesAreClampedIntoTheList) {
    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    EXPECT_EQ(d.selection(kMainCharList), 0);
    EXPECT_EQ(d.text(kMainCode), "33");
    struct Case {
        const char* typed;
        int code;
    };
    for (Case c : {Case{"300", 255}, Case{"5", 33}, Case{"abc", 33}, Case{"65x", 65},
                   Case{"99999999999999999999", 255}, Case{"", 33}}) {
        EXPECT_TRUE(d.userText(kMainCode, c.typed));
        EXPECT_EQ(record.charNumber, c.code) << c.typed;
        EXPECT_EQ(d.selection(kMainCharList), c.code - 33) << c.typed;
        EXPECT_EQ(d.text(kMainCode), c.typed);  // the edit keeps what was typed
    }
    EXPECT_TRUE(d.userSelect(kMainCharList, 32));
    EXPECT_EQ(record.charNumber, 65);
    EXPECT_EQ(d.text(kMainCode), "65");
    EXPECT_EQ(d.items(kMainCharList).size(), 223u);
    EXPECT_EQ(d.items(kMainCharList)[32], "A");
}

TEST_F(DialogsTest, DesignUnitChangesOnlyTheShownFigure) {
    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    EXPECT_EQ(d.items(kMainDesignUnit),
              (std::vector<std::string>{"inches", "millimeters", "picas, points", "points",
                                        "ciceros, didots", "didots"}));
    EXPECT_EQ(d.selection(kMainDesignUnit), 3);
    EXPECT_EQ(d.text(kMainDesignSize), "720.0");
    struct Case {
        int item;
        const char* shown;
        const char* typed;
    };
    for (Case c : {Case{0, "10.0", "10"}, Case{1, "254.0", "254"}, Case{3, "720.0", "720"}}) {
        EXPECT_TRUE(d.userSelect(kMainDesignUnit, c.item));
        EXPECT_EQ(d.text(kMainDesignSize), c.shown);
        EXPECT_EQ(record.designSize, 10000);
        EXPECT_TRUE(d.userValue(kMainDesignSize, "1"));
        EXPECT_NE(record.designSize, 10000);
        EXPECT_TRUE(d.userValue(kMainDesignSize, c.typed));
        EXPECT_EQ(record.designSize, 10000) << c.typed;
    }
    EXPECT_TRUE(d.userClick(kIdOk));
    EXPECT_EQ(d.result(), kDialogOk);
    EXPECT_EQ(record.designSize, 10000);
    EXPECT_EQ(record.designSizeUnit, kUnitThousandthsOfInch);
}

TEST_F(DialogsTest, AutomaticWidthFollowsTheDesignSize) {
    // The right-most point lies 1000 thousandths of an inch right of the glyph origin.
    session.originX = 500;
    session.points = {500, 0, 1500, 0, 1000, 800};
    session.types = {0x00, 0x40, 0x48};
    record.autoWidth = 1;
    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    EXPECT_EQ(record.charWidth, 215);  // 2048 x 0.1 x 1.05 + 0.5 = 215.54
    EXPECT_EQ(d.text(kMainWidth), "215");
    EXPECT_FALSE(d.enabled(kMainWidth));
    EXPECT_FALSE(d.userValue(kMainWidth, "600"));
    EXPECT_TRUE(d.userValue(kMainDesignSize, "360"));  // points: 5000 thousandths
    EXPECT_EQ(record.charWidth, 430);
    EXPECT_EQ(d.text(kMainWidth), "430");

    EXPECT_TRUE(d.userCheck(kMainAuto, false));
    EXPECT_EQ(record.autoWidth, 0);
    EXPECT_TRUE(d.enabled(kMainWidth));
    EXPECT_TRUE(d.userValue(kMainWidth, "600"));
    EXPECT_EQ(record.charWidth, 600);
    EXPECT_TRUE(d.userValue(kMainDesignSize, "720"));
    EXPECT_EQ(record.charWidth, 600);
    EXPECT_TRUE(d.userClick(kIdOk));
    EXPECT_EQ(record.charWidth, 600);
}

TEST_F(DialogsTest, OverwriteIsAskedOncePerCode) {
    existingFont();
    record.charNumber = 65;
    EXPECT_EQ(play("dialog 131\nok\nanswer no\nok\nanswer yes\n", false), kDialogOk);
    EXPECT_EQ(g_messages, (std::vector<std::string>{kOverwrite, kOverwrite}));
    EXPECT_TRUE(session.state.mark[65]);
    // Marked already: no question.
    g_messages.clear();
    EXPECT_EQ(play("dialog 131\nok\n", false), kDialogOk);
    EXPECT_TRUE(g_messages.empty());
    // A free code is not asked about.
    EXPECT_EQ(play("dialog 131\ntext 1014 67\nok\n", false), kDialogOk);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_FALSE(session.state.mark[67]);
}

TEST_F(DialogsTest, TitleLineAndHelp) {
    record.familyName = "Sans";
    record.style = 1;
    record.exportSymbol = 0;
    EXPECT_EQ(fontTitleLine(record), "Sans - Bold");
    record.style = 3;
    EXPECT_EQ(fontTitleLine(record), "Sans - BoldItalic");
    record.exportSymbol = 1;
    EXPECT_EQ(fontTitleLine(record), "Sans");

    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    EXPECT_EQ(d.text(kMainTitleLine), "Sans");
    EXPECT_TRUE(d.userClick(kIdHelp));
    EXPECT_EQ(view.helpContext, 41450);
    EXPECT_EQ(d.title(), "True Type Export");
}

TEST_F(DialogsTest, DraggingInThePreviewSetsTheWidth) {
    record.autoWidth = 0;
    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    d.setPreviewPane({0, 0, 110, 100});  // origin line at x 11
    d.mouseDown(60, 50);
    EXPECT_TRUE(d.capturing());
    EXPECT_EQ(record.charWidth, (60 - 11) * 2048 / 99);
    d.mouseMove(5, 50);
    EXPECT_EQ(record.charWidth, 0);
    EXPECT_EQ(d.text(kMainWidth), "0");
    d.mouseUp(11 + 99, 50);
    EXPECT_FALSE(d.capturing());
    EXPECT_EQ(record.charWidth, 2048);
    EXPECT_FALSE(d.takeMarkerToggles().empty());

    EXPECT_TRUE(d.userCheck(kMainAuto, true));
    d.mouseDown(60, 50);
    EXPECT_FALSE(d.capturing());
}

// ------------------------------------------------------------------ extended Options (132)

TEST_F(DialogsTest, ExtendedOptionsOpenWithFontWideControlsLocked) {
    existingFont();
    NullView view;
    FontOptionsDialog d(PluginKind::TrueType, call, record, session, view);
    d.init();
    EXPECT_FALSE(d.enabled(kFontOptStyle));
    EXPECT_FALSE(d.enabled(kFontOptGridSize));
    EXPECT_FALSE(d.enabled(kFontOptSymbolFont));
    EXPECT_TRUE(d.items(kFontOptGridSize).empty());
    EXPECT_EQ(d.text(kFontOptGridSize), "2048");
    EXPECT_EQ(d.currentCode(), 65);
    EXPECT_EQ(d.text(kFontOptNumber), "65");
    EXPECT_EQ(d.selection(kFontOptCharList), 32);
    EXPECT_TRUE(d.enabled(kFontOptWidth));
    EXPECT_EQ(d.text(kFontOptWidth), "1200");

    EXPECT_TRUE(d.userSelect(kFontOptCharList, 33));  // B
    EXPECT_EQ(d.text(kFontOptNumber), "66");
    EXPECT_EQ(d.text(kFontOptWidth), "1300");
    EXPECT_TRUE(d.userText(kFontOptNumber, "7"));  // clamped to 33, which has no glyph
    EXPECT_EQ(d.currentCode(), 33);
    EXPECT_EQ(d.selection(kFontOptCharList), 0);
    EXPECT_FALSE(d.enabled(kFontOptWidth));
    EXPECT_TRUE(d.userText(kFontOptNumber, "65"));
    EXPECT_TRUE(d.userValue(kFontOptWidth, "900"));
    EXPECT_EQ(session.state.width[65], 900);
    EXPECT_TRUE(d.userValue(kFontOptSpaceWidth, "700"));
    EXPECT_EQ(record.spaceWidth, 700);

    // Type 1 lists its grids and shows the font's.
    FontExportSettings t1 = record;
    t1.gridSize = 1000;
    FontOptionsDialog d1(PluginKind::Type1, call, t1, session, view);
    d1.init();
    EXPECT_EQ(d1.items(kFontOptGridSize).size(), 5u);
    EXPECT_EQ(d1.selection(kFontOptGridSize), 1);
}

TEST_F(DialogsTest, WidthOutOfRangeIsResetWithAWarning) {
    existingFont();
    NullView view;
    FontOptionsDialog d(PluginKind::TrueType, call, record, session, view);
    d.init();
    EXPECT_TRUE(d.userValue(kFontOptWidth, "20000"));
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].substr(0, 15), "Invalid Width: ");
    EXPECT_EQ(session.state.width[65], 16383);
    EXPECT_EQ(d.text(kFontOptWidth), "16383");
}

TEST_F(DialogsTest, DeletedCharacterComesBackOnCancel) {
    existingFont();
    record.spaceWidth = 512;
    NullView view;
    FontOptionsDialog d(PluginKind::TrueType, call, record, session, view);
    d.init();
    EXPECT_TRUE(d.userText(kFontOptFamilyName, "Changed"));
    EXPECT_TRUE(d.userValue(kFontOptSpaceWidth, "300"));
    EXPECT_TRUE(d.userClick(kFontOptDelete));
    EXPECT_TRUE(session.state.mark[65]);
    EXPECT_EQ(session.state.width[65], 300);  // the space width
    EXPECT_FALSE(d.enabled(kFontOptWidth));
    EXPECT_EQ(d.text(kFontOptWidth), "2048");  // the grid size, in the TrueType plug-in
    EXPECT_TRUE(itemIsGrey(d.charStates(), 65));
    EXPECT_FALSE(itemIsGrey(d.charStates(), 66));

    EXPECT_TRUE(d.userClick(kIdCancel));
    EXPECT_EQ(d.result(), kDialogCancel);
    EXPECT_FALSE(session.state.mark[65]);
    EXPECT_EQ(session.state.width[65], 1200);
    EXPECT_EQ(record.spaceWidth, 512);
    EXPECT_EQ(record.familyName, "Sans");

    // Type 1 shows 0 after a deletion.
    FontOptionsDialog d1(PluginKind::Type1, call, record, session, view);
    d1.init();
    EXPECT_TRUE(d1.userClick(kFontOptDelete));
    EXPECT_EQ(d1.text(kFontOptWidth), "0");
}

TEST_F(DialogsTest, AcceptedOptionsSaveTheFontAndReadItAgain) {
    existingFont();
    record.familyName = "Sans";
    record.charNumber = 67;
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\nselect 1041 A\nclick 1025\n"
                   "ok\nanswer yes\nok\n",
                   false),
              kDialogOk);
    EXPECT_EQ(session.calls, (std::vector<std::string>{"apply", "save", "reload"}));
    EXPECT_EQ(session.applied.familyName, "Sans");
    EXPECT_TRUE(session.addGlyph);
    EXPECT_TRUE(session.state.mark[65]);
    EXPECT_EQ(g_messages, std::vector<std::string>{kSaveQuestion});

    // A failed save leaves the exported glyph out until a save succeeds.
    session.calls.clear();
    session.saveSucceeds = false;
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\nok\nanswer yes\nok\n", false), kDialogOk);
    EXPECT_EQ(session.calls, (std::vector<std::string>{"apply", "save"}));
    EXPECT_FALSE(session.addGlyph);

    // A new font's Options are never saved at once.
    session.calls.clear();
    record.fontExists = 0;
    EXPECT_EQ(play("dialog 130\nok\nanswer yes\ndialog 131\nclick 1011\ndialog 130\nok\nanswer "
                   "yes\nok\n",
                   true),
              kDialogOk);
    EXPECT_TRUE(session.calls.empty());
}

TEST_F(DialogsTest, ExtendedOptionsValidateTheName) {
    existingFont();
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\ntext 1032 " + std::string(81, 'x') +
                       "\nok\ntext 1032\nok\ncancel\ncancel\n",
                   false),
              kDialogCancel);
    EXPECT_EQ(g_messages, (std::vector<std::string>{kLongNameMessage, kEmptyNameMessage}));
    EXPECT_TRUE(session.calls == std::vector<std::string>{"restore"});
}

TEST_F(DialogsTest, MetricsImportLocksTheDialogAndCancelUndoesIt) {
    existingFont();
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\nclick 1026\nfile " + kDataDir +
                       "sample.afm\nok\nanswer yes\nok\nanswer yes\n",
                   false),
              kDialogOk);
    EXPECT_EQ(record.spaceWidth, 569);  // 2048 x 278 x 0.001
    EXPECT_EQ(session.state.importedWidths[65], 1478);
    ASSERT_EQ(session.state.kerning.size(), 2u);

    // Only the family name, OK, Cancel, Load and Help stay usable.
    session = FakeSession();
    record = settingsFromSession(defaultSettings(PluginKind::TrueType), false);
    existingFont();
    std::string err;
    script = UiScript{};
    ASSERT_TRUE(parseUiScript("file " + kDataDir + "sample.afm\n", script, err));
    auto view = makeScriptedView(script);
    FontOptionsDialog d(PluginKind::TrueType, call, record, session, *view);
    d.init();
    EXPECT_TRUE(d.userClick(kFontOptLoadMetrics));
    std::vector<int> usable;
    for (const Control& c : d.controls())
        if (c.enabled && (c.kind != ControlKind::Static)) usable.push_back(c.id);
    EXPECT_EQ(usable, (std::vector<int>{kFontOptFamilyName, kIdOk, kIdCancel, kFontOptLoadMetrics,
                                        kIdHelp}));
    EXPECT_EQ(d.text(kFontOptSpaceWidth), "569");
    // Cancel takes the whole import back: widths, kerning and all.
    EXPECT_TRUE(d.userClick(kIdCancel));
    EXPECT_EQ(session.state.importedWidths[65], 0);
    EXPECT_FALSE(session.state.characterMetrics);
    EXPECT_TRUE(session.state.kerning.empty());
    EXPECT_EQ(record.spaceWidth, 2048);
}

TEST_F(DialogsTest, FailedMetricsImportSaysSoAndLeavesTheDialogUsable) {
    existingFont();
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\nclick 1026\nfile " + kDataDir +
                       "no-such.afm\nclick 1026\nselect 1041 B\nclick 1025\nok\nanswer "
                       "yes\nok\nanswer yes\n",
                   false),
              kDialogOk);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no 'file' line answers the open-file dialog"), std::string::npos) << err;
    EXPECT_EQ(g_messages, (std::vector<std::string>{
                              "TrueType Export: Unsupported metric file -- internal error",
                              kSaveQuestion, kOverwrite}));
    EXPECT_TRUE(session.state.mark[66]);  // the list and Delete still worked

    // The Type 1 reader reports its own failures.
    g_messages.clear();
    session = FakeSession();
    existingFont();
    record.gridSize = 1000;
    EXPECT_EQ(play("dialog 131\nclick 1011\ndialog 132\nclick 1026\nfile " + kDataDir +
                       "no-such.afm\ncancel\ncancel\n",
                   false, PluginKind::Type1),
              kDialogCancel);
    EXPECT_TRUE(g_messages.empty());
}

// ------------------------------------------------------------------ the scripted user

TEST_F(DialogsTest, ScriptThatTurnsToAnotherDialogCancels) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 131\nok\n", true), kDialogCancel);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("test.script: line 1: the script expects dialog 131, but dialog 130 is "
                       "showing; cancelled"),
              std::string::npos)
        << err;

    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 131\ntext 1000 Sans\nclick 1011\ndialog 132\nok\n", false),
              kDialogCancel);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("line 2: dialog 131 has no control 1000"), std::string::npos) << err;
    EXPECT_NE(err.find("line 4: the script expects dialog 132, but dialog 130 is showing"),
              std::string::npos)
        << err;
}

// Holding a spin button plays the box's timers as a window gives them: one step at
// once, one per 100 ms tick from 600 ms, ten per tick once 3 s have passed.
TEST_F(DialogsTest, HoldingTheUpButtonSpeedsUp) {
    const std::string dump = ::testing::TempDir() + "held.txt";
    EXPECT_EQ(play("dialog 131\ncheck 1019 off\nvalue 1016 5\nhold 1016 up 3900\ndump " + dump +
                       "\nhold 1016 down 400\nok\n",
                   false),
              kDialogOk);
    std::string text;
    ASSERT_TRUE(platform::readWholeFile(dump, text));
    // 5 + 1 + 29 ticks of 1 + 5 ticks of 10; a hold shorter than 500 ms steps once.
    EXPECT_NE(text.find("1016 numericbox enabled 85\n"), std::string::npos) << text;
    EXPECT_EQ(record.charWidth, 84);
    std::remove(dump.c_str());
}

TEST_F(DialogsTest, HoldNeedsABoxADirectionAndATime) {
    std::string error;
    UiScript s;
    EXPECT_TRUE(parseUiScript("hold 1016 down 100\ndump a b.txt\nsnapshot x.bmp\n", s, error));
    ASSERT_EQ(s.actions.size(), 3u);
    EXPECT_FALSE(s.actions[0].on);
    EXPECT_EQ(s.actions[0].index, 100);
    EXPECT_EQ(s.actions[1].text, "a b.txt");
    for (const char* bad : {"hold 1016 up", "hold 1016 left 100", "hold up 100",
                            "hold 1016 up 99999", "dump", "snapshot"}) {
        UiScript t;
        EXPECT_FALSE(parseUiScript(bad, t, error)) << bad;
    }
}

// A unit chosen from the design-size box's own menu shows in the linked combo too.
TEST_F(DialogsTest, UnitComboFollowsTheBoxMenu) {
    NullView view;
    MainDialog d(PluginKind::TrueType, call, record, session, view, false);
    d.init();
    d.numericBox(kMainDesignSize)->menuCommand(kUnitMillimeters);
    EXPECT_EQ(d.selection(kMainDesignUnit), 1);
    EXPECT_EQ(d.text(kMainDesignUnit), "millimeters");
    EXPECT_EQ(d.text(kMainDesignSize), "254.0");
}

// "menu" walks a box's context menu by the texts it shows: a unit from the Units
// submenu, and an item that is not there is reported, not guessed.
TEST_F(DialogsTest, ScriptChoosesFromTheBoxMenu) {
    const std::string dump = ::testing::TempDir() + "menu.txt";
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 131\nselect 1018 inches\nvalue 1017 1\nmenu 1017 Units/points\n"
                   "menu 1017 Units/furlongs\nmenu 1017 Units\nmenu 1014 Units/points\ndump " +
                       dump + "\nok\n",
                   false),
              kDialogOk);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("line 5: control 1017 has no item 'Units/furlongs'"), std::string::npos)
        << err;
    EXPECT_NE(err.find("line 6: control 1017 has no item 'Units'"), std::string::npos) << err;
    EXPECT_NE(err.find("line 7: dialog 131 has no numeric box 1014"), std::string::npos) << err;
    std::string text;
    ASSERT_TRUE(platform::readWholeFile(dump, text));
    EXPECT_NE(text.find("1017 numericbox enabled 72.0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("1018 list enabled points\n"), std::string::npos) << text;
    EXPECT_EQ(record.designSize, 1000);  // the unit shown changed, not the size
    std::remove(dump.c_str());

    std::vector<int> places;
    int command = 0;
    NumericBox box;
    ASSERT_TRUE(findMenuItem(box.contextMenu(), "Settings...", command, places));
    EXPECT_EQ(command, kNbMenuSettings);
    EXPECT_EQ(places, std::vector<int>{1});  // after "Edit Full Value...", as keys count
    UiScript s;
    std::string error;
    EXPECT_FALSE(parseUiScript("menu 1017", s, error));
}

// The scripts glyph-export writes, with the answers to the two questions and the symbol
// flag cleared before a style is chosen (a symbol font's style combo is locked).
TEST_F(DialogsTest, CommandLineScripts) {
    EXPECT_EQ(play("dialog 130\ntext 1000 My Font\ncheck 1009 off\nselect 1001 Bold Italic\n"
                   "text 1002 1024\nvalue 1003 300\nok\nanswer yes\n"
                   "dialog 131\ntext 1014 65\ncheck 1019 off\nvalue 1016 600\n"
                   "select 1018 inches\nvalue 1017 5.000\nok\nanswer yes\n",
                   true),
              kDialogOk);
    EXPECT_EQ(record.familyName, "My Font");
    EXPECT_EQ(record.style, 3);
    EXPECT_EQ(record.exportSymbol, 0);
    EXPECT_EQ(record.gridSize, 1024);
    EXPECT_EQ(record.spaceWidth, 300);
    EXPECT_EQ(record.charNumber, 65);
    EXPECT_EQ(record.autoWidth, 0);
    EXPECT_EQ(record.charWidth, 600);
    EXPECT_EQ(record.designSize, 5000);

    existingFont();
    testing::internal::CaptureStderr();
    EXPECT_EQ(play("dialog 131\ntext 1014 65\ncheck 1019 on\nok\nanswer yes\n", false), kDialogOk);
    // Message boxes show on standard error; the script itself had nothing to report.
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("test.script"), std::string::npos);
    EXPECT_TRUE(session.state.mark[65]);
}

TEST_F(DialogsTest, WithoutAScriptTheRecordStands) {
    unsetenv("GLYPH_EXPORT_UI_SCRIPT");
    resetScriptedUser();
    FontExportSettings before = record;
    EXPECT_EQ(runExportDialogs(PluginKind::TrueType, call, record, true), kDialogOk);
    EXPECT_EQ(record.familyName, before.familyName);
    EXPECT_EQ(record.charNumber, before.charNumber);
}

TEST_F(DialogsTest, ScriptNamedByTheEnvironment) {
    std::string path = testing::TempDir() + "gx-ui-script.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("dialog 130\ntext 1000 Env Sans\nok\nanswer yes\ndialog 131\ntext 1014 66\nok\n", f);
    std::fclose(f);
    setenv("GLYPH_EXPORT_UI_SCRIPT", path.c_str(), 1);
    resetScriptedUser();
    g_script = scriptedUser();
    platform::setMessageBoxHandler(answerBox);
    EXPECT_EQ(runExportDialogs(PluginKind::TrueType, call, record, true, session), kDialogOk);
    EXPECT_EQ(record.familyName, "Env Sans");
    EXPECT_EQ(record.charNumber, 66);
    unsetenv("GLYPH_EXPORT_UI_SCRIPT");
    resetScriptedUser();
    std::remove(path.c_str());
}

}  // namespace
}  // namespace gx
