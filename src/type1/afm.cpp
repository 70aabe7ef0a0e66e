#include "type1/afm.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "type1/font_program.h"
#include "type1/font_reader.h"

namespace gx {
namespace {

std::string num(int v) {
    return std::to_string(v);
}

}  // namespace

std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings) {
    std::string a;
    auto line = [&a](const std::string& text) { a += text + "\r\n"; };
    line("StartFontMetrics 2.0");
    line("Comment " + s.fontName);
    line("Comment Creation Date: Timestamp is unavailable\r\n");
    line(std::string("Comment Creator: ") + kCreatorText);
    line("Comment VMUsage 20000 20000");
    line("FontName " + s.fontName);
    line("FullName " + s.fullName);
    line("FamilyName " + settings.familyName);
    line(std::string("Weight ") + ((settings.style & 1) ? "Bold" : "Normal"));
    line("ItalicAngle " + num(s.italicAngle));
    line("IsFixedPitch false");
    line("FontBBox " + num(s.llx) + " " + num(s.lly) + " " + num(s.urx) + " " + num(s.ury));
    line("UnderlinePosition " + num(s.underlinePosition));
    line("UnderlineThickness " + num(s.underlineThickness));
    line("Version 001.00");
    line(std::string("Notice ") + kCopyrightNotice);
    line("EncodingScheme StandardEncoding");
    line("CapHeight " + num(s.capHeight));
    line("XHeight " + num(s.xHeight));
    line("Ascender " + num(s.ascender));
    line("Descender " + num(s.descender));
    // The count is that of the C lines that follow, as the format has it. Readers
    // such as FreeType skip that many lines before they look for EndCharMetrics, so
    // the font's glyph count (".notdef" and glyphs without a code included) made them
    // run past the kerning, or past the end of the file for fonts like cm-super.
    std::string metrics;
    int lines = 0;
    for (int c = 32; c <= 255; ++c) {
        if (!s.glyphPresent[size_t(c)]) continue;
        metrics += "C " + num(c) + " ; WX " + num(s.widths[size_t(c)]) + " ; N " +
                   fileGlyphName(s, c) + " ;\r\n";
        ++lines;
    }
    line("StartCharMetrics " + num(lines));
    a += metrics;
    line("EndCharMetrics");
    if (s.kernPairsLoaded) {
        std::vector<KerningPair> pairs = s.kerningPairs;
        sortKerningPairs(pairs, false);
        line("StartKernData");
        line("StartKernPairs " + num(int(pairs.size())));
        for (const KerningPair& p : pairs) {
            line("KPX " + fileGlyphName(s, p.left) + " " + fileGlyphName(s, p.right) + " " +
                 num(p.value) + "\r");
        }
        line("EndKernPairs");
        line("EndKernData");
    }
    line("EndFontMetrics");
    return a;
}

namespace {

constexpr size_t kMaxAfmLine = 1023;
constexpr long kMaxKernPairs = 32767;

class LineReader {
  public:
    explicit LineReader(const std::string& text) : t_(text) {}
    // The next non-empty line; false at the end.
    bool next(std::string& line) {
        for (;;) {
            while (pos_ < t_.size() && (t_[pos_] == '\r' || t_[pos_] == '\n')) {
                if (t_[pos_] == '\n') ++number_;
                ++pos_;
            }
            if (pos_ >= t_.size()) return false;
            size_t end = pos_;
            while (end < t_.size() && t_[end] != '\r' && t_[end] != '\n') ++end;
            line.assign(t_, pos_, end - pos_);
            pos_ = end;
            if (!line.empty()) return true;
        }
    }
    int number() const { return number_ + 1; }

  private:
    const std::string& t_;
    size_t pos_ = 0;
    int number_ = 0;
};

bool isSep(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSep(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !isSep(line[i])) ++i;
        if (i > start) w.push_back(line.substr(start, i - start));
    }
    return w;
}

// An AFM number as an integer; real values lose their fraction.
bool afmInteger(const std::string& word, long& v) {
    std::string w = word.substr(0, word.find('.'));
    if (w.empty() || w == "-" || w == "+") {
        v = 0;
        return word.size() > 1;
    }
    return parsePsInteger(w, v);
}

int16_t clamp16(long v) {
    return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

}  // namespace

bool readAfmText(const std::string& text, AfmMode mode, Type1FontState& s,
                 const SessionSettings& settings, std::string& error) {
    LineReader reader(text);
    std::string line;
    auto fail = [&](const char* what) {
        error = std::string(what) + " at line " + std::to_string(reader.number());
        return false;
    };
    const bool full = mode == AfmMode::Full;
    while (reader.next(line)) {
        if (line.size() > kMaxAfmLine) return fail("over-long line");
        std::vector<std::string> w = words(line);
        if (w.empty()) return fail("line without a keyword");
        const std::string& key = w[0];
        if (full && (key == "Ascender" || key == "Descender" || key == "ItalicAngle" ||
                     key == "UnderlinePosition" || key == "CapHeight" || key == "XHeight" ||
                     key == "UnderlineThickness")) {
            long v = 0;
            if (w.size() < 2 || !afmInteger(w[1], v)) return fail("keyword without its value");
            int16_t value = clamp16(v);
            if (key == "Ascender")
                s.ascender = value;
            else if (key == "Descender")
                s.descender = value;
            else if (key == "ItalicAngle")
                s.italicAngle = value;
            else if (key == "UnderlinePosition")
                s.underlinePosition = value;
            else if (key == "CapHeight")
                s.capHeight = value;
            else if (key == "XHeight")
                s.xHeight = value;
            else
                s.underlineThickness = value;
        } else if (full && key == "CharWidth") {
            long v = 0;
            if (w.size() < 2 || !afmInteger(w[1], v)) return fail("keyword without its value");
            int16_t width = clamp16(long(double(v) * settings.gridSize / 1000.0));
            s.widths.fill(width);
        } else if (full && key == "StartCharMetrics") {
            long n = 0;
            if (w.size() < 2 || !afmInteger(w[1], n) || n < 0)
                return fail("bad StartCharMetrics count");
            s.charMetricsLoaded = 1;
            for (long i = 0; i < n && reader.next(line); ++i) {
                if (line.size() > kMaxAfmLine) return fail("over-long line");
                if (line.find("EndCharMetrics") != std::string::npos) break;
                if (line[0] != 'C') return fail("foreign line in the character metrics");
                size_t x = line.find('X');
                size_t nPos = x == std::string::npos ? x : line.find('N', x);
                if (x == std::string::npos || nPos == std::string::npos)
                    return fail("character metrics without width or name");
                long width = 0;
                std::vector<std::string> after = words(line.substr(x + 1));
                if (after.empty() || !afmInteger(after[0], width)) return fail("bad width");
                std::string name = nPos + 2 < line.size() ? line.substr(nPos + 2) : std::string();
                name = name.substr(0, name.find_first_of(" \t;"));
                int code = codeForGlyphName(s, name);
                if (code >= 1 && code <= 255) {
                    s.loadedWidths[size_t(code)] =
                        clamp16(long(double(width) * settings.gridSize * 0.001));
                    s.loadedWidthSet[size_t(code)] = 1;
                }
            }
        } else if (key == "StartKernPairs") {
            long n = 0;
            if (w.size() < 2 || !afmInteger(w[1], n)) return fail("keyword without its value");
            if (n < 0 || n > kMaxKernPairs) return fail("bad kerning pair count");
            s.kernPairsLoaded = 1;
            s.kerningPairs.clear();
            long taken = 0;
            while (taken < n && reader.next(line)) {
                if (line.size() > kMaxAfmLine) return fail("over-long line");
                if (line.find("EndKernPairs") != std::string::npos) break;
                if (line.find("KPX") == std::string::npos) continue;
                std::vector<std::string> kw = words(line.substr(line.find("KPX")));
                long value = 0;
                if (kw.size() < 4 || !afmInteger(kw[3], value)) return fail("malformed KPX line");
                KerningPair p;
                p.left = int16_t(codeForGlyphName(s, kw[1]));
                p.right = int16_t(codeForGlyphName(s, kw[2]));
                p.value = clamp16(value);
                s.kerningPairs.push_back(p);
                ++taken;
            }
        }
    }
    return true;
}

}  // namespace gx
