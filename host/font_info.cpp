#include "font_info.h"

#include <cstdio>

#include "platform/platform.h"
#include "truetype/truetype.h"
#include "type1/update.h"
#include "ui/settings.h"

namespace gx::host {
namespace {

const char* styleName(uint8_t style) {
    static const char* names[] = {"Normal", "Bold", "Italic", "BoldItalic"};
    return style < 4 ? names[style] : "?";
}

bool isTrueType(const std::vector<uint8_t>& b) {
    return b.size() >= 4 && ((b[0] == 0 && b[1] == 1 && b[2] == 0 && b[3] == 0) ||
                             (b[0] == 't' && b[1] == 'r' && b[2] == 'u' && b[3] == 'e'));
}

bool trueTypeSummary(std::vector<uint8_t> bytes, FontSummary& out, std::string& error) {
    tt::FontFileState font;
    SessionSettings settings = defaultSettings(PluginKind::TrueType);
    tt::ReadStatus status = tt::readExistingFont(std::move(bytes), font, settings);
    if (status != tt::ReadStatus::Ok) {
        error = status == tt::ReadStatus::TooComplex
                    ? "too many glyphs for the TrueType plug-in (at most 300)"
                    : "not a TrueType font the plug-in can read";
        // What is damaged, where the reader could tell.
        if (!font.problem.empty()) error += "\n" + font.problem;
        return false;
    }
    out.trueType = true;
    out.family = settings.familyName;
    out.style = styleName(settings.style);
    out.unitsPerEm = settings.gridSize;
    out.symbol = settings.symbolFont != 0;
    out.glyphCount = font.numGlyphs;
    // Codes below 32 are control codes some fonts map to their null glyph.
    for (int code = 32; code < 256; ++code) {
        const uint16_t g = font.charToGlyph[size_t(code)];
        if (g != 0 && g < font.numGlyphs && g < font.advanceWidths.size())
            out.characters.push_back({code, int(font.advanceWidths[g])});
    }
    return true;
}

bool type1Summary(const std::string& path, FontSummary& out, std::string& error) {
    auto file = platform::FontFile::open(path, platform::OpenMode::ReadOnly);
    if (!file) {
        error = "cannot open the font";
        return false;
    }
    Type1FontState state;
    SessionSettings settings = defaultSettings(PluginKind::Type1);
    std::string why;
    if (readExistingType1Font(*file, path, state, settings, why) != Type1ReadStatus::Ok) {
        error = "not a font either plug-in can read (" + why + ")";
        return false;
    }
    out.trueType = false;
    out.fontName = state.fontName;
    out.family = settings.familyName;
    out.style = styleName(settings.style);
    out.unitsPerEm = 1000;
    out.symbol = state.symbol != 0;
    out.kerningPairs = state.kerningPairs.size();
    for (int code = 0; code < 256; ++code)
        if (state.glyphPresent[size_t(code)])
            out.characters.push_back({code, int(state.widths[size_t(code)])});
    out.glyphCount = int(out.characters.size());
    return true;
}

void printCode(int code, int width) {
    if (code > 32 && code < 127)
        std::printf("  %3d  '%c'  width %d\n", code, code, width);
    else
        std::printf("  %3d       width %d\n", code, width);
}

void printText(const std::string& path, const FontSummary& s) {
    if (s.trueType) {
        std::printf("%s: TrueType font\n", path.c_str());
    } else {
        std::printf("%s: Type 1 font\n", path.c_str());
        if (!s.fontName.empty()) std::printf("  font name    %s\n", s.fontName.c_str());
    }
    std::printf("  family       %s\n", s.family.c_str());
    std::printf("  style        %s\n", s.style.c_str());
    std::printf("  grid size    %d units per em\n", s.unitsPerEm);
    std::printf("  symbol font  %s\n", s.symbol ? "yes" : "no");
    if (s.trueType)
        std::printf("  glyphs       %d (%zu with a code)\n", s.glyphCount, s.characters.size());
    else
        std::printf("  characters   %zu, kerning pairs %zu\n", s.characters.size(), s.kerningPairs);
    for (const FontCharacter& c : s.characters) printCode(c.code, c.width);
}

// A JSON string. Names read from a font may hold any byte: control characters are
// escaped, and a byte that is not ASCII is taken as the Latin-1 character of that code.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char buf[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

}  // namespace

bool readFontSummary(const std::string& path, FontSummary& summary, std::string& error) {
    summary = FontSummary{};
    std::string text;
    if (!platform::readWholeFile(path, text)) {
        error = "cannot read the file";
        return false;
    }
    std::vector<uint8_t> bytes(text.begin(), text.end());
    return isTrueType(bytes) ? trueTypeSummary(std::move(bytes), summary, error)
                             : type1Summary(path, summary, error);
}

std::string fontSummaryJson(const std::string& path, const FontSummary& s) {
    std::string j = "{\"file\": " + jsonString(path);
    j += ", \"format\": ";
    j += s.trueType ? "\"truetype\"" : "\"type1\"";
    if (!s.fontName.empty()) j += ", \"fontName\": " + jsonString(s.fontName);
    j += ", \"family\": " + jsonString(s.family);
    j += ", \"style\": " + jsonString(s.style);
    j += ", \"unitsPerEm\": " + std::to_string(s.unitsPerEm);
    j += std::string(", \"symbol\": ") + (s.symbol ? "true" : "false");
    j += ", \"glyphs\": " + std::to_string(s.glyphCount);
    if (!s.trueType) j += ", \"kerningPairs\": " + std::to_string(s.kerningPairs);
    j += ", \"characters\": [";
    for (size_t i = 0; i < s.characters.size(); ++i) {
        const FontCharacter& c = s.characters[i];
        j += i ? ", " : "";
        j += "{\"code\": " + std::to_string(c.code) + ", \"width\": " + std::to_string(c.width) +
             "}";
    }
    return j + "]}";
}

bool fontHasCode(const std::string& path, int code) {
    FontSummary s;
    std::string error;
    if (!readFontSummary(path, s, error)) return false;
    for (const FontCharacter& c : s.characters)
        if (c.code == code) return true;
    return false;
}

bool printFontInfo(const std::string& path, bool json) {
    FontSummary s;
    std::string error;
    if (!readFontSummary(path, s, error)) {
        std::fprintf(stderr, "glyph-export: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (json)
        std::printf("%s\n", fontSummaryJson(path, s).c_str());
    else
        printText(path, s);
    return true;
}

std::vector<int> codesGoingWith(const std::string& path, const std::vector<int>& removed) {
    std::vector<int> going;
    std::string text;
    if (!platform::readWholeFile(path, text)) return going;
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (!isTrueType(bytes)) return going;
    tt::FontFileState font;
    SessionSettings settings = defaultSettings(PluginKind::TrueType);
    if (tt::readExistingFont(std::move(bytes), font, settings) != tt::ReadStatus::Ok) return going;
    for (int code : removed)
        if (code >= 0 && code < 256) font.deleteMark[size_t(code)] = true;
    // The plug-in's own choice of what stays, run without a glyph to add.
    font.addGlyph = false;
    if (tt::updateFontMetrics(font, settings) != tt::SaveStatus::Ok) return going;
    for (int code = 32; code < 256; ++code)
        if (font.charToGlyph[size_t(code)] != 0 && !font.deleteMark[size_t(code)] &&
            font.newCodeMap[size_t(code)] == 0)
            going.push_back(code);
    return going;
}

bool occupiedCodes(const std::string& path, std::array<bool, 256>& codes) {
    codes.fill(false);
    std::string text;
    if (!platform::readWholeFile(path, text)) return false;
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (isTrueType(bytes)) {
        tt::FontFileState font;
        SessionSettings settings = defaultSettings(PluginKind::TrueType);
        if (tt::readExistingFont(std::move(bytes), font, settings) != tt::ReadStatus::Ok)
            return false;
        for (size_t c = 0; c < codes.size(); ++c) codes[c] = font.charToGlyph[c] != 0;
        return true;
    }
    auto file = platform::FontFile::open(path, platform::OpenMode::ReadOnly);
    Type1FontState state;
    SessionSettings settings = defaultSettings(PluginKind::Type1);
    std::string error;
    if (!file || readExistingType1Font(*file, path, state, settings, error) != Type1ReadStatus::Ok)
        return false;
    for (size_t c = 0; c < codes.size(); ++c) codes[c] = state.glyphPresent[c] != 0;
    return true;
}

}  // namespace gx::host
