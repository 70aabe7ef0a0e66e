// Reads arbitrary bytes as an existing Type 1 font program and, when they read as one,
// writes the font again the way a save does, so that whatever the reader keeps reaches
// the writers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "type1/afm.h"
#include "type1/font_program.h"
#include "type1/font_reader.h"
#include "type1/pfm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gx::Type1FontState state;
    gx::SessionSettings settings;
    settings.familyName = "Fuzz";
    settings.charNumber = 65;
    settings.spaceWidth = 250;
    std::string error;
    if (!gx::readType1Program(data, size, state, settings, error)) return 0;
    state.newGlyphPending = 0;
    gx::finishFontMetrics(state, settings);
    gx::buildFontNames(state, settings);
    gx::buildFontProgram(state, settings);
    gx::buildAfmFile(state, settings);
    gx::buildPfmFile(state, settings);
    return 0;
}
