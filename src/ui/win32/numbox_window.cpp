// The numeric box window class "VLX60_Numbox": a child edit field and a spin strip
// around the NumericBox model, which holds every rule; this file only forwards the
// window's messages to it and shows what it says.
#include <windowsx.h>

#include <algorithm>
#include <new>
#include <string>

#include "support/numbox.h"
#include "ui/win32/win32_ui.h"

namespace gx::win32 {
namespace {

constexpr int kEditId = 1;

struct BoxWindow {
    HWND hwnd = nullptr;
    HWND edit = nullptr;
    WNDPROC editProc = nullptr;
    NumericBox own;  // until a dialog attaches its model's box
    NumericBox* box = &own;
    NumericBox::Host modelHost;  // what the attached model asked of its box
    bool settingText = false;
};

BoxWindow* boxOf(HWND hwnd) {
    return reinterpret_cast<BoxWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

std::string windowText(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::string s(size_t(n > 0 ? n : 0) + 1, '\0');
    int got = GetWindowTextA(w, &s[0], n + 1);
    s.resize(size_t(got > 0 ? got : 0));
    return s;
}

// Shows the model's text in the edit field when they differ.
void syncEdit(BoxWindow& b) {
    if (!b.edit) return;
    if (windowText(b.edit) != b.box->text()) {
        b.settingText = true;
        SetWindowTextA(b.edit, b.box->text().c_str());
        b.settingText = false;
    }
}

RECT spinRect(const BoxWindow& b) {
    const SpinLayout& l = b.box->layout();
    RECT r{l.left, l.upTop, l.right, l.downBottom};
    return r;
}

void sendParentCommand(BoxWindow& b, int command) {
    HWND parent = GetParent(b.hwnd);
    if (!parent) return;
    int id = IDCANCEL;
    if (command != kNbCancelCommand) {
        LRESULT def = SendMessageA(parent, DM_GETDEFID, 0, 0);
        id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    }
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(parent, id)));
}

// ---------------------------------------------------------------- full-value editor

// A larger edit window beside the box, for a value longer than the box shows.
struct FullValueEditor {
    BoxWindow* box = nullptr;
    WNDPROC editProc = nullptr;
};

LRESULT CALLBACK fullValueProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* f = reinterpret_cast<FullValueEditor*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!f) return DefWindowProcA(w, msg, wParam, lParam);
    WNDPROC orig = f->editProc;
    try {
        switch (msg) {
            case WM_GETDLGCODE:
                return DLGC_WANTALLKEYS;
            case WM_KEYDOWN:
                if (wParam == VK_RETURN) {
                    if (f->box->box->commitFullValue(windowText(w))) {
                        syncEdit(*f->box);
                        DestroyWindow(w);
                    }
                    return 0;
                }
                if (wParam == VK_ESCAPE) {
                    DestroyWindow(w);
                    return 0;
                }
                break;
            case WM_CHAR:
                if (wParam == '\r' || wParam == 27) return 0;
                break;
            case WM_KILLFOCUS:
                PostMessageA(w, WM_CLOSE, 0, 0);
                break;
            case WM_NCDESTROY: {
                SetWindowLongPtrA(w, GWLP_USERDATA, 0);
                SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(orig));
                delete f;
                return CallWindowProcA(orig, w, msg, wParam, lParam);
            }
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        MessageBeep(MB_ICONERROR);
        return 0;
    }
    return CallWindowProcA(orig, w, msg, wParam, lParam);
}

void openFullValueEditor(BoxWindow& b) {
    RECT box, room;
    GetWindowRect(b.hwnd, &box);
    HWND parent = GetParent(b.hwnd);
    if (!parent || !GetWindowRect(parent, &room)) return;
    const int h = box.bottom - box.top;
    const int w = std::max<int>(4 * (box.right - box.left), 160);
    // Right of the box when the dialog has room there, else left; below likewise.
    const int x = box.right + w <= room.right ? box.right : box.left - w;
    const int y = box.bottom + h <= room.bottom ? box.bottom : box.top - h;
    auto* f = new (std::nothrow) FullValueEditor;
    if (!f) return;
    HWND e = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", b.box->text().c_str(),
                             WS_POPUP | WS_VISIBLE | ES_AUTOHSCROLL, x, y, w, h, b.hwnd, nullptr,
                             moduleInstance(), nullptr);
    if (!e) {
        delete f;
        return;
    }
    f->box = &b;
    SetWindowLongPtrA(e, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f));
    f->editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fullValueProc)));
    SendMessageA(e, WM_SETFONT, SendMessageA(b.edit, WM_GETFONT, 0, 0), TRUE);
    SendMessageA(e, EM_LIMITTEXT, b.box->maxTextLength(), 0);
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, 0, -1);
}

// The settings dialog of "&Settings...": the drag mode, which holds for every box.
constexpr int kSettingsTemplate = 140;
constexpr int kPositionDrag = 1101;
constexpr int kSpeedDrag = 1102;

INT_PTR CALLBACK settingsProc(HWND w, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            CheckRadioButton(w, kPositionDrag, kSpeedDrag,
                             numericBoxDragMode() == DragMode::Speed ? kSpeedDrag : kPositionDrag);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK)
                setNumericBoxDragMode(IsDlgButtonChecked(w, kSpeedDrag) == BST_CHECKED
                                          ? DragMode::Speed
                                          : DragMode::Position);
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(w, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

void openSettings(BoxWindow& b) {
    DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(kSettingsTemplate),
                    GetAncestor(b.hwnd, GA_ROOT), settingsProc, 0);
}

// The window's part of the box's host; `model` is what a dialog's model added.
NumericBox::Host windowHost(BoxWindow* b, const NumericBox::Host& model) {
    NumericBox::Host h = model;
    h.notify = [b, modelNotify = model.notify](int code) {
        if (modelNotify) modelNotify(code);
        HWND parent = GetParent(b->hwnd);
        if (parent)
            SendMessageA(parent, WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(b->hwnd), static_cast<WORD>(code)),
                         reinterpret_cast<LPARAM>(b->hwnd));
    };
    h.beep = [] { MessageBeep(MB_OK); };
    h.setTimer = [b](int id, unsigned ms) { SetTimer(b->hwnd, UINT_PTR(id), ms, nullptr); };
    h.killTimer = [b](int id) { KillTimer(b->hwnd, UINT_PTR(id)); };
    h.parentCommand = [b](int command) { sendParentCommand(*b, command); };
    h.redraw = [b] {
        RECT r = spinRect(*b);
        InvalidateRect(b->hwnd, &r, FALSE);
    };
    h.selectAll = [b] {
        if (b->edit) SendMessageA(b->edit, EM_SETSEL, 0, -1);
    };
    h.openFullValueEditor = [b] { openFullValueEditor(*b); };
    h.openSettings = [b] { openSettings(*b); };
    h.helpRequest = [b] {
        HELPINFO hi{};
        hi.cbSize = sizeof hi;
        hi.iContextType = HELPINFO_WINDOW;
        hi.iCtrlId = GetDlgCtrlID(b->hwnd);
        hi.hItemHandle = b->hwnd;
        GetCursorPos(&hi.MousePos);
        HWND parent = GetParent(b->hwnd);
        if (parent) SendMessageA(parent, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
    };
    return h;
}

void attach(BoxWindow& b, NumericBox* model) {
    if (b.box->capturing()) ReleaseCapture();
    if (model) {
        b.modelHost = model->host();
        model->setHost(windowHost(&b, b.modelHost));
        b.box = model;
    } else {
        if (b.box != &b.own) b.box->setHost(b.modelHost);  // the model is on its own again
        b.modelHost = {};
        b.box = &b.own;
    }
    RECT rc;
    GetClientRect(b.hwnd, &rc);
    b.box->setClientSize(rc.right, rc.bottom, GetSystemMetrics(SM_CXVSCROLL));
    EnableWindow(b.edit, b.box->enabled());
    syncEdit(b);
    InvalidateRect(b.hwnd, nullptr, TRUE);
}

void layOut(BoxWindow& b) {
    RECT rc;
    GetClientRect(b.hwnd, &rc);
    b.box->setClientSize(rc.right, rc.bottom, GetSystemMetrics(SM_CXVSCROLL));
    if (b.edit) MoveWindow(b.edit, 0, 0, b.box->layout().left, rc.bottom, TRUE);
}

void paintSpin(BoxWindow& b, HDC dc) {
    const SpinLayout& l = b.box->layout();
    const bool enabled = b.box->enabled() && IsWindowEnabled(b.hwnd);
    const bool pushedUp = b.box->pressedPart() == SpinPart::Up && b.box->pointerOverPressed();
    const bool pushedDown = b.box->pressedPart() == SpinPart::Down && b.box->pointerOverPressed();
    UINT grey = enabled ? 0 : DFCS_INACTIVE;
    RECT up{l.left, l.upTop, l.right, l.upBottom};
    RECT middle{l.left, l.upBottom, l.right, l.downTop};
    RECT down{l.left, l.downTop, l.right, l.downBottom};
    if (up.bottom > up.top)
        DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | grey | (pushedUp ? DFCS_PUSHED : 0));
    FillRect(dc, &middle, GetSysColorBrush(enabled ? COLOR_BTNFACE : COLOR_BTNSHADOW));
    if (down.bottom > down.top)
        DrawFrameControl(dc, &down, DFC_SCROLL,
                         DFCS_SCROLLDOWN | grey | (pushedDown ? DFCS_PUSHED : 0));
}

HMENU buildMenu(const std::vector<NumericBoxMenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    for (const NumericBoxMenuItem& item : items) {
        if (!item.submenu.empty()) {
            HMENU sub = buildMenu(item.submenu);
            if (sub)
                AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                            item.text.c_str());
        } else if (item.separator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu, MF_STRING | (item.checked ? MF_CHECKED : 0), UINT_PTR(item.id),
                        item.text.c_str());
        }
    }
    return menu;
}

void contextMenu(BoxWindow& b, LPARAM lParam) {
    std::vector<NumericBoxMenuItem> items = b.box->contextMenu();
    if (items.empty()) return;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == -1) {  // from the keyboard: the middle of the edit field
        RECT r;
        GetWindowRect(b.edit, &r);
        at.x = (r.left + r.right) / 2;
        at.y = (r.top + r.bottom) / 2;
    }
    HMENU menu = buildMenu(items);
    if (!menu) return;
    int id = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0,
                            b.hwnd, nullptr);
    DestroyMenu(menu);
    if (id > 0) b.box->menuCommand(id);
    syncEdit(b);
}

LRESULT CALLBACK editProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    BoxWindow* b = boxOf(GetParent(edit));
    if (!b || !b->editProc) return DefWindowProcA(edit, msg, wParam, lParam);
    WNDPROC orig = b->editProc;
    try {
        switch (msg) {
            case WM_GETDLGCODE: {
                LRESULT code = CallWindowProcA(orig, edit, msg, wParam, lParam);
                code |= DLGC_WANTARROWS | DLGC_WANTCHARS;
                const MSG* m = reinterpret_cast<const MSG*>(lParam);
                // Enter commits and Escape cancels through the box, not the dialog.
                if (m && m->message == WM_KEYDOWN &&
                    (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
                    code |= DLGC_WANTMESSAGE;
                return code;
            }
            case WM_KEYDOWN:
                switch (wParam) {
                    case VK_UP:
                    case VK_DOWN:
                        if (b->box->arrowKeyDown(wParam == VK_UP ? 1 : -1,
                                                 (lParam & 0x40000000) != 0)) {
                            syncEdit(*b);
                            return 0;
                        }
                        break;
                    case VK_RETURN:
                        b->box->pressEnter();
                        syncEdit(*b);
                        return 0;
                    case VK_ESCAPE:
                    case VK_CANCEL:  // Ctrl+Break
                        b->box->pressEscape();
                        return 0;
                    case VK_DELETE:
                    case VK_INSERT: {
                        std::string before = windowText(edit);
                        LRESULT r = CallWindowProcA(orig, edit, msg, wParam, lParam);
                        std::string after = windowText(edit);
                        if (after != before) b->box->editKey(after);
                        return r;
                    }
                    default:
                        break;
                }
                break;
            case WM_KEYUP:
                if (wParam == VK_UP || wParam == VK_DOWN) {
                    b->box->arrowKeyUp();
                    syncEdit(*b);
                    return 0;
                }
                break;
            case WM_CHAR: {
                if (wParam == '\r' || wParam == 27 || wParam == '\t') return 0;
                // The character goes in, then the whole text must still read as a value;
                // otherwise the text and caret come back and the box beeps.
                std::string before = windowText(edit);
                DWORD selStart = 0, selEnd = 0;
                SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                             reinterpret_cast<LPARAM>(&selEnd));
                LRESULT r = CallWindowProcA(orig, edit, msg, wParam, lParam);
                std::string after = windowText(edit);
                if (after == before && wParam < 32) return r;  // a shortcut, no typing
                if (!b->box->typeChar(static_cast<char>(wParam), after)) {
                    b->settingText = true;
                    SetWindowTextA(edit, before.c_str());
                    b->settingText = false;
                    SendMessageA(edit, EM_SETSEL, selStart, selEnd);
                    SendMessageA(edit, EM_SETMODIFY, TRUE, 0);
                }
                return r;
            }
            case WM_PASTE:
            case WM_CUT:
            case WM_CLEAR:
            case WM_UNDO: {
                std::string before = windowText(edit);
                LRESULT r = CallWindowProcA(orig, edit, msg, wParam, lParam);
                std::string after = windowText(edit);
                if (after != before && !b->box->typeText(after)) {
                    b->settingText = true;
                    SetWindowTextA(edit, before.c_str());
                    b->settingText = false;
                }
                return r;
            }
            case WM_SETFOCUS: {
                LRESULT r = CallWindowProcA(orig, edit, msg, wParam, lParam);
                b->box->focusGained();
                return r;
            }
            case WM_KILLFOCUS: {
                LRESULT r = CallWindowProcA(orig, edit, msg, wParam, lParam);
                b->box->focusLost();
                syncEdit(*b);
                return r;
            }
            case WM_CONTEXTMENU:
                contextMenu(*b, lParam);
                return 0;
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        MessageBeep(MB_ICONERROR);
        return 0;
    }
    return CallWindowProcA(orig, edit, msg, wParam, lParam);
}

LRESULT CALLBACK boxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        BoxWindow* b = new (std::nothrow) BoxWindow;
        if (!b) return FALSE;
        b->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b));
        // The sunken frame, and the dialog manager tabs into the edit field.
        SetWindowLongPtrA(
            hwnd, GWL_EXSTYLE,
            GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT);
        b->own.setHost(windowHost(b, {}));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    BoxWindow* b = boxOf(hwnd);
    if (!b) return DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        switch (msg) {
            case WM_CREATE: {
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT;
                if (!(b->box->style() & kNbNoHorizontalScroll)) style |= ES_AUTOHSCROLL;
                b->edit =
                    CreateWindowExA(0, "EDIT", "", style, 0, 0, 0, 0, hwnd,
                                    reinterpret_cast<HMENU>(kEditId), moduleInstance(), nullptr);
                if (!b->edit) return -1;
                b->editProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(b->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
                SendMessageA(b->edit, EM_LIMITTEXT, b->box->maxTextLength(), 0);
                layOut(*b);
                return 0;
            }
            case WM_SIZE:
                layOut(*b);
                return 0;
            case WM_SETFONT:
                if (b->edit) SendMessageA(b->edit, WM_SETFONT, wParam, lParam);
                return 0;
            case WM_SETFOCUS:
                if (b->edit) SetFocus(b->edit);
                return 0;
            case WM_ENABLE:
                if (b->edit) EnableWindow(b->edit, BOOL(wParam));
                b->box->setEnabled(wParam != 0);
                InvalidateRect(hwnd, nullptr, TRUE);
                return 0;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                paintSpin(*b, dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            case WM_LBUTTONDOWN:
                b->box->lButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                if (b->box->capturing()) SetCapture(hwnd);
                syncEdit(*b);
                return 0;
            case WM_MOUSEMOVE:
                b->box->mouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                syncEdit(*b);
                return 0;
            case WM_LBUTTONUP:
                b->box->lButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                if (GetCapture() == hwnd) ReleaseCapture();
                syncEdit(*b);
                return 0;
            case WM_CAPTURECHANGED:
                // Another window took the mouse: the spin ends where it stands.
                if (b->box->capturing() && reinterpret_cast<HWND>(lParam) != hwnd) {
                    POINT p;
                    GetCursorPos(&p);
                    ScreenToClient(hwnd, &p);
                    b->box->lButtonUp(p.x, p.y);
                    syncEdit(*b);
                }
                return 0;
            case WM_TIMER:
                b->box->timer(static_cast<int>(wParam));
                syncEdit(*b);
                return 0;
            case WM_SETCURSOR:
                if (LOWORD(lParam) == HTCLIENT) {
                    POINT p;
                    GetCursorPos(&p);
                    ScreenToClient(hwnd, &p);
                    bool middle = b->box->layout().hitTest(p.x, p.y) == SpinPart::Middle;
                    SetCursor(LoadCursor(nullptr, middle ? IDC_SIZENS : IDC_ARROW));
                    return TRUE;
                }
                break;
            case WM_CONTEXTMENU:
                contextMenu(*b, lParam);
                return 0;
            case WM_COMMAND:
                return 0;  // the edit field's own notifications
            case kNbmAttach:
                attach(*b, reinterpret_cast<NumericBox*>(lParam));
                return 0;
            case kNbmSync:
                EnableWindow(b->edit, b->box->enabled());
                syncEdit(*b);
                InvalidateRect(hwnd, nullptr, TRUE);
                return 0;
            case kNbmGetEdit:
                return reinterpret_cast<LRESULT>(b->edit);
            case WM_NCDESTROY:
                if (b->box != &b->own) b->box->setHost(b->modelHost);
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                delete b;
                return DefWindowProcA(hwnd, msg, wParam, lParam);
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        MessageBeep(MB_ICONERROR);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

HINSTANCE moduleInstance() {
    HMODULE m = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&moduleInstance), &m);
    return m;
}

bool registerNumericBoxClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA wc{};
    wc.style = CS_PARENTDC | CS_HREDRAW | CS_VREDRAW;  // 131
    wc.lpfnWndProc = boxProc;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kNumericBoxClassName;
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

}  // namespace gx::win32
