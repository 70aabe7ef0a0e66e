// `glyph-export info`: what a font holds, read by the plug-ins' own readers.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace gx::host {

struct FontCharacter {
    int code = 0;
    int width = 0;  // font units
};

struct FontSummary {
    bool trueType = true;
    std::string fontName;  // Type 1 only
    std::string family;
    std::string style;
    int unitsPerEm = 0;
    bool symbol = false;
    int glyphCount = 0;  // TrueType: every glyph, the special ones included
    size_t kerningPairs = 0;
    std::vector<FontCharacter> characters;  // codes in rising order
};

// Reads the font with the plug-ins' readers; false with `error` set when it is no font
// either plug-in can read.
bool readFontSummary(const std::string& path, FontSummary& summary, std::string& error);
// Prints the family, style, grid size and every code with its width (or the same as one
// JSON object when `json`); false (with a message on standard error) when the file is no
// font the plug-ins can read.
bool printFontInfo(const std::string& path, bool json = false);
// The summary as JSON: {"file":..., "format":"truetype"|"type1", ..., "characters":[...]}.
std::string fontSummaryJson(const std::string& path, const FontSummary& summary);
// True when the font at `path` holds a glyph for the code (false when it cannot be read).
bool fontHasCode(const std::string& path, int code);
// The codes of a TrueType font whose glyphs go when the glyphs of `removed` go: the
// composites built on them (empty when the file is no TrueType font the plug-in reads).
std::vector<int> codesGoingWith(const std::string& path, const std::vector<int>& removed);
// Every code the font at `path` holds a glyph for, in one reading of it; false (nothing
// marked) when it cannot be read.
bool occupiedCodes(const std::string& path, std::array<bool, 256>& codes);

}  // namespace gx::host
