#include "support/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace gx {
namespace {

constexpr double kInch = 254000.0;

class UnitsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UnitLocale us;  // comma lists, point decimals, leading zero, "-"
        overrideUnitLocale(&us);
    }
    void TearDown() override { overrideUnitLocale(nullptr); }
};

TEST_F(UnitsTest, ConversionsFollowTheUnitTable) {
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitInches, 0, 1), kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitMillimeters, 0, 25.4), kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitPicas, 0, 6), kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitPoints, 0, 72), kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitCiceros, 0, 1), 45118.7);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitDidots, 0, 1), 3759.2);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitAgates, 0, 14), kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitYards, 0, 1), 36 * kInch);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitMiles, 0, 1), 1.609344e10);
    EXPECT_DOUBLE_EQ(toInternalUnits(kUnitThousandthsOfInch, 0, 1000), kInch);
    EXPECT_DOUBLE_EQ(fromInternalUnits(kUnitHundredthsOfInch, 0, kInch), 100);
    EXPECT_DOUBLE_EQ(fromInternalUnits(kUnitTenthsOfInch18, 0, kInch), 10);
    // Code 21 and unknown codes: thousandths on the way in, nothing on the way out.
    EXPECT_DOUBLE_EQ(toInternalUnits(21, 0, 1), 254);
    EXPECT_DOUBLE_EQ(toInternalUnits(40, 0, 1), 254);
    EXPECT_EQ(fromInternalUnits(21, 0, kInch), 0);
    EXPECT_EQ(fromInternalUnits(40, 0, kInch), 0);
    EXPECT_EQ(fromInternalUnits(-3, 0, kInch), 0);
    for (int plain : {0, 11, 17, 22, 23}) {
        EXPECT_EQ(toInternalUnits(plain, 0, 7.5), 7.5) << plain;
        EXPECT_EQ(fromInternalUnits(plain, 0, 7.5), 7.5) << plain;
    }
}

TEST_F(UnitsTest, PixelsUseTheResolutionOrThreeHundredPerInch) {
    EXPECT_NEAR(toInternalUnits(kUnitPixels, 0, 300), kInch, 0.01);
    EXPECT_NEAR(toInternalUnits(kUnitPixels, 1e-6, 300), kInch, 0.01);
    EXPECT_NEAR(toInternalUnits(kUnitPixels, 1e7, 1), 1000.0, 1e-9);
    EXPECT_EQ(formatLength(kInch, kUnitPixels, 0, 0), "300");
}

TEST_F(UnitsTest, ConvertUnitsIsExactForWholeRatiosOfTheInch) {
    // The settings truncate this result: 72 points must be 1000, not 999.999...
    EXPECT_EQ(convertUnits(kUnitThousandthsOfInch, kUnitPoints, 72), 1000.0);
    EXPECT_EQ(convertUnits(kUnitThousandthsOfInch, kUnitPicas, 60), 10000.0);
    EXPECT_EQ(convertUnits(kUnitThousandthsOfInch, kUnitMillimeters, 254), 10000.0);
    EXPECT_EQ(convertUnits(kUnitPoints, kUnitInches, 10), 720.0);
    // Plain codes on either side leave the value alone.
    EXPECT_EQ(convertUnits(kUnitCount, kUnitInches, 3), 3.0);
    EXPECT_EQ(convertUnits(kUnitInches, kUnitDegrees, 3), 3.0);
}

TEST_F(UnitsTest, WorkedExamples) {
    EXPECT_EQ(formatLength(254000, kUnitInches, 0, 5), "1.00000");
    EXPECT_EQ(formatLength(10 * kInch, kUnitPoints, 0, 1), "720.0");
    EXPECT_EQ(formatLength(10 * kInch, kUnitPicas, 0, 1), "60,0.0");
}

TEST_F(UnitsTest, SmallNegativesShowAsZeroWithoutSign) {
    double pt = toInternalUnits(kUnitPoints, 0, 1);
    EXPECT_EQ(formatLength(-0.04 * pt, kUnitPoints, 0, 1), "0.0");
    EXPECT_EQ(formatLength(-0.5 * pt, kUnitPoints, 0, 1), "-0.5");
    EXPECT_EQ(formatLength(-2.25 * pt, kUnitPoints, 0, 2), "-2.25");
    // No decimals: whole part, rounded down, sign only when it is not zero.
    EXPECT_EQ(formatLength(-0.7 * pt, kUnitPoints, 0, kNoDecimals), "0");
    EXPECT_EQ(formatLength(-1.7 * pt, kUnitPoints, 0, kNoDecimals), "-1");
    EXPECT_EQ(formatLength(1.7 * pt, kUnitPoints, 0, kNoDecimals), "1");
}

TEST_F(UnitsTest, CompoundUnitsCarryTheirPart) {
    double pc = toInternalUnits(kUnitPicas, 0, 1);
    EXPECT_EQ(formatLength(11.96 * pc, kUnitPicas, 0, 1), "11,11.5");
    EXPECT_EQ(formatLength(11.999 * pc, kUnitPicas, 0, 1), "12,0.0");
    EXPECT_EQ(formatLength(-1.5 * pc, kUnitPicas, 0, 1), "-1,6.0");
    EXPECT_EQ(formatLength(-0.0001 * pc, kUnitPicas, 0, 1), "0,0.0");
    // Default decimals of picas are 0: the compound part is shown whole.
    EXPECT_EQ(formatLength(1.5 * pc, kUnitPicas, 0, 0), "1,6");
    double cc = toInternalUnits(kUnitCiceros, 0, 1);
    EXPECT_EQ(formatLength(2.25 * cc, kUnitCiceros, 0, 2), "2,3.00");
}

TEST_F(UnitsTest, DecimalsRequests) {
    // 0 is the unit's default; 10000 none; silly requests are bounded.
    EXPECT_EQ(formatLength(kInch, kUnitInches, 0, 0), "1.00000");
    EXPECT_EQ(formatLength(kInch, kUnitMillimeters, 0, 0), "25.400");
    EXPECT_EQ(formatLength(kInch, kUnitInches, 0, kNoDecimals), "1");
    EXPECT_EQ(formatLength(kInch, kUnitInches, 0, -5), "1");
    EXPECT_EQ(formatLength(kInch, kUnitInches, 0, 9999), "1.000000000000000");
    EXPECT_EQ(formatLength(1234.5, kUnitCount, 0, 0), "1234");
    EXPECT_EQ(formatLength(2.5, kUnitPlain17, 0, 0), "3");
    EXPECT_EQ(formatLength(-0.5, kUnitPlain23, 0, 0), "0");
    EXPECT_EQ(formatLength(-2.6, kUnitPlain23, 0, 0), "-3");
}

TEST_F(UnitsTest, BadUnitsAndValuesGiveNoText) {
    EXPECT_EQ(formatLength(kInch, 24, 0, 1), "");
    EXPECT_EQ(formatLength(kInch, -1, 0, 1), "");
    EXPECT_EQ(formatLength(std::nan(""), kUnitInches, 0, 1), "");
    EXPECT_EQ(formatLength(HUGE_VAL, kUnitInches, 0, 1), "");
    // Huge but finite values are still written out in full.
    std::string huge = formatLength(1e20, kUnitCount, 0, kNoDecimals);
    EXPECT_EQ(huge, "100000000000000000000");
}

TEST_F(UnitsTest, LocaleValuesShapeTheText) {
    UnitLocale de;
    de.listSeparator = ";";
    de.decimalSeparator = ",";
    de.leadingZero = false;
    de.negativeSign = "~";
    overrideUnitLocale(&de);
    double pt = toInternalUnits(kUnitPoints, 0, 1);
    EXPECT_EQ(formatLength(0.5 * pt, kUnitPoints, 0, 1), ",5");
    EXPECT_EQ(formatLength(-1.5 * pt, kUnitPoints, 0, 1), "~1,5");
    EXPECT_EQ(formatLength(10 * kInch, kUnitPicas, 0, 1), "60;0,0");
    EXPECT_EQ(unitName(kUnitPicas, UnitNameForm::Plural), "picas; points");
    double v = 0;
    ASSERT_TRUE(parseLength("60;6,0", kUnitPicas, v));
    EXPECT_DOUBLE_EQ(v, 60.5);
    ASSERT_TRUE(parseLength("~,5", kUnitPoints, v));
    EXPECT_DOUBLE_EQ(v, -0.5);
}

TEST_F(UnitsTest, FailedLocaleGivesNoText) {
    overrideUnitLocale(nullptr, true);
    EXPECT_EQ(formatLength(kInch, kUnitInches, 0, 5), "");
    double v = 0;
    EXPECT_FALSE(parseLength("1", kUnitInches, v));
}

TEST_F(UnitsTest, NamesListsAndDefaults) {
    EXPECT_EQ(unitName(kUnitInches, UnitNameForm::Plural), "inches");
    EXPECT_EQ(unitName(kUnitInches, UnitNameForm::Singular), "inch");
    EXPECT_EQ(unitName(kUnitPoints, UnitNameForm::Abbreviation), "pt");
    EXPECT_EQ(unitName(kUnitCiceros, UnitNameForm::Plural), "ciceros, didots");
    EXPECT_EQ(unitName(kUnitTenthsOfInch, UnitNameForm::Abbreviation), "in decimal");
    EXPECT_EQ(unitName(kUnitYards, UnitNameForm::Plural), "yards");
    EXPECT_EQ(unitName(kUnitNone, UnitNameForm::Plural), "");
    EXPECT_EQ(unitName(kUnitCount, UnitNameForm::Plural), "");
    EXPECT_EQ(unitName(99, UnitNameForm::Plural), "");
    // Every unit a combo may offer has a name.
    for (int flag : {kUnitListTypographic, kUnitListGeneral, kUnitListLongDistances})
        for (int u : unitList(flag)) EXPECT_NE(unitName(u, UnitNameForm::Plural), "") << u;
    EXPECT_EQ(unitList(kUnitListTypographic), (std::vector<int>{1, 2, 3, 4, 12, 13}));
    EXPECT_EQ(unitList(kUnitListGeneral), (std::vector<int>{1, 2, 3, 4, 5, 6, 12, 13}));
    EXPECT_EQ(unitList(kUnitListPlain), (std::vector<int>{22}));
    EXPECT_EQ(unitList(kUnitListLongDistances),
              (std::vector<int>{1, 2, 3, 4, 12, 13, 7, 16, 8, 5, 9, 10}));
    EXPECT_TRUE(unitList(3).empty());
    // The design-size combo's entries, and reading a selection back.
    EXPECT_EQ(unitListNames(kUnitListTypographic, UnitNameForm::Plural),
              (std::vector<std::string>{"inches", "millimeters", "picas, points", "points",
                                        "ciceros, didots", "didots"}));
    EXPECT_EQ(selectedUnit(kUnitListTypographic, 3), kUnitPoints);
    EXPECT_EQ(selectedUnit(kUnitListTypographic, -1), kUnitInches);
    EXPECT_EQ(selectedUnit(kUnitListTypographic, 6), kUnitInches);
    EXPECT_EQ(selectedUnit(3, 0), -1);
    EXPECT_EQ(unitIndex(kUnitListLongDistances, kUnitYards), 7);
    EXPECT_EQ(unitIndex(kUnitListTypographic, kUnitFeet), -1);
    EXPECT_EQ(defaultDecimals(kUnitInches), 5);
    EXPECT_EQ(defaultDecimals(kUnitMiles), 9);
    EXPECT_EQ(defaultDecimals(kUnitYards), 6);
    EXPECT_EQ(defaultDecimals(20), 0);
    EXPECT_EQ(defaultDecimals(-1), 0);
}

TEST_F(UnitsTest, ReaderAcceptsWhatTheFormatterWrites) {
    const double values[] = {0, 1, -1, 0.5, 12.34567, -11.96, 11.999, 1000, 16383};
    const int units[] = {1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 19, 20, 22};
    for (int unit : units) {
        for (double shown : values) {
            double internal = toInternalUnits(unit, 0, shown);
            for (int decimals : {0, 1, 3, kNoDecimals}) {
                std::string text = formatLength(internal, unit, 0, decimals);
                double back = 0;
                ASSERT_TRUE(parseLength(text, unit, back)) << unit << " " << text;
                // What the text says, within its last digit.
                std::string again = formatLength(toInternalUnits(unit, 0, back), unit, 0, decimals);
                EXPECT_EQ(again, text) << unit << " " << shown;
            }
        }
    }
}

TEST_F(UnitsTest, ReaderGrammar) {
    double v = 0;
    ASSERT_TRUE(parseLength("  12.5 ", kUnitPoints, v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    ASSERT_TRUE(parseLength(".25", kUnitPoints, v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    ASSERT_TRUE(parseLength("7.", kUnitPoints, v));
    EXPECT_DOUBLE_EQ(v, 7);
    ASSERT_TRUE(parseLength("+3", kUnitPoints, v));
    EXPECT_DOUBLE_EQ(v, 3);
    ASSERT_TRUE(parseLength("11,11.5", kUnitPicas, v));
    EXPECT_DOUBLE_EQ(v, 11 + 11.5 / 12);
    ASSERT_TRUE(parseLength("-1,6", kUnitPicas, v));
    EXPECT_DOUBLE_EQ(v, -1.5);
    ASSERT_TRUE(parseLength("2.5", kUnitPicas, v));  // a plain number of picas
    EXPECT_DOUBLE_EQ(v, 2.5);
    ASSERT_TRUE(parseLength("12,", kUnitPicas, v));
    EXPECT_DOUBLE_EQ(v, 12);
    ASSERT_TRUE(parseLength(",6", kUnitCiceros, v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    ASSERT_TRUE(parseLength("0.1", kUnitInches, v));
    EXPECT_EQ(v, 0.1);
    ASSERT_TRUE(parseLength("0.000000000000000000000000001", kUnitInches, v));
    EXPECT_EQ(v, 0);

    v = 42;
    for (const char* bad :
         {"", " ", "-", ".", "abc", "1.2.3", "1,5", "1 2", "--1", "1-", "1e3", "0x10", "nan", "inf",
          "1,2,3", "1.5,3", "12pt", "99999999999999999999", "1000000000000001"}) {
        EXPECT_FALSE(parseLength(
            bad,
            std::string(bad) == "1,2,3" || std::string(bad) == "1.5,3" ? kUnitPicas : kUnitPoints,
            v))
            << bad;
        EXPECT_EQ(v, 42) << bad;
    }
}

TEST_F(UnitsTest, PartialTextIsWhatTypingCanStillComplete) {
    for (const char* ok : {"", "-", " -", ".", "-.", "1.", "12", "1,", "1,1."})
        EXPECT_TRUE(isPartialLength(ok, kUnitPicas)) << ok;
    for (const char* bad : {"a", "1a", "1..", "1,1,", "--", "1.5,", "1 1"})
        EXPECT_FALSE(isPartialLength(bad, kUnitPicas)) << bad;
    EXPECT_FALSE(isPartialLength("1,", kUnitPoints));
    EXPECT_FALSE(isPartialLength("12345678901234567890", kUnitPoints));
    // A multi-byte sign typed one byte at a time.
    UnitLocale loc;
    loc.negativeSign = "\xE2\x88\x92";  // U+2212 in UTF-8
    overrideUnitLocale(&loc);
    EXPECT_TRUE(isPartialLength("\xE2\x88", kUnitPoints));
    double v = 0;
    ASSERT_TRUE(
        parseLength("\xE2\x88\x92"
                    "2",
                    kUnitPoints, v));
    EXPECT_EQ(v, -2);
}

TEST_F(UnitsTest, ReadersSurviveArbitraryText) {
    // Every byte value and odd mixes of the grammar's own characters.
    const char alphabet[] = "0123456789.,-+ ;\t\xE2\x88\x92ptinmcx\xFF";
    uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        int length = int(seed % 24);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += (seed >> 24) % 4 == 0 ? char(seed >> 16)
                                          : alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        seed = seed * 1664525u + 1013904223u;
        int unit = int(seed % 26) - 1;
        double v = 0;
        if (parseLength(text, unit, v)) {
            EXPECT_TRUE(std::isfinite(v)) << text;
            EXPECT_TRUE(isPartialLength(text, unit)) << text;
        }
        if (parseLengthWithUnit(text, unit, v)) {
            EXPECT_TRUE(std::isfinite(v)) << text;
        }
    }
}

TEST_F(UnitsTest, CommandLineLengths) {
    double t = 0;
    ASSERT_TRUE(parseLengthWithUnit("720pt", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("10in", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("254mm", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("60pc", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("60,0pc", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("59,12 pc", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("10 Inches", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("10000", kUnitThousandthsOfInch, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("720", kUnitPoints, t));
    EXPECT_EQ(t, 10000);
    ASSERT_TRUE(parseLengthWithUnit("0.5in", kUnitPoints, t));
    EXPECT_EQ(t, 500);

    // The command line does not follow the user's locale.
    UnitLocale de;
    de.decimalSeparator = ",";
    de.listSeparator = ";";
    overrideUnitLocale(&de);
    ASSERT_TRUE(parseLengthWithUnit("0.5in", kUnitPoints, t));
    EXPECT_EQ(t, 500);

    t = 7;
    for (const char* bad : {"", "pt", "12 parsecs", "1,5mm", "1e3", "abc", "10in in", "-"})
        EXPECT_FALSE(parseLengthWithUnit(bad, kUnitThousandthsOfInch, t)) << bad;
    EXPECT_FALSE(parseLengthWithUnit("5", 99, t));
    EXPECT_EQ(t, 7);
}

}  // namespace
}  // namespace gx

// ------------------------------------------------------------------ companion file names

#include "support/paths.h"

namespace gx {
namespace {

TEST(CompanionPathTest, ReplacesTheExtensionButNeverNamesTheFileItself) {
    EXPECT_EQ(companionPath("/fonts/My Font.pfb", ".afm"), "/fonts/My Font.afm");
    EXPECT_EQ(companionPath("font", ".bak"), "font.bak");
    EXPECT_EQ(companionPath("dir.v2/font", ".bak"), "dir.v2/font.bak");
    EXPECT_EQ(companionPath("C:\\fonts\\a.TTF", ".bak"), "C:\\fonts\\a.bak");
    EXPECT_EQ(companionPath("old.bak", ".bak"), "old.bak.bak");
    EXPECT_EQ(companionPath("OLD.BAK", ".bak"), "OLD.BAK.bak");
}

}  // namespace
}  // namespace gx
