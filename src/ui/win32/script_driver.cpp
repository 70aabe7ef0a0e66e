// The scripted user on Windows: a thread of its own plays the script through the real
// dialogs with ordinary window messages, and answers their message boxes and the
// open-file dialog through their buttons, so that one script checks both views. Every
// wait has a timeout: a dialog nobody answers is cancelled, never waited on forever.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "support/strings.h"
#include "support/text.h"
#include "ui/dialog_model.h"
#include "ui/ui_script.h"
#include "ui/win32/win32_ui.h"

namespace gx::win32 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long a dialog the script has finished with may stay idle before it is cancelled.
constexpr milliseconds kIdleGrace{700};
constexpr milliseconds kPoll{10};
// Controls of the common open-file dialog that take the file name.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

void report(const std::string& source, int line, const std::string& what) {
    if (line > 0)
        std::fprintf(stderr, "%s: line %d: %s\n", source.c_str(), line, what.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", source.c_str(), what.c_str());
    std::fflush(stderr);
}

std::string fill(int id, const std::vector<std::string>& args) {
    return fillTemplate(uiString(id), args);
}

std::string windowText(HWND w) {
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::string looseText(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t') out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string className(HWND w) {
    char buf[64] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

// An item of a combo or list box by the script's text (or #index).
int findItem(HWND h, bool combo, const ScriptAction& a) {
    int count = int(SendMessageA(h, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    if (a.index >= 0) return a.index < count ? a.index : -1;
    int loose = -1;
    for (int i = 0; i < count; ++i) {
        char buf[256] = {};
        LRESULT n = SendMessageA(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(i), 0);
        if (n < 0 || n >= LRESULT(sizeof buf)) continue;
        SendMessageA(h, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(i),
                     reinterpret_cast<LPARAM>(buf));
        if (a.text == buf) return i;
        if (loose < 0 && looseText(a.text) == looseText(buf)) loose = i;
    }
    return loose;
}

// Types into a numeric box's edit field and leaves it, which commits the value.
void typeIntoBox(HWND dialog, HWND box, const ScriptAction& a, const std::string& source) {
    HWND edit = reinterpret_cast<HWND>(SendMessageA(box, kNbmGetEdit, 0, 0));
    if (!edit) return;
    SetFocus(edit);
    const bool focused = GetFocus() == edit;
    SendMessageA(edit, EM_SETSEL, 0, -1);
    std::string typed;
    bool refused = false;
    if (a.text.empty()) SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : a.text) {
        SendMessageA(edit, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
        typed += c;
        if (windowText(edit) != typed) {
            refused = true;
            break;
        }
    }
    if (refused)
        report(source, a.line, fill(str::kScriptRefused, {std::to_string(a.control), a.text}));
    // Leaving the field commits what it holds.
    HWND next = GetDlgItem(dialog, IDOK);
    if (focused && next) SetFocus(next);
    if (!focused || GetFocus() == edit) SendMessageA(edit, WM_KILLFOCUS, 0, 0);
}

void dumpDialog(HWND dialog, const ScriptAction& a, const std::string& source) {
    std::FILE* f = std::fopen(a.text.c_str(), "wb");
    if (!f) {
        report(source, a.line, "cannot write " + a.text);
        return;
    }
    // Each control: id, class (and its child's), state, place within the dialog's
    // window (as a snapshot shows it) and text.
    RECT d;
    GetWindowRect(dialog, &d);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string cls = className(c);
        std::string text = windowText(c);
        if (HWND inner = GetWindow(c, GW_CHILD)) {
            cls += "+" + className(inner);
            text = windowText(inner);
        }
        RECT r;
        GetWindowRect(c, &r);
        std::fprintf(f, "%d %s %s %ld,%ld,%ld,%ld %s\n", GetDlgCtrlID(c), cls.c_str(),
                     IsWindowEnabled(c) ? "enabled" : "disabled", r.left - d.left, r.top - d.top,
                     r.right - d.left, r.bottom - d.top, text.c_str());
    }
    std::fclose(f);
}

// The dialog as the screen shows it, as a 24-bit BMP file.
void snapshotDialog(HWND dialog, const ScriptAction& a, const std::string& source) {
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    RECT r;
    GetWindowRect(dialog, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    // From the window's own DC, not the screen's: the screen may not show the
    // window yet (Wine hands it to the X server later), or show another one on top.
    HDC screen = GetWindowDC(dialog);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    bool ok = screen && mem && bmp && w > 0 && h > 0;
    std::vector<unsigned char> pixels;
    BITMAPINFOHEADER bi{};
    if (ok) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY) != 0;
        SelectObject(mem, old);
        bi.biSize = sizeof bi;
        bi.biWidth = w;
        bi.biHeight = h;
        bi.biPlanes = 1;
        bi.biBitCount = 24;
        bi.biCompression = BI_RGB;
        const int stride = (w * 3 + 3) & ~3;
        bi.biSizeImage = DWORD(stride * h);
        pixels.resize(bi.biSizeImage);
        ok = ok && GetDIBits(mem, bmp, 0, UINT(h), pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS) == h;
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    if (screen) ReleaseDC(dialog, screen);
    std::FILE* f = ok ? std::fopen(a.text.c_str(), "wb") : nullptr;
    if (!f) {
        report(source, a.line, "cannot take a picture into " + a.text);
        return;
    }
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = DWORD(fh.bfOffBits + pixels.size());
    bool written = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
                   std::fwrite(&bi, sizeof bi, 1, f) == 1 &&
                   std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    if (std::fclose(f) != 0 || !written) report(source, a.line, "cannot write " + a.text);
}

// Opens a box's context menu as the keyboard does and walks to the item the way a
// person at the keyboard would: the keys wait in the queue for the menu's own loop.
void chooseFromMenu(HWND box, const std::vector<int>& places) {
    auto key = [box](WPARAM k) { PostMessageA(box, WM_KEYDOWN, k, 1); };
    for (size_t level = 0; level < places.size(); ++level) {
        if (level > 0) key(VK_RIGHT);  // opens the submenu at its first entry
        for (int i = 0; i < places[level] + (level == 0 ? 1 : 0); ++i) key(VK_DOWN);
    }
    // Enter as the character the menu's loop acts on (a key press would reach it only
    // once translated, behind the message below).
    PostMessageA(box, WM_CHAR, '\r', 1);
    // Ends the menu should it not take the keys, instead of leaving it open.
    PostMessageA(box, WM_CANCELMODE, 0, 0);
    SendMessageA(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), LPARAM(-1));
}

}  // namespace

void playActionOnDialog(HWND dialog, DialogModel& model, const ScriptAction& a,
                        const std::string& source) {
    const std::string dialogId = std::to_string(model.templateId());
    const std::string id = std::to_string(a.control);
    const Control* c = model.find(a.control);
    HWND h = GetDlgItem(dialog, a.control);
    auto noControl = [&] { report(source, a.line, fill(str::kScriptNoControl, {dialogId, id})); };
    if (a.kind == ScriptAction::Answer) {
        report(source, a.line, uiString(str::kScriptStrayAnswer));
        return;
    }
    if (a.kind == ScriptAction::File) {
        report(source, a.line, uiString(str::kScriptStrayFile));
        return;
    }
    if (a.kind == ScriptAction::Dump) {
        dumpDialog(dialog, a, source);
        return;
    }
    if (a.kind == ScriptAction::Snapshot) {
        snapshotDialog(dialog, a, source);
        return;
    }
    if (!c || !h) {
        if (a.kind == ScriptAction::Value)
            report(source, a.line, fill(str::kScriptNotANumber, {dialogId, id}));
        else
            noControl();
        return;
    }
    if (!IsWindowEnabled(h)) {
        report(source, a.line, fill(str::kScriptDisabled, {id}));
        return;
    }
    switch (a.kind) {
        case ScriptAction::Text:
            if (c->kind == ControlKind::Edit) {
                SetWindowTextA(h, a.text.c_str());  // the edit notifies EN_CHANGE
            } else if (c->kind == ControlKind::DropDownEdit) {
                SetWindowTextA(h, a.text.c_str());
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(a.control, CBN_EDITCHANGE),
                             reinterpret_cast<LPARAM>(h));
            } else {
                noControl();
            }
            break;
        case ScriptAction::Check:
            if (c->kind != ControlKind::CheckBox) {
                noControl();
            } else if ((IsDlgButtonChecked(dialog, a.control) == BST_CHECKED) != a.on) {
                SendMessageA(h, BM_CLICK, 0, 0);
            }
            break;
        case ScriptAction::Select: {
            const bool combo =
                c->kind == ControlKind::DropDownList || c->kind == ControlKind::DropDownEdit;
            if (!combo && c->kind != ControlKind::ListBox) {
                noControl();
                break;
            }
            int item = findItem(h, combo, a);
            if (item < 0) {
                report(source, a.line, fill(str::kScriptNoItem, {id, a.text}));
                break;
            }
            SendMessageA(h, combo ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(item), 0);
            SendMessageA(dialog, WM_COMMAND,
                         MAKEWPARAM(a.control, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(h));
            break;
        }
        case ScriptAction::Value:
            if (c->kind != ControlKind::NumericBox)
                report(source, a.line, fill(str::kScriptNotANumber, {dialogId, id}));
            else
                typeIntoBox(dialog, h, a, source);
            break;
        case ScriptAction::Menu: {
            NumericBox* box = model.numericBox(a.control);
            int command = 0;
            std::vector<int> places;
            if (!box || c->kind != ControlKind::NumericBox)
                report(source, a.line, fill(str::kScriptNotANumber, {dialogId, id}));
            else if (!findMenuItem(box->contextMenu(), a.text, command, places))
                report(source, a.line, fill(str::kScriptNoItem, {id, a.text}));
            else
                chooseFromMenu(h, places);
            break;
        }
        case ScriptAction::Click:
        case ScriptAction::Ok:
        case ScriptAction::Cancel:
            if (c->kind != ControlKind::Button)
                noControl();
            else
                SendMessageA(h, BM_CLICK, 0, 0);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------- the thread

struct ScriptDriver::State {
    UiScript& script;
    bool prefill;
    std::atomic<bool> stopping{false};
    std::thread thread;
    std::vector<std::unique_ptr<ScriptAction>> posted;  // kept until the thread ends
    unsigned sequence = 0;
    struct Pending {
        unsigned sequence;
        size_t depth;
        HWND dialog;
    };
    std::vector<Pending> pending;
    std::set<HWND> matched;                 // dialogs a "dialog N" line has named
    std::set<HWND> answered;                // boxes given their answer
    std::map<HWND, std::string> fileGiven;  // open-file dialogs and the file typed in
    std::set<HWND> cancelled;
    std::map<int, std::vector<ScriptAction>> prefills;
    std::set<HWND> prefilled;

    State(UiScript& s, bool p) : script(s), prefill(p) {}

    // ---- message boxes and the open-file dialog
    static BOOL CALLBACK collect(HWND w, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
    }

    void answerBoxes() {
        DWORD thread = dialogThread();
        if (!thread) return;
        std::vector<HWND> windows;
        EnumThreadWindows(thread, collect, reinterpret_cast<LPARAM>(&windows));
        std::vector<OpenDialog> open = openDialogs();
        for (HWND w : windows) {
            if (!IsWindowVisible(w) || className(w) != "#32770" || answered.count(w)) continue;
            if (std::any_of(open.begin(), open.end(),
                            [w](const OpenDialog& d) { return d.window == w; }))
                continue;
            HWND name = GetDlgItem(w, kFileNameCombo);
            if (!name) name = GetDlgItem(w, kFileNameEdit);
            if (name) {
                answerFileDialog(w, name);
            } else if (fileGiven.count(GetWindow(w, GW_OWNER))) {
                refusedFile(w, GetWindow(w, GW_OWNER));
            } else {
                answerMessageBox(w);
            }
        }
        for (auto it = answered.begin(); it != answered.end();)
            it = IsWindow(*it) ? std::next(it) : answered.erase(it);
        for (auto it = fileGiven.begin(); it != fileGiven.end();)
            it = IsWindow(it->first) ? std::next(it) : fileGiven.erase(it);
    }

    // The open-file dialog itself refused the script's file (it does not exist): a
    // person would close the box and give up the dialog. The file the script meant to
    // use cannot be used, so a "stop-on-error" script ends here as at an error message.
    void refusedFile(HWND box, HWND fileDialog) {
        answered.insert(box);
        std::fprintf(stderr, "%s: the open-file dialog refused \"%s\": %s\n", script.source.c_str(),
                     fileGiven[fileDialog].c_str(), boxText(box).c_str());
        if (script.stopOnError) script.stopAtError();
        press(box, IDOK);
        press(fileDialog, IDCANCEL);
    }

    // A message box's text is its one static control's.
    static std::string boxText(HWND box) {
        std::string text;
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (className(c) == "Static" && !windowText(c).empty()) text = windowText(c);
        for (char& ch : text)
            if (ch == '\r' || ch == '\n') ch = ' ';
        return text;
    }

    static bool shows(HWND box, int id) {
        HWND b = GetDlgItem(box, id);
        return b && IsWindowVisible(b);
    }

    static void press(HWND box, int id) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    }

    void answerMessageBox(HWND box) {
        if (prefill) return;  // the person at the screen answers
        answered.insert(box);
        int id = shows(box, IDCANCEL) ? IDCANCEL : shows(box, IDNO) ? IDNO : IDOK;
        const bool answerNext =
            !script.actions.empty() && script.actions.front().kind == ScriptAction::Answer;
        // An error (a box with OK alone) that no line answers ends a "stop-on-error"
        // script there: what it meant to do next is not done, and the dialogs cancel.
        if (script.stopOnError && !answerNext && id == IDOK) script.stopAtError();
        if (answerNext) {
            const std::string& a = script.actions.front().text;
            id = a == "yes" ? IDYES : a == "no" ? IDNO : a == "cancel" ? IDCANCEL : IDOK;
            script.actions.pop_front();
        }
        press(box, id);
    }

    void answerFileDialog(HWND box, HWND name) {
        if (prefill) return;
        answered.insert(box);
        if (script.actions.empty() || script.actions.front().kind != ScriptAction::File) {
            report(script.source, script.actions.empty() ? 0 : script.actions.front().line,
                   uiString(str::kScriptNoFile));
            press(box, IDCANCEL);
            return;
        }
        std::string path = script.actions.front().text;
        script.actions.pop_front();
        fileGiven[box] = path;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        press(box, IDOK);
    }

    // ---- the dialogs
    bool idleAt(size_t depth) {
        pending.erase(std::remove_if(pending.begin(), pending.end(),
                                     [](const Pending& p) {
                                         // A dialog that closed drops what it was sent.
                                         return actionCompleted(p.sequence) || !IsWindow(p.dialog);
                                     }),
                      pending.end());
        return std::none_of(pending.begin(), pending.end(),
                            [depth](const Pending& p) { return p.depth >= depth; });
    }

    void post(HWND dialog, size_t depth, const ScriptAction& a) {
        posted.push_back(std::make_unique<ScriptAction>(a));
        unsigned seq = ++sequence;
        if (PostMessageA(dialog, kMsgPlayAction, seq,
                         reinterpret_cast<LPARAM>(posted.back().get())))
            pending.push_back(Pending{seq, depth, dialog});
    }

    // Presses a numeric box's spin button with the mouse and lets its timers run.
    void hold(const OpenDialog& dialog, const ScriptAction& a) {
        HWND box = GetDlgItem(dialog.window, a.control);
        if (!box || className(box) != "VLX60_Numbox" || !IsWindowEnabled(box)) {
            report(script.source, a.line,
                   fill(str::kScriptNotANumber,
                        {std::to_string(dialog.templateId), std::to_string(a.control)}));
            return;
        }
        RECT rc;
        GetClientRect(box, &rc);
        const int x = rc.right - GetSystemMetrics(SM_CXVSCROLL) / 2;
        const int y = a.on ? 1 : rc.bottom - 2;
        PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        const Clock::time_point end = Clock::now() + milliseconds(a.index);
        while (Clock::now() < end && !stopping) {
            std::this_thread::sleep_for(kPoll);
            answerBoxes();
        }
        PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    void cancel(HWND dialog, size_t depth) {
        if (cancelled.count(dialog)) return;
        cancelled.insert(dialog);
        ScriptAction a;
        a.kind = ScriptAction::Cancel;
        a.control = IDCANCEL;
        post(dialog, depth, a);
    }

    void run() {
        if (prefill) {
            runPrefill();
            return;
        }
        Clock::time_point waitingSince = Clock::now();
        Clock::time_point idleSince = Clock::now();
        HWND idleTop = nullptr;
        while (!stopping) {
            std::this_thread::sleep_for(kPoll);
            answerBoxes();
            std::vector<OpenDialog> open = openDialogs();
            const bool haveAction = !script.actions.empty();
            if (haveAction && (script.actions.front().kind == ScriptAction::Answer ||
                               script.actions.front().kind == ScriptAction::File)) {
                // Only a box or file dialog on screen takes these; give it a moment.
                // A dialog that has ended but is not destroyed yet is hidden.
                if (open.empty() || !IsWindowVisible(open.back().window) || !idleAt(open.size())) {
                    waitingSince = Clock::now();
                } else {
                    if (Clock::now() - waitingSince < kIdleGrace) continue;
                    const ScriptAction& a = script.actions.front();
                    report(script.source, a.line,
                           uiString(a.kind == ScriptAction::Answer ? str::kScriptStrayAnswer
                                                                   : str::kScriptStrayFile));
                    script.actions.pop_front();
                    waitingSince = Clock::now();
                }
                continue;
            }
            if (open.empty()) {
                // Between two dialogs. What the script still holds when the dialogs
                // end is reported then.
                idleTop = nullptr;
                continue;
            }
            const OpenDialog top = open.back();
            const size_t depth = open.size();
            if (!idleAt(depth) || !IsWindowVisible(top.window)) {
                waitingSince = Clock::now();
                idleTop = nullptr;
                continue;
            }
            if (top.window != idleTop) {
                idleTop = top.window;
                idleSince = Clock::now();
            }
            const std::string shown = std::to_string(top.templateId);
            if (!matched.count(top.window)) {
                if (haveAction && script.actions.front().kind == ScriptAction::Dialog &&
                    script.actions.front().control == top.templateId) {
                    matched.insert(top.window);
                    script.actions.pop_front();
                } else if (!cancelled.count(top.window)) {
                    if (!haveAction)
                        report(script.source, 0, fill(str::kScriptEndedOpen, {shown}));
                    else if (script.actions.front().kind == ScriptAction::Dialog)
                        report(script.source, script.actions.front().line,
                               fill(str::kScriptOtherDialog,
                                    {std::to_string(script.actions.front().control), shown}));
                    else
                        report(script.source, script.actions.front().line,
                               fill(str::kScriptOtherDialog, {"-", shown}));
                    cancel(top.window, depth);
                }
                waitingSince = Clock::now();
                continue;
            }
            if (!haveAction || script.actions.front().kind == ScriptAction::Dialog) {
                // The script is done with this dialog, but it is still open.
                if (Clock::now() - idleSince < kIdleGrace || cancelled.count(top.window)) continue;
                if (!haveAction)
                    report(script.source, 0, fill(str::kScriptEndedOpen, {shown}));
                else
                    report(script.source, script.actions.front().line,
                           fill(str::kScriptOtherDialog,
                                {std::to_string(script.actions.front().control), shown}));
                cancel(top.window, depth);
                continue;
            }
            if (script.actions.front().kind == ScriptAction::StopOnError) {
                script.stopOnError = true;
                script.actions.pop_front();
            } else if (script.actions.front().kind == ScriptAction::Hold) {
                ScriptAction a = script.actions.front();
                script.actions.pop_front();
                hold(top, a);
            } else {
                post(top.window, depth, script.actions.front());
                script.actions.pop_front();
            }
            idleTop = nullptr;
            waitingSince = Clock::now();
        }
    }

    // With --dialogs: each dialog starts from the script's values; the rest is the
    // person's to do.
    void runPrefill() {
        std::vector<int> stack;
        for (const ScriptAction& a : script.actions) {
            switch (a.kind) {
                case ScriptAction::Dialog:
                    stack.push_back(a.control);
                    break;
                case ScriptAction::Ok:
                case ScriptAction::Cancel:
                    if (!stack.empty()) stack.pop_back();
                    break;
                case ScriptAction::Text:
                case ScriptAction::Check:
                case ScriptAction::Select:
                case ScriptAction::Value:
                case ScriptAction::Dump:
                case ScriptAction::Snapshot:
                    if (!stack.empty()) prefills[stack.back()].push_back(a);
                    break;
                default:
                    break;
            }
        }
        script.actions.clear();
        while (!stopping) {
            std::this_thread::sleep_for(kPoll);
            std::vector<OpenDialog> open = openDialogs();
            if (open.empty() || !idleAt(open.size())) continue;
            const OpenDialog top = open.back();
            if (prefilled.count(top.window)) continue;
            prefilled.insert(top.window);
            for (const ScriptAction& a : prefills[top.templateId]) post(top.window, open.size(), a);
        }
    }
};

ScriptDriver::ScriptDriver(UiScript& script, bool prefill) : state_(new State(script, prefill)) {
    forgetCompletedActions();
    State* s = state_;
    s->thread = std::thread([s] { s->run(); });
}

void ScriptDriver::stop() {
    if (!state_ || !state_->thread.joinable()) return;
    state_->stopping = true;
    state_->thread.join();
}

ScriptDriver::~ScriptDriver() {
    stop();
    delete state_;
}

}  // namespace gx::win32
