#include "framework/window.h"
#include "framework/tool_tips.h"

namespace {

const wchar_t kObjectProperty[] = L"MorvaleFwWindow";
const wchar_t kPlainClass[] = L"MorvaleFwPlain";

// The message being handled on this thread, innermost first, for Default(). It lives on the
// dispatcher's stack, so a window that deletes itself leaves nothing dangling behind.
struct CurrentMessage {
    HWND hwnd;
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    WNDPROC previousProc;
    CurrentMessage* outer;
};
thread_local CurrentMessage* t_current = nullptr;

// The window being created on this thread and the class it must have.
thread_local FwWindow* t_creating = nullptr;
thread_local const wchar_t* t_creatingClass = nullptr;
thread_local HHOOK t_creationHook = nullptr;

bool ClassNameIs(HWND window, const wchar_t* expected)
{
    if (!expected)
        return true;
    wchar_t name[256];
    if (!GetClassNameW(window, name, 256))
        return false;
    if (IS_INTRESOURCE(expected)) {
        ATOM atom = (ATOM)GetClassLongPtrW(window, GCW_ATOM);
        return atom == (ATOM)(UINT_PTR)expected;
    }
    return lstrcmpiW(name, expected) == 0;
}

} // namespace

int FwCtlColorType(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX: return CTLCOLOR_MSGBOX;
    case WM_CTLCOLOREDIT: return CTLCOLOR_EDIT;
    case WM_CTLCOLORLISTBOX: return CTLCOLOR_LISTBOX;
    case WM_CTLCOLORBTN: return CTLCOLOR_BTN;
    case WM_CTLCOLORDLG: return CTLCOLOR_DLG;
    case WM_CTLCOLORSCROLLBAR: return CTLCOLOR_SCROLLBAR;
    case WM_CTLCOLORSTATIC: return CTLCOLOR_STATIC;
    default: return -1;
    }
}

FwWindow::CreationScope::CreationScope(FwWindow* window, const wchar_t* className)
    : previousWindow(t_creating), previousClass(t_creatingClass), installed(false)
{
    t_creating = window;
    t_creatingClass = className;
    if (!t_creationHook) {
        t_creationHook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
        installed = t_creationHook != nullptr;
    }
}

FwWindow::CreationScope::~CreationScope()
{
    t_creating = previousWindow;
    t_creatingClass = previousClass;
    if (installed) {
        UnhookWindowsHookEx(t_creationHook);
        t_creationHook = nullptr;
    }
}

LRESULT CALLBACK FwWindow::CreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_creating) {
        HWND window = (HWND)wParam;
        // Windows the system makes on its own (the IME window, say) are not ours.
        if (ClassNameIs(window, t_creatingClass)) {
            FwWindow* object = t_creating;
            t_creating = nullptr;
            object->Attach(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void FwWindow::Attach(HWND window)
{
    hwnd = window;
    SetPropW(window, kObjectProperty, this);
    previousProc = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)Proc);
}

void FwWindow::Detach()
{
    if (!hwnd)
        return;
    if ((WNDPROC)GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == Proc)
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)previousProc);
    RemovePropW(hwnd, kObjectProperty);
    if (toolTips)
        FwForgetToolTipOwner(hwnd);
    hwnd = nullptr;
}

FwAliveCheck::FwAliveCheck(FwWindow* w) : window(w), next(w->aliveChecks) { w->aliveChecks = this; }

FwAliveCheck::~FwAliveCheck()
{
    if (!window)
        return;
    for (FwAliveCheck** link = &window->aliveChecks; *link; link = &(*link)->next)
        if (*link == this) {
            *link = next;
            break;
        }
}

bool FwAliveCheck::Alive() const { return window && window->hwnd && IsWindow(window->hwnd); }

FwWindow::~FwWindow()
{
    for (FwAliveCheck* check = aliveChecks; check; check = check->next)
        check->window = nullptr;
    if (hwnd) {
        HWND window = hwnd;
        Detach();
        ::DestroyWindow(window);
    }
}

FwWindow* FwWindow::FromHandle(HWND window)
{
    return window ? (FwWindow*)GetPropW(window, kObjectProperty) : nullptr;
}

LRESULT CALLBACK FwWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FwWindow* self = FromHandle(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    CurrentMessage current = {window, message, wParam, lParam, self->previousProc, t_current};
    t_current = &current;
    FwMessage m = {message, wParam, lParam, 0};
    // After WM_NCDESTROY the object may be gone: only the copy on this stack is used.
    if (!self->OnMessage(m))
        m.result = CallWindowProcW(current.previousProc, window, message, wParam, lParam);
    t_current = current.outer;
    return m.result;
}

LRESULT FwWindow::Default()
{
    CurrentMessage* c = t_current;
    if (!c)
        return 0;
    return CallWindowProcW(c->previousProc, c->hwnd, c->id, c->wParam, c->lParam);
}

bool FwWindow::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_NCDESTROY: OnNcDestroy(); return true;
    }
    return false;
}

void FwWindow::OnNcDestroy()
{
    Default();
    Detach();
}

HBRUSH FwWindow::OnCtlColor(HDC, HWND, UINT) { return (HBRUSH)Default(); }

BOOL FwWindow::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (cs.lpszClass)
        return TRUE;
    WNDCLASSW wc = {};
    if (!GetClassInfoW(cs.hInstance, kPlainClass, &wc)) {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = cs.hInstance;
        wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = kPlainClass;
        if (!RegisterClassW(&wc))
            return FALSE;
    }
    cs.lpszClass = kPlainClass;
    return TRUE;
}

BOOL FwWindow::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                        const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param)
{
    if (hwnd)
        return FALSE;
    CREATESTRUCTW cs = {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = style;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = parent;
    cs.hMenu = (HMENU)idOrMenu;
    cs.hInstance = GetModuleHandleW(nullptr);
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs))
        return FALSE;
    HWND made;
    {
        CreationScope scope(this, cs.lpszClass);
        creating = true;
        made = CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx,
                               cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
        creating = false;
    }
    // A failed creation may have attached and detached the object on the way (WM_NCDESTROY);
    // a self-deleting window has kept itself for this.
    if (!made) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL FwWindow::SubclassWindow(HWND window)
{
    if (hwnd || !IsWindow(window) || FromHandle(window))
        return FALSE;
    Attach(window);
    return TRUE;
}

BOOL FwWindow::DestroyWindow()
{
    // The object may delete itself while the window goes: nothing of it is touched afterwards.
    return hwnd ? ::DestroyWindow(hwnd) : FALSE;
}

static BOOL ModifyLong(HWND window, int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD old = (DWORD)GetWindowLongPtrW(window, index);
    DWORD changed = (old & ~remove) | add;
    if (changed == old)
        return FALSE;
    SetWindowLongPtrW(window, index, (LONG_PTR)changed);
    if (flags)
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

BOOL FwWindow::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    return hwnd ? ModifyLong(hwnd, GWL_STYLE, remove, add, flags) : FALSE;
}

BOOL FwWindow::ModifyStyleEx(DWORD remove, DWORD add, UINT flags)
{
    return hwnd ? ModifyLong(hwnd, GWL_EXSTYLE, remove, add, flags) : FALSE;
}

void FwWindow::CenterWindow(HWND alternate)
{
    if (!hwnd)
        return;
    HWND over = alternate;
    if (!over && !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
        over = GetWindow(hwnd, GW_OWNER);
    RECT area;
    if (over && IsWindowVisible(over) && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info);
        area = info.rcWork;
    }
    RECT own;
    GetWindowRect(hwnd, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = (area.left + area.right - width) / 2;
    int y = (area.top + area.bottom - height) / 2;
    if (HWND parent = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr) {
        POINT p = {x, y};
        ScreenToClient(parent, &p);
        x = p.x;
        y = p.y;
    }
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool FwWindow::PreTranslateMessage(MSG* msg)
{
    if (toolTips && hwnd)
        FwRelayToolTip(this, msg);
    return false;
}

void FwWindow::EnableToolTips(bool enable)
{
    if (toolTips && !enable && hwnd)
        FwForgetToolTipOwner(hwnd);
    toolTips = enable;
}

INT_PTR FwWindow::OnToolHitTest(POINT, TTTOOLINFOW*) const { return -1; }

bool FwPreTranslateMessage(MSG* msg)
{
    for (HWND window = msg->hwnd; window; ) {
        if (FwWindow* object = FwWindow::FromHandle(window))
            if (object->PreTranslateMessage(msg))
                return true;
        if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)
            window = GetParent(window);
        else
            break;
    }
    return false;
}

FwString FwWindowText(HWND window)
{
    FwString text;
    int length = GetWindowTextLengthW(window);
    if (length > 0) {
        GetWindowTextW(window, text.GetBuffer(length), length + 1);
        text.ReleaseBuffer();
    }
    return text;
}
