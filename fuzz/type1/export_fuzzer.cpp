// A whole export on arbitrary bytes taken as an existing font program: read it, add a
// glyph, write the font program, the AFM and the PFM, and read what was written back.
// Whatever the reader accepts must come out as a font and metrics it accepts again,
// holding every glyph it kept and the new one; anything else stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "type1/afm.h"
#include "type1/charstring.h"
#include "type1/font_program.h"
#include "type1/font_reader.h"
#include "type1/pfm.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gx::Type1FontState state;
    gx::SessionSettings settings;
    settings.familyName = "Fuzz";
    settings.gridSize = 1000;
    settings.designSize = 1000;
    settings.spaceWidth = 250;
    settings.charWidth = 600;
    settings.autoWidth = 1;
    std::string error;
    if (!gx::readType1Program(data, size, state, settings, error)) return 0;
    // The code and the shape's size come from the input, so replacing, adding and the
    // number range are all reached.
    settings.charNumber = int16_t(33 + (size > 0 ? data[size - 1] : 0) % 223);
    const int32_t extent = 100 + int32_t(size % 40000);
    const int32_t points[] = {0, 0, 0, extent, extent, extent, extent, 0, 0, 0};
    const uint8_t types[] = {0x00, 0x40, 0x40, 0x40, 0x48};
    if (gx::buildCharString(state, settings, 0, 0, points, types, 5) != gx::CharStringStatus::Ok)
        return 0;
    gx::finishFontMetrics(state, settings);
    gx::buildFontNames(state, settings);
    const std::vector<uint8_t> program = gx::buildFontProgram(state, settings);
    const std::string afm = gx::buildAfmFile(state, settings);
    gx::buildPfmFile(state, settings);
    const size_t entries = gx::charStringEntries(state, settings).size();

    gx::Type1FontState back;
    gx::SessionSettings backSettings = settings;
    require(gx::readType1Program(program.data(), program.size(), back, backSettings, error));
    require(back.preservedGlyphs.size() == entries);
    require(back.glyphPresent[size_t(settings.charNumber)] != 0);
    require(back.widths[size_t(settings.charNumber)] == state.widths[size_t(settings.charNumber)]);
    gx::Type1FontState metrics;
    require(gx::readAfmText(afm, gx::AfmMode::Full, metrics, settings, error));
    return 0;
}
