// The TrueType side of an export: what was read from an existing font, what the
// glyph builder produced and what the writers need.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/kerning.h"

namespace gx::tt {

// Per-glyph arrays are bounded so a hostile font cannot make us allocate without limit.
inline constexpr int kMaxGlyphs = 300;

struct TableRecord {
    char tag[4] = {0, 0, 0, 0};
    uint32_t checkSum = 0;
    uint32_t offset = 0;
    uint32_t length = 0;

    bool is(const char* t) const {
        return tag[0] == t[0] && tag[1] == t[1] && tag[2] == t[2] && tag[3] == t[3];
    }
};

struct OffsetSubtable {
    uint32_t sfntVersion = 0x00010000;
    uint16_t numTables = 0;
    uint16_t searchRange = 0;
    uint16_t entrySelector = 0;
    uint16_t rangeShift = 0;
};

// Kinds of a converted point.
enum : uint8_t {
    kOffCurve = 1,
    kOnCurve = 2,
    kContourStart = 4,
    kContourEnd = 8,
};

struct GlyphPoint {
    int16_t x = 0;
    int16_t y = 0;
    uint8_t kind = 0;
};

// The outline on the font grid; contourStarts ends with the total point count.
struct ConvertedOutline {
    std::vector<GlyphPoint> points;
    std::vector<int16_t> contourStarts;

    int contourCount() const { return contourStarts.empty() ? 0 : int(contourStarts.size()) - 1; }
    void release() {
        points = {};
        contourStarts = {};
    }
};

// The glyph record of the exported shape, in file order, without the final padding.
struct NewGlyph {
    bool present = false;
    std::vector<uint8_t> record;
    int16_t numberOfContours = 0;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint16_t pointCount = 0;
};

using gx::KerningPair;

// What an AFM import left for the writer. Font-wide values and kerning are in AFM
// units (thousandths of an em) and are scaled to the grid when written; the
// per-character widths are already in grid units.
struct ImportedMetrics {
    bool characterMetrics = false;  // "StartCharMetrics" seen: widths and font-wide values apply
    bool fixedWidth = false;        // "CharWidth" seen: one advance for the whole font
    bool kerning = false;           // "StartKernPairs" seen
    int16_t ascender = 0;
    int16_t descender = 0;
    int16_t italicAngle = 0;  // whole degrees
    int16_t underlinePosition = 0;
    int16_t underlineThickness = 0;
    std::array<int16_t, 256> widths{};  // grid units, by character code
    std::array<bool, 256> widthSet{};   // the codes the file gave a width
    std::vector<KerningPair> pairs;     // codes and AFM units

    void clearFlags() {
        characterMetrics = false;
        fixedWidth = false;
        kerning = false;
    }
    void resetValues() {
        ascender = descender = italicAngle = underlinePosition = underlineThickness = 0;
        widthSet.fill(false);
        pairs.clear();
    }
};

// Seconds since 1904-01-01 (the format's date origin) of the Unix epoch.
inline constexpr int64_t kSecondsFrom1904To1970 = 2082844800;

struct FontFileState {
    // The existing font, read whole; the writers copy kept tables and glyphs from it.
    std::vector<uint8_t> source;

    // Why the font could not be read, when it could not (said beside the message).
    std::string problem;

    // directory
    bool directoryPresent = false;
    OffsetSubtable offsetSubtable;
    std::vector<TableRecord> directory;

    // read from an existing font
    int16_t xMin = 32000, yMin = 32000, xMax = 0, yMax = 0;  // font box
    int16_t indexToLocFormat = 0;
    uint16_t numGlyphs = 0;
    uint16_t numberOfHMetrics = 0;
    uint16_t advanceWidthMax = 0;
    int32_t averageAdvance = 0;
    std::array<uint16_t, 256> charToGlyph{};
    std::array<uint8_t, kMaxGlyphs> glyphToChar{};
    std::array<uint16_t, kMaxGlyphs> advanceWidths{};
    std::array<int16_t, kMaxGlyphs> leftSideBearings{};
    std::array<uint32_t, kMaxGlyphs + 1> glyphOffsets{};
    // Every character the font's Windows subtables map, ascending: (code, old glyph). The
    // rewritten cmap keeps those of kept glyphs beside the 8-bit codes.
    std::vector<std::pair<uint32_t, uint16_t>> unicodeMap;
    bool fullUnicodeSubtable = false;  // the font has a (3,10) format 12 subtable
    // A Windows family name past 8 bits, as the font has it, and the 8-bit text the
    // dialogs were given for it: while the name stays that text, the font keeps its own.
    std::u16string wideFamily;
    std::string familyAsRead;

    // insertion
    std::array<bool, 256> deleteMark{};
    bool addGlyph = true;
    NewGlyph newGlyph;
    ImportedMetrics imported;
    // created/modified of a new font, seconds since 1904; the session sets it from its clock
    int64_t timestamp = 0;

    // prepared by updateFontMetrics
    std::vector<uint16_t> keptGlyphs;
    std::array<uint16_t, 256> newCodeMap{};
    std::vector<uint32_t> newGlyphOffsets;
    int spaceGlyphIndex = -1;  // -1: no glyph takes the space width
    // The read values above stay as read, so a save can be repeated (after a failure).
    std::array<uint16_t, kMaxGlyphs> outAdvances{};
    std::array<int16_t, kMaxGlyphs> outBearings{};
    int32_t outAverage = 0;
    int16_t boxXMin = 0, boxYMin = 0, boxXMax = 0, boxYMax = 0;  // font box with the new glyph
    uint16_t outNumberOfHMetrics = 0;
    uint16_t glyphCount = 0;  // glyphs in the font being written
    int32_t advanceSum = 0;
    uint16_t largestAdvance = 0;
    uint16_t smallestAdvance = 0xFFFF;
    int16_t smallestBearing = 32000;
    int32_t largestBearing = 0;  // becomes hhea.xMaxExtent
    int16_t typoAscender = 0, typoDescender = 0;
    int16_t italicAngle = 0, underlinePosition = 0, underlineThickness = 0;
    std::vector<KerningPair> kernPairs;  // glyph indices, grid units
    bool writeKern = false;              // imported pairs replace any old kern table

    bool isNew() const { return !directoryPresent; }
    const TableRecord* findTableRecord(const char* tag) const {
        for (const TableRecord& r : directory)
            if (r.is(tag)) return &r;
        return nullptr;
    }
    // Drops everything read from a font (the buffers the session releases at its end).
    void releaseFontBuffers() {
        source = {};
        directory = {};
        unicodeMap = {};
        keptGlyphs = {};
        newGlyphOffsets = {};
        kernPairs = {};
    }
};

}  // namespace gx::tt
