// One kerning pair as both plug-ins keep it: two codes (or glyph indices) and a value.
#pragma once

#include <cstdint>

namespace gx {

struct KerningPair {
    int16_t left = 0;
    int16_t right = 0;
    int16_t value = 0;
};

}  // namespace gx
