// Reading an existing Type 1 font from disk and saving the three files of a font.
#pragma once

#include <string>

#include "platform/platform.h"
#include "support/paths.h"
#include "type1/font_state.h"

namespace gx {

// CannotRead: the file could not be read (or is larger than any font program);
// Damaged: what it holds is no font program this writer can extend without making it
// worse; BadMetrics: the AFM beside it has a line the format does not allow.
enum class Type1ReadStatus { Ok, CannotRead, Damaged, BadMetrics };

// Reads the open font file and the kerning pairs of the ".afm" file beside it.
Type1ReadStatus readExistingType1Font(platform::FontFile& file, const std::string& fontPath,
                                      Type1FontState& s, SessionSettings& settings,
                                      std::string& error);

// Reads an AFM file the user chose (full mode): widths and font metrics.
bool loadAfmMetrics(const std::string& afmPath, Type1FontState& s, const SessionSettings& settings,
                    std::string& error);

// Writes the font program, the AFM and the PFM. Everything is first written to
// temporary files beside the target and synced; only then are the files replaced, the
// previous program kept as ".bak" when `keepBackup`. On failure every file is as it
// was. `openFile`, the session's handle on the target, is closed before the renames.
bool saveType1Font(Type1FontState& s, const SessionSettings& settings, const std::string& fontPath,
                   std::unique_ptr<platform::FontFile>& openFile, bool keepBackup,
                   std::string& error);

}  // namespace gx
