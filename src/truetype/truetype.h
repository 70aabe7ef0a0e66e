// The TrueType engine as the session sees it: read an existing font, insert the
// built glyph, write the font and replace the file safely.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/export_settings.h"
#include "truetype/font_state.h"
#include "truetype/outline.h"

namespace gx::tt {

enum class ReadStatus {
    Ok,
    TooComplex,  // more than kMaxGlyphs glyphs ("Font too complex")
    Malformed,   // not a TrueType font this plug-in can extend, or damaged
    ReadFailed,  // the file could not be read
};

enum class SaveStatus {
    Ok,
    TooManyGlyphs,  // adding the glyph would pass kMaxGlyphs
    Failed,         // building or writing failed; every file is left as it was
    FailedPartly,   // the files could not all be put back; the detail says where each is
};

// Starts the names of the save's temporary files beside the font.
inline constexpr const char* kTempPrefix = "TTF";

// Reads the whole open font file (at most 64 MB).
bool loadFontBytes(platform::FontFile& file, std::vector<uint8_t>& bytes);

// Reads an existing font into `font` and the font-wide settings (family name, grid
// size, style, symbol flag, space width, next character number). The other settings
// are left as they are; callers reset them to their defaults first.
// `laidOutHere`: the bytes are a font this plug-in laid out in memory (a batch's held
// font), whose glyphs were checked when read or built here, so they are not checked again.
ReadStatus readExistingFont(std::vector<uint8_t> bytes, FontFileState& font,
                            SessionSettings& settings, bool laidOutHere = false);

// The first code from 33 to 255 without a live glyph, or 0 when the font is full.
int findFreeCode(const FontFileState& font);

// Chooses the glyphs to keep and computes metrics; false when the result would not fit.
SaveStatus updateFontMetrics(FontFileState& font, const SessionSettings& settings);

// Lays out the whole font file in memory (after updateFontMetrics).
bool writeFontFile(FontFileState& font, const SessionSettings& settings,
                   std::vector<uint8_t>& file);

// updateFontMetrics + writeFontFile: the bytes the save below would write.
SaveStatus layOutFont(FontFileState& font, const SessionSettings& settings,
                      std::vector<uint8_t>& bytes, std::string& detail);

// layOutFont, then the file is replaced as one transaction
// (platform/save.h): `file` is the locked handle of the font as read, or null for a new
// font, which is created. With `makeBackup` the replaced font becomes the ".bak"
// (`backupPath` when given, else backupName(path)): the first save of an export; later
// saves of the same export keep that backup. On success `file` is the locked handle of
// the new font. `detail` says what failed.
SaveStatus saveFontFile(FontFileState& font, const SessionSettings& settings,
                        std::unique_ptr<platform::FontFile>& file, const std::string& path,
                        bool makeBackup, std::string& detail,
                        const std::string& backupPath = std::string());

// The font file name with everything from its last "." replaced by ".bak".
std::string backupName(const std::string& path);

}  // namespace gx::tt
