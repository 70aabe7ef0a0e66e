// File mode's dialogs as the scripted user plays them: each action sets the value its
// control stands for in the settings record. With no script the stored choices are
// taken as they are, as a user would by pressing OK.
#include <cstdio>
#include <cstdlib>

#include "ui/dialogs.h"
#include "ui/ui_script.h"
#include "support/units.h"

namespace gx {
namespace {

struct UnitChoice {
    const char* name;
    int code;
};
const UnitChoice kDesignUnits[] = {{"inches", 1},          {"millimeters", 2},
                                   {"picas, points", 3},   {"points", 4},
                                   {"ciceros, didots", 12}, {"didots", 13}};

bool parseWhole(const std::string& s, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < -32768 || v > 65535) return false;
    out = v;
    return true;
}

struct Player {
    UiScript& script;
    FontExportSettings& settings;
    int designUnit = 4;  // points at start

    void warn(const ScriptAction& a, const std::string& what) {
        std::fprintf(stderr, "%s: line %d: %s\n", script.source.c_str(), a.line, what.c_str());
    }

    void apply(const ScriptAction& a) {
        long n = 0;
        switch (a.kind) {
            case ScriptAction::Text:
                if (a.control == 1000) settings.familyName = a.text.substr(0, kMaxFamilyNameInDialog);
                else if (a.control == 1002 && parseWhole(a.text, n)) settings.gridSize = uint16_t(n);
                else if (a.control == 1014 && parseWhole(a.text, n)) settings.charNumber = int16_t(n);
                else warn(a, "no such text control here");
                break;
            case ScriptAction::Check:
                if (a.control == 1009) settings.exportSymbol = a.on;
                else if (a.control == 1019) settings.autoWidth = a.on;
                else warn(a, "no such check box here");
                break;
            case ScriptAction::Select:
                if (a.control == 1001) {
                    static const char* styles[] = {"Normal", "Bold", "Italic", "Bold Italic"};
                    for (int i = 0; i < 4; ++i)
                        if (a.index == i || a.text == styles[i]) settings.style = uint8_t(i);
                } else if (a.control == 1002 && parseWhole(a.text, n)) {
                    settings.gridSize = uint16_t(n);
                } else if (a.control == 1018) {
                    for (int i = 0; i < 6; ++i)
                        if (a.index == i || a.text == kDesignUnits[i].name)
                            designUnit = kDesignUnits[i].code;
                } else {
                    warn(a, "no such list here");
                }
                break;
            case ScriptAction::Value: {
                double v = 0;
                if (a.control == 1017) {
                    if (!parseLength(a.text, designUnit, v)) return warn(a, "not a length");
                    settings.designSize =
                        int16_t(int(convertUnits(kThousandthsOfInch, designUnit, v)));
                    settings.designSizeUnit = kThousandthsOfInch;
                } else if ((a.control == 1003 || a.control == 1016) && parseWhole(a.text, n)) {
                    (a.control == 1003 ? settings.spaceWidth : settings.charWidth) = int16_t(n);
                } else {
                    warn(a, "no such numeric box here");
                }
                break;
            }
            default:
                warn(a, "nothing to do here");
        }
    }

    int play(int templateId) {
        if (script.actions.empty() || script.actions.front().kind != ScriptAction::Dialog ||
            script.actions.front().control != templateId) {
            std::fprintf(stderr, "%s: the script does not expect dialog %d; cancelled\n",
                         script.source.c_str(), templateId);
            return kDialogCancel;
        }
        script.actions.pop_front();
        while (!script.actions.empty()) {
            ScriptAction a = script.actions.front();
            if (a.kind == ScriptAction::Dialog) break;
            script.actions.pop_front();
            if (a.kind == ScriptAction::Ok) return kDialogOk;
            if (a.kind == ScriptAction::Cancel) return kDialogCancel;
            apply(a);
        }
        std::fprintf(stderr, "%s: the script ended while dialog %d was open; cancelled\n",
                     script.source.c_str(), templateId);
        return kDialogCancel;
    }
};

}  // namespace

int runExportDialogs(PluginKind, HostExportCall&, FontExportSettings& settings, bool newFont) {
    UiScript* script = scriptedUser();
    if (!script) return kDialogOk;
    Player player{*script, settings};
    if (newFont) {
        int r = player.play(kOptionsDialog);
        if (!dialogAccepted(r)) return r;
    }
    return player.play(kMainDialog);
}

}  // namespace gx
