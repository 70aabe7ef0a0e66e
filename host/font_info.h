// `glyph-export info`: what a font holds, read by the plug-ins' own readers.
#pragma once

#include <array>
#include <string>

namespace gx::host {

// Prints the family, style, grid size and every code with its width; false (with a
// message on standard error) when the file is no font the plug-ins can read.
bool printFontInfo(const std::string& path);
// True when the font at `path` holds a glyph for the code (false when it cannot be read).
bool fontHasCode(const std::string& path, int code);
// Every code the font at `path` holds a glyph for, in one reading of it; false (nothing
// marked) when it cannot be read.
bool occupiedCodes(const std::string& path, std::array<bool, 256>& codes);

}  // namespace gx::host
