// Units of measure: codes, conversion factors, names, and the locale-aware text of a
// length. Lengths are held in one internal unit, a ten-thousandth of a millimetre
// (254000 per inch), and shown in whatever unit the user picks.
#pragma once

#include <string>
#include <vector>

namespace gx {

// Unit codes. 0, 11, 17, 22 and 23 are plain numbers that are never converted.
enum MeasureUnit : int {
    kUnitNone = 0,
    kUnitInches = 1,
    kUnitMillimeters = 2,
    kUnitPicas = 3,  // picas, with points as the compound part
    kUnitPoints = 4,
    kUnitCentimeters = 5,
    kUnitPixels = 6,
    kUnitFeet = 7,
    kUnitMiles = 8,
    kUnitMeters = 9,
    kUnitKilometers = 10,
    kUnitDegrees = 11,
    kUnitCiceros = 12,  // ciceros, with didots as the compound part
    kUnitDidots = 13,
    kUnitAgates = 14,
    kUnitTenthsOfInch = 15,
    kUnitYards = 16,
    kUnitPlain17 = 17,
    kUnitTenthsOfInch18 = 18,
    kUnitHundredthsOfInch = 19,
    kUnitThousandthsOfInch = 20,
    kUnitUnconverted21 = 21,
    kUnitCount = 22,  // plain counts
    kUnitPlain23 = 23,
    kLastUnitCode = 23,
};

inline constexpr double kInternalPerInch = 254000.0;
// Pixels per kilometre used when no resolution is given: 300 pixels per inch.
inline constexpr double kDefaultPixelResolution = 11811024.0;
// A `decimals` request meaning "no decimals" (0 asks for the unit's default).
inline constexpr int kNoDecimals = 10000;

// True for the codes whose values are plain numbers (0, 11, 17, 22, 23).
bool isPlainUnit(int unit);
// True for picas and ciceros, which are written "whole, compound".
bool isCompoundUnit(int unit);

// Internal units per unit; `resolution` (pixels per kilometre) matters for pixels only,
// a value not above 1e-6 meaning the default.
double unitFactor(int unit, double resolution);
double toInternalUnits(int unit, double resolution, double value);
double fromInternalUnits(int unit, double resolution, double value);
// Unchanged when either unit is plain; otherwise through internal units.
double convertUnits(int targetUnit, int sourceUnit, double value);

enum class UnitNameForm { Plural = 0, Singular = 1, Abbreviation = 2 };
// The name from the string table ("" for unnamed codes); a short name's comma
// becomes the locale's list separator.
std::string unitName(int unit, UnitNameForm form);

int defaultDecimals(int unit);

// Unit lists offered to unit combos, chosen by flag.
enum UnitListFlag : int {
    kUnitListTypographic = 1,
    kUnitListGeneral = 2,
    kUnitListPlain = 4,
    kUnitListLongDistances = 8,
};
// The codes of one list, in display order (empty for an unknown flag).
std::vector<int> unitList(int listFlag);
// What a unit combo or list box shows for a list, in order.
std::vector<std::string> unitListNames(int listFlag, UnitNameForm form);
// The code of the entry at a selected index; the list's first code for no or a bad
// selection (-1 for an unknown list).
int selectedUnit(int listFlag, int index);
// The entry index of a unit in a list, or -1.
int unitIndex(int listFlag, int unit);

// The locale values the text of a length depends on.
struct UnitLocale {
    std::string listSeparator = ",";
    std::string decimalSeparator = ".";
    bool leadingZero = true;
    std::string negativeSign = "-";
};
// The values in use, read from the user's default locale on first use. False when
// they could not be read.
bool unitLocale(UnitLocale& out);
// Replaces the system's values (null goes back to them); `failed` makes the next
// reads fail as a broken locale would.
void overrideUnitLocale(const UnitLocale* values, bool failed = false);

// The text of an internal value in `unit`. Decimals 0 means the unit's default and
// kNoDecimals none; more than 15 are shown as 15. Empty for a unit code above 23,
// a value that is not finite, or a locale that could not be read.
std::string formatLength(double internalValue, int unit, double resolution, int decimals);

// Reads text as formatLength writes it in `unit` (the locale's separators and sign,
// "whole, compound" for picas and ciceros with the compound part divided by 12;
// surrounding blanks allowed). False, leaving `out` alone, for anything else.
bool parseLength(const std::string& text, int unit, double& out);
// True when text is empty or can still be completed into a value parseLength accepts:
// what the typing filter of an entry field lets through.
bool isPartialLength(const std::string& text, int unit);

// A number, optionally followed by a unit's abbreviation or name ("720pt", "10 in",
// "254mm", "60,0pc"), in thousandths of an inch; a bare number is in `defaultUnit`.
// Locale-independent: "." is the decimal point and "," separates the compound part of
// picas and ciceros. False for anything else.
bool parseLengthWithUnit(const std::string& text, int defaultUnit, double& thousandths);

}  // namespace gx
