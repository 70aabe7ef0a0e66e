// The POSIX view of the export dialogs: the scripted user, or nobody.
#include "ui/dialogs.h"
#include "ui/ui_script.h"

namespace gx {

int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont, DialogSession& session) {
    UiScript* script = scriptedUser();
    if (!script) return kDialogOk;
    return playExportDialogs(*script, kind, call, settings, newFont, session);
}

}  // namespace gx
