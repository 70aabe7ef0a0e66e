// The Type 1 plug-in's preparation and finish.
#pragma once

#include "entry/session.h"
#include "type1/font_state.h"

namespace gx {

// One export of the Type 1 plug-in: the shared driver members and the font's state.
struct Type1ExportSession : ExportSessionBase {
    Type1FontState font;
    bool createdTarget = false;  // this export created the target file
};

bool prepareType1Export(HostExportCall& call, bool fileMode);
int32_t finishType1Export(HostExportCall& call, bool fileMode);
ExportSessionBase& type1Session();
// The module-level session with its font state (the dialogs and tests reach it here).
Type1ExportSession& type1ExportSession();

}  // namespace gx
