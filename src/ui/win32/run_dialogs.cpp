// The Windows view of the export dialogs: the real windows, with the scripted user's
// driver thread playing GLYPH_EXPORT_UI_SCRIPT through them when one is named.
#include <cstdio>
#include <memory>

#include "ui/dialogs.h"
#include "ui/ui_script.h"
#include "ui/win32/win32_ui.h"

namespace gx {

int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont, DialogSession& session) {
    UiScript* script = scriptedUser();
    const bool person = dialogsForAPerson();
    std::unique_ptr<win32::ScriptDriver> driver;
    if (script) driver = std::make_unique<win32::ScriptDriver>(*script, person);
    bool couldNotShow = false;
    int result = win32::runWin32Dialogs(kind, call, settings, newFont, session,
                                        script ? script->source : std::string(), couldNotShow);
    if (driver) driver->stop();
    if (couldNotShow && script && !person) {
        // No desktop to show them on (a service, a display-less Wine): the script is
        // played against the dialogs' models alone.
        std::fprintf(stderr, "%s: the dialogs cannot be shown here; played without windows\n",
                     script->source.c_str());
        return playExportDialogs(*script, kind, call, settings, newFont, session);
    }
    if (script && !person) reportLeftOverActions(*script);
    return result;
}

}  // namespace gx
