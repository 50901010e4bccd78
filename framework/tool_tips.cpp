#include "framework/tool_tips.h"
#include "framework/window.h"
#include <commctrl.h>

namespace {

// The control and the one tool it currently carries: the framework adds the tool the mouse is
// over and removes it when the mouse leaves it.
struct ThreadToolTip {
    HWND control = nullptr;
    HWND toolOwner = nullptr;
    UINT_PTR toolId = 0;
    RECT toolRect = {};
    bool hasTool = false;
    ~ThreadToolTip()
    {
        if (control)
            DestroyWindow(control);
    }
};
thread_local ThreadToolTip t_tip;

void RemoveTool()
{
    if (!t_tip.hasTool || !t_tip.control)
        return;
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = t_tip.toolOwner;
    info.uId = t_tip.toolId;
    SendMessageW(t_tip.control, TTM_DELTOOLW, 0, (LPARAM)&info);
    t_tip.hasTool = false;
    t_tip.toolOwner = nullptr;
}

bool IsMouseMessage(UINT id)
{
    return (id >= WM_MOUSEFIRST && id <= WM_MOUSELAST) || (id >= WM_NCMOUSEMOVE && id <= WM_NCMBUTTONDBLCLK);
}

} // namespace

HWND FwThreadToolTip()
{
    if (!t_tip.control || !IsWindow(t_tip.control)) {
        t_tip.control = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
        t_tip.hasTool = false;
    }
    return t_tip.control;
}

void FwForgetToolTipOwner(HWND window)
{
    if (t_tip.hasTool && t_tip.toolOwner == window)
        RemoveTool();
}

void FwRelayToolTip(FwWindow* owner, const MSG* msg)
{
    if (!IsMouseMessage(msg->message) || msg->message == WM_MOUSEWHEEL)
        return;
    HWND control = FwThreadToolTip();
    if (!control)
        return;
    HWND window = owner->Handle();
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(window, &point);

    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    INT_PTR hit = owner->OnToolHitTest(point, &info);
    bool same = hit != -1 && t_tip.hasTool && t_tip.toolOwner == info.hwnd && t_tip.toolId == info.uId
                && EqualRect(&t_tip.toolRect, &info.rect);
    if (!same) {
        RemoveTool();
        if (hit != -1) {
            info.cbSize = sizeof(info);
            if (!info.hwnd)
                info.hwnd = window;
            if (SendMessageW(control, TTM_ADDTOOLW, 0, (LPARAM)&info)) {
                t_tip.hasTool = true;
                t_tip.toolOwner = info.hwnd;
                t_tip.toolId = info.uId;
                t_tip.toolRect = info.rect;
            }
        }
    }
    if (!t_tip.hasTool)
        return;
    // The tool is described in the owner's client coordinates, so the message travels as if it
    // had reached the owner itself.
    MSG relayed = *msg;
    relayed.hwnd = t_tip.toolOwner;
    relayed.lParam = MAKELPARAM(point.x, point.y);
    SendMessageW(control, TTM_RELAYEVENT, 0, (LPARAM)&relayed);
}
