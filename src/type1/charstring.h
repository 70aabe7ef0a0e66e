// Type 1 charstrings: number encoding, the new glyph's program built from the captured
// outline, and the rewriting of charstrings kept from an existing font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "type1/font_state.h"

namespace gx {

// Charstring commands this writer uses.
enum : uint8_t {
    kCsHsbw = 13,
    kCsRmoveto = 21,
    kCsRlineto = 5,
    kCsRrcurveto = 8,
    kCsClosepath = 9,
    kCsEndchar = 14,
    kCsEscape = 12,
};

// The writer stops a glyph whose charstring, lead bytes included, passes this length.
inline constexpr size_t kMaxCharStringLength = 2980;

// Appends the published encoding of v (1, 2 or 5 bytes) and returns the byte count.
int encodeCharStringNumber(int32_t v, std::vector<uint8_t>& out);

// A point of the outline being encoded; kind tells how it is reached. Coordinates are
// 32-bit: captured shapes reach far beyond 16 bits before they are scaled.
struct PathPoint {
    int32_t x = 0;
    int32_t y = 0;
    uint8_t kind = 0;
};
enum : uint8_t { kPointStart = 1, kPointLine = 2, kPointCurve = 4, kPointLast = 8 };

// Points and subpath starts from captured node types (the final entry is the count).
void buildPathPoints(const int32_t* points, const uint8_t* types, int count,
                     std::vector<PathPoint>& out, std::vector<int>& subpathStarts);
// Sign of the area sum over one subpath (points [first, end)): -1 counter-clockwise, 1
// clockwise, 0 none. Exact for coordinates below 2^30 in magnitude.
int contourAreaSign(const std::vector<PathPoint>& pts, int first, int end);
// Whether the first point of subpath j lies inside the other subpaths (even-odd).
bool pointInsideOtherContours(const std::vector<PathPoint>& pts, const std::vector<int>& starts,
                              int j);
void reverseContour(std::vector<PathPoint>& pts, int first, int end);
// Gives each subpath the direction the font needs: outer clockwise, inner counter-clockwise.
void fixContourDirections(std::vector<PathPoint>& pts, const std::vector<int>& starts);

enum class CharStringStatus { Ok, TooLong, OutOfRange, BadDesignSize, BadCharCode };

// Builds the new glyph for settings.charNumber: box, width and plain program (without lead
// bytes) go into the state. The origin is in the captured points' unit. Everything is
// computed in wide integers; a shape or width beyond the 16-bit range the font's
// metrics are kept in is OutOfRange.
CharStringStatus buildCharString(Type1FontState& s, const SessionSettings& settings,
                                 int32_t originX, int32_t originY, const int32_t* points,
                                 const uint8_t* types, int count);

// Whether a plain program (lead bytes dropped) is one a Type 1 interpreter can run
// through: every number whole, every command one of the format's. `why` says what is
// wrong otherwise.
bool checkCharString(const std::vector<uint8_t>& program, std::string& why);

// The advance width of a plain program: the last number before the first hsbw.
int16_t charStringWidth(const uint8_t* program, size_t length);
// The program with its hsbw width replaced by `width` (unchanged when it already is).
std::vector<uint8_t> withCharStringWidth(const std::vector<uint8_t>& program, int16_t width);

// The plain program of the ".notdef" and "space" glyphs of a new font.
std::vector<uint8_t> defaultGlyphProgram(int16_t width);

// One complete CharStrings entry: "/name L RD <bytes> ND" and CR LF, the bytes given
// `lenIV` lead bytes and encrypted with the charstring key (lenIV -1: left plain).
std::string charStringEntry(const std::string& name, const std::vector<uint8_t>& program, int lenIV,
                            CharStringStyle style);

}  // namespace gx
