// The Type 1 font program in segmented binary (PFB) form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "type1/font_state.h"

namespace gx {

// The maker's texts, in the font program, the AFM and the PFM alike. The notice fits
// the PFM's 60-byte copyright field with its NUL.
inline constexpr const char* kCreatorText = "glyph-export Type 1 exporter";
inline constexpr const char* kCopyrightNotice = "Made with glyph-export; free of charge";

// PostScript string contents with the characters that would end or bend it escaped.
std::string psStringText(const std::string& text);

// The whole PFB file, built from the state (finishFontMetrics and buildFontNames have run).
std::vector<uint8_t> buildFontProgram(const Type1FontState& s, const SessionSettings& settings);

// The CharStrings entries in file order (names and plain programs), exactly what the
// font program will define; their number is the font's glyph count.
// The Private dictionary of a new font up to its CharStrings, as the program holds it.
std::string newFontPrivateText();

struct GlyphEntry {
    std::string name;
    // A kept glyph written as it stands, referred to rather than copied (the state
    // outlives the entries); null for a program made for this save, held in `made`.
    const PreservedGlyph* kept = nullptr;
    std::vector<uint8_t> made;
    const std::vector<uint8_t>& program() const { return kept ? kept->program : made; }
};
std::vector<GlyphEntry> charStringEntries(const Type1FontState& s, const SessionSettings& settings);
// The same with the glyphs charStringEntries gave (a save lays out the AFM from them too).
std::vector<uint8_t> buildFontProgram(const Type1FontState& s, const SessionSettings& settings,
                                      const std::vector<GlyphEntry>& entries);

}  // namespace gx
