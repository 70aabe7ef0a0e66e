// Reading an existing Type 1 font from disk and saving the three files of a font.
#pragma once

#include <string>
#include <vector>

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

// The same from the bytes of the font program and the text of its AFM, as a save laid
// them out (a batch keeps them in memory between its exports).
Type1ReadStatus readType1FontBytes(const std::vector<uint8_t>& program, const std::string& afm,
                                   Type1FontState& s, SessionSettings& settings,
                                   std::string& error);

// Reads an AFM file the user chose (full mode): widths and font metrics.
bool loadAfmMetrics(const std::string& afmPath, Type1FontState& s, const SessionSettings& settings,
                    std::string& error);

// Starts the names of the save's temporary files beside the font and its metrics.
inline constexpr const char* kType1TempPrefix = "AT1";

// Opens an existing font for update: locked against other writers, and a save of it
// that was killed half way undone first (platform::openForUpdate). Null when it
// cannot be opened or is being written by another export.
std::unique_ptr<platform::FontFile> openType1ForUpdate(const std::string& fontPath,
                                                       std::string& detail);

enum class Type1SaveStatus {
    Ok,
    Failed,        // every file is as it was
    FailedPartly,  // not every file could be put back; `error` says where each version is
};

// The three files of a save, laid out in memory.
struct Type1Files {
    std::vector<uint8_t> program;
    std::string afm;
    std::vector<uint8_t> pfm;
};
// Settles the state and lays the three files out, as the save below does before writing.
Type1SaveStatus buildType1Files(Type1FontState& s, const SessionSettings& settings,
                                const std::string& fontPath, Type1Files& files, std::string& error);

// What reading back the files a save lays out gives: the font state, and what the reader
// changes in the settings. A batch keeps this between its exports instead of the files.
struct Type1ReadBack {
    Type1FontState font;
    std::string familyName;
    int styleBits = 0;  // the bits the reader adds to the style (1 bold, 2 italic)
};
// Settles the state as buildType1Files does and tells what reading back its files would
// give, without laying them out (`certain`). Where that cannot be told for certain (a
// name the reader would take apart, a glyph it would refuse), lays the files out instead.
// With `takePrograms` (for a caller that drops `s` next) a certain read-back takes the
// programs of the glyphs it keeps as they are out of `s` instead of copying them.
Type1SaveStatus type1ReadBackOfSave(Type1FontState& s, const SessionSettings& settings,
                                    const std::string& fontPath, Type1ReadBack& out, bool& certain,
                                    Type1Files& files, std::string& error,
                                    bool takePrograms = false);
// Puts a read-back in place of a read of the files: into `s` (which is replaced) and the
// settings, as readType1FontBytes would.
void applyType1ReadBack(Type1ReadBack&& readBack, Type1FontState& s, SessionSettings& settings);

// Writes the font program, the AFM and the PFM as one set (platform::saveFiles): each
// is written beside its target and synced, then all are renamed into place or none.
// `openFile` is the locked handle of the font as read (null for a new font, which is
// created then); on success it becomes the locked handle of the new font. With
// `keepBackup` the replaced program becomes the ".bak".
Type1SaveStatus saveType1Font(Type1FontState& s, const SessionSettings& settings,
                              const std::string& fontPath,
                              std::unique_ptr<platform::FontFile>& openFile, bool keepBackup,
                              std::string& error);

}  // namespace gx
