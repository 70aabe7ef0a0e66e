// Adobe Font Metrics: the file written beside every font program, and the reader for
// the kerning of an existing font and for metrics the user loads.
#pragma once

#include <cstddef>
#include <string>

#include "type1/font_state.h"

namespace gx {

// The AFM text as it reaches the disk: CR LF line ends, CR CR LF on KPX lines.
std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings);

enum class AfmMode { KerningOnly, Full };

// AFM files larger than this are refused.
inline constexpr size_t kMaxAfmBytes = 8u << 20;

// Reads AFM text into the state. False (with `error` naming the line) on a line the
// format does not allow; values read before it stay in effect.
bool readAfmText(const std::string& text, AfmMode mode, Type1FontState& s,
                 const SessionSettings& settings, std::string& error);

}  // namespace gx
