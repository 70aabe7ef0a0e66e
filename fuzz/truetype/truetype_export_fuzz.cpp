// A whole export on a fuzzed font: read it, replace or add a glyph, write the font and
// read what was written. A font the plug-in accepted must come out readable, with the
// new glyph at its code and every kept code still mapped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "structure_mutator.h"
#include "truetype/truetype.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    return gx::fuzz::mutateTrueTypeStructure(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace gx::tt;
    FontFileState font;
    gx::SessionSettings settings;
    if (readExistingFont(std::vector<uint8_t>(data, data + size), font, settings) != ReadStatus::Ok)
        return 0;
    // The code comes from the last byte: a free one or one to replace, as a user chooses
    // (the codes Windows has no character for are refused by the dialog).
    auto windowsHasCode = [](int c) {
        return c != 127 && c != 128 && c != 129 && c != 141 && c != 142 && c != 143 && c != 144 &&
               c != 157 && c != 158;
    };
    const int code = size > 0 ? 33 + data[size - 1] % 223 : 65;
    if (!windowsHasCode(code)) return 0;
    if (font.charToGlyph[size_t(code)] != 0) font.deleteMark[size_t(code)] = true;
    if (size > 1 && data[size - 2] % 3 == 0) font.deleteMark[33 + data[size - 2] % 223] = true;
    settings.charNumber = int16_t(code);
    ConvertedOutline outline;
    outline.points = {{0, 0, kContourStart}, {0, 300, kOnCurve}, {300, 0, kContourEnd}};
    outline.contourStarts = {0, 3};
    if (buildNewGlyph(outline, font.newGlyph) != kOutlineOk) std::abort();
    if (updateFontMetrics(font, settings) != SaveStatus::Ok) return 0;
    std::vector<uint8_t> out;
    if (!writeFontFile(font, settings, out)) return 0;

    FontFileState back;
    gx::SessionSettings again;
    if (readExistingFont(out, back, again) != ReadStatus::Ok) std::abort();
    if (back.numGlyphs != font.glyphCount) std::abort();
    if (back.charToGlyph[size_t(code)] != font.glyphCount - 1) std::abort();
    for (int c = 33; c < 256; ++c)
        if (c != code && windowsHasCode(c) &&
            font.newCodeMap[size_t(c)] != back.charToGlyph[size_t(c)])
            std::abort();
    return 0;
}
