#include "type1/font_program.h"

#include <cstdio>

#include "type1/charstring.h"
#include "type1/cipher.h"

namespace gx {
namespace {

std::string format(const char* fmt, int a) {
    char line[64];
    std::snprintf(line, sizeof line, fmt, a);
    return line;
}

void appendSegmentHeader(std::vector<uint8_t>& out, uint8_t type, size_t length) {
    out.push_back(0x80);
    out.push_back(type);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(length) >> (8 * i)));
}

std::string clearTextHeader(const Type1FontState& s, const SessionSettings& settings) {
    std::string h;
    h += "%!PS-AdobeFont-1.0: " + s.fontName + " 001.003\r";
    h += "%CreationDate: Time stamp unavailable\n\r";
    h += std::string("%%Creator: ") + kCreatorText + "\r";
    h += "%VMusage: 38000 40000\r";
    h += std::string("% ") + kCopyrightNotice + "\r";
    h += "11 dict begin\r";
    h += "/FontInfo 8 dict dup begin\r";
    h += "/version (001.003) readonly def\r";
    h += "/FullName (" + psStringText(s.fullName) + ") readonly def\r";
    h += "/FamilyName (" + psStringText(settings.familyName) + ") readonly def\r";
    h += std::string("/Weight (") + ((settings.style & 1) ? "bold" : "normal") + ") readonly def\r";
    h += format("/ItalicAngle %d def\r", s.italicAngle);
    h += "/isFixedPitch false def\r";
    h += format("/UnderlinePosition %d def\r", s.underlinePosition);
    h += format("/UnderlineThickness %d def\r", s.underlineThickness);
    h += "end readonly def\r";
    h += "/FontName /" + s.fontName + " def\r";
    h += "/PaintType 0 def\r";
    h += "/FontType 1 def\r";
    h += "/FontMatrix [0.001 0 0 0.001 0 0] readonly def\r";
    if (!s.cNames) {
        h += "/Encoding StandardEncoding def\r";
    } else {
        h += "/Encoding 256 array 0 1 255 {1 index exch /.notdef put} for\r";
        // Entries an existing font's own Encoding gave the control codes stay as they were.
        for (int c = 0; c < 32; ++c) {
            if (!s.encodingNames[size_t(c)].empty())
                h += format("dup %d /", c) + s.encodingNames[size_t(c)] + " put\r";
        }
        for (int c = 32; c <= 255; ++c) h += format("dup %d /", c) + fileGlyphName(s, c) + " put\r";
        h += "readonly def\r";
    }
    char box[96];
    std::snprintf(box, sizeof box, "/FontBBox {%d %d %d %d} readonly def\r", s.llx, s.lly, s.urx,
                  s.ury);
    h += box;
    h += "currentdict end\r";
    h += "currentfile eexec\r";
    return h;
}

const char* const kNewFontPrivate =
    "/Private 9 dict dup begin\r"
    "/RD {string currentfile exch readstring pop} executeonly def\r"
    "/ND {noaccess def} executeonly def\r"
    "/NP {noaccess put} executeonly def\r"
    "/BlueValues [] def\r"
    "/MinFeature {16 16} def\r"
    "/password 5839 def\r"
    "/OtherSubrs\r"
    "[{} {} {} {}\r"
    "] noaccess def\r"
    "/Subrs 4 array\r";

}  // namespace

std::string newFontPrivateText() {
    std::string text = kNewFontPrivate;
    // Each Subrs entry is a valid charstring (lead bytes and "return"), so that
    // interpreters that check every subroutine accept the font.
    std::vector<uint8_t> subr{20, 21, 22, 23, 11};
    Type1Cipher(kCharStringKey).encrypt(subr.data(), subr.size());
    for (int i = 0; i < 4; ++i) {
        text += format("dup %d 5 RD ", i);
        text.append(subr.begin(), subr.end());
        text += " NP\r";
    }
    text += "ND\r2 index ";
    return text;
}

std::string psStringText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::vector<GlyphEntry> charStringEntries(const Type1FontState& s,
                                          const SessionSettings& settings) {
    std::vector<GlyphEntry> entries;
    const int charNumber = settings.charNumber;
    const bool adding =
        s.newGlyphPending && s.newGlyphBuilt && charNumber >= 33 && charNumber <= 255;
    bool haveNotdef = false, haveSpace = false;
    if (s.existingFont) {
        entries.reserve(s.preservedGlyphs.size() + 3);
        for (const PreservedGlyph& g : s.preservedGlyphs) {
            if (g.code >= 33 && g.code <= 255 &&
                (s.deleteMark[size_t(g.code)] || (adding && g.code == charNumber)))
                continue;
            GlyphEntry e;
            if (g.code == kUnknownGlyphCode) {
                e.name = g.name;
                e.kept = &g;
            } else {
                e.name = fileGlyphName(s, g.code);
                const int16_t width = s.widths[size_t(g.code)];
                // A glyph measured at the width it is written with stays as it is.
                if (g.code == 0 || (g.checked && g.width == width))
                    e.kept = &g;
                else
                    e.made = withCharStringWidth(g.program, width);
            }
            haveNotdef = haveNotdef || g.code == 0;
            haveSpace = haveSpace || g.code == 32;
            entries.push_back(std::move(e));
        }
    }
    // Every font carries ".notdef" and "space"; a font read back may lack them.
    if (!haveNotdef || !haveSpace) {
        const std::vector<uint8_t> blank = defaultGlyphProgram(s.widths[32]);
        if (!haveNotdef) entries.insert(entries.begin(), GlyphEntry{".notdef", nullptr, blank});
        if (!haveSpace) entries.push_back(GlyphEntry{fileGlyphName(s, 32), nullptr, blank});
    }
    if (adding)
        entries.push_back(GlyphEntry{fileGlyphName(s, charNumber), nullptr, s.newGlyphProgram});
    return entries;
}

std::vector<uint8_t> buildFontProgram(const Type1FontState& s, const SessionSettings& settings) {
    return buildFontProgram(s, settings, charStringEntries(s, settings));
}

std::vector<uint8_t> buildFontProgram(const Type1FontState& s, const SessionSettings& settings,
                                      const std::vector<GlyphEntry>& entries) {
    std::vector<uint8_t> out;
    const std::string header = clearTextHeader(s, settings);
    appendSegmentHeader(out, 1, header.size());
    out.insert(out.end(), header.begin(), header.end());

    std::string plain = "{Q.0dup ";
    const bool existing = s.existingFont;
    plain += existing ? s.preservedPrivateText : newFontPrivateText();
    plain += format("/CharStrings %d dict dup begin\r", int(entries.size()));
    const int lenIV = existing ? s.lenIV : 4;
    const CharStringStyle style = existing ? s.charStringStyle : CharStringStyle::RD;
    for (const GlyphEntry& e : entries) plain += charStringEntry(e.name, e.program(), lenIV, style);
    plain += "end\rend\rreadonly put\rnoaccess put\r";
    plain += "dup /FontName get exch definefont pop\r";
    plain += "mark currentfile closefile\r";
    appendSegmentHeader(out, 2, plain.size());
    out.reserve(out.size() + plain.size() + 640);
    Type1Cipher ee(kEexecKey);
    for (char c : plain) out.push_back(ee.encrypt(uint8_t(c)));

    std::string trailer;
    for (int i = 0; i < 8; ++i) trailer += std::string(64, '0') + "\r";
    trailer += "cleartomark\r";
    appendSegmentHeader(out, 1, trailer.size());
    out.insert(out.end(), trailer.begin(), trailer.end());
    out.push_back(0x80);
    out.push_back(0x03);
    return out;
}

}  // namespace gx
