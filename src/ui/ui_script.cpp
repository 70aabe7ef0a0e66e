#include "ui/ui_script.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"
#include "platform/ui_hooks.h"

namespace gx {
namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool parseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

std::unique_ptr<UiScript> g_script;
bool g_loaded = false;

int answerFromScript(const char*, const char*, unsigned flags) {
    UiScript* script = scriptedUser();
    if (script && script->stopOnError && (flags & 0xF0) == platform::kMbIconError &&
        (script->actions.empty() || script->actions.front().kind != ScriptAction::Answer)) {
        script->stopAtError();
    }
    if (script && !script->actions.empty() &&
        script->actions.front().kind == ScriptAction::Answer) {
        std::string a = script->actions.front().text;
        script->actions.pop_front();
        if (a == "yes") return platform::kIdYes;
        if (a == "no") return platform::kIdNo;
        if (a == "cancel") return platform::kIdCancel;
        return platform::kIdOk;
    }
    return platform::defaultMessageBoxAnswer(flags);
}

}  // namespace

bool parseUiScript(const std::string& text, UiScript& script, std::string& error) {
    size_t start = 0;
    int lineNo = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        start = nl + 1;
        ++lineNo;
        // A comment starts with '#' at the line's start or after a blank, so that
        // "select 1001 #2" keeps its index.
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
                bool isIndex = i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9' &&
                               line.compare(0, 7, "select ") == 0;
                if (!isIndex) {
                    line.resize(i);
                    break;
                }
            }
        }
        line = trim(line);
        if (line.empty()) {
            if (nl == text.size()) break;
            continue;
        }
        size_t sp = line.find(' ');
        std::string verb = line.substr(0, sp);
        std::string rest = sp == std::string::npos ? "" : trim(line.substr(sp + 1));
        ScriptAction a;
        a.line = lineNo;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        auto controlAndRest = [&](bool needRest) {
            size_t s2 = rest.find(' ');
            std::string id = rest.substr(0, s2);
            if (!parseInt(id, a.control)) return false;
            a.text = s2 == std::string::npos ? "" : trim(rest.substr(s2 + 1));
            return !needRest || !a.text.empty();
        };
        if (verb == "dialog") {
            a.kind = ScriptAction::Dialog;
            if (!parseInt(rest, a.control)) return fail("dialog needs a template number");
        } else if (verb == "text") {
            a.kind = ScriptAction::Text;
            if (!controlAndRest(false)) return fail("text needs a control id");
        } else if (verb == "check") {
            a.kind = ScriptAction::Check;
            if (!controlAndRest(true) || (a.text != "on" && a.text != "off"))
                return fail("check needs a control id and on or off");
            a.on = a.text == "on";
        } else if (verb == "select") {
            a.kind = ScriptAction::Select;
            if (!controlAndRest(true)) return fail("select needs a control id and an item");
            if (a.text[0] == '#' && !parseInt(a.text.substr(1), a.index))
                return fail("select #N needs a number");
        } else if (verb == "value") {
            a.kind = ScriptAction::Value;
            if (!controlAndRest(true)) return fail("value needs a control id and a value");
        } else if (verb == "click") {
            a.kind = ScriptAction::Click;
            if (!parseInt(rest, a.control)) return fail("click needs a control id");
        } else if (verb == "ok" || verb == "cancel") {
            a.kind = verb == "ok" ? ScriptAction::Ok : ScriptAction::Cancel;
            a.control = verb == "ok" ? 1 : 2;
            if (!rest.empty()) return fail(verb + " takes nothing");
        } else if (verb == "answer") {
            a.kind = ScriptAction::Answer;
            a.text = rest;
            if (rest != "yes" && rest != "no" && rest != "ok" && rest != "cancel")
                return fail("answer must be yes, no, ok or cancel");
        } else if (verb == "stop-on-error") {
            a.kind = ScriptAction::StopOnError;
            if (!rest.empty()) return fail("stop-on-error takes nothing");
        } else if (verb == "file") {
            a.kind = ScriptAction::File;
            a.text = rest;
            if (rest.empty()) return fail("file needs a file name");
        } else if (verb == "hold") {
            a.kind = ScriptAction::Hold;
            size_t s2 = rest.find(' ');
            size_t s3 = s2 == std::string::npos ? s2 : rest.find(' ', s2 + 1);
            std::string dir = s2 == std::string::npos ? "" : rest.substr(s2 + 1, s3 - s2 - 1);
            if (s3 == std::string::npos || !parseInt(rest.substr(0, s2), a.control) ||
                (dir != "up" && dir != "down") || !parseInt(trim(rest.substr(s3 + 1)), a.index) ||
                a.index > 60000)
                return fail(
                    "hold needs a control id, up or down, and milliseconds (at most 60000)");
            a.on = dir == "up";
        } else if (verb == "menu") {
            a.kind = ScriptAction::Menu;
            if (!controlAndRest(true)) return fail("menu needs a control id and an item");
        } else if (verb == "dump" || verb == "snapshot") {
            a.kind = verb == "dump" ? ScriptAction::Dump : ScriptAction::Snapshot;
            a.text = rest;
            if (rest.empty()) return fail(verb + " needs a file name");
        } else {
            return fail("unknown action \"" + verb + "\"");
        }
        script.actions.push_back(a);
        if (nl == text.size()) break;
    }
    return true;
}

void UiScript::stopAtError() {
    actions.clear();
    stopOnError = false;
    stoppedAtError = true;
    std::fprintf(stderr, "%s: the script stops at this error message\n", source.c_str());
}

bool findMenuItem(const std::vector<NumericBoxMenuItem>& menu, const std::string& path,
                  int& command, std::vector<int>& places) {
    const size_t slash = path.find('/');
    const std::string want = path.substr(0, slash);
    int place = 0;
    for (const NumericBoxMenuItem& item : menu) {
        if (item.separator()) continue;
        std::string shown;
        for (char c : item.text)
            if (c != '&') shown += c;
        if (shown == want) {
            places.push_back(place);
            if (slash == std::string::npos) {
                command = item.id;
                return item.submenu.empty();
            }
            return findMenuItem(item.submenu, path.substr(slash + 1), command, places);
        }
        ++place;
    }
    return false;
}

bool scriptedUserRequested() {
    return !platform::environmentValue(kScriptFileVariable).empty() ||
           !platform::environmentValue(kScriptTextVariable).empty();
}

UiScript* scriptedUser() {
    if (!g_loaded) {
        g_loaded = true;
        const std::string path = platform::environmentValue(kScriptFileVariable);
        // A host in this process may hand the text itself: no file per export.
        const std::string given =
            path.empty() ? platform::environmentValue(kScriptTextVariable) : std::string();
        if (!path.empty() || !given.empty()) {
            g_script = std::make_unique<UiScript>();
            g_script->source = path.empty() ? "the dialog script" : path;
            std::string text = given, error;
            if (!path.empty() && !platform::readWholeFile(path, text, 1u << 20)) {
                std::fprintf(stderr, "%s: cannot read the user-interface script\n", path.c_str());
            } else if (!parseUiScript(text, *g_script, error)) {
                std::fprintf(stderr, "%s: %s\n", g_script->source.c_str(), error.c_str());
                g_script->actions.clear();
            }
        }
    }
    return g_script.get();
}

namespace {
// The host sets these in the process's own environment (on Windows each module has its
// own C runtime copy of it, so the system's is asked).
bool envIs(const char* name, const char* value) {
    return platform::environmentValue(name) == value;
}
}  // namespace

bool dialogsForAPerson() {
    return envIs("GLYPH_EXPORT_DIALOGS", "person");
}

bool consoleMessagesRequested() {
    return envIs("GLYPH_EXPORT_MESSAGES", "console");
}

void installScriptedUser() {
    // Every export reads the script anew: the host may name another one each time.
    g_script.reset();
    g_loaded = false;
    if ((scriptedUserRequested() && !dialogsForAPerson()) || consoleMessagesRequested())
        platform::setMessageBoxHandler(answerFromScript);
    else if (platform::messageBoxHandler() == answerFromScript)
        platform::setMessageBoxHandler(nullptr);
}

bool scriptStoppedAtError() {
    return g_script && g_script->stoppedAtError;
}

void resetScriptedUser() {
    g_script.reset();
    g_loaded = false;
    platform::setMessageBoxHandler(nullptr);
}

}  // namespace gx
