// The scripted user: plays a script's actions against the dialog models where nobody
// is there to press buttons. Each "dialog N" line opens the next dialog; the lines
// after it act on that dialog until one closes it. A dialog still open when the
// script runs out, or when the script turns to another dialog, is cancelled, and the
// reason goes to standard error.
#include <cctype>
#include <cstdio>

#include "support/strings.h"
#include "support/text.h"
#include "ui/dialog_model.h"
#include "ui/dialogs.h"
#include "ui/main_dialog.h"
#include "ui/options_dialog.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

// Fills each "%s" of a string-table text in turn.
std::string fill(int id, const std::vector<std::string>& args) {
    return fillTemplate(uiString(id), args);
}

// Item texts compared without case and blanks, so "Bold Italic" finds "BoldItalic".
std::string looseText(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t') out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

class ScriptedView : public DialogView {
  public:
    explicit ScriptedView(UiScript& script) : script_(script) {}

    int runModal(DialogModel& dialog) override {
        const std::string id = std::to_string(dialog.templateId());
        if (script_.actions.empty() || script_.actions.front().kind != ScriptAction::Dialog ||
            script_.actions.front().control != dialog.templateId()) {
            std::string expected = script_.actions.empty() ? std::string("-")
                                   : script_.actions.front().kind == ScriptAction::Dialog
                                       ? std::to_string(script_.actions.front().control)
                                       : std::string("-");
            if (script_.actions.empty())
                report(0, fill(str::kScriptEndedOpen, {id}));
            else
                report(script_.actions.front().line, fill(str::kScriptOtherDialog, {expected, id}));
            return kDialogCancel;
        }
        script_.actions.pop_front();
        dialog.init();
        while (dialog.isOpen()) {
            if (script_.actions.empty() || script_.actions.front().kind == ScriptAction::Dialog) {
                if (script_.actions.empty()) {
                    report(0, fill(str::kScriptEndedOpen, {id}));
                } else {
                    const std::string next = std::to_string(script_.actions.front().control);
                    report(script_.actions.front().line, fill(str::kScriptOtherDialog, {next, id}));
                }
                dialog.userClick(kIdCancel);
                return kDialogCancel;
            }
            ScriptAction a = script_.actions.front();
            script_.actions.pop_front();
            play(dialog, a);
        }
        script_.stopOnError = false;
        return dialog.result();
    }

    bool chooseOpenFile(const OpenFileRequest&, std::string& path) override {
        if (script_.actions.empty() || script_.actions.front().kind != ScriptAction::File) {
            report(script_.actions.empty() ? 0 : script_.actions.front().line,
                   uiString(str::kScriptNoFile));
            return false;
        }
        path = script_.actions.front().text;
        script_.actions.pop_front();
        return true;
    }

    void showHelp(const std::string&, int) override {}

    void reportLeftOver() {
        // An answer kept for a question that was not asked ("yes, if it asks") is no
        // mistake of the script.
        while (!script_.actions.empty() && script_.actions.front().kind == ScriptAction::Answer)
            script_.actions.pop_front();
        if (!script_.actions.empty())
            report(script_.actions.front().line,
                   fill(str::kScriptLeftOver, {std::to_string(script_.actions.size())}));
    }

  private:
    void report(int line, const std::string& what) {
        if (line > 0)
            std::fprintf(stderr, "%s: line %d: %s\n", script_.source.c_str(), line, what.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", script_.source.c_str(), what.c_str());
    }

    // Says why the dialog refused an action on a control.
    void refused(DialogModel& d, const ScriptAction& a) {
        const Control* c = d.find(a.control);
        const std::string id = std::to_string(a.control);
        if (!c)
            report(a.line, fill(str::kScriptNoControl, {std::to_string(d.templateId()), id}));
        else if (!c->enabled)
            report(a.line, fill(str::kScriptDisabled, {id}));
        else if (a.kind == ScriptAction::Select)
            report(a.line, fill(str::kScriptNoItem, {id, a.text}));
        else if ((a.kind == ScriptAction::Value || a.kind == ScriptAction::Menu) &&
                 !d.numericBox(a.control))
            report(a.line, fill(str::kScriptNotANumber, {std::to_string(d.templateId()), id}));
        else
            report(a.line, fill(str::kScriptNoControl, {std::to_string(d.templateId()), id}));
    }

    int findItem(DialogModel& d, const ScriptAction& a) {
        if (a.index >= 0) return a.index;
        int i = d.itemIndex(a.control, a.text);
        if (i >= 0) return i;
        const std::vector<std::string>& items = d.items(a.control);
        for (size_t k = 0; k < items.size(); ++k)
            if (looseText(items[k]) == looseText(a.text)) return int(k);
        return -1;
    }

    void play(DialogModel& d, const ScriptAction& a) {
        bool ok = true;
        switch (a.kind) {
            case ScriptAction::Text:
                ok = d.userText(a.control, a.text);
                break;
            case ScriptAction::Check:
                ok = d.userCheck(a.control, a.on);
                break;
            case ScriptAction::Select:
                ok = d.userSelect(a.control, findItem(d, a));
                break;
            case ScriptAction::Value:
                if (!d.numericBox(a.control) || !d.enabled(a.control)) {
                    ok = false;
                } else if (!d.userValue(a.control, a.text)) {
                    report(a.line, fill(str::kScriptRefused, {std::to_string(a.control), a.text}));
                }
                break;
            case ScriptAction::Click:
            case ScriptAction::Ok:
            case ScriptAction::Cancel:
                ok = d.userClick(a.control);
                break;
            case ScriptAction::Answer:
                report(a.line, uiString(str::kScriptStrayAnswer));
                break;
            case ScriptAction::File:
                report(a.line, uiString(str::kScriptStrayFile));
                break;
            case ScriptAction::StopOnError:
                script_.stopOnError = true;
                break;
            case ScriptAction::Hold:
                ok = d.numericBox(a.control) && d.enabled(a.control);
                if (ok) hold(*d.numericBox(a.control), a.on, a.index);
                break;
            case ScriptAction::Menu: {
                NumericBox* box = d.numericBox(a.control);
                ok = box && d.enabled(a.control);
                int command = 0;
                std::vector<int> places;
                if (ok && !findMenuItem(box->contextMenu(), a.text, command, places))
                    report(a.line, fill(str::kScriptNoItem, {std::to_string(a.control), a.text}));
                else if (ok)
                    box->menuCommand(command);
                break;
            }
            case ScriptAction::Dump:
                dump(d, a);
                break;
            case ScriptAction::Snapshot:  // there is no window to take a picture of
            case ScriptAction::Dialog:
                break;
        }
        if (!ok) refused(d, a);
    }

    // Holds a spin button, with the timers the window would give it.
    static void hold(NumericBox& box, bool up, int ms) {
        if (box.layout().right <= box.layout().left) box.setClientSize(60, 20, 16);
        const SpinLayout& l = box.layout();
        const int x = l.left;
        const int y = up ? l.upTop : l.downBottom - 1;
        box.lButtonDown(x, y);
        if (ms >= int(kNbFirstDelayMs)) box.timer(kNbFirstTimer);
        for (int t = int(kNbFirstDelayMs + kNbRepeatMs); t <= ms; t += int(kNbRepeatMs))
            box.timer(kNbRepeatTimer);
        box.lButtonUp(x, y);
    }

    void dump(DialogModel& d, const ScriptAction& a) {
        static const char* kKinds[] = {"static", "edit",  "checkbox", "button",
                                       "list",   "combo", "listbox",  "numericbox"};
        std::FILE* f = std::fopen(a.text.c_str(), "w");
        if (!f) {
            report(a.line, "cannot write " + a.text);
            return;
        }
        for (const Control& c : d.controls())
            std::fprintf(f, "%d %s %s %s\n", c.id, kKinds[int(c.kind)],
                         c.enabled ? "enabled" : "disabled", c.text.c_str());
        std::fclose(f);
    }

    UiScript& script_;
};

}  // namespace

std::unique_ptr<DialogView> makeScriptedView(UiScript& script) {
    return std::make_unique<ScriptedView>(script);
}

int runDialogFlow(DialogView& view, PluginKind kind, HostExportCall& call,
                  FontExportSettings& settings, bool newFont, DialogSession& session) {
    int result = kDialogOk;
    if (newFont) {
        OptionsDialog options(kind, call, settings, view);
        result = view.runModal(options);
    }
    if (dialogAccepted(result)) {
        MainDialog main(kind, call, settings, session, view, !newFont);
        result = view.runModal(main);
    }
    return result;
}

int playExportDialogs(UiScript& script, PluginKind kind, HostExportCall& call,
                      FontExportSettings& settings, bool newFont, DialogSession& session) {
    ScriptedView view(script);
    int result = runDialogFlow(view, kind, call, settings, newFont, session);
    view.reportLeftOver();
    return result;
}

void reportLeftOverActions(UiScript& script) {
    ScriptedView(script).reportLeftOver();
}

int runExportDialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                     bool newFont) {
    EmptyDialogSession session;
    return runExportDialogs(kind, call, settings, newFont, session);
}

}  // namespace gx
