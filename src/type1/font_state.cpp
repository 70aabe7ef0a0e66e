#include "type1/font_state.h"

#include <algorithm>
#include <cctype>

#include "support/glyph_names.h"

namespace gx {

namespace {

// Made once: a batch makes several states per shape.
const std::vector<std::string>& builtinNameTable() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> names(kNamedCodeCount);
        for (int i = 0; i < kNamedCodeCount; ++i) names[size_t(i)] = builtinGlyphName(i + 32);
        return names;
    }();
    return table;
}

}  // namespace

Type1FontState::Type1FontState() : glyphNameTable(builtinNameTable()), encodingNames(256) {}

void Type1FontState::reset() {
    *this = Type1FontState();
}

void Type1FontState::useStandardEncoding() {
    glyphNameTable = builtinNameTable();
    for (std::string& name : encodingNames) name.clear();
}

std::string glyphNameForCode(const Type1FontState& s, int code) {
    if (code < 32 || code > 255) return std::string();
    const std::string& name = s.glyphNameTable[code - 32];
    if (!name.empty()) return name;
    return "c" + std::to_string(code);
}

int cNameCode(const std::string& name) {
    int numbered = -1;
    if (name.size() >= 3 && name.size() <= 4 && name[0] == 'c' && name[1] != '0') {
        numbered = 0;
        for (size_t i = 1; i < name.size() && numbered >= 0; ++i)
            numbered = std::isdigit(uint8_t(name[i])) ? numbered * 10 + (name[i] - '0') : -1;
    }
    return numbered;
}

int codeForGlyphName(const Type1FontState& s, const std::string& name) {
    if (name == ".notdef") return 0;
    // A code without a name in the table is called "c" and its number; that is the
    // only form such a name can take, so it is read rather than built 224 times.
    const int numbered = cNameCode(name);
    for (int code = 32; code <= 255; ++code) {
        const std::string& entry = s.glyphNameTable[size_t(code) - 32];
        if (entry.empty() ? code == numbered : entry == name) return code;
    }
    return kUnknownGlyphCode;
}

std::string fileGlyphName(const Type1FontState& s, int code) {
    if (code == 0) return ".notdef";
    if (s.cNames) {
        if (code >= 0 && code <= 255 && !s.encodingNames[code].empty())
            return s.encodingNames[code];
        return "c" + std::to_string(code);
    }
    return glyphNameForCode(s, code);
}

namespace {

int16_t clamp16(long v) {
    return int16_t(std::max(-32768L, std::min(32767L, v)));
}

// An Encoding may give two codes one name; the glyph read under it belongs to the
// first. A new glyph at the second code needs a name of its own, or the font would
// define two glyphs of one name.
void giveNewGlyphItsOwnName(Type1FontState& s, int code) {
    const std::string name = fileGlyphName(s, code);
    // The names fileGlyphName gives, compared without making the "c" names.
    const int numbered = cNameCode(name);
    bool shared = false;
    for (int c = 32; c <= 255 && !shared; ++c) {
        if (c == code) continue;
        const std::string& given =
            s.cNames ? s.encodingNames[size_t(c)] : s.glyphNameTable[size_t(c) - 32];
        shared = given.empty() ? c == numbered : given == name;
    }
    if (!shared) return;
    std::string own = "c" + std::to_string(code);
    s.glyphNameTable[code - 32] = own;
    if (!s.encodingNames[code].empty()) s.encodingNames[code] = own;
}

}  // namespace

void finishFontMetrics(Type1FontState& s, const SessionSettings& settings) {
    const int charNumber = settings.charNumber;
    const bool adding = s.newGlyphPending && charNumber >= 33 && charNumber <= 255;
    s.glyphPresent[32] = 1;
    for (int c = 33; c <= 255; ++c) {
        if (s.deleteMark[c]) s.glyphPresent[c] = 0;
    }
    if (adding) s.glyphPresent[charNumber] = 1;
    int32_t count = 2 + s.unknownGlyphCount;
    for (int c = 33; c <= 255; ++c) count += s.glyphPresent[c] ? 1 : 0;
    s.glyphCount = count;
    if (s.charMetricsLoaded) {
        for (int c = 32; c <= 255; ++c)
            if (s.loadedWidthSet[c]) s.widths[c] = s.loadedWidths[c];
    }
    s.cNames = s.symbol ? 1 : 0;
    if (adding) {
        giveNewGlyphItsOwnName(s, charNumber);
        s.llx = std::min<int32_t>(s.llx, s.minX);
        s.lly = std::min<int32_t>(s.lly, s.minY);
        s.urx = std::max<int32_t>(s.urx, s.maxX);
        s.ury = std::max<int32_t>(s.ury, s.maxY);
    }
    s.widths[32] = settings.spaceWidth;
    if (!s.kerningPairs.empty()) {
        auto usable = [&](int code) { return code >= 32 && code <= 255 && s.glyphPresent[code]; };
        std::vector<KerningPair> kept;
        for (const KerningPair& p : s.kerningPairs) {
            if (usable(p.left) && usable(p.right)) kept.push_back(p);
        }
        s.kerningPairs.swap(kept);
    }
    // The widths decide these whether or not an AFM supplied the other metrics, so
    // the PFM never carries stale values.
    long sum = 0;
    int16_t maxWidth = 0;
    for (int c = 32; c <= 255; ++c) {
        if (!s.glyphPresent[c]) continue;
        sum += s.widths[c];
        maxWidth = std::max(maxWidth, s.widths[c]);
    }
    s.maxWidth = maxWidth;
    s.avgWidth = clamp16(count > 0 ? sum / count : 0);
    if (s.charMetricsLoaded) return;
    if ((settings.style & 2) && s.italicAngle == 0) s.italicAngle = 1;
    s.ascender = clamp16(s.ury);
    s.descender = clamp16(s.lly);
    s.capHeight = clamp16(long(settings.gridSize * 0.75));
    s.xHeight = clamp16(long(settings.gridSize * 0.55));
    s.underlinePosition = -100;
    s.underlineThickness = 50;
}

bool familyNameIsPlainAscii(const std::string& name) {
    for (unsigned char ch : name)
        if (ch < 32 || ch > 126) return false;
    return true;
}

void buildFontNames(Type1FontState& s, const SessionSettings& settings) {
    static const char* const kFullSuffix[4] = {" Normal", " Bold", " Italic", " BoldItalic"};
    static const char* const kNameSuffix[4] = {"", "-Bold", "-Italic", "-BoldItalic"};
    const int style = settings.style & 3;
    s.fullName = settings.familyName + kFullSuffix[style];
    // A PostScript name is one token: characters that would end it or open another
    // object are left out along with spaces.
    std::string base;
    for (unsigned char ch : settings.familyName) {
        if (ch <= 32 || ch >= 127) continue;
        if (std::string("()<>[]{}/%").find(char(ch)) != std::string::npos) continue;
        if (base.size() < 29) base += char(ch);
    }
    if (base.empty()) base = "Untitled";
    s.fontName = base + kNameSuffix[style];
}

void sortKerningPairs(std::vector<KerningPair>& pairs, bool byRightFirst) {
    auto key = [byRightFirst](const KerningPair& p) {
        return byRightFirst ? std::make_pair(p.right, p.left) : std::make_pair(p.left, p.right);
    };
    std::stable_sort(pairs.begin(), pairs.end(),
                     [&](const KerningPair& a, const KerningPair& b) { return key(a) < key(b); });
}

}  // namespace gx
