#include "overlay/overlay_class.h"

BOOL UseOverlayClass(CREATESTRUCTW& cs, const wchar_t* name)
{
    WNDCLASSW wc = {};
    if (!GetClassInfoW(cs.hInstance, name, &wc)) {
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = cs.hInstance;
        wc.lpszClassName = name;
        if (!RegisterClassW(&wc))
            return FALSE;
    }
    cs.lpszClass = name;
    return TRUE;
}
