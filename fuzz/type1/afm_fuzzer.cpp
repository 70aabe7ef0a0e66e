// Reads arbitrary bytes as an AFM file, in both modes, and writes the metrics again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "type1/afm.h"
#include "type1/pfm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    gx::SessionSettings settings;
    settings.familyName = "Fuzz";
    std::string error;
    for (gx::AfmMode mode : {gx::AfmMode::KerningOnly, gx::AfmMode::Full}) {
        gx::Type1FontState state;
        gx::readAfmText(text, mode, state, settings, error);
        state.newGlyphPending = 0;
        gx::finishFontMetrics(state, settings);
        gx::buildFontNames(state, settings);
        gx::buildAfmFile(state, settings);
        gx::buildPfmFile(state, settings);
    }
    return 0;
}
