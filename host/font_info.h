// `glyph-export info`: what a font holds, read by the plug-ins' own readers.
#pragma once

#include <string>
#include <vector>

namespace gx::host {

// Prints the family, style, grid size and every code with its width; false (with a
// message on standard error) when the file is no font the plug-ins can read.
bool printFontInfo(const std::string& path);
// True when the font at `path` holds a glyph for the code (false when it cannot be read).
bool fontHasCode(const std::string& path, int code);
// The codes of a TrueType font whose glyphs go when the glyphs of `removed` go: the
// composites built on them (empty when the file is no TrueType font the plug-in reads).
std::vector<int> codesGoingWith(const std::string& path, const std::vector<int>& removed);

}  // namespace gx::host
