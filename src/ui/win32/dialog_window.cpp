// The export dialogs as real windows: a dialog procedure that mirrors a model into
// the template's controls and forwards the user's actions to it, the character lists
// and the preview drawn from their models, the open-file dialog and help.
#include <windowsx.h>

#include <map>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "entry/host_abi.h"
#include "platform/ui_hooks.h"
#include "support/charlist.h"
#include "ui/dialog_model.h"
#include "ui/dialogs.h"
#include "ui/main_dialog.h"
#include "ui/options_dialog.h"
#include "ui/ui_script.h"
#include "ui/win32/win32_ui.h"

namespace gx::win32 {
namespace {

std::mutex g_lock;
std::vector<OpenDialog> g_open;
DWORD g_thread = 0;
std::set<unsigned> g_completed;

std::string windowText(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::string s(size_t(n > 0 ? n : 0) + 1, '\0');
    int got = GetWindowTextA(w, &s[0], n + 1);
    s.resize(size_t(got > 0 ? got : 0));
    return s;
}

}  // namespace

std::vector<OpenDialog> openDialogs() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_open;
}

DWORD dialogThread() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_thread;
}

bool actionCompleted(unsigned sequence) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_completed.count(sequence) != 0;
}

void markActionCompleted(unsigned sequence) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_completed.insert(sequence);
}

void forgetCompletedActions() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_completed.clear();
}

namespace {

class Win32View;

// One open dialog: its model and what the window shows of it.
struct DialogWindow {
    DialogModel* model = nullptr;
    Win32View* view = nullptr;
    HWND hwnd = nullptr;
    MainDialog* main = nullptr;
    FontOptionsDialog* fontOptions = nullptr;
    unsigned mirrored = ~0u;
    bool mirroring = false;
    std::map<int, std::vector<std::string>> shownItems;
    PreviewTransform paintedAt;
    void* previousOwner = nullptr;
    std::string scriptName;
};

class Win32View : public DialogView {
  public:
    Win32View(HostExportCall& call, const std::string& scriptName)
        : call_(call), scriptName_(scriptName) {}
    int runModal(DialogModel& dialog) override;
    bool chooseOpenFile(const OpenFileRequest& request, std::string& path) override;
    void showHelp(const std::string& helpFile, int context) override;
    HostExportCall& call() { return call_; }
    HWND owner() const;
    // True when the first dialog could not even be created (no desktop to show it on).
    bool couldNotShow() const { return failed_ && !shown_; }

  private:
    HostExportCall& call_;
    std::string scriptName_;
    bool failed_ = false;
    bool shown_ = false;
};

DialogWindow* windowOf(HWND hwnd) {
    return reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

HWND Win32View::owner() const {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_open.empty()) return g_open.back().window;
    return reinterpret_cast<HWND>(call_.hostWindow);
}

// ---------------------------------------------------------------- mirroring

void mirrorItems(DialogWindow& w, const Control& c, HWND h) {
    const bool combo = c.kind != ControlKind::ListBox;
    std::vector<std::string>& shown = w.shownItems[c.id];
    if (shown != c.items) {
        SendMessageA(h, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
        for (const std::string& item : c.items)
            SendMessageA(h, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(item.c_str()));
        shown = c.items;
    }
    LRESULT sel = SendMessageA(h, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (sel != c.selection) SendMessageA(h, combo ? CB_SETCURSEL : LB_SETCURSEL, c.selection, 0);
}

void mirror(DialogWindow& w) {
    DialogModel& m = *w.model;
    if (w.mirrored == m.revision()) return;
    w.mirroring = true;
    for (const Control& c : m.controls()) {
        HWND h = GetDlgItem(w.hwnd, c.id);
        if (!h) continue;
        switch (c.kind) {
            case ControlKind::Static:
            case ControlKind::Edit:
                if (windowText(h) != c.text) SetWindowTextA(h, c.text.c_str());
                break;
            case ControlKind::CheckBox:
                if ((IsDlgButtonChecked(w.hwnd, c.id) == BST_CHECKED) != c.checked)
                    CheckDlgButton(w.hwnd, c.id, c.checked ? BST_CHECKED : BST_UNCHECKED);
                break;
            case ControlKind::DropDownList:
                mirrorItems(w, c, h);
                break;
            case ControlKind::DropDownEdit:
                mirrorItems(w, c, h);
                if (windowText(h) != c.text) SetWindowTextA(h, c.text.c_str());
                break;
            case ControlKind::ListBox:
                mirrorItems(w, c, h);
                // Deleted and replaced characters turn grey.
                InvalidateRect(h, nullptr, FALSE);
                break;
            case ControlKind::NumericBox:
                SendMessageA(h, kNbmSync, 0, 0);
                break;
            case ControlKind::Button:
                break;
        }
        if ((IsWindowEnabled(h) != 0) != c.enabled) EnableWindow(h, c.enabled);
    }
    w.mirroring = false;
    w.mirrored = m.revision();

    if (w.main) {
        // A new design size draws the outline at a new scale.
        PreviewTransform t = w.main->previewTransform();
        if (t.scale != w.paintedAt.scale || t.originX != w.paintedAt.originX ||
            t.originY != w.paintedAt.originY) {
            RECT pane{w.main->previewGeometry().pane.left, w.main->previewGeometry().pane.top,
                      w.main->previewGeometry().pane.right, w.main->previewGeometry().pane.bottom};
            InvalidateRect(w.hwnd, &pane, FALSE);
        }
    }
}

void toggleMarkers(DialogWindow& w) {
    if (!w.main) return;
    std::vector<int> toggles = w.main->takeMarkerToggles();
    if (toggles.empty()) return;
    const PixelRect& pane = w.main->previewGeometry().pane;
    HDC dc = GetDC(w.hwnd);
    if (!dc) return;
    int rop = SetROP2(dc, R2_NOTXORPEN);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    for (int x : toggles) {
        MoveToEx(dc, x, pane.top, nullptr);
        LineTo(dc, x, pane.bottom);
    }
    SelectObject(dc, pen);
    SetROP2(dc, rop);
    ReleaseDC(w.hwnd, dc);
}

void detachBoxes(DialogWindow& w) {
    for (const Control& c : w.model->controls())
        if (c.kind == ControlKind::NumericBox)
            if (HWND h = GetDlgItem(w.hwnd, c.id)) SendMessageA(h, kNbmAttach, 0, 0);
}

// After every message: close when the model ended, else show what changed.
void settle(DialogWindow& w) {
    if (!w.model->isOpen()) {
        detachBoxes(w);
        EndDialog(w.hwnd, w.model->result());
        return;
    }
    mirror(w);
    toggleMarkers(w);
}

// ---------------------------------------------------------------- drawing

void paintPreview(DialogWindow& w, HDC dc) {
    MainDialog& m = *w.main;
    const PreviewGeometry& g = m.previewGeometry();
    const PixelRect& p = g.pane;
    RECT pane{p.left, p.top, p.right, p.bottom};
    FillRect(dc, &pane, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    MoveToEx(dc, g.originX, p.top, nullptr);
    LineTo(dc, g.originX, p.bottom);
    MoveToEx(dc, p.left, g.baselineY, nullptr);
    LineTo(dc, p.right, g.baselineY);

    PreviewTransform t = m.previewTransform();
    w.paintedAt = t;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, p.left, p.top, p.right, p.bottom);
    const int design = m.designSize();
    std::vector<PathSegment> path = m.previewOutline();
    if (t.scale > 0 && design > 0 && !path.empty()) {
        // The drawing's own units on the page: y grows upward, one em spans the pane.
        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowOrgEx(dc, static_cast<int>(t.originX), static_cast<int>(t.originY), nullptr);
        SetWindowExtEx(dc, design, design, nullptr);
        SetViewportOrgEx(dc, g.originX, g.baselineY, nullptr);
        SetViewportExtEx(dc, p.right - g.originX, p.top - g.baselineY, nullptr);
        BeginPath(dc);
        for (const PathSegment& s : path) {
            switch (s.kind) {
                case PathSegment::Move:
                    MoveToEx(dc, s.x[0], s.y[0], nullptr);
                    break;
                case PathSegment::Line:
                    LineTo(dc, s.x[0], s.y[0]);
                    break;
                case PathSegment::Cubic: {
                    POINT pts[3] = {{s.x[0], s.y[0]}, {s.x[1], s.y[1]}, {s.x[2], s.y[2]}};
                    PolyBezierTo(dc, pts, 3);
                    break;
                }
            }
        }
        if (EndPath(dc)) StrokeAndFillPath(dc);
    }
    RestoreDC(dc, saved);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    m.previewPainted();
}

void drawMarkerAfterPaint(DialogWindow& w, HDC dc, int gridSize) {
    int x = 0;
    const PreviewGeometry& g = w.main->previewGeometry();
    if (!g.markerX(w.main->markerWidth(), gridSize, x)) return;
    int rop = SetROP2(dc, R2_NOTXORPEN);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, x, g.pane.top, nullptr);
    LineTo(dc, x, g.pane.bottom);
    SelectObject(dc, pen);
    SetROP2(dc, rop);
}

void drawListItem(DialogWindow& w, const DRAWITEMSTRUCT& di) {
    CharList& list = di.CtlID == UINT(kMainCharList) ? mainCharList() : optionsCharList();
    CharStates states = w.main          ? w.main->charStates()
                        : w.fontOptions ? w.fontOptions->charStates()
                                        : CharStates{};
    DrawAction action = (di.itemAction & ODA_DRAWENTIRE) ? DrawAction::DrawEntire
                        : (di.itemAction & ODA_SELECT)   ? DrawAction::Select
                                                         : DrawAction::Focus;
    PixelRect item{di.rcItem.left, di.rcItem.top, di.rcItem.right, di.rcItem.bottom};
    ItemDrawing d = list.drawItem(int(di.CtlID), int(di.itemID), action,
                                  (di.itemState & ODS_SELECTED) != 0, item, states);
    if (!d.handled) return;
    HDC dc = di.hDC;
    if (d.drawText) {
        RECT fill{d.fill.left, d.fill.top, d.fill.right, d.fill.bottom};
        FillRect(dc, &fill, GetSysColorBrush(COLOR_WINDOW));
        int mode = SetBkMode(dc, TRANSPARENT);
        COLORREF color = SetTextColor(dc, GetSysColor(d.grey ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        ExtTextOutA(dc, fill.left, fill.top, ETO_CLIPPED, &fill, d.text.c_str(),
                    UINT(d.text.size()), nullptr);
        SetTextColor(dc, color);
        SetBkMode(dc, mode);
    }
    if (d.toggleFrame) {
        int rop = SetROP2(dc, R2_NOTXORPEN);
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, d.frame.left, d.frame.top, d.frame.right, d.frame.bottom);
        SelectObject(dc, pen);
        SelectObject(dc, brush);
        SetROP2(dc, rop);
    }
}

void measureListItem(HWND hwnd, MEASUREITEMSTRUCT& mi) {
    HDC dc = GetDC(hwnd);
    TEXTMETRICA tm{};
    if (dc) {
        GetTextMetricsA(dc, &tm);  // a fresh context holds the system font
        ReleaseDC(hwnd, dc);
    }
    mi.itemHeight = UINT(charItemHeight(tm.tmHeight));
    mi.itemWidth = UINT(charItemWidth(tm.tmMaxCharWidth));
}

// ---------------------------------------------------------------- the procedure

void initDialog(HWND hwnd, DialogWindow& w) {
    w.hwnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(&w));
    w.main = dynamic_cast<MainDialog*>(w.model);
    w.fontOptions = dynamic_cast<FontOptionsDialog*>(w.model);
    w.previousOwner = platform::messageBoxOwner();
    platform::setMessageBoxOwner(hwnd);
    w.model->init();
    SetWindowTextA(hwnd, w.model->title().c_str());
    for (const Control& c : w.model->controls())
        if (c.kind == ControlKind::NumericBox)
            if (HWND h = GetDlgItem(hwnd, c.id))
                SendMessageA(h, kNbmAttach, 0, reinterpret_cast<LPARAM>(w.model->numericBox(c.id)));
    if (w.main) {
        RECT r;
        HWND frame = GetDlgItem(hwnd, kMainPreview);
        if (frame && GetWindowRect(frame, &r)) {
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
            w.main->setPreviewPane(PixelRect{r.left, r.top, r.right, r.bottom});
        }
        w.main->takeMarkerToggles();  // the first paint draws the marker
    }
    mirror(w);
    std::lock_guard<std::mutex> hold(g_lock);
    g_open.push_back(OpenDialog{hwnd, w.model->templateId()});
    g_thread = GetCurrentThreadId();
}

void forgetDialog(DialogWindow& w) {
    platform::setMessageBoxOwner(w.previousOwner);
    std::lock_guard<std::mutex> hold(g_lock);
    for (size_t i = g_open.size(); i-- > 0;)
        if (g_open[i].window == w.hwnd) g_open.erase(g_open.begin() + long(i));
}

void callHostHelp(DialogWindow& w, bool contextMenu, WPARAM wParam, LPARAM lParam) {
    HostExportCall& call = w.view->call();
    if (!call.callbacks) return;
    HostHelpFn fn = contextMenu ? call.callbacks->contextHelp : call.callbacks->help;
    if (fn)
        fn(moduleInstance(), w.model->helpFile().c_str(), uintptr_t(wParam), intptr_t(lParam),
           w.model->templateId());
}

// A control's notification, forwarded to the model as the user's action.
void command(DialogWindow& w, int id, int code, HWND control) {
    DialogModel& m = *w.model;
    const Control* c = m.find(id);
    if (!c || w.mirroring) {
        if (!c && (id == IDOK || id == IDCANCEL) && code == BN_CLICKED) m.userClick(id);
        return;
    }
    switch (c->kind) {
        case ControlKind::Edit:
            if (code == EN_CHANGE) m.userText(id, windowText(control));
            break;
        case ControlKind::CheckBox:
            if (code == BN_CLICKED) m.userCheck(id, IsDlgButtonChecked(w.hwnd, id) == BST_CHECKED);
            break;
        case ControlKind::Button:
            if (code == BN_CLICKED) m.userClick(id);
            break;
        case ControlKind::DropDownList:
            if (code == CBN_SELCHANGE)
                m.userSelect(id, int(SendMessageA(control, CB_GETCURSEL, 0, 0)));
            break;
        case ControlKind::DropDownEdit:
            if (code == CBN_EDITCHANGE) {
                m.userText(id, windowText(control));
            } else if (code == CBN_SELCHANGE) {
                m.userSelect(id, int(SendMessageA(control, CB_GETCURSEL, 0, 0)));
            }
            break;
        case ControlKind::ListBox:
            if (code == LBN_SELCHANGE)
                m.userSelect(id, int(SendMessageA(control, LB_GETCURSEL, 0, 0)));
            break;
        case ControlKind::NumericBox:
        case ControlKind::Static:
            break;  // the box has told its model already (15 committed, 19 typed)
    }
}

INT_PTR handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        initDialog(hwnd, *reinterpret_cast<DialogWindow*>(lParam));
        return TRUE;
    }
    if (msg == WM_MEASUREITEM) {
        // Sent while the lists are created, before the dialog knows its model.
        auto& mi = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mi.CtlType != ODT_LISTBOX) return FALSE;
        measureListItem(hwnd, mi);
        return TRUE;
    }
    DialogWindow* w = windowOf(hwnd);
    if (!w) return FALSE;
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && !w->model->find(IDCANCEL))
                w->model->userClick(IDCANCEL);
            command(*w, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            break;
        case WM_CLOSE:
            w->model->userClick(IDCANCEL);
            break;
        case WM_DRAWITEM:
            drawListItem(*w, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_PAINT:
            if (!w->main) return FALSE;
            {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                paintPreview(*w, dc);
                drawMarkerAfterPaint(*w, dc, w->main->gridSize());
                EndPaint(hwnd, &ps);
            }
            return TRUE;
        case WM_LBUTTONDOWN:
            if (!w->main) return FALSE;
            w->main->mouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (w->main->capturing()) SetCapture(hwnd);
            break;
        case WM_MOUSEMOVE:
            if (!w->main || !w->main->capturing()) return FALSE;
            w->main->mouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            break;
        case WM_LBUTTONUP:
            if (!w->main || !w->main->capturing()) return FALSE;
            w->main->mouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (GetCapture() == hwnd) ReleaseCapture();
            break;
        case WM_HELP:
            callHostHelp(*w, false, wParam, lParam);
            return TRUE;
        case WM_CONTEXTMENU:
            callHostHelp(*w, true, wParam, lParam);
            return TRUE;
        case kMsgPlayAction:
            playActionOnDialog(hwnd, *w->model, *reinterpret_cast<const ScriptAction*>(lParam),
                               w->scriptName);
            markActionCompleted(unsigned(wParam));
            break;
        case WM_DESTROY:
            forgetDialog(*w);
            return FALSE;
        default:
            return FALSE;
    }
    if (windowOf(hwnd)) settle(*w);
    return TRUE;
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        return handle(hwnd, msg, wParam, lParam);
    } catch (const std::bad_alloc&) {
        // Out of memory inside a window procedure: the dialog ends as failed.
        EndDialog(hwnd, kDialogFailed);
        return TRUE;
    }
}

int Win32View::runModal(DialogModel& dialog) {
    if (!registerNumericBoxClass()) {
        failed_ = true;
        return kDialogFailed;
    }
    DialogWindow w;
    w.model = &dialog;
    w.view = this;
    w.scriptName = scriptName_;
    INT_PTR r = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(dialog.templateId()), owner(),
                                dialogProc, reinterpret_cast<LPARAM>(&w));
    if (w.hwnd) shown_ = true;
    if (r == -1 || r == 0) {
        if (!w.hwnd) failed_ = true;  // never created
        return kDialogFailed;
    }
    return int(r);
}

bool Win32View::chooseOpenFile(const OpenFileRequest& request, std::string& path) {
    // "Name (*.ext)| *.ext||": bars separate the filter's strings.
    std::string filter = request.filter;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    std::string ext = request.defaultExtension;
    size_t dot = ext.rfind('.');
    if (dot != std::string::npos) ext = ext.substr(dot + 1);
    char file[MAX_PATH] = {};
    request.initialName.copy(file, MAX_PATH - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = ext.c_str();
    ofn.Flags = OFN_EXPLORER;
    if (request.hideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (request.pathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
    if (request.fileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&ofn)) return false;
    path = file;
    return true;
}

void Win32View::showHelp(const std::string& helpFile, int context) {
    WinHelpA(owner(), helpFile.c_str(), HELP_CONTEXT, ULONG_PTR(context));
}

}  // namespace

// ---------------------------------------------------------------- the export's dialogs

int runWin32Dialogs(PluginKind kind, HostExportCall& call, FontExportSettings& settings,
                    bool newFont, DialogSession& session, const std::string& scriptName,
                    bool& couldNotShow) {
    Win32View view(call, scriptName);
    int result = runDialogFlow(view, kind, call, settings, newFont, session);
    couldNotShow = view.couldNotShow();
    return result;
}

}  // namespace gx::win32
