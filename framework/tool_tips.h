// The thread's tooltip control, shared by every window of the thread that enables tooltips.
#pragma once
#include <windows.h>

class FwWindow;

// The tooltip control of the calling thread, made on first use; nullptr when it cannot be made.
// It is destroyed when the thread ends.
HWND FwThreadToolTip();
// Shows, moves or hides the tooltip for a mouse message seen by owner's PreTranslateMessage,
// asking owner->OnToolHitTest for the tool under the mouse.
void FwRelayToolTip(FwWindow* owner, const MSG* msg);
// Drops the tool of window from the tooltip control (the window goes or stops its tooltips).
void FwForgetToolTipOwner(HWND window);
