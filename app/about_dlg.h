// The start-up splash: a small borderless window with the application icon and
// "Initializing...", all in light blue, shown while the main dialog initialises.
#pragma once
#include "framework/dialog.h"
#include "framework/gdi.h"

class CAboutDlg : public FwDialog {
public:
    // The splash's one colour (red 153, green 217, blue 234).
    static const COLORREF kBackground = 0xEAD999;

    CAboutDlg();
    ~CAboutDlg() override;

protected:
    bool OnMessage(FwMessage& m) override;
    // For the dialog itself and every control: the platform's colours, then the light blue
    // background and brush.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);

private:
    FwBrush brush;
};

// Makes the splash modeless, shows it topmost and centred in the work area, and dispatches what
// is queued for it so that it is painted before the slow work starts. nullptr when it cannot be
// made. The caller ends it with DestroyWindow and delete.
CAboutDlg* ShowStartupSplash();
