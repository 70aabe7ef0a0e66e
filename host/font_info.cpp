#include "font_info.h"

#include <cstdio>

#include "platform/platform.h"
#include "truetype/truetype.h"
#include "type1/update.h"

namespace gx::host {
namespace {

const char* styleName(uint8_t style) {
    static const char* names[] = {"Normal", "Bold", "Italic", "BoldItalic"};
    return style < 4 ? names[style] : "?";
}

void printCode(int code, int width) {
    if (code > 32 && code < 127)
        std::printf("  %3d  '%c'  width %d\n", code, code, width);
    else
        std::printf("  %3d       width %d\n", code, width);
}

bool isTrueType(const std::vector<uint8_t>& b) {
    return b.size() >= 4 && ((b[0] == 0 && b[1] == 1 && b[2] == 0 && b[3] == 0) ||
                             (b[0] == 't' && b[1] == 'r' && b[2] == 'u' && b[3] == 'e'));
}

bool trueTypeInfo(const std::string& path, std::vector<uint8_t> bytes) {
    tt::FontFileState font;
    SessionSettings settings = defaultSettings(PluginKind::TrueType);
    tt::ReadStatus status = tt::readExistingFont(std::move(bytes), font, settings);
    if (status != tt::ReadStatus::Ok) {
        std::fprintf(stderr, "glyph-export: %s: %s\n", path.c_str(),
                     status == tt::ReadStatus::TooComplex
                         ? "too many glyphs for the TrueType plug-in (at most 300)"
                         : "not a TrueType font the plug-in can read");
        return false;
    }
    // Codes below 32 are control codes some fonts map to their null glyph.
    int count = 0;
    for (int code = 32; code < 256; ++code) count += font.charToGlyph[code] != 0;
    std::printf("%s: TrueType font\n", path.c_str());
    std::printf("  family       %s\n", settings.familyName.c_str());
    std::printf("  style        %s\n", styleName(settings.style));
    std::printf("  grid size    %u units per em\n", unsigned(settings.gridSize));
    std::printf("  symbol font  %s\n", settings.symbolFont ? "yes" : "no");
    std::printf("  glyphs       %u (%d with a code)\n", unsigned(font.numGlyphs), count);
    for (int code = 32; code < 256; ++code) {
        uint16_t g = font.charToGlyph[code];
        if (g != 0 && g < font.numGlyphs) printCode(code, font.advanceWidths[g]);
    }
    return true;
}

bool type1Info(const std::string& path) {
    auto file = platform::FontFile::open(path, platform::OpenMode::ReadOnly);
    if (!file) {
        std::fprintf(stderr, "glyph-export: %s: cannot open the font\n", path.c_str());
        return false;
    }
    Type1FontState state;
    SessionSettings settings = defaultSettings(PluginKind::Type1);
    std::string error;
    if (readExistingType1Font(*file, path, state, settings, error) != Type1ReadStatus::Ok) {
        std::fprintf(stderr, "glyph-export: %s: not a font either plug-in can read (%s)\n",
                     path.c_str(), error.c_str());
        return false;
    }
    int count = 0;
    for (int code = 0; code < 256; ++code) count += state.glyphPresent[code] != 0;
    std::printf("%s: Type 1 font\n", path.c_str());
    if (!state.fontName.empty()) std::printf("  font name    %s\n", state.fontName.c_str());
    std::printf("  family       %s\n", settings.familyName.c_str());
    std::printf("  style        %s\n", styleName(settings.style));
    std::printf("  grid size    1000 units per em\n");
    std::printf("  symbol font  %s\n", state.symbol ? "yes" : "no");
    std::printf("  characters   %d, kerning pairs %zu\n", count, state.kerningPairs.size());
    for (int code = 0; code < 256; ++code)
        if (state.glyphPresent[code]) printCode(code, state.widths[code]);
    return true;
}

}  // namespace

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

bool fontHasCode(const std::string& path, int code) {
    std::array<bool, 256> codes;
    return code >= 0 && code <= 255 && occupiedCodes(path, codes) && codes[size_t(code)];
}

bool printFontInfo(const std::string& path) {
    std::string text;
    if (!platform::readWholeFile(path, text)) {
        std::fprintf(stderr, "glyph-export: %s: cannot read the file\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes(text.begin(), text.end());
    return isTrueType(bytes) ? trueTypeInfo(path, std::move(bytes)) : type1Info(path);
}

}  // namespace gx::host
