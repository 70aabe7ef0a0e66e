// Font metrics taken from an Adobe Font Metrics file for the TrueType plug-in: the
// font-wide values, a fixed advance, per-character widths and kerning pairs. The
// reader only collects; the session keeps the result and the font writer applies it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/kerning.h"

namespace gx {

// Why an import failed.
enum class AfmFailure {
    None,
    CannotRead,  // the file cannot be opened or is larger than kMaxMetricsFileBytes
    LineWithoutToken,
    MissingValue,     // a keyword without its number
    NotMetricsLine,   // a non-empty line inside the metrics block that is not a "C" line
    BadKerningCount,  // a pair count the kerning block cannot hold
    NotMetricsFile,   // a file that does not begin with "StartFontMetrics" (empty, binary)
    NoMetrics,        // a metrics file that gives no value this import takes
};

// Files above this size are refused rather than read into memory.
inline constexpr size_t kMaxMetricsFileBytes = 16u << 20;

// What one import found. Values stored before a failing line stay stored, so a failed
// import still carries them (with `ok` false).
struct FontMetricsImport {
    bool ok = false;
    AfmFailure failure = AfmFailure::None;
    int failureLine = 0;  // 1-based line of the failure, 0 when none

    int16_t ascender = 0;
    int16_t descender = 0;
    int16_t italicAngle = 0;  // whole degrees
    int16_t underlinePosition = 0;
    int16_t underlineThickness = 0;

    bool fixedWidth = false;   // "CharWidth" seen
    int16_t fixedAdvance = 0;  // its width in grid units, for every glyph

    bool characterMetrics = false;      // "StartCharMetrics" seen and no metrics line rejected
    std::array<int16_t, 256> widths{};  // grid units, by character code
    std::array<bool, 256> widthSet{};   // the entries a "C" line wrote

    bool kerning = false;                   // "StartKernPairs" seen
    std::vector<KerningPair> kerningPairs;  // character codes, values in AFM units
};

// The code whose glyph name this is (32..255), 0 when none. Case-sensitive; the first
// match in code order wins, so "bar" is 124.
int lookupGlyphCode(const std::string& name);

// Reads AFM text; `gridSize` is the font's units per em.
FontMetricsImport parseFontMetrics(const std::string& text, int gridSize);
// Reads the file at `path` through the platform's file layer.
FontMetricsImport importFontMetrics(const std::string& path, int gridSize);

// Writes the widths the import read into a per-code table that outlives imports:
// entries no "C" line named keep their earlier values.
void mergeImportedWidths(const FontMetricsImport& imported, std::array<int16_t, 256>& table);

// The pairs as the font stores them: each code replaced by its glyph in the font being
// written, pairs with a code that has no glyph (glyphOf gives 0) dropped, the rest
// ordered by left glyph, then right glyph, keeping the file's order among equals.
std::vector<KerningPair> kerningPairsForGlyphs(const std::vector<KerningPair>& byCode,
                                               const std::function<int(int code)>& glyphOf);

}  // namespace gx
