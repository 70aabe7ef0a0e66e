#include "svg_syntax.h"

#include <charconv>
#include <cmath>

namespace gx::host {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

bool isSvgSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trimSpace(std::string_view s) {
    while (!s.empty() && isSvgSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSvgSpace(s.back())) s.remove_suffix(1);
    return s;
}

void TextCursor::skipSpace() {
    while (!atEnd() && isSvgSpace(text_[pos_])) ++pos_;
}

void TextCursor::skipCommaSpace() {
    skipSpace();
    if (peek() == ',') {
        ++pos_;
        skipSpace();
    }
}

bool TextCursor::readNumber(double& out, std::string& error) {
    const size_t n = text_.size();
    size_t p = pos_;
    if (p < n && (text_[p] == '+' || text_[p] == '-')) ++p;
    bool digits = false;
    while (p < n && isDigit(text_[p])) {
        ++p;
        digits = true;
    }
    if (p < n && text_[p] == '.') {
        size_t q = p + 1;
        while (q < n && isDigit(text_[q])) ++q;
        if (q > p + 1 || digits) {
            digits = true;
            p = q;
        }
    }
    if (!digits) return false;
    // An exponent only when digits follow, so that "2em" stays a number and a unit.
    if (p < n && (text_[p] == 'e' || text_[p] == 'E')) {
        size_t q = p + 1;
        if (q < n && (text_[q] == '+' || text_[q] == '-')) ++q;
        if (q < n && isDigit(text_[q])) {
            while (q < n && isDigit(text_[q])) ++q;
            p = q;
        }
    }
    size_t first = pos_;
    if (text_[first] == '+') ++first;  // from_chars takes no plus sign
    const char* begin = text_.data() + first;
    const char* end = text_.data() + p;
    double value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        error = "number out of range: " + std::string(text_.substr(pos_, p - pos_));
        return false;
    }
    out = value;
    pos_ = p;
    return true;
}

bool TextCursor::readFlag(bool& out) {
    const char c = peek();
    if (c != '0' && c != '1') return false;
    out = c == '1';
    ++pos_;
    return true;
}

bool TextCursor::readWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
}

bool parseNumber(std::string_view text, double& out, std::string& error) {
    TextCursor cursor(trimSpace(text));
    if (!cursor.readNumber(out, error)) {
        if (error.empty()) error = "expected a number, found \"" + std::string(text) + "\"";
        return false;
    }
    if (!cursor.atEnd()) {
        error = "expected a number, found \"" + std::string(text) + "\"";
        return false;
    }
    return true;
}

bool parseNumberList(std::string_view text, std::vector<double>& out, std::string& error) {
    out.clear();
    TextCursor cursor(text);
    cursor.skipSpace();
    while (!cursor.atEnd()) {
        double v = 0;
        if (!cursor.readNumber(v, error)) {
            if (error.empty()) {
                error = "expected a number at character " + std::to_string(cursor.position() + 1);
            }
            return false;
        }
        out.push_back(v);
        cursor.skipCommaSpace();
    }
    return true;
}

double Length::toPixels() const {
    switch (unit) {
        case LengthUnit::kPt:
            return value * 96.0 / 72.0;
        case LengthUnit::kPc:
            return value * 16.0;
        case LengthUnit::kMm:
            return value * 96.0 / 25.4;
        case LengthUnit::kCm:
            return value * 96.0 / 2.54;
        case LengthUnit::kIn:
            return value * 96.0;
        // No fonts here: the CSS initial font size (16px) and its usual half for ex.
        case LengthUnit::kEm:
            return value * 16.0;
        case LengthUnit::kEx:
            return value * 8.0;
        default:
            return value;
    }
}

double Length::toThousandths() const {
    switch (unit) {
        case LengthUnit::kPt:
            return value * 1000.0 / 72.0;
        case LengthUnit::kPc:
            return value * 1000.0 / 6.0;
        case LengthUnit::kMm:
            return value * 1000.0 / 25.4;
        case LengthUnit::kCm:
            return value * 10000.0 / 25.4;
        case LengthUnit::kIn:
            return value * 1000.0;
        default:
            return toPixels() * 1000.0 / 96.0;
    }
}

bool parseLength(std::string_view text, Length& out, std::string& error) {
    TextCursor cursor(trimSpace(text));
    double v = 0;
    if (!cursor.readNumber(v, error)) {
        if (error.empty()) error = "expected a length, found \"" + std::string(text) + "\"";
        return false;
    }
    const std::string_view unit = cursor.rest();
    static const struct {
        const char* name;
        LengthUnit unit;
    } kUnits[] = {{"", LengthUnit::kNone},    {"px", LengthUnit::kPx}, {"pt", LengthUnit::kPt},
                  {"pc", LengthUnit::kPc},    {"mm", LengthUnit::kMm}, {"cm", LengthUnit::kCm},
                  {"in", LengthUnit::kIn},    {"em", LengthUnit::kEm}, {"ex", LengthUnit::kEx},
                  {"%", LengthUnit::kPercent}};
    for (const auto& u : kUnits) {
        if (equalsIgnoreCase(unit, u.name)) {
            out.value = v;
            out.unit = u.unit;
            return true;
        }
    }
    error = "unknown unit in length \"" + std::string(text) + "\"";
    return false;
}

bool parseTransform(std::string_view text, Matrix& out, std::string& error) {
    Matrix m;
    TextCursor cursor(text);
    cursor.skipSpace();
    while (!cursor.atEnd()) {
        const size_t nameStart = cursor.position();
        while (isAlpha(cursor.peek())) cursor.advance();
        const std::string name(text.substr(nameStart, cursor.position() - nameStart));
        cursor.skipSpace();
        if (name.empty() || cursor.peek() != '(') {
            error = "bad transform at character " + std::to_string(nameStart + 1);
            return false;
        }
        cursor.advance();
        cursor.skipSpace();
        double args[6];
        int count = 0;
        while (cursor.peek() != ')') {
            double v = 0;
            if (count == 6 || !cursor.readNumber(v, error)) {
                if (error.empty()) error = "bad arguments to " + name + "()";
                return false;
            }
            args[count++] = v;
            cursor.skipCommaSpace();
        }
        cursor.advance();  // ')'
        Matrix t;
        bool countOk = true;
        if (name == "matrix") {
            countOk = count == 6;
            if (countOk) t = {args[0], args[1], args[2], args[3], args[4], args[5]};
        } else if (name == "translate") {
            countOk = count == 1 || count == 2;
            if (countOk) t = Matrix::translate(args[0], count == 2 ? args[1] : 0.0);
        } else if (name == "scale") {
            countOk = count == 1 || count == 2;
            if (countOk) t = Matrix::scale(args[0], count == 2 ? args[1] : args[0]);
        } else if (name == "rotate") {
            countOk = count == 1 || count == 3;
            if (countOk) {
                t = Matrix::rotateDegrees(args[0]);
                if (count == 3) {
                    t = Matrix::translate(args[1], args[2])
                            .then(t)
                            .then(Matrix::translate(-args[1], -args[2]));
                }
            }
        } else if (name == "skewX" || name == "skewY") {
            countOk = count == 1;
            if (countOk) {
                const double c = cosDegrees(args[0]);
                if (std::fabs(c) < 1e-12) {
                    error = name + "() by a right angle has no finite result";
                    return false;
                }
                const double tangent = sinDegrees(args[0]) / c;
                if (name == "skewX") {
                    t.c = tangent;
                } else {
                    t.b = tangent;
                }
            }
        } else {
            error = "unknown transform \"" + name + "\"";
            return false;
        }
        if (!countOk) {
            error = "wrong number of arguments to " + name + "()";
            return false;
        }
        m = m.then(t);
        cursor.skipCommaSpace();
    }
    out = m;
    return true;
}

std::vector<StyleDeclaration> parseStyleDeclarations(std::string_view text) {
    std::vector<StyleDeclaration> out;
    while (!text.empty()) {
        const size_t semi = text.find(';');
        std::string_view item = text.substr(0, semi);
        text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = trimSpace(item.substr(0, colon));
        std::string_view value = trimSpace(item.substr(colon + 1));
        const size_t bang = value.find('!');
        if (bang != std::string_view::npos) value = trimSpace(value.substr(0, bang));
        if (name.empty()) continue;
        StyleDeclaration d;
        for (char c : name) d.name.push_back(lower(c));
        d.value = std::string(value);
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace gx::host
