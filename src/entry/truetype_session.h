// The TrueType plug-in's preparation, finish and export session.
#pragma once

#include <cstdint>
#include <string>

#include "entry/session.h"
#include "truetype/font_state.h"

namespace gx {

// The module-level state of one TrueType export.
struct TrueTypeSession : ExportSessionBase {
    tt::FontFileState font;
    tt::ConvertedOutline converted;
    // symbol mode: the family as looked up and the file found or made for it
    std::string installedName;
    std::string installedPath;
    bool registered = false;
    bool createdFile = false;  // this export created the target file
};

bool prepareTrueTypeExport(HostExportCall& call, bool fileMode);
int32_t finishTrueTypeExport(HostExportCall& call, bool fileMode);
ExportSessionBase& trueTypeSession();
TrueTypeSession& trueTypeExportSession();

// Saves the font as the session holds it (the first save of an export keeps the
// previous font as ".bak"); shows what failed. True when the font was written.
bool saveTrueTypeFont(TrueTypeSession& session);

// The session's steps after capture; true only when the font file was written.
bool runTrueTypeSession(TrueTypeSession& session, HostExportCall& call);

// Seconds since 1904 for head.created/modified of a new font: SOURCE_DATE_EPOCH when
// set (reproducible builds), else the current time. Tests may replace the clock.
int64_t fontTimestamp();
void setFontClock(int64_t (*secondsSince1970)());

}  // namespace gx
