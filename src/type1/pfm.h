// The Windows Printer Font Metrics file written beside every font program.
#pragma once

#include <cstdint>
#include <vector>

#include "type1/font_state.h"

namespace gx {

// The whole PFM file (little-endian).
std::vector<uint8_t> buildPfmFile(const Type1FontState& s, const SessionSettings& settings);

}  // namespace gx
