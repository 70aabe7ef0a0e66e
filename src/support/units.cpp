#include "support/units.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "support/strings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#include <clocale>
#endif

namespace gx {
namespace {

// A factor kept as a fraction, so that lengths defined by whole ratios of the inch
// (720 points, 60 picas) convert without a rounding step: 72 points give exactly
// 1000 thousandths of an inch, which the settings truncate to an integer.
struct Ratio {
    double num;  // internal units per `den` units
    double den;
};

bool ratioOf(int unit, double resolution, Ratio& r) {
    switch (unit) {
        case kUnitInches:
            r = {254000.0, 1.0};
            return true;
        case kUnitMillimeters:
            r = {10000.0, 1.0};
            return true;
        case kUnitPicas:
            r = {254000.0, 6.0};
            return true;
        case kUnitPoints:
            r = {254000.0, 72.0};
            return true;
        case kUnitCentimeters:
            r = {100000.0, 1.0};
            return true;
        case kUnitPixels:
            r = {1e10, resolution > 1e-6 ? resolution : kDefaultPixelResolution};
            return true;
        case kUnitFeet:
            r = {3048000.0, 1.0};
            return true;
        case kUnitMiles:
            r = {1.609344e10, 1.0};
            return true;
        case kUnitMeters:
            r = {10000000.0, 1.0};
            return true;
        case kUnitKilometers:
            r = {1e10, 1.0};
            return true;
        case kUnitCiceros:
            r = {451187.0, 10.0};
            return true;
        case kUnitDidots:
            r = {37592.0, 10.0};
            return true;
        case kUnitAgates:
            r = {254000.0, 14.0};
            return true;
        case kUnitTenthsOfInch:
        case kUnitTenthsOfInch18:
            r = {25400.0, 1.0};
            return true;
        case kUnitYards:
            r = {9144000.0, 1.0};
            return true;
        case kUnitHundredthsOfInch:
            r = {2540.0, 1.0};
            return true;
        case kUnitThousandthsOfInch:
            r = {254.0, 1.0};
            return true;
        default:
            return false;
    }
}

double powerOfTen(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= 10.0;
    return p;
}

// ------------------------------------------------------------------ locale

struct LocaleSlot {
    bool read = false;
    bool ok = false;
    bool overridden = false;
    UnitLocale values;
};

LocaleSlot& localeSlot() {
    static LocaleSlot slot;
    return slot;
}

#ifdef _WIN32
bool readInfo(LCTYPE type, std::string& out) {
    char buffer[16];
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, int(sizeof buffer));
    if (n <= 0) return false;
    buffer[sizeof buffer - 1] = '\0';
    out = buffer;
    return true;
}

bool readSystemLocale(UnitLocale& out) {
    std::string leadingZero;
    if (!readInfo(LOCALE_SLIST, out.listSeparator) ||
        !readInfo(LOCALE_SDECIMAL, out.decimalSeparator) || !readInfo(LOCALE_ILZERO, leadingZero) ||
        !readInfo(LOCALE_SNEGATIVESIGN, out.negativeSign))
        return false;
    out.leadingZero = leadingZero == "1";
    return true;
}
#else
bool readSystemLocale(UnitLocale& out) {
    // The user's own settings, without touching the process-wide locale the host uses.
    // Only the two categories read are loaded (the decimal point is numeric, the
    // negative sign monetary); loading all of them costs a file each.
    const int mask = LC_NUMERIC_MASK | LC_MONETARY_MASK;
    locale_t user = newlocale(mask, "", locale_t(0));
    if (user == locale_t(0)) user = newlocale(mask, "C", locale_t(0));
    if (user == locale_t(0)) return false;
    locale_t previous = uselocale(user);
    const lconv* conv = localeconv();
    std::string decimal = conv && conv->decimal_point ? conv->decimal_point : "";
    std::string negative = conv && conv->negative_sign ? conv->negative_sign : "";
    uselocale(previous);
    freelocale(user);
    out.decimalSeparator = decimal.empty() ? "." : decimal;
    out.negativeSign = negative.empty() ? "-" : negative;
    // POSIX locales have no list separator or leading-zero setting; follow the
    // convention of comma-decimal locales, which separate lists with semicolons.
    out.listSeparator = out.decimalSeparator == "," ? ";" : ",";
    out.leadingZero = true;
    return true;
}
#endif

// ------------------------------------------------------------------ formatting

// The decimal digits of a whole, non-negative number.
std::string wholeDigits(double w) {
    if (w < 9.0e15) {
        uint64_t n = uint64_t(w);
        char buffer[24];
        int i = int(sizeof buffer);
        buffer[--i] = '\0';
        do {
            buffer[--i] = char('0' + n % 10);
            n /= 10;
        } while (n != 0);
        return buffer + i;
    }
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", w);
    return buffer;
}

// |v| rounded to d decimals: the whole part's digits and exactly d fraction digits.
void fixedDigits(double absValue, int d, std::string& whole, std::string& fraction) {
    double scale = powerOfTen(d);
    double a = absValue + 0.5 / scale;
    double w = std::floor(a);
    double f = std::floor((a - w) * scale);
    if (f > scale - 1.0) f = scale - 1.0;
    if (f < 0.0) f = 0.0;
    whole = wholeDigits(w);
    fraction = wholeDigits(f);
    if (int(fraction.size()) < d) fraction.insert(0, size_t(d) - fraction.size(), '0');
}

bool allZero(const std::string& digits) {
    for (char c : digits)
        if (c != '0') return false;
    return true;
}

// ------------------------------------------------------------------ reading

struct NumberSyntax {
    std::string decimal;
    std::string listSeparator;
    std::string negativeSign;
    bool compound = false;
};

enum class Scan { Invalid, Partial, Complete };

// Matching a token at pos: all of it, or the text ends inside it.
enum class Match { No, Whole, PrefixAtEnd };

Match matchToken(const std::string& t, size_t pos, const std::string& token) {
    if (token.empty()) return Match::No;
    size_t n = t.size() - pos;
    if (n >= token.size())
        return t.compare(pos, token.size(), token) == 0 ? Match::Whole : Match::No;
    return n > 0 && token.compare(0, n, t, pos, n) == 0 ? Match::PrefixAtEnd : Match::No;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits with an optional fraction, accumulated exactly: at most 18 significant
// digits are kept (later fraction digits cannot matter to a double).
struct Number {
    uint64_t mantissa = 0;
    int significant = 0;
    int fractionDigits = 0;
    int digits = 0;
    bool tooLarge = false;

    void addDigit(char c, bool inFraction) {
        ++digits;
        if (significant == 0 && c == '0') {
            if (inFraction && fractionDigits < 18) ++fractionDigits;
            return;
        }
        if (significant >= 18) {
            if (!inFraction) tooLarge = true;
            return;
        }
        if (inFraction) {
            if (fractionDigits >= 18) return;
            ++fractionDigits;
        }
        mantissa = mantissa * 10 + uint64_t(c - '0');
        ++significant;
    }
    double value() const { return double(mantissa) / powerOfTen(fractionDigits); }
};

// digits [decimal digits] | decimal digits; `wholeOnly` refuses the decimal part.
Scan scanNumber(const std::string& t, size_t& pos, const std::string& decimal, bool wholeOnly,
                Number& n) {
    while (pos < t.size() && isDigit(t[pos])) n.addDigit(t[pos++], false);
    if (!wholeOnly) {
        Match m = matchToken(t, pos, decimal);
        if (m == Match::PrefixAtEnd) {
            pos = t.size();
            return Scan::Partial;
        }
        if (m == Match::Whole) {
            pos += decimal.size();
            while (pos < t.size() && isDigit(t[pos])) n.addDigit(t[pos++], true);
        }
    }
    if (n.tooLarge) return Scan::Invalid;
    return n.digits > 0 ? Scan::Complete : Scan::Partial;
}

constexpr double kLargestLength = 1e15;

Scan scanLength(const std::string& t, const NumberSyntax& syntax, double* out) {
    size_t pos = 0;
    while (pos < t.size() && isBlank(t[pos])) ++pos;
    bool negative = false;
    if (pos < t.size() && (t[pos] == '-' || t[pos] == '+')) {
        negative = t[pos] == '-';
        ++pos;
    } else {
        Match m = matchToken(t, pos, syntax.negativeSign);
        if (m == Match::PrefixAtEnd) return Scan::Partial;
        if (m == Match::Whole) {
            negative = true;
            pos += syntax.negativeSign.size();
        }
    }
    Number whole;
    Number part;
    bool hasPart = false;
    Scan s = Scan::Partial;
    if (syntax.compound) {
        // "whole, compound" or a plain decimal number of the main unit.
        size_t at = pos;
        s = scanNumber(t, pos, syntax.decimal, true, whole);
        Match sep = s == Scan::Invalid ? Match::No : matchToken(t, pos, syntax.listSeparator);
        if (sep == Match::PrefixAtEnd) return Scan::Partial;
        if (sep == Match::Whole) {
            hasPart = true;
            pos += syntax.listSeparator.size();
            size_t partStart = pos;
            s = scanNumber(t, pos, syntax.decimal, false, part);
            // "12," reads as 12 and nothing more, as a user leaving the points out means.
            if (s == Scan::Partial && pos == partStart && whole.digits > 0) s = Scan::Complete;
        } else {
            pos = at;
            whole = Number();
            s = scanNumber(t, pos, syntax.decimal, false, whole);
        }
    } else {
        s = scanNumber(t, pos, syntax.decimal, false, whole);
    }
    if (s == Scan::Invalid) return Scan::Invalid;
    while (pos < t.size() && isBlank(t[pos])) ++pos;
    if (pos != t.size()) return Scan::Invalid;
    if (s == Scan::Partial) return Scan::Partial;
    double v = whole.value();
    if (hasPart) v += part.value() / 12.0;
    if (!(v <= kLargestLength)) return Scan::Invalid;
    if (out) *out = negative ? -v : v;
    return Scan::Complete;
}

bool syntaxFor(int unit, NumberSyntax& syntax) {
    UnitLocale loc;
    if (!unitLocale(loc)) return false;
    syntax.decimal = loc.decimalSeparator;
    syntax.listSeparator = loc.listSeparator;
    syntax.negativeSign = loc.negativeSign;
    syntax.compound = isCompoundUnit(unit);
    return true;
}

// Names accepted after a number on a command line, independent of any locale.
struct UnitWord {
    const char* word;
    int unit;
};
const UnitWord kUnitWords[] = {
    {"in", kUnitInches},
    {"inch", kUnitInches},
    {"inches", kUnitInches},
    {"mm", kUnitMillimeters},
    {"millimeter", kUnitMillimeters},
    {"millimeters", kUnitMillimeters},
    {"millimetre", kUnitMillimeters},
    {"millimetres", kUnitMillimeters},
    {"pc", kUnitPicas},
    {"pica", kUnitPicas},
    {"picas", kUnitPicas},
    {"pt", kUnitPoints},
    {"point", kUnitPoints},
    {"points", kUnitPoints},
    {"cm", kUnitCentimeters},
    {"centimeter", kUnitCentimeters},
    {"centimeters", kUnitCentimeters},
    {"centimetre", kUnitCentimeters},
    {"centimetres", kUnitCentimeters},
    {"px", kUnitPixels},
    {"pixel", kUnitPixels},
    {"pixels", kUnitPixels},
    {"ft", kUnitFeet},
    {"foot", kUnitFeet},
    {"feet", kUnitFeet},
    {"yd", kUnitYards},
    {"yard", kUnitYards},
    {"yards", kUnitYards},
    {"m", kUnitMeters},
    {"meter", kUnitMeters},
    {"meters", kUnitMeters},
    {"metre", kUnitMeters},
    {"metres", kUnitMeters},
    {"cc", kUnitCiceros},
    {"cicero", kUnitCiceros},
    {"ciceros", kUnitCiceros},
    {"dd", kUnitDidots},
    {"didot", kUnitDidots},
    {"didots", kUnitDidots},
    {"thou", kUnitThousandthsOfInch},
    {"mil", kUnitThousandthsOfInch},
};

}  // namespace

// ------------------------------------------------------------------ unit table

bool isPlainUnit(int unit) {
    return unit == kUnitNone || unit == kUnitDegrees || unit == kUnitPlain17 ||
           unit == kUnitCount || unit == kUnitPlain23;
}

bool isCompoundUnit(int unit) {
    return unit == kUnitPicas || unit == kUnitCiceros;
}

double unitFactor(int unit, double resolution) {
    if (isPlainUnit(unit)) return 1.0;
    Ratio r;
    if (!ratioOf(unit, resolution, r)) return 254.0;
    return r.num / r.den;
}

double toInternalUnits(int unit, double resolution, double value) {
    if (isPlainUnit(unit)) return value;
    Ratio r;
    // Code 21 and unknown codes count as thousandths of an inch on the way in.
    if (!ratioOf(unit, resolution, r)) r = {254.0, 1.0};
    return value * r.num / r.den;
}

double fromInternalUnits(int unit, double resolution, double value) {
    if (isPlainUnit(unit)) return value;
    Ratio r;
    if (!ratioOf(unit, resolution, r)) return 0.0;
    return value * r.den / r.num;
}

double convertUnits(int targetUnit, int sourceUnit, double value) {
    if (isPlainUnit(targetUnit) || isPlainUnit(sourceUnit)) return value;
    return fromInternalUnits(targetUnit, 0.0, toInternalUnits(sourceUnit, 0.0, value));
}

std::string unitName(int unit, UnitNameForm form) {
    // Yards appear in the long-distance list, so they are named like the others.
    if (unit < kUnitInches || unit > kUnitYards) return "";
    const char* text = platform::loadString(5000 + 10 * unit + int(form));
    std::string name = text ? text : "";
    size_t comma = name.find(',');
    UnitLocale loc;
    if (comma != std::string::npos && name.size() <= 16 && unitLocale(loc))
        name.replace(comma, 1, loc.listSeparator);
    return name;
}

int defaultDecimals(int unit) {
    static const int kDecimals[] = {3, 5, 3, 0, 3, 4, 0, 6, 9, 6, 9, 0, 0, 3, 3, 1, 6};
    if (unit >= 0 && unit < int(sizeof kDecimals / sizeof kDecimals[0])) return kDecimals[unit];
    return 0;
}

std::vector<int> unitList(int listFlag) {
    switch (listFlag) {
        case kUnitListTypographic:
            return {kUnitInches, kUnitMillimeters, kUnitPicas,
                    kUnitPoints, kUnitCiceros,     kUnitDidots};
        case kUnitListGeneral:
            return {kUnitInches,      kUnitMillimeters, kUnitPicas,   kUnitPoints,
                    kUnitCentimeters, kUnitPixels,      kUnitCiceros, kUnitDidots};
        case kUnitListPlain:
            return {kUnitCount};
        case kUnitListLongDistances:
            return {kUnitInches,  kUnitMillimeters, kUnitPicas,  kUnitPoints,
                    kUnitCiceros, kUnitDidots,      kUnitFeet,   kUnitYards,
                    kUnitMiles,   kUnitCentimeters, kUnitMeters, kUnitKilometers};
        default:
            return {};
    }
}

std::vector<std::string> unitListNames(int listFlag, UnitNameForm form) {
    std::vector<std::string> names;
    for (int u : unitList(listFlag)) names.push_back(unitName(u, form));
    return names;
}

int selectedUnit(int listFlag, int index) {
    std::vector<int> list = unitList(listFlag);
    if (list.empty()) return -1;
    if (index < 0 || size_t(index) >= list.size()) return list.front();
    return list[size_t(index)];
}

int unitIndex(int listFlag, int unit) {
    std::vector<int> list = unitList(listFlag);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == unit) return int(i);
    return -1;
}

bool unitLocale(UnitLocale& out) {
    LocaleSlot& slot = localeSlot();
    if (!slot.read) {
        slot.read = true;
        UnitLocale values;
        slot.ok = readSystemLocale(values);
        if (slot.ok) slot.values = values;
    }
    if (slot.ok) out = slot.values;
    return slot.ok;
}

void overrideUnitLocale(const UnitLocale* values, bool failed) {
    LocaleSlot& slot = localeSlot();
    if (values == nullptr && !failed) {
        slot = LocaleSlot();
        return;
    }
    slot.read = true;
    slot.overridden = true;
    slot.ok = !failed;
    if (values) slot.values = *values;
}

std::string formatLength(double internalValue, int unit, double resolution, int decimals) {
    UnitLocale loc;
    if (!unitLocale(loc)) {
        platform::reportDetail(platform::loadString(str::kUnitInitFailed));
        return "";
    }
    if (unit < 0 || unit > kLastUnitCode) return "";
    int d = decimals;
    if (d == 0)
        d = defaultDecimals(unit);
    else if (d == kNoDecimals || d < 0)
        d = 0;
    else if (d > 15)
        d = 15;

    double v = fromInternalUnits(unit, resolution, internalValue);
    if (!std::isfinite(v)) return "";
    double least = 1.0 / powerOfTen(d);  // 0.1 to the power of the decimals

    if (isCompoundUnit(unit)) {
        double a = std::fabs(v);
        double n = std::floor(a);
        double p = (a - n) * 12.0;
        if (12.0 - p < least) {
            p = 0.0;
            n += 1.0;
        }
        std::string w, f;
        fixedDigits(p, d, w, f);
        std::string part = d > 0 ? w + loc.decimalSeparator + f : wholeDigits(std::floor(p));
        // No sign in front of a figure that reads as zero.
        bool showsZero = n == 0.0 && allZero(d > 0 ? w + f : part);
        std::string text = v < 0 && !showsZero ? loc.negativeSign : "";
        return text + wholeDigits(n) + loc.listSeparator + part;
    }

    if (unit == kUnitPixels || unit == kUnitPlain17 || unit == kUnitPlain23) {
        if (v > -1.0 && v < 0.0) v = 0.0;
        double r = std::floor(v + 0.5);
        return (r < 0 ? loc.negativeSign : "") + wholeDigits(std::fabs(r));
    }

    if (v < 0.0 && v > -least) v = 0.0;
    if (d == 0) {
        double w = std::floor(std::fabs(v));
        return (v < 0.0 && w != 0.0 ? loc.negativeSign : "") + wholeDigits(w);
    }
    std::string w, f;
    fixedDigits(std::fabs(v), d, w, f);
    std::string text = v < 0.0 && !allZero(w + f) ? loc.negativeSign : "";
    if (!(w == "0" && !loc.leadingZero)) text += w;
    return text + loc.decimalSeparator + f;
}

bool parseLength(const std::string& text, int unit, double& out) {
    NumberSyntax syntax;
    if (!syntaxFor(unit, syntax)) return false;
    double v = 0.0;
    if (scanLength(text, syntax, &v) != Scan::Complete) return false;
    out = v;
    return true;
}

bool isPartialLength(const std::string& text, int unit) {
    NumberSyntax syntax;
    if (!syntaxFor(unit, syntax)) return false;
    return scanLength(text, syntax, nullptr) != Scan::Invalid;
}

bool parseLengthWithUnit(const std::string& text, int defaultUnit, double& thousandths) {
    size_t letters = 0;
    while (letters < text.size() && !((text[letters] >= 'a' && text[letters] <= 'z') ||
                                      (text[letters] >= 'A' && text[letters] <= 'Z')))
        ++letters;
    int unit = defaultUnit;
    if (letters < text.size()) {
        std::string word;
        for (size_t i = letters; i < text.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
            word += c;
        }
        while (!word.empty() && isBlank(word.back())) word.pop_back();
        unit = -1;
        for (const UnitWord& w : kUnitWords)
            if (word == w.word) unit = w.unit;
        if (unit < 0) return false;
    } else if (defaultUnit < 0 || defaultUnit > kLastUnitCode) {
        return false;
    }
    NumberSyntax syntax;
    syntax.decimal = ".";
    syntax.listSeparator = ",";
    syntax.negativeSign = "-";
    syntax.compound = isCompoundUnit(unit);
    double v = 0.0;
    if (scanLength(text.substr(0, letters), syntax, &v) != Scan::Complete) return false;
    thousandths = convertUnits(kUnitThousandthsOfInch, unit, v);
    return true;
}

}  // namespace gx
