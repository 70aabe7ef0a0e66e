// File names that stand beside a font file.
#pragma once

#include <string>

namespace gx {

// The path with the extension of its file name ("." and what follows) replaced by
// `extension` (".bak", ".afm", ".pfm"), or `extension` appended when there is none.
// A file that already carries that extension gets it appended, so a companion never
// names the font file itself.
std::string companionPath(const std::string& path, const char* extension);

}  // namespace gx
