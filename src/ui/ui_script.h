// The scripted user: a short text of actions, one per line, played against the dialogs
// and message boxes where no person is there to press buttons.
//
//   dialog 130               the next dialog must be template 130
//   text 1000 My Font        set an edit's text (as typed)
//   check 1009 on            set a check box (on/off)
//   select 1001 Bold         choose a combo/list item by text (or: select 1001 #2 by index)
//   value 1003 500           type into a numeric box and commit
//   click 1025               press a button
//   ok / cancel              press OK (id 1) / Cancel (id 2)
//   answer yes               the answer to the next message box (yes, no, ok, cancel)
//   file fonts/metrics.afm   the answer to the next open-file dialog
//   hold 1016 up 4000        hold a numeric box's up (or down) button for 4000 ms
//   menu 1017 Units/points   choose from a numeric box's context menu (submenu/item,
//                            as shown without the '&')
//   dump out.txt             write the open dialog's controls to a file (for tests)
//   snapshot out.bmp         Windows: a picture of the open dialog (for tests)
//   stop-on-error            until this dialog closes, an error message that no "answer"
//                            line answers ends the script there (the dialogs are cancelled)
//
// Blank lines and text after '#' are ignored ('#' directly after a space or at the start).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "support/numbox.h"

namespace gx {

struct ScriptAction {
    enum Kind {
        Dialog,
        Text,
        Check,
        Select,
        Value,
        Click,
        Ok,
        Cancel,
        Answer,
        File,
        Hold,
        Menu,
        Dump,
        Snapshot,
        StopOnError
    };
    Kind kind = Ok;
    int control = 0;   // dialog template or control id
    std::string text;  // text, item, value, answer or file name
    bool on = false;   // check; hold: the up button
    int index = -1;    // select by index (#n); hold: milliseconds
    int line = 0;      // where it stands in the script
};

struct UiScript {
    std::deque<ScriptAction> actions;
    std::string source;           // file name for messages
    bool stopOnError = false;     // armed by "stop-on-error" until the dialog closes
    bool stoppedAtError = false;  // the script ended at an error message

    // The user gives up at an error: what the script meant to do next is not done, and
    // the dialogs still open are cancelled.
    void stopAtError();
};

// Finds "Submenu/Item" in a numeric box's context menu: the command and, for each level,
// the item's place among the entries that are not separators (as the keyboard counts).
bool findMenuItem(const std::vector<NumericBoxMenuItem>& menu, const std::string& path,
                  int& command, std::vector<int>& places);

// Parses a script; false with a "line N: ..." message on the first bad line.
bool parseUiScript(const std::string& text, UiScript& script, std::string& error);
// The environment names the script: a file (kScriptFileVariable), else its text
// (kScriptTextVariable, from a host in the same process).
inline constexpr const char* kScriptFileVariable = "GLYPH_EXPORT_UI_SCRIPT";
inline constexpr const char* kScriptTextVariable = "GLYPH_EXPORT_UI_SCRIPT_TEXT";

// The script the environment names, read once per export; null when unset.
// A script that cannot be read or parsed is reported on standard error and counts as
// an empty script (every dialog is cancelled).
UiScript* scriptedUser();
// True when the environment names a script.
bool scriptedUserRequested();
// GLYPH_EXPORT_DIALOGS=person: the Windows dialogs wait for a person, and a script
// only gives them their starting values.
bool dialogsForAPerson();
// GLYPH_EXPORT_MESSAGES=console: message boxes outside the dialogs print
// "Caption: text" on standard error and take the safe answer, so a console program
// never waits behind one.
bool consoleMessagesRequested();
// Makes message boxes take their answers from the script's "answer" lines (or the
// safe answer) where no person is there to press buttons.
void installScriptedUser();
// True when the script of this export ended at an error message ("stop-on-error").
bool scriptStoppedAtError();
// Forgets the script read so far (tests).
void resetScriptedUser();

}  // namespace gx
