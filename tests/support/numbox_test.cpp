#include "support/numbox.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/ui_hooks.h"

namespace gx {
namespace {

struct Shown {
    std::string text, caption;
    unsigned flags;
};
std::vector<Shown> g_boxes;

int recordBox(const char* text, const char* caption, unsigned flags) {
    g_boxes.push_back({text, caption, flags});
    return platform::kIdOk;
}

// A box with a parent that records what it is told, and a clock that fires the
// box's window timers as time is advanced.
class NumboxTest : public ::testing::Test {
  protected:
    struct Timer {
        unsigned interval;
        unsigned long long due;
    };

    void SetUp() override {
        UnitLocale us;
        overrideUnitLocale(&us);
        g_boxes.clear();
        platform::setMessageBoxHandler(recordBox);
        NumericBox::Host host;
        host.notify = [this](int code) { notes.push_back(code); };
        host.beep = [this] { ++beeps; };
        host.setTimer = [this](int id, unsigned ms) { timers[id] = {ms, now + ms}; };
        host.killTimer = [this](int id) { timers.erase(id); };
        host.parentCommand = [this](int id) { commands.push_back(id); };
        host.selectAll = [this] { ++selectAlls; };
        box.setHost(host);
        box.setClientSize(60, 20, 16);
    }
    void TearDown() override {
        platform::setMessageBoxHandler(nullptr);
        overrideUnitLocale(nullptr);
        setNumericBoxDragMode(DragMode::Position);
    }

    void advance(unsigned ms) {
        unsigned long long until = now + ms;
        for (;;) {
            auto next = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it)
                if (it->second.due <= until &&
                    (next == timers.end() || it->second.due < next->second.due))
                    next = it;
            if (next == timers.end()) break;
            now = next->second.due;
            next->second.due += next->second.interval;
            box.timer(next->first);
        }
        now = until;
    }

    // A plain count box, as the dialogs use for widths.
    void plainBox(uint32_t style, double lo, double hi, double value, double step = 1) {
        box.setup(style);
        box.setLabelText("Spa&ce width:");
        NumericRange r;
        r.minimum = lo;
        r.maximum = hi;
        r.value = value;
        r.step = step;
        r.displayUnit = kUnitCount;
        box.setRange(r);
        box.setDecimals(0);
        notes.clear();
    }

    // The main dialog's design-size box: thousandths of an inch, one point a step.
    void designSizeBox(int displayUnit) {
        box.setup(kNbStepColumn3 | kNbScaled);
        NumericRange r;
        r.minimum = 0;
        r.maximum = 16383;
        r.value = 10000;
        r.step = 1000.0 / 72;
        r.unit = kUnitThousandthsOfInch;
        r.units = {1, 2, 3, 4, 12, 13};
        r.displayUnit = displayUnit;
        box.setRange(r);
        box.setDecimals(1);
        notes.clear();
    }

    void clickUp() {
        box.lButtonDown(50, 2);
        box.lButtonUp(50, 2);
    }

    NumericBox box;
    std::vector<int> notes;
    std::vector<int> commands;
    int beeps = 0;
    int selectAlls = 0;
    std::map<int, Timer> timers;
    unsigned long long now = 0;
};

TEST_F(NumboxTest, WarningModeResetsWithAMessage) {
    plainBox(kNbWarningCheck | kNbStepColumn3 | kNbScaled | kNbNoUnitsMenu, 0, 16383, 100);
    ASSERT_TRUE(box.typeText("20000"));
    box.pressEnter();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, "Invalid Space width");
    EXPECT_EQ(g_boxes[0].text,
              "Value must be between 0 and 16383 .\nThe value will be reset to 16383 .");
    EXPECT_EQ(g_boxes[0].flags, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_EQ(box.text(), "16383");
    EXPECT_EQ(box.value(), 16383);
    EXPECT_TRUE(box.outOfRange());
    EXPECT_EQ(notes, (std::vector<int>{19, 19, 19, 19, 19, 15}));
    EXPECT_EQ(commands, (std::vector<int>{kNbDefaultCommand}));
}

TEST_F(NumboxTest, WarningNamesTheUnitAndFormatsInIt) {
    designSizeBox(kUnitPoints);
    box.setup(kNbWarningCheck | kNbScaled);
    box.setLabelText("&Design size:");
    ASSERT_TRUE(box.typeText("2000"));
    box.pressEnter();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, "Invalid Design size");
    EXPECT_EQ(g_boxes[0].text,
              "Value must be between 0.0 and 1179.6 points.\nThe value will be reset to 1179.6 "
              "points.");
}

TEST_F(NumboxTest, DefaultModeClampsSilently) {
    plainBox(kNbNoUnitsMenu, 0, 16383, 100);
    EXPECT_EQ(box.style() & kNbDefaultCheck, kNbDefaultCheck);
    box.typeText("20000");
    box.pressEnter();
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(box.text(), "16383");
    EXPECT_EQ(box.getValue(), 16383);
}

TEST_F(NumboxTest, StrictModeKeepsTheEntryAndReportsItInvalid) {
    plainBox(kNbStrictCheck, 0, 16383, 100);
    box.typeText("20000");
    box.pressEnter();
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(box.text(), "20000");
    EXPECT_FALSE(box.isValid());
    EXPECT_EQ(box.getValue(), 20000);
    EXPECT_TRUE(box.setValue(5));
    EXPECT_TRUE(box.isValid());
}

TEST_F(NumboxTest, ValidatorDecidesInsteadOfTheRange) {
    int seenUnit = -1;
    box.setup(kNbWarningCheck, [&](NumericBox&, double& v, int unit, double) {
        seenUnit = unit;
        if (v == 13) v = 14;
        return v != 7;
    });
    NumericRange r;
    r.maximum = 10;
    r.displayUnit = kUnitCount;
    box.setRange(r);
    EXPECT_TRUE(box.setValue(50));  // out of range, but the validator accepts it
    EXPECT_EQ(box.value(), 50);
    EXPECT_FALSE(box.setValue(7));
    EXPECT_TRUE(box.setValue(13));
    EXPECT_EQ(box.value(), 14);
    EXPECT_EQ(seenUnit, kUnitCount);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(NumboxTest, TypingFilter) {
    plainBox(kNbDefaultCheck, 0, 16383, 5);
    EXPECT_FALSE(box.typeChar('-', "-5"));
    EXPECT_EQ(box.text(), "5");
    EXPECT_TRUE(box.modified());
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(box.typeChar('x', "5x"));
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(box.typeChar('0', "50"));
    EXPECT_EQ(notes, (std::vector<int>{kNbnTyped}));
    // Text that is only the start of a value is let through while typing.
    EXPECT_TRUE(box.typeChar('\b', ""));
    EXPECT_TRUE(box.typeChar('.', "."));

    // A negative minimum allows the sign.
    plainBox(kNbDefaultCheck, -100, 100, 0);
    EXPECT_TRUE(box.typeText("-5"));
    box.commit();
    EXPECT_EQ(box.value(), -5);

    // The edit field's length limit.
    box.setMaxTextLength(3);
    EXPECT_FALSE(box.typeText("1234"));
    EXPECT_EQ(box.text(), "123");
}

TEST_F(NumboxTest, CompoundUnitsAreTypedWithTheirSeparator) {
    designSizeBox(kUnitPicas);
    EXPECT_EQ(box.text(), "60,0.0");
    EXPECT_TRUE(box.typeText("59,6"));
    box.commit();
    EXPECT_NEAR(box.getValue(kUnitThousandthsOfInch), 59.5 / 6 * 1000, 1e-9);
    EXPECT_EQ(box.text(), "59,6.0");
}

TEST_F(NumboxTest, HoldingTheUpButtonRepeatsAndSpeedsUp) {
    plainBox(kNbDefaultCheck, 0, 100000, 0);
    box.lButtonDown(50, 2);
    EXPECT_EQ(box.pressedPart(), SpinPart::Up);
    EXPECT_EQ(box.value(), 1);  // at once
    EXPECT_EQ(notes, (std::vector<int>{kNbnStepped}));
    advance(599);
    EXPECT_EQ(box.value(), 1);
    advance(1);  // 600 ms: the first tick
    EXPECT_EQ(box.value(), 2);
    advance(2800);  // 3400 ms: tick 29
    EXPECT_EQ(box.value(), 30);
    EXPECT_EQ(box.elapsedMs(), 2900u);
    advance(100);  // 3500 ms: tick 30 adds ten
    EXPECT_EQ(box.value(), 40);
    advance(200);
    EXPECT_EQ(box.value(), 60);
    notes.clear();
    box.lButtonUp(50, 2);
    EXPECT_EQ(notes, (std::vector<int>{kNbnCommitted, kNbnSpinEnded}));
    EXPECT_TRUE(timers.empty());
    EXPECT_FALSE(box.capturing());
    EXPECT_EQ(box.text(), "60");
}

TEST_F(NumboxTest, MovingOffTheButtonPausesTheRepeat) {
    plainBox(kNbDefaultCheck, 0, 1000, 10);
    box.lButtonDown(50, 15);  // down button
    EXPECT_EQ(box.value(), 9);
    advance(700);
    EXPECT_EQ(box.value(), 7);
    box.mouseMove(10, 15);  // over the edit field
    EXPECT_FALSE(box.pointerOverPressed());
    advance(500);
    EXPECT_EQ(box.value(), 7);
    box.mouseMove(50, 15);
    advance(100);
    EXPECT_EQ(box.value(), 6);
    box.lButtonUp(50, 15);
}

TEST_F(NumboxTest, SpinningStopsAtTheLimitsWithoutWarning) {
    plainBox(kNbWarningCheck, 0, 3, 2);
    box.lButtonDown(50, 2);
    advance(1000);
    box.lButtonUp(50, 2);
    EXPECT_EQ(box.value(), 3);
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(NumboxTest, ArrowKeys) {
    plainBox(kNbDefaultCheck, 0, 100, 50);
    EXPECT_TRUE(box.arrowKeyDown(1, false));
    EXPECT_EQ(box.value(), 51);
    EXPECT_TRUE(box.arrowKeyDown(1, true));  // the keyboard's own repeat is ignored
    EXPECT_EQ(box.value(), 51);
    advance(600);
    EXPECT_EQ(box.value(), 52);
    box.arrowKeyUp();
    EXPECT_FALSE(box.capturing());
    EXPECT_TRUE(box.arrowKeyDown(-1, false));
    box.arrowKeyUp();
    EXPECT_EQ(box.value(), 51);

    plainBox(kNbNoArrowKeys, 0, 100, 50);
    EXPECT_FALSE(box.arrowKeyDown(1, false));
    EXPECT_EQ(box.value(), 50);
}

TEST_F(NumboxTest, SwitchingUnitsKeepsTheStoredValue) {
    designSizeBox(kUnitPoints);
    EXPECT_EQ(box.text(), "720.0");
    EXPECT_EQ(box.unitLabelText(), "points");
    EXPECT_EQ(box.comboSelection(), 3);
    const std::pair<int, const char*> shown[] = {
        {kUnitInches, "10.0"},    {kUnitMillimeters, "254.0"}, {kUnitPicas, "60,0.0"},
        {kUnitCiceros, "56,3.6"}, {kUnitDidots, "675.7"},      {kUnitPoints, "720.0"}};
    for (const auto& s : shown) {
        ASSERT_TRUE(box.setDisplayUnit(s.first));
        EXPECT_EQ(box.text(), s.second);
        EXPECT_EQ(box.getValue(kUnitThousandthsOfInch), 10000.0) << s.second;
        EXPECT_EQ(box.units()[size_t(box.comboSelection())], s.first);
    }
    EXPECT_FALSE(box.setDisplayUnit(0));
    EXPECT_FALSE(box.setDisplayUnit(21));
    EXPECT_FALSE(box.setDisplayUnit(23));
    EXPECT_EQ(box.displayUnit(), kUnitPoints);
}

TEST_F(NumboxTest, UnitsMenuChangesTheDisplayAndNotifies) {
    box.setup(kNbDefaultCheck);
    NumericRange r;
    r.maximum = 10 * 254000.0;
    r.value = 254000.0;
    r.units = unitList(kUnitListTypographic);
    r.displayUnit = kUnitInches;
    box.setRange(r);
    box.setDecimals(3);
    notes.clear();
    auto menu = box.contextMenu();
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[0].text, "&Edit Full Value...");
    EXPECT_EQ(menu[1].text, "&Settings...");
    EXPECT_EQ(menu[2].text, "&Units");
    EXPECT_TRUE(menu[3].separator());
    EXPECT_EQ(menu[4].text, "&What's This?");
    ASSERT_EQ(menu[2].submenu.size(), 6u);
    EXPECT_EQ(menu[2].submenu[3].text, "points");
    EXPECT_EQ(menu[2].submenu[3].id, kUnitPoints);
    EXPECT_TRUE(menu[2].submenu[0].checked);

    box.menuCommand(kUnitPoints);
    EXPECT_EQ(box.text(), "72.000");
    EXPECT_EQ(box.value(), 254000.0);
    EXPECT_EQ(notes, (std::vector<int>{kNbnUnitChanged}));
    EXPECT_EQ(selectAlls, 1);
    EXPECT_TRUE(box.contextMenu()[2].submenu[3].checked);
    // A unit the box does not offer is not taken.
    box.menuCommand(kUnitFeet);
    EXPECT_EQ(box.displayUnit(), kUnitPoints);
}

TEST_F(NumboxTest, GridUnitEntry) {
    box.setup(kNbGridUnitEntry);
    NumericRange r;
    r.maximum = 1e7;
    r.value = 254000.0;
    r.units = {kUnitInches, kUnitPoints};
    box.setRange(r);
    box.setGridUnit(kUnitMillimeters);
    auto units = box.contextMenu()[2].submenu;
    ASSERT_EQ(units.size(), 4u);
    EXPECT_EQ(units[0].id, kNbMenuGridUnit);
    EXPECT_EQ(units[0].text, "Grid Unit");
    EXPECT_TRUE(units[1].separator());
    box.menuCommand(kNbMenuGridUnit);
    EXPECT_TRUE(box.followsGridUnit());
    EXPECT_EQ(box.displayUnit(), kUnitMillimeters);
    EXPECT_TRUE(box.contextMenu()[2].submenu[0].checked);
    EXPECT_FALSE(box.contextMenu()[2].submenu[2].checked);
    box.setGridUnit(kUnitPoints);
    EXPECT_EQ(box.displayUnit(), kUnitPoints);
    box.menuCommand(kUnitInches);
    EXPECT_FALSE(box.followsGridUnit());
}

TEST_F(NumboxTest, MenuShapeFollowsTheStyle) {
    box.setup(kNbNoContextMenu);
    EXPECT_TRUE(box.contextMenu().empty());
    box.setup(kNbNoFullValueEdit | kNbNoUnitsMenu);
    auto menu = box.contextMenu();
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].id, kNbMenuSettings);
    // Plain counts have no units to choose.
    plainBox(kNbDefaultCheck, 0, 10, 1);
    EXPECT_EQ(box.contextMenu().size(), 4u);
}

TEST_F(NumboxTest, DesignSizeStepsOnePointInEveryUnit) {
    const double onePoint = 1000.0 / 72;
    for (int unit : {1, 2, 3, 4, 12, 13}) {
        designSizeBox(unit);
        clickUp();
        EXPECT_NEAR(box.getValue(kUnitThousandthsOfInch), 10000 + onePoint, 1e-6) << unit;
        // The shown figure is rounded; stepping again must still add a whole point.
        clickUp();
        EXPECT_NEAR(box.getValue(kUnitThousandthsOfInch), 10000 + 2 * onePoint, 1e-6) << unit;
        box.lButtonDown(50, 15);
        box.lButtonUp(50, 15);
        EXPECT_NEAR(box.getValue(kUnitThousandthsOfInch), 10000 + onePoint, 1e-6) << unit;
        // Enter on the untouched, rounded text keeps the exact value.
        box.pressEnter();
        EXPECT_NEAR(box.getValue(kUnitThousandthsOfInch), 10000 + onePoint, 1e-6) << unit;
        notes.pop_back();
        EXPECT_EQ(notes, (std::vector<int>{16, 15, 17, 16, 15, 17, 16, 15, 17})) << unit;
    }
}

TEST_F(NumboxTest, SteppingFromTypedText) {
    plainBox(kNbDefaultCheck, 0, 100, 10);
    box.typeText("40");
    clickUp();
    EXPECT_EQ(box.value(), 41);
}

TEST_F(NumboxTest, DefaultStepsByColumn) {
    EXPECT_EQ(defaultStep(kUnitInches, 0), 0.01);
    EXPECT_EQ(defaultStep(kUnitInches, 1), 0.05);
    EXPECT_EQ(defaultStep(kUnitInches, 2), 0.1);
    EXPECT_EQ(defaultStep(kUnitCiceros, 0), 0.08333);
    EXPECT_EQ(defaultStep(kUnitCount, 2), 5);
    EXPECT_EQ(defaultStep(kUnitThousandthsOfInch, 0), 0.001);
    EXPECT_EQ(defaultStep(kUnitNone, 2), 1);

    box.setup(kNbStepColumn2);
    NumericRange r;
    r.maximum = 1e7;
    r.value = 254000.0;
    r.displayUnit = kUnitInches;
    box.setRange(r);
    box.setDecimals(2);
    clickUp();
    EXPECT_EQ(box.text(), "1.05");
}

TEST_F(NumboxTest, SpinLayout) {
    // Spin strip narrower than high: the middle strip grows to four pixels.
    SpinLayout l = spinLayout(60, 20, 16);
    EXPECT_EQ(l.left, 44);
    EXPECT_EQ(l.upBottom, 8);
    EXPECT_EQ(l.downTop, 12);
    // Wide strip: two pixels; an odd height one more.
    l = spinLayout(60, 14, 16);
    EXPECT_EQ(l.upBottom, 6);
    EXPECT_EQ(l.downTop, 8);
    l = spinLayout(60, 15, 16);
    EXPECT_EQ(l.downTop, 9);
    EXPECT_EQ(l.hitTest(50, 0), SpinPart::Up);
    EXPECT_EQ(l.hitTest(50, 7), SpinPart::Middle);
    EXPECT_EQ(l.hitTest(50, 14), SpinPart::Down);
    EXPECT_EQ(l.hitTest(50, 15), SpinPart::None);
    EXPECT_EQ(l.hitTest(43, 0), SpinPart::None);
    // Degenerate sizes stay inside the box.
    l = spinLayout(-5, 1, 100);
    EXPECT_EQ(l.left, 0);
    EXPECT_GE(l.upBottom, 0);
    EXPECT_LE(l.downTop, 1);
}

TEST_F(NumboxTest, PositionDrag) {
    plainBox(kNbDefaultCheck, 0, 100, 50);
    box.setClientSize(60, 23, 16);  // middle strip 9..14: a step every 2 pixels
    box.lButtonDown(50, 11);
    EXPECT_TRUE(box.dragging());
    EXPECT_TRUE(timers.empty());
    box.mouseMove(50, 7);
    EXPECT_EQ(box.value(), 52);
    box.mouseMove(50, 6);
    EXPECT_EQ(box.value(), 52);
    box.mouseMove(50, 17);
    EXPECT_EQ(box.value(), 47);
    box.lButtonUp(50, 17);
    EXPECT_EQ(notes, (std::vector<int>{kNbnCommitted, kNbnSpinEnded}));
}

TEST_F(NumboxTest, SpeedDrag) {
    setNumericBoxDragMode(DragMode::Speed);
    plainBox(kNbDefaultCheck, 0, 1000, 100);
    box.setClientSize(60, 23, 16);
    box.lButtonDown(50, 11);
    EXPECT_EQ(box.repeatIntervalMs(), 180u);
    advance(360);  // pointer inside the box: no direction yet
    EXPECT_EQ(box.value(), 100);
    box.mouseMove(50, -1);  // just above the box
    advance(180);
    EXPECT_EQ(box.value(), 101);
    box.mouseMove(50, 11 + 69);  // one unit of three box heights below
    EXPECT_EQ(box.repeatIntervalMs(), 100u);
    advance(200);
    EXPECT_EQ(box.value(), 99);
    box.mouseMove(50, 11 - 140);  // far above: the fast rate steps by five
    EXPECT_EQ(box.repeatIntervalMs(), 55u);
    advance(110);
    EXPECT_EQ(box.value(), 109);
    box.lButtonUp(50, 11 - 140);
    EXPECT_TRUE(timers.empty());
    for (int n : notes) EXPECT_NE(n, kNbnStepped);
}

TEST_F(NumboxTest, FocusAndCommitNotifications) {
    plainBox(kNbDefaultCheck, 0, 100, 10);
    box.focusGained();
    EXPECT_EQ(selectAlls, 1);
    box.focusLost();
    EXPECT_EQ(notes, (std::vector<int>{kNbnFocusLost}));
    notes.clear();
    box.typeText("42");
    box.focusLost();
    EXPECT_EQ(notes, (std::vector<int>{19, 19, kNbnCommitted, kNbnFocusLost}));
    EXPECT_EQ(box.value(), 42);
    // An emptied field commits nothing and shows the value again.
    notes.clear();
    box.typeChar('\b', "");
    box.focusLost();
    EXPECT_EQ(notes, (std::vector<int>{19, kNbnFocusLost}));
    EXPECT_EQ(box.text(), "42");
    // Losing the focus in the middle of a spin ends it first.
    notes.clear();
    box.lButtonDown(50, 2);
    box.focusLost();
    EXPECT_EQ(notes, (std::vector<int>{16, 15, 17, 20}));
    EXPECT_TRUE(timers.empty());
}

TEST_F(NumboxTest, EnterAndEscapeGoToTheParent) {
    plainBox(kNbDefaultCheck, 0, 100, 10);
    box.typeText("1x");  // refused at the x
    box.pressEnter();
    EXPECT_EQ(box.value(), 1);
    box.typeText("-");
    box.pressEnter();  // not a value: the old one is shown again
    EXPECT_EQ(box.text(), "1");
    box.pressEscape();
    EXPECT_EQ(commands, (std::vector<int>{kNbDefaultCommand, kNbDefaultCommand, kNbCancelCommand}));
}

TEST_F(NumboxTest, FullValueEditor) {
    plainBox(kNbDefaultCheck, 0, 100, 10);
    int opened = 0;
    NumericBox::Host host;
    host.notify = [this](int code) { notes.push_back(code); };
    host.openFullValueEditor = [&] { ++opened; };
    box.setHost(host);
    box.menuCommand(kNbMenuEditFullValue);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(box.commitFullValue("77"));
    EXPECT_EQ(box.value(), 77);
    EXPECT_EQ(notes, (std::vector<int>{kNbnCommitted}));
    EXPECT_FALSE(box.commitFullValue("seventy"));
    EXPECT_EQ(box.value(), 77);
}

TEST_F(NumboxTest, GetValueReadsOnlyTypedTextAndKeepsItInRange) {
    plainBox(kNbDefaultCheck, 10, 100, 50);
    box.typeText("500");
    EXPECT_EQ(box.getValue(), 100);
    box.typeText("5");
    EXPECT_EQ(box.getValue(), 10);
}

TEST_F(NumboxTest, ScaleFactor) {
    box.setup(kNbScaled);
    NumericRange r;
    r.maximum = 1000;
    r.value = 10;
    r.displayUnit = kUnitCount;
    r.factor = 2.0;
    box.setRange(r);
    box.setDecimals(0);
    EXPECT_EQ(box.text(), "20");
    box.typeText("50");
    box.commit();
    EXPECT_EQ(box.value(), 25);
}

TEST_F(NumboxTest, DisabledBoxIgnoresTheUser) {
    plainBox(kNbDefaultCheck, 0, 100, 10);
    box.setEnabled(false);
    box.lButtonDown(50, 2);
    EXPECT_FALSE(box.typeChar('1', "101"));
    box.pressEnter();
    EXPECT_EQ(box.value(), 10);
    EXPECT_TRUE(notes.empty());
}

TEST_F(NumboxTest, BadRangesAndValues) {
    box.setup(kNbDefaultCheck);
    NumericRange r;
    r.minimum = 100;
    r.maximum = 0;  // given the wrong way round
    r.value = 1e308;
    r.unit = kUnitMiles;  // overflows to infinity in internal units
    r.displayUnit = 99;
    box.setRange(r);
    EXPECT_EQ(box.minimum(), 0);
    EXPECT_EQ(box.displayUnit(), kUnitInches);
    EXPECT_EQ(box.value(), 0);
    EXPECT_FALSE(box.setValue(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(box.value(), 0);
}

}  // namespace
}  // namespace gx
