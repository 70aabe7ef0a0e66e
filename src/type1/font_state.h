// Everything the three files of a Type 1 font are written from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/export_settings.h"
#include "type1/kerning.h"

namespace gx {

inline constexpr int kUnknownGlyphCode = 256;

// A charstring kept from an existing font: its name, the code the name gives, and its
// decrypted bytes without the lenIV lead bytes.
struct PreservedGlyph {
    std::string name;
    int code = kUnknownGlyphCode;
    std::vector<uint8_t> program;
    // The reader's check has passed on `program` as it stands, and `width` is its
    // charstring width: a batch that keeps the glyph unchanged need not run either again.
    // Whoever changes `program` clears it.
    bool checked = false;
    int16_t width = 0;
};

// Whether a charstring is introduced by "RD ... ND" or by "-| ... |-".
enum class CharStringStyle { RD, Bar };

struct Type1FontState {
    std::array<int16_t, 256> widths{};
    std::array<int16_t, 256> glyphPresent{};
    std::array<int16_t, 256> deleteMark{};
    std::array<int16_t, 256> loadedWidths{};
    // The codes the loaded metrics gave a width; the others keep theirs.
    std::array<int16_t, 256> loadedWidthSet{};
    // The font box as read from a font or grown by the new glyph; wider than the other
    // metrics so that a box read back is written back as it was.
    int32_t llx = 32000, lly = 32000, urx = 0, ury = 0;
    int16_t avgWidth = 0, maxWidth = 0;
    int16_t ascender = 0, descender = 0, capHeight = 0, xHeight = 0;
    int16_t italicAngle = 0;
    int16_t underlinePosition = -100, underlineThickness = 50;
    int32_t glyphCount = 0;
    int32_t unknownGlyphCount = 0;
    int16_t symbol = 0;
    int16_t cNames = 0;
    int16_t newGlyphPending = 1;
    int16_t charMetricsLoaded = 0;
    int16_t kernPairsLoaded = 0;
    std::vector<KerningPair> kerningPairs;
    std::string fontName;
    std::string fullName;

    // The two name tables are vectors of a fixed size rather than arrays so that a state
    // moves without moving 480 strings (a batch moves and renews states per shape); a
    // state moved from is only assigned to or destroyed.
    // Names of the codes 32..255: the built-in names, renamed by an existing font's
    // own Encoding.
    std::vector<std::string> glyphNameTable;  // 224 names
    // The names an existing font's own Encoding gave (empty where it gave none),
    // codes 0..31 included so that they are written back as they were.
    std::vector<std::string> encodingNames;  // 256 names

    // The new glyph.
    int16_t minX = 32767, minY = 32767, maxX = 0, maxY = 0;
    std::vector<uint8_t> newGlyphProgram;  // plain charstring without lead bytes
    bool newGlyphBuilt = false;

    // An existing font, as read.
    bool existingFont = false;
    std::string preservedPrivateText;
    std::vector<PreservedGlyph> preservedGlyphs;
    // The plain programs of the font's Subrs by index (lead bytes dropped), for the
    // glyph boxes of the AFM; the Private text keeps them for the font itself.
    std::vector<std::vector<uint8_t>> subrPrograms;
    CharStringStyle charStringStyle = CharStringStyle::RD;
    int lenIV = 4;

    Type1FontState();
    void reset();
    // Back to the built-in names, with no names of the font's own: what a font that
    // names StandardEncoding maps its codes through.
    void useStandardEncoding();
};

// Name of a code 32..255 from the session's table ("c" and the code where the table
// has no name).
std::string glyphNameForCode(const Type1FontState& s, int code);
// The first code 32..255 whose name is `name`; 0 for ".notdef"; 256 otherwise.
int codeForGlyphName(const Type1FontState& s, const std::string& name);
// The code a name of the form "c" and a number gives (how a code without a name in the
// table is called); -1 for any other name.
int cNameCode(const std::string& name);
// The name a code's glyph carries in all three files under the current naming mode.
std::string fileGlyphName(const Type1FontState& s, int code);

// Settles the glyph set and derives the font-wide metrics; once per save.
void finishFontMetrics(Type1FontState& s, const SessionSettings& settings);
// Whether the family name can name a Type 1 font as it stands: printable ASCII only.
// Other bytes have no agreed meaning in the font's strings and are lost from FontName.
bool familyNameIsPlainAscii(const std::string& name);

// FullName and FontName from the family name and the style.
void buildFontNames(Type1FontState& s, const SessionSettings& settings);

// Sorts pairs by left then right code (byRightFirst false) or right then left.
void sortKerningPairs(std::vector<KerningPair>& pairs, bool byRightFirst);

}  // namespace gx
