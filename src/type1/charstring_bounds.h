// The bounding box of a glyph, found by running its charstring: what the "B" field of
// an AFM metrics line reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gx {

struct GlyphBounds {
    int32_t llx = 0, lly = 0, urx = 0, ury = 0;
};

// What a charstring may call upon: the font's Subrs (plain programs, lead bytes
// dropped) and, for accented glyphs (seac), the plain program of a glyph by name.
struct CharStringLibrary {
    const std::vector<std::vector<uint8_t>>* subrs = nullptr;
    std::function<const std::vector<uint8_t>*(const std::string& name)> glyph;
};

// The box of everything the program draws, curves taken at their extremes; 0 0 0 0
// for a glyph that draws nothing. False when the program cannot be run (a Subrs index
// or glyph that is not there, too deep a nesting, an operand missing).
bool charStringBounds(const std::vector<uint8_t>& program, const CharStringLibrary& library,
                      GlyphBounds& out);

// The glyph name of a code of the standard encoding, which seac's codes refer to; ""
// where the encoding has none.
const char* standardEncodingName(int code);

}  // namespace gx
