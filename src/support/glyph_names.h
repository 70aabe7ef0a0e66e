// The names by which glyphs of the Windows character codes 32..255 are called in
// font programs and metrics files.
#pragma once

namespace gx {

inline constexpr int kFirstNamedCode = 32;
inline constexpr int kNamedCodeCount = 224;

// The built-in name of a code 32..255; "" for codes without a name and out of range.
const char* builtinGlyphName(int code);

}  // namespace gx
