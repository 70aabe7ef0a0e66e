#include "type1/afm.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

#include "platform/platform.h"
#include "type1/charstring_bounds.h"

#include "type1/font_program.h"
#include "type1/font_reader.h"

namespace gx {
namespace {

std::string num(int v) {
    return std::to_string(v);
}

}  // namespace

std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings) {
    return buildAfmFile(s, settings, charStringEntries(s, settings));
}

std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings,
                         const std::vector<GlyphEntry>& entries) {
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
    // Every C line carries the glyph's box ("B"): TeX's afm2tfm and others read the
    // heights and depths of characters from it.
    std::map<std::string, const std::vector<uint8_t>*> programs, original;
    for (const GlyphEntry& e : entries) programs.emplace(e.name, &e.program());
    for (const PreservedGlyph& g : s.preservedGlyphs) original.emplace(g.name, &g.program);
    CharStringLibrary library;
    library.subrs = &s.subrPrograms;
    // An accented glyph names its parts as the font read named them.
    library.glyph = [&](const std::string& name) -> const std::vector<uint8_t>* {
        auto it = original.find(name);
        if (it != original.end()) return it->second;
        auto jt = programs.find(name);
        return jt == programs.end() ? nullptr : jt->second;
    };
    std::string metrics;
    int lines = 0;
    for (int c = 32; c <= 255; ++c) {
        if (!s.glyphPresent[size_t(c)]) continue;
        const std::string name = fileGlyphName(s, c);
        GlyphBounds box;
        auto it = programs.find(name);
        if (it == programs.end() || !charStringBounds(*it->second, library, box))
            box = GlyphBounds();  // a glyph that cannot be run draws nothing we know of
        metrics += "C " + num(c) + " ; WX " + num(s.widths[size_t(c)]) + " ; N " + name + " ; B " +
                   num(box.llx) + " " + num(box.lly) + " " + num(box.urx) + " " + num(box.ury) +
                   " ;\r\n";
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

// Longest line handed to the parser; the rest of a longer line is read as the next.
constexpr size_t kMaxAfmLine = 1023;
// The pairs are kept with a 16-bit count.
constexpr long kMaxKernPairs = 32767;

// Lines of AFM text, read piece by piece from a source, so that a file of any size
// is read in bounded memory.
class LineReader {
  public:
    explicit LineReader(AfmSource& source) : source_(source) {}
    // The next non-empty line; false at the end.
    bool next(std::string& line) {
        line.clear();
        for (;;) {
            int c = get();
            if (c < 0) return !line.empty();
            if (c == '\r' || c == '\n') {
                if (c == '\n' || peek() != '\n') ++number_;
                if (!line.empty()) return true;
                continue;
            }
            if (line.empty()) current_ = number_ + 1;
            line += char(c);
            if (line.size() == kMaxAfmLine) return true;
        }
    }
    // The number of the line last read.
    int number() const { return current_; }

  private:
    int get() {
        if (pos_ == end_ && !fill()) return -1;
        return uint8_t(buffer_[pos_++]);
    }
    int peek() {
        if (pos_ == end_ && !fill()) return -1;
        return uint8_t(buffer_[pos_]);
    }
    bool fill() {
        pos_ = 0;
        end_ = source_.read(buffer_, sizeof buffer_);
        return end_ > 0;
    }

    AfmSource& source_;
    char buffer_[8192];
    size_t pos_ = 0, end_ = 0;
    int number_ = 0;  // line ends passed
    int current_ = 0;
};

class TextSource : public AfmSource {
  public:
    explicit TextSource(const std::string& text) : t_(text) {}
    size_t read(char* buffer, size_t size) override {
        size_t n = std::min(size, t_.size() - pos_);
        std::memcpy(buffer, t_.data() + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    const std::string& t_;
    size_t pos_ = 0;
};

class FileSource : public AfmSource {
  public:
    explicit FileSource(platform::FontFile& file) : file_(file) {}
    size_t read(char* buffer, size_t size) override {
        long n = file_.read(buffer, long(size));
        if (n < 0) failed_ = true;
        return n > 0 ? size_t(n) : 0;
    }
    bool failed() const { return failed_; }

  private:
    platform::FontFile& file_;
    bool failed_ = false;
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

// A number as the format's readers take it: blanks, a sign, then digits up to the
// first other character; no digits read as 0 ("abc" is 0, "12.5" is 12). Saturates
// instead of overflowing.
long afmNumber(const std::string& text, size_t pos = 0) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
    long v = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        if (v < 100000000L) v = v * 10 + (text[pos] - '0');
    return negative ? -v : v;
}

int16_t clamp16(double v) {
    if (!(v > -32768.0)) return -32768;
    if (!(v < 32767.0)) return 32767;
    return int16_t(v);  // toward zero
}

// A metrics line: the width after the first "X" (and one more character), the glyph
// name from two characters after the next "N" up to a blank or ";". The code number
// on the line is not used: the name decides. A line without "X" or "N" says nothing.
void readMetricsLine(const std::string& line, Type1FontState& s, const SessionSettings& settings) {
    size_t x = line.find('X', 1);
    if (x == std::string::npos) return;
    size_t n = line.find('N', x + 1);
    if (n == std::string::npos) return;
    long width = afmNumber(line, x + 2);
    std::string name = n + 2 < line.size() ? line.substr(n + 2) : std::string();
    name = name.substr(0, name.find_first_of(" \t;"));
    int code = codeForGlyphName(s, name);
    if (code >= 1 && code <= 255) {
        s.loadedWidths[size_t(code)] = clamp16(double(width) * settings.gridSize * 0.001);
        s.loadedWidthSet[size_t(code)] = 1;
    }
}

// A kerning line: "KPX", the left name, the right name and the value; a part that is
// missing reads as an empty name (no code) or as 0.
KerningPair readKerningLine(const std::string& line, const Type1FontState& s) {
    std::vector<std::string> w = words(line.substr(line.find("KPX")));
    KerningPair p;
    p.left = int16_t(codeForGlyphName(s, w.size() > 1 ? w[1] : std::string()));
    p.right = int16_t(codeForGlyphName(s, w.size() > 2 ? w[2] : std::string()));
    p.value = clamp16(double(w.size() > 3 ? afmNumber(w[3]) : 0));
    return p;
}

bool readAfm(AfmSource& source, AfmMode mode, Type1FontState& s, const SessionSettings& settings,
             std::string& error) {
    LineReader reader(source);
    std::string line;
    auto fail = [&](const char* what) {
        error = std::string(what) + " at line " + std::to_string(reader.number());
        return false;
    };
    const bool full = mode == AfmMode::Full;
    while (reader.next(line)) {
        // The keyword and its value, the first two words; most lines need no more.
        std::string_view rest(line), key, value;
        for (std::string_view* word : {&key, &value}) {
            size_t i = 0;
            while (i < rest.size() && isSep(rest[i])) ++i;
            size_t j = i;
            while (j < rest.size() && !isSep(rest[j])) ++j;
            *word = rest.substr(i, j - i);
            rest.remove_prefix(j);
        }
        if (key.empty()) return fail("line without a keyword");
        const bool metricsKey = key == "Ascender" || key == "Descender" || key == "ItalicAngle" ||
                                key == "UnderlinePosition" || key == "CapHeight" ||
                                key == "XHeight" || key == "UnderlineThickness";
        const bool takesValue =
            (full && (metricsKey || key == "CharWidth" || key == "StartCharMetrics")) ||
            key == "StartKernPairs";
        if (!takesValue) continue;
        if (value.empty()) return fail("keyword without its value");
        const long v = afmNumber(std::string(value));
        if (metricsKey) {
            int16_t value = clamp16(double(v));
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
        } else if (key == "CharWidth") {
            s.widths.fill(clamp16(double(v) * settings.gridSize / 1000.0));
        } else if (key == "StartCharMetrics") {
            s.charMetricsLoaded = 1;
            for (long i = 0; i < v && reader.next(line); ++i) {
                if (line.find("EndCharMetrics") != std::string::npos) break;
                const size_t first = line.find_first_not_of(" \t");
                if (first == std::string::npos || line[first] != 'C')
                    return fail("foreign line in the character metrics");
                readMetricsLine(line.substr(first), s, settings);
            }
        } else {
            // A count that is no number, or negative, takes no pairs; a count beyond
            // what the font keeps takes as many as it keeps.
            const long n = std::min(v, kMaxKernPairs);
            s.kernPairsLoaded = 1;
            s.kerningPairs.clear();
            while (long(s.kerningPairs.size()) < n && reader.next(line)) {
                if (line.find("EndKernPairs") != std::string::npos) break;
                if (line.find("KPX") == std::string::npos) continue;
                s.kerningPairs.push_back(readKerningLine(line, s));
            }
        }
    }
    return true;
}

}  // namespace

AfmSource::~AfmSource() = default;

bool readAfmText(const std::string& text, AfmMode mode, Type1FontState& s,
                 const SessionSettings& settings, std::string& error) {
    TextSource source(text);
    return readAfm(source, mode, s, settings, error);
}

AfmFileStatus readAfmFile(const std::string& path, AfmMode mode, Type1FontState& s,
                          const SessionSettings& settings, std::string& error) {
    auto file = platform::FontFile::open(path, platform::OpenMode::ReadOnly);
    if (!file) return AfmFileStatus::NotOpened;
    FileSource source(*file);
    const bool ok = readAfm(source, mode, s, settings, error);
    if (source.failed()) {
        error = "cannot be read";
        return AfmFileStatus::NotOpened;
    }
    return ok ? AfmFileStatus::Read : AfmFileStatus::Refused;
}

}  // namespace gx
