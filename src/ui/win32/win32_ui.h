// The Win32 view of the export dialogs: the numeric box window class, the dialog
// procedures over the models, and the scripted user's driver thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialog_session.h"
#include "ui/settings.h"

namespace gx {

class NumericBox;
class DialogModel;
struct HostExportCall;
struct ScriptAction;
struct UiScript;

namespace win32 {

// This plug-in's module: its dialog templates and window classes live there.
HINSTANCE moduleInstance();

// ---------------------------------------------------------------- VLX60_Numbox

// Registers the numeric box class for this module, once; false when that failed.
bool registerNumericBoxClass();

// Messages the box window understands beyond the ordinary ones.
enum : UINT {
    // lParam: the NumericBox model the box shows from now on (null: its own again).
    kNbmAttach = WM_USER + 0x4E0,
    // The model changed under the window: show its text and state again.
    kNbmSync,
    // The child edit field.
    kNbmGetEdit,
};

// ---------------------------------------------------------------- open dialogs

// One open export dialog, as the driver thread sees it.
struct OpenDialog {
    HWND window = nullptr;
    int templateId = 0;
};
// The dialogs open now, innermost last. Safe from any thread.
std::vector<OpenDialog> openDialogs();
DWORD dialogThread();

// Asks a dialog's thread to play one action through its controls (posted; the
// driver waits for completedAction).
inline constexpr UINT kMsgPlayAction = WM_APP + 0x31;
bool actionCompleted(unsigned sequence);
void markActionCompleted(unsigned sequence);
void forgetCompletedActions();

// Plays one script action on an open dialog's real controls; runs on the dialog's
// thread. Refusals are reported on standard error as the POSIX view reports them.
void playActionOnDialog(HWND dialog, DialogModel& model, const ScriptAction& action,
                        const std::string& scriptName);

// Shows the export's dialogs for real; `couldNotShow` when not even the first could
// be created.
int runWin32Dialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                    bool newFont, DialogSession& session, const std::string& scriptName,
                    bool& couldNotShow);

// ---------------------------------------------------------------- the driver

// Plays a script through the real dialogs from a thread of its own. With `prefill`
// only the values are set: the buttons are left to the person at the screen.
class ScriptDriver {
  public:
    ScriptDriver(UiScript& script, bool prefill);
    ~ScriptDriver();
    ScriptDriver(const ScriptDriver&) = delete;
    ScriptDriver& operator=(const ScriptDriver&) = delete;
    // Stops the thread once the dialogs have ended; returns when it has.
    void stop();

    struct State;

  private:
    State* state_;
};

}  // namespace win32
}  // namespace gx
