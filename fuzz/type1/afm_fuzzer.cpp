// Reads arbitrary bytes as an AFM file, in both modes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "type1/afm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    gx::SessionSettings settings;
    std::string error;
    for (gx::AfmMode mode : {gx::AfmMode::KerningOnly, gx::AfmMode::Full}) {
        gx::Type1FontState state;
        gx::readAfmText(text, mode, state, settings, error);
    }
    return 0;
}
