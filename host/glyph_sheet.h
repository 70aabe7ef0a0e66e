// `glyph-export specimen`: a picture of every glyph of a font, drawn by FreeType from the
// file as written, so a user sees what the font holds without a font editor.
#pragma once

#include <string>

namespace gx::host {

// Draws every character of the font in a grid, each cell labelled with its code, its
// character and its advance width, and writes the picture as a PNG file. False (with a
// message on standard error) when the font cannot be read or the picture not written; a
// partly written picture is removed.
bool writeSpecimen(const std::string& fontPath, const std::string& pngPath);

}  // namespace gx::host
