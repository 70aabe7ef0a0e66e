// The small grammars inside SVG attribute values: numbers, lengths, number lists,
// transform lists and style declarations. Every parser reports failure with a
// message instead of guessing, because a misread number would silently change the glyph.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "svg_math.h"

namespace gx::host {

// A read position inside one attribute value.
class TextCursor {
  public:
    explicit TextCursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    size_t position() const { return pos_; }
    void advance() {
        if (!atEnd()) ++pos_;
    }
    void skipSpace();
    // Whitespace, then at most one comma with whitespace around it.
    void skipCommaSpace();
    // SVG's number: sign, digits with an optional fraction, optional exponent.
    // Reads nothing and returns false when no number starts here; sets `error`
    // for a number that starts but cannot be held in a double.
    bool readNumber(double& out, std::string& error);
    // An arc flag: a single '0' or '1', which may run straight into the next number.
    bool readFlag(bool& out);
    bool readWord(std::string_view word);
    std::string_view rest() const { return text_.substr(pos_); }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool isSvgSpace(char c);
std::string_view trimSpace(std::string_view s);

// A whole value that must be exactly one number.
bool parseNumber(std::string_view text, double& out, std::string& error);

// A list of numbers separated by whitespace and/or commas (points, viewBox).
bool parseNumberList(std::string_view text, std::vector<double>& out, std::string& error);

enum class LengthUnit { kNone, kPx, kPt, kPc, kMm, kCm, kIn, kEm, kEx, kPercent };

struct Length {
    double value = 0;
    LengthUnit unit = LengthUnit::kNone;
    bool isPercent() const { return unit == LengthUnit::kPercent; }
    // In CSS pixels (SVG user units); not for percentages.
    double toPixels() const;
    // In thousandths of an inch, straight from the unit so that whole inches stay exact.
    double toThousandths() const;
};

bool parseLength(std::string_view text, Length& out, std::string& error);

// A transform attribute: a list of matrix, translate, scale, rotate, skewX, skewY.
bool parseTransform(std::string_view text, Matrix& out, std::string& error);

// The declarations of a style attribute, "name: value; ...", names lowercased.
struct StyleDeclaration {
    std::string name;
    std::string value;
};
std::vector<StyleDeclaration> parseStyleDeclarations(std::string_view text);

}  // namespace gx::host
