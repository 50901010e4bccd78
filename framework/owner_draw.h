// Owner-drawn controls paint themselves: the parent hands WM_DRAWITEM and WM_MEASUREITEM back to
// the control's object (the reflection the platform leaves to the parent).
#pragma once
#include "framework/window.h"

class FwOwnerDraw {
public:
    virtual ~FwOwnerDraw() = default;
    virtual void DrawItem(DRAWITEMSTRUCT* item) = 0;
    virtual void MeasureItem(MEASUREITEMSTRUCT*) {}
};

// For a parent's table: WM_DRAWITEM and WM_MEASUREITEM of a control whose object is an
// FwOwnerDraw go to that object (m.result TRUE); false for every other message or control.
bool FwReflectOwnerDraw(HWND parent, FwMessage& m);
