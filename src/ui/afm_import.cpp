#include "ui/afm_import.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "support/glyph_names.h"

namespace gx {
namespace {

// Longest line the reader hands to the parser; the rest of a longer line, less the
// character where it was cut, becomes the next line.
constexpr size_t kMaxLineLength = 1022;

class LineReader {
  public:
    explicit LineReader(const std::string& text) : text_(text) {}

    // The next non-empty line; false at the end of the text.
    bool next(std::string& line) {
        while (pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n')) ++pos_;
        if (pos_ >= text_.size()) return false;
        ++lineNumber_;
        size_t start = pos_;
        while (pos_ < text_.size() && pos_ - start < kMaxLineLength && text_[pos_] != '\r' &&
               text_[pos_] != '\n')
            ++pos_;
        line.assign(text_, start, pos_ - start);
        if (pos_ - start == kMaxLineLength && pos_ < text_.size() && text_[pos_] != '\r' &&
            text_[pos_] != '\n')
            ++pos_;  // the character where the line was cut is lost
        return true;
    }
    int lineNumber() const { return lineNumber_; }

  private:
    const std::string& text_;
    size_t pos_ = 0;
    int lineNumber_ = 0;
};

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The token starting at or after `pos`; `pos` moves past it. Empty when there is none.
std::string nextToken(const std::string& line, size_t& pos) {
    while (pos < line.size() && isSeparator(line[pos])) ++pos;
    size_t start = pos;
    while (pos < line.size() && !isSeparator(line[pos])) ++pos;
    return line.substr(start, pos - start);
}

// A decimal integer as atoi reads it: leading blanks, a sign, digits up to the first
// non-digit. Saturates instead of overflowing.
long long readNumber(const std::string& s, size_t pos = 0) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) negative = s[pos++] == '-';
    long long v = 0;
    for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos)
        if (v < (1LL << 40)) v = v * 10 + (s[pos] - '0');
    return negative ? -v : v;
}

int16_t clampToInt16(long long v) {
    return int16_t(std::min<long long>(32767, std::max<long long>(-32768, v)));
}

int16_t clampToInt16(double v) {
    if (!(v > -32768.0)) return -32768;
    if (!(v < 32767.0)) return 32767;
    return int16_t(v);  // toward zero
}

// The run of characters from `pos` up to the next blank or the end of the line.
std::string wordAt(const std::string& line, size_t pos) {
    if (pos >= line.size()) return {};
    size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    return line.substr(pos, end - pos);
}

// A metrics line: the width after the first "X" from the third character on, the glyph
// name after the first "N" after it. The code number on the line is not used: the
// name decides.
void readMetricsLine(const std::string& line, int gridSize, FontMetricsImport& out) {
    size_t x = line.size() > 2 ? line.find('X', 2) : std::string::npos;
    if (x == std::string::npos) return;
    long long wx = readNumber(line, x + 2);
    size_t n = line.find('N', x + 2);
    if (n == std::string::npos) return;
    std::string name = wordAt(line, n + 2);
    int code = lookupGlyphCode(name);
    if (code == 0 && !name.empty() && (name[0] == 'C' || name[0] == 'c')) {
        // Names made of the letter C and a number, such as C128.
        long long v = readNumber(name, 1);
        code = v >= 1 && v <= 255 ? int(v) : 0;
    }
    if (code < 1 || code > 255) return;
    out.widths[size_t(code)] = clampToInt16(double(gridSize) * double(wx) * 0.001);
    out.widthSet[size_t(code)] = true;
}

bool readKerningLine(const std::string& line, FontMetricsImport& out) {
    size_t k = line.find("KPX");
    if (k == std::string::npos) return false;
    size_t pos = k + 4;  // "KPX" and one character
    std::string first = wordAt(line, pos);
    pos += first.size() + 1;
    std::string second = wordAt(line, pos);
    pos += second.size() + 1;
    long long value = pos < line.size() ? readNumber(line, pos) : 0;
    KerningPair p;
    p.left = int16_t(lookupGlyphCode(first));
    p.right = int16_t(lookupGlyphCode(second));
    p.value = clampToInt16(value);
    out.kerningPairs.push_back(p);
    return true;
}

bool fail(FontMetricsImport& out, AfmFailure why, int line) {
    out.ok = false;
    out.failure = why;
    out.failureLine = line;
    return false;
}

bool readCharMetrics(LineReader& lines, long long count, int gridSize, FontMetricsImport& out) {
    std::string line;
    for (long long counted = 0; counted < count;) {
        if (!lines.next(line)) break;
        if (line.find("EndCharMetrics") != std::string::npos) break;
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        if (line[start] != 'C') {
            out.characterMetrics = false;
            return fail(out, AfmFailure::NotMetricsLine, lines.lineNumber());
        }
        readMetricsLine(line.substr(start), gridSize, out);
        ++counted;
    }
    return true;
}

void readKernPairs(LineReader& lines, long long count, FontMetricsImport& out) {
    std::string line;
    while (static_cast<long long>(out.kerningPairs.size()) < count) {
        if (!lines.next(line)) break;
        if (line.find("EndKernPairs") != std::string::npos) break;
        readKerningLine(line, out);
    }
}

}  // namespace

int lookupGlyphCode(const std::string& name) {
    if (name.empty()) return 0;
    // The one name table of both plug-ins; the first code in order wins.
    for (int code = kFirstNamedCode; code < kFirstNamedCode + kNamedCodeCount; ++code)
        if (name == builtinGlyphName(code)) return code;
    return 0;
}

FontMetricsImport parseFontMetrics(const std::string& text, int gridSize) {
    FontMetricsImport out;
    LineReader lines(text);
    std::string line;
    while (lines.next(line)) {
        size_t pos = 0;
        const std::string keyword = nextToken(line, pos);
        if (keyword.empty()) {
            fail(out, AfmFailure::LineWithoutToken, lines.lineNumber());
            return out;
        }
        const bool takesValue = keyword == "Ascender" || keyword == "Descender" ||
                                keyword == "ItalicAngle" || keyword == "UnderlinePosition" ||
                                keyword == "UnderlineThickness" || keyword == "CharWidth" ||
                                keyword == "StartCharMetrics" || keyword == "StartKernPairs";
        if (!takesValue) continue;
        const std::string valueText = nextToken(line, pos);
        if (valueText.empty()) {
            fail(out, AfmFailure::MissingValue, lines.lineNumber());
            return out;
        }
        const long long value = readNumber(valueText);
        if (keyword == "Ascender") {
            out.ascender = clampToInt16(value);
        } else if (keyword == "Descender") {
            out.descender = clampToInt16(value);
        } else if (keyword == "ItalicAngle") {
            out.italicAngle = clampToInt16(value);
        } else if (keyword == "UnderlinePosition") {
            out.underlinePosition = clampToInt16(value);
        } else if (keyword == "UnderlineThickness") {
            out.underlineThickness = clampToInt16(value);
        } else if (keyword == "CharWidth") {
            out.fixedWidth = true;
            // An advance is never negative; the writer keeps it in 16 bits.
            long long w = value * gridSize / 1000;
            out.fixedAdvance = int16_t(std::min<long long>(32767, std::max<long long>(0, w)));
        } else if (keyword == "StartCharMetrics") {
            out.characterMetrics = true;
            if (!readCharMetrics(lines, value, gridSize, out)) return out;
        } else if (keyword == "StartKernPairs") {
            // A negative count takes no pairs; the pairs are kept with a 16-bit count, so
            // a larger one takes as many as that holds. Nothing is set aside for pairs
            // the file may not have.
            out.kerning = true;
            out.kerningPairs.clear();
            readKernPairs(lines, std::min<long long>(value, 32767), out);
        }
    }
    out.ok = true;
    return out;
}

FontMetricsImport importFontMetrics(const std::string& path, int gridSize) {
    std::string text;
    if (!platform::readWholeFile(path, text, kMaxMetricsFileBytes)) {
        FontMetricsImport out;
        fail(out, AfmFailure::CannotRead, 0);
        return out;
    }
    // A whole file is an AFM file only when it says so first; empty and binary files are
    // refused rather than taken as a file without metrics.
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text.compare(first, 16, "StartFontMetrics") != 0) {
        FontMetricsImport out;
        fail(out, AfmFailure::NotMetricsFile, 1);
        return out;
    }
    FontMetricsImport out = parseFontMetrics(text, gridSize);
    const bool anyValue = out.characterMetrics || out.kerning || out.fixedWidth ||
                          out.ascender != 0 || out.descender != 0 || out.italicAngle != 0 ||
                          out.underlinePosition != 0 || out.underlineThickness != 0;
    if (out.ok && !anyValue) fail(out, AfmFailure::NoMetrics, 0);
    return out;
}

void mergeImportedWidths(const FontMetricsImport& imported, std::array<int16_t, 256>& table) {
    for (size_t c = 0; c < table.size(); ++c)
        if (imported.widthSet[c]) table[c] = imported.widths[c];
}

std::vector<KerningPair> kerningPairsForGlyphs(const std::vector<KerningPair>& byCode,
                                               const std::function<int(int code)>& glyphOf) {
    std::vector<KerningPair> out;
    for (const KerningPair& p : byCode) {
        if (p.left < 0 || p.left > 255 || p.right < 0 || p.right > 255) continue;
        const int l = glyphOf(p.left), r = glyphOf(p.right);
        if (l <= 0 || r <= 0 || l > 32767 || r > 32767) continue;
        out.push_back({int16_t(l), int16_t(r), p.value});
    }
    std::stable_sort(out.begin(), out.end(), [](const KerningPair& a, const KerningPair& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    return out;
}

}  // namespace gx
