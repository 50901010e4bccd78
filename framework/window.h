// The window base: a C++ object attached to one window handle. Every message of the window goes
// to the object's message table (OnMessage); what the table does not handle gets the window's
// default processing.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "framework/wide_string.h"

// One message as it reaches a window's table. A handler that takes the message sets result
// (when the message has one) and makes its table return true.
struct FwMessage {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;

    // WM_COMMAND: the command or control id, and the notification code (0 for menus, 1 for
    // accelerators).
    UINT CommandId() const { return LOWORD(wParam); }
    UINT CommandCode() const { return HIWORD(wParam); }
    // WM_NOTIFY: the notification header.
    NMHDR* Notify() const { return reinterpret_cast<NMHDR*>(lParam); }
    POINT Point() const { return {(short)LOWORD(lParam), (short)HIWORD(lParam)}; }
};

// The control type of a WM_CTLCOLOR* message (CTLCOLOR_DLG, CTLCOLOR_STATIC, ...), or -1 when
// the message is none of them.
int FwCtlColorType(UINT message);

class FwAliveCheck;

class FwWindow {
public:
    FwWindow() = default;
    // A window still alive is detached first, so the destroy messages no longer reach the object,
    // and then destroyed.
    virtual ~FwWindow();

    HWND Handle() const { return hwnd; }
    operator HWND() const { return hwnd; }
    // Where the object keeps its handle, for a reader on another thread that must see the window
    // come and go (the recording thread watches the annotation canvas this way).
    const HWND* HandleAddress() const { return &hwnd; }
    // The object attached to window, or nullptr when it has none.
    static FwWindow* FromHandle(HWND window);

    // Creates the window. PreCreateWindow sees and may change every field first; the messages of
    // creation (WM_NCCREATE, WM_CREATE) already reach the table. False when no window came; a
    // window refused on the way still gets its destroy messages, and its object belongs to the
    // caller of CreateEx then (see BeingCreated).
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                  const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param = nullptr);
    // Attaches the object to an existing window (a control of a dialog, say).
    BOOL SubclassWindow(HWND window);
    BOOL DestroyWindow();

    // Style changes; flags, when not 0, go to SetWindowPos with SWP_NOSIZE | SWP_NOMOVE |
    // SWP_NOZORDER | SWP_NOACTIVATE so that the frame takes the change. False when nothing changed.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    // Centres the window over alternate, or over its owner when that is visible, else in the work
    // area of the monitor it is on.
    void CenterWindow(HWND alternate = nullptr);

    // Called for each queued message for this window or one of its children before it is
    // dispatched (by the application's loop and during modal dialogs). True when the message was
    // used up. The base relays mouse messages to the tooltip when tooltips are enabled.
    virtual bool PreTranslateMessage(MSG* msg);

    // Tooltips for areas of the window: while enabled, OnToolHitTest is asked for the tool under
    // the mouse and the thread's tooltip control shows it.
    void EnableToolTips(bool enable = true);
    bool ToolTipsEnabled() const { return toolTips; }
    // 1 (or any value other than -1) with info filled for the tool at point (client
    // coordinates); -1 when there is none. The base finds none.
    virtual INT_PTR OnToolHitTest(POINT point, TTTOOLINFOW* info) const;

protected:
    // The message table. Handles what the class knows and returns true; everything else goes to
    // the base class's table and, when nothing takes it, to default processing.
    virtual bool OnMessage(FwMessage& m);
    // Default processing of the message being handled.
    LRESULT Default();

    // Fills the creation parameters; a window class may register its class here. The base gives
    // windows without a class name the framework's plain class.
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    // WM_NCDESTROY, the last message: default processing, then the object lets go of the window.
    // A self-deleting window maps WM_NCDESTROY, calls this and then deletes itself, unless the
    // window is still BeingCreated: CreateEx, and its caller after it, still use the object.
    void OnNcDestroy();
    // True while CreateEx runs for this object.
    bool BeingCreated() const { return creating; }
    // The platform's colours for a control (WM_CTLCOLOR*): default processing.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);

    // Detaches the object and gives the window its old procedure back.
    void Detach();
    // Window creation attaches the first window of className made on this thread while the scope
    // lives, before its first message is handled.
    struct CreationScope {
        CreationScope(FwWindow* window, const wchar_t* className);
        ~CreationScope();
        FwWindow* previousWindow;
        const wchar_t* previousClass;
        bool installed;
    };

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);

    FwWindow(const FwWindow&) = delete;
    FwWindow& operator=(const FwWindow&) = delete;

    HWND hwnd = nullptr;
    WNDPROC previousProc = nullptr;
    bool toolTips = false;
    bool creating = false;
    FwAliveCheck* aliveChecks = nullptr; // innermost first
    friend class FwAliveCheck;
};

// For code that runs a nested message loop on behalf of a window (a menu, a popup, a modal
// dialog): the loop may deliver a message that makes the window's owner destroy and delete it,
// and this tells, once the loop is over, whether the object and its window are still there.
// Lives on the stack of that code; user-interface thread only.
class FwAliveCheck {
public:
    explicit FwAliveCheck(FwWindow* window);
    ~FwAliveCheck();
    bool Alive() const;

private:
    FwAliveCheck(const FwAliveCheck&) = delete;
    FwAliveCheck& operator=(const FwAliveCheck&) = delete;
    friend class FwWindow;
    FwWindow* window; // null once the object is deleted
    FwAliveCheck* next;
};

// The whole text of a window or control.
FwString FwWindowText(HWND window);

// Offers msg to the PreTranslateMessage of its window and of each parent that has an object, the
// innermost first. True when one of them used it up.
bool FwPreTranslateMessage(MSG* msg);
