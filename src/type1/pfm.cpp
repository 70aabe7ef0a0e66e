#include "type1/pfm.h"

#include <cstring>

#include "support/bytes.h"
#include "type1/font_program.h"

namespace gx {
namespace {

constexpr size_t kHeaderSize = 117;
constexpr size_t kExtensionSize = 30;
constexpr size_t kExtMetricsSize = 52;
constexpr size_t kDfSize = 2, kDfDevice = 101, kDfFace = 105;
constexpr size_t kDfExtentTable = 123, kDfPairKernTable = 131, kDfDriverInfo = 139;
constexpr size_t kEtmKernPairs = kHeaderSize + kExtensionSize + 48;

// Leadings derived from two 16-bit values may pass 16 bits (a grid of 65535 units):
// they are kept at the nearest value the field holds rather than wrapped.
int16_t clamp16(int v) {
    return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

}  // namespace

std::vector<uint8_t> buildPfmFile(const Type1FontState& s, const SessionSettings& settings) {
    const bool italic = (settings.style & 2) != 0;
    const bool bold = (settings.style & 1) != 0;
    LittleEndianWriter w;
    // Header.
    w.writeU16(0x0100);  // dfVersion
    w.writeU32(0);       // dfSize, patched
    char copyright[60] = {};
    std::strncpy(copyright, kCopyrightNotice, sizeof copyright - 1);
    w.writeBytes(copyright, sizeof copyright);
    w.writeU16(0x0081);                                   // dfType
    w.writeU16(10);                                       // dfPoints
    w.writeU16(300);                                      // dfVertRes
    w.writeU16(300);                                      // dfHorizRes
    w.writeS16(s.capHeight);                              // dfAscent
    w.writeS16(clamp16(s.ascender - s.capHeight));        // dfInternalLeading
    w.writeS16(clamp16(settings.gridSize - s.ascender));  // dfExternalLeading
    w.writeU8(italic ? 1 : 0);                            // dfItalic
    w.writeU8(0);                                         // dfUnderline
    w.writeU8(0);                                         // dfStrikeOut
    w.writeU16(bold ? 700 : 400);                         // dfWeight
    w.writeU8(s.cNames ? 2 : 0);                          // dfCharSet
    w.writeU16(0);                                        // dfPixWidth
    w.writeU16(1000);                                     // dfPixHeight
    w.writeU8(s.cNames ? 0x51 : 0x01);                    // dfPitchAndFamily
    w.writeS16(s.avgWidth);                               // dfAvgWidth
    w.writeS16(s.maxWidth);                               // dfMaxWidth
    w.writeU8(32);                                        // dfFirstChar
    w.writeU8(255);                                       // dfLastChar
    w.writeU8(0);                                         // dfDefaultChar
    w.writeU8(0);                                         // dfBreakChar
    w.writeU16(0);                                        // dfWidthBytes
    w.writeU32(0);                                        // dfDevice, patched
    w.writeU32(0);                                        // dfFace, patched
    w.writeU32(0);                                        // dfBitsPointer
    w.writeU32(0);                                        // dfBitsOffset
    // Extension.
    w.writeU16(uint16_t(kExtensionSize));                // dfSizeFields
    w.writeU32(uint32_t(kHeaderSize + kExtensionSize));  // dfExtMetricsOffset
    w.writeU32(0);                                       // dfExtentTable, patched
    w.writeU32(0);                                       // dfOriginTable
    w.writeU32(0);                                       // dfPairKernTable, patched
    w.writeU32(0);                                       // dfTrackKernTable
    w.writeU32(0);                                       // dfDriverInfo, patched
    w.writeU32(0);                                       // dfReserved
    // Extended text metrics.
    const int16_t etm[26] = {52,        240,        0,           1000,
                             3,         1000,       1000,        s.capHeight,
                             s.xHeight, s.ascender, s.descender, int16_t(italic ? 150 : 0),
                             -500,      250,        500,         500,
                             98,        54,         49,          98,
                             27,        27,         500,         100,
                             0,         0};
    static_assert(sizeof etm == kExtMetricsSize, "extended text metrics are 52 bytes");
    for (int16_t v : etm) w.writeS16(v);

    w.patchU32(kDfDevice, uint32_t(w.size()));
    w.writeString("PostScript");
    w.writeU8(0);
    w.patchU32(kDfFace, uint32_t(w.size()));
    w.writeString(settings.familyName);
    w.writeU8(0);
    w.patchU32(kDfDriverInfo, uint32_t(w.size()));
    w.writeString(s.fontName);
    w.writeU8(0);
    w.patchU32(kDfExtentTable, uint32_t(w.size()));
    for (int c = 32; c <= 255; ++c) {
        // A code without a glyph prints as a space.
        w.writeS16(s.glyphPresent[size_t(c)] ? s.widths[size_t(c)] : s.widths[32]);
    }
    if (s.kernPairsLoaded) {
        std::vector<KerningPair> pairs = s.kerningPairs;
        sortKerningPairs(pairs, true);
        w.patchU32(kDfPairKernTable, uint32_t(w.size()));
        w.patchU16(kEtmKernPairs, uint16_t(pairs.size()));
        w.writeU16(uint16_t(pairs.size()));
        for (const KerningPair& p : pairs) {
            w.writeU8(uint8_t(p.left));
            w.writeU8(uint8_t(p.right));
            w.writeS16(p.value);
        }
    }
    w.patchU32(kDfSize, uint32_t(w.size()));
    return w.bytes();
}

}  // namespace gx
