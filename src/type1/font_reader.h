// Reading an existing Type 1 font program back: segments (PFB, PFA, raw binary), the
// eexec layer, and the tokens that matter for extending the font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "type1/font_state.h"

namespace gx {

// Font programs larger than this are refused before anything is decoded.
inline constexpr size_t kMaxFontProgramBytes = 16u << 20;

struct DecodedFontProgram {
    std::string clearText;    // everything up to and including the "eexec" token
    std::string privateText;  // the decrypted eexec part, its four lead bytes dropped
};

// Splits and decrypts a font program. False with `error` set when it is not one.
bool decodeFontProgram(const uint8_t* data, size_t length, DecodedFontProgram& out,
                       std::string& error);

// Reads the font program into the state and the font-wide settings (family name,
// style, grid size, symbol flag). False with `error` set when the program cannot be
// used to extend the font; the state is then not to be saved.
bool readType1Program(const uint8_t* data, size_t length, Type1FontState& s,
                      SessionSettings& settings, std::string& error);

// Parses a PostScript integer token, radix form ("8#101") included.
bool parsePsInteger(const std::string& token, long& value);

}  // namespace gx
