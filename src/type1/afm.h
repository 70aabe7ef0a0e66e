// Adobe Font Metrics: the file written beside every font program, and the reader for
// the kerning of an existing font and for metrics the user loads.
#pragma once

#include <cstddef>
#include <string>

#include "type1/font_program.h"
#include "type1/font_state.h"

namespace gx {

// The AFM text as it reaches the disk: CR LF line ends, CR CR LF on KPX lines.
std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings);
// The same with the glyphs charStringEntries gave.
std::string buildAfmFile(const Type1FontState& s, const SessionSettings& settings,
                         const std::vector<GlyphEntry>& entries);

enum class AfmMode { KerningOnly, Full };

// Reads AFM text into the state. False (with `error` naming the line) on a line the
// format does not allow; values read before it stay in effect. Values that are no
// numbers read as 0, as the format's readers have always taken them.
bool readAfmText(const std::string& text, AfmMode mode, Type1FontState& s,
                 const SessionSettings& settings, std::string& error);

// Bytes of AFM text, piece by piece; 0 at the end.
class AfmSource {
  public:
    virtual ~AfmSource();
    virtual size_t read(char* buffer, size_t size) = 0;
};

enum class AfmFileStatus { Read, NotOpened, Refused };

// Reads an AFM file as readAfmText does, in bounded memory whatever its size.
// NotOpened when it cannot be opened or read (`error` says which when it was opened).
AfmFileStatus readAfmFile(const std::string& path, AfmMode mode, Type1FontState& s,
                          const SessionSettings& settings, std::string& error);

}  // namespace gx
