// The export dialogs as the sessions see them.
#pragma once

#include <memory>

#include "ui/dialog_session.h"
#include "ui/settings.h"

namespace gx {

struct HostExportCall;
struct UiScript;
class DialogView;

inline constexpr int kOptionsDialog = 130;
inline constexpr int kMainDialog = 131;
inline constexpr int kExtendedOptionsDialog = 132;

// Dialog results, as a dialog procedure ends.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogAbort = 3;
inline constexpr int kDialogFailed = -1;

inline bool dialogAccepted(int result) {
    return result != kDialogCancel && result != kDialogAbort && result != kDialogFailed;
}

// File mode's dialogs: the Options dialog (130) first for a new font and, when it was
// accepted, the main dialog (131), whose "Options..." opens 130 again, or 132 for an
// existing font. Edits `settings` and, through `session`, the font being extended;
// returns the last dialog's result. On POSIX the scripted user plays the dialogs, and
// without one (no GLYPH_EXPORT_UI_SCRIPT) the record stands as it is, as if OK were
// pressed. On Windows the real dialogs are shown; a script is played through them.
int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont, DialogSession& session);
// The same with a session that has no font and no outline.
int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont);

// The scripted user of a given script (tests hand one in directly): a view that plays
// the script against whatever dialog it is asked to show.
std::unique_ptr<DialogView> makeScriptedView(UiScript& script);
// The dialogs of one export shown through a view: 130 for a new font, then 131.
int runDialogFlow(DialogView& view, PluginKind kind, HostExportCall& call,
                  FontExportSettings& settings, bool newFont, DialogSession& session);
// Reports on standard error what a script still holds once the dialogs ended.
void reportLeftOverActions(UiScript& script);
// runExportDialogs with that script.
int playExportDialogs(UiScript& script, PluginKind kind, HostExportCall& call,
                      FontExportSettings& settings, bool newFont, DialogSession& session);

}  // namespace gx
