// readExistingFont over arbitrary bytes; what it accepts must also be writable.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "structure_mutator.h"
#include "truetype/truetype.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    return gx::fuzz::mutateTrueTypeStructure(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gx::tt::FontFileState font;
    gx::SessionSettings settings;
    std::vector<uint8_t> bytes(data, data + size);
    if (gx::tt::readExistingFont(bytes, font, settings) != gx::tt::ReadStatus::Ok) return 0;
    // Extending what was accepted walks the glyph data, composites and kern tables too.
    gx::tt::ConvertedOutline outline;
    outline.points = {
        {0, 0, gx::tt::kContourStart}, {0, 10, gx::tt::kOnCurve}, {10, 0, gx::tt::kContourEnd}};
    outline.contourStarts = {0, 3};
    gx::tt::buildNewGlyph(outline, font.newGlyph);
    if (size > 0) font.deleteMark[data[0]] = true;
    std::vector<uint8_t> out;
    if (gx::tt::updateFontMetrics(font, settings) == gx::tt::SaveStatus::Ok)
        gx::tt::writeFontFile(font, settings, out);
    return 0;
}
