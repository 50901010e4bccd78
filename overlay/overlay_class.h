// The window class every overlay window (selector, canvas, watermark, toolbar) is made of.
#pragma once
#include <windows.h>

// Registers the class `name` the first time it is asked for: redrawn when resized, double-clicks,
// the default window procedure, and no icon, cursor, background or menu (each window paints itself
// and sets its own cursor). Points cs at the class; FALSE when it cannot be registered.
BOOL UseOverlayClass(CREATESTRUCTW& cs, const wchar_t* name);
