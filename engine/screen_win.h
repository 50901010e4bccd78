// The GDI screen grabber: one 32-bit top-down DIB section the size of the recorded area, refreshed
// from the screen on every capture, with the frame listener's drawing and the cursor on top.
//
// Threads: construction, Open, Control and GetFormat on the user-interface thread before the
// recording thread exists; Capture and ReleaseFrame on the recording thread only.
#pragma once
#include <windows.h>

#include "engine/bitmap_info.h"
#include "engine/screen.h"

// The cursor of the latest capture. Capture refreshes it after the frame listener has run, so the
// listener reads the cursor of the capture before.
extern CURSORINFO g_lastCursor;

class ScreenWin : public Screen, public BitmapInfo {
public:
    // Control codes.
    enum {
        kClipNone = 0,       // no clipping region
        kClipAdd = 1,        // RECT*: record only inside it (added to earlier ones)
        kClipBlackOut = 2,   // RECT*: paint it black and keep it out of every capture
        kExcludeWindow1 = 3, // HWND: a window the capture skips
        kExcludeWindow2 = 4,
        kExcludeWindow3 = 5,
        kGetArea = 6,        // RECT*: receives the recorded area
        kSetProcesses = 7,   // zero-terminated DWORD list, or null: application mode on or off
        kIsRecordedPoint = 8 // POINT*: 1 when the window under it is recorded
    };

    ScreenWin(IScreenFrameListener* listener, int alignment = 16);
    ~ScreenWin() override;

    // The whole primary screen when area is null; otherwise its top-left corner with at least
    // 176 x 144 pixels. The frame's sides are rounded up to the alignment and start black.
    BOOL Open(int format, const DWORD* colours, int colourCount, const RECT* area) override;
    BOOL Start() override { return TRUE; }
    void Stop() override {}
    BOOL GetFormat(ScreenFormat* out) override;
    // A plain copy of the area (no layered windows, no listener, no cursor) into buffer, which
    // holds the frame's biSizeImage bytes; returns that count.
    int CaptureTo(void* buffer) override;
    // The frame's own pixels, valid until the next Open or Close.
    void* Capture() override;
    void ReleaseFrame() override {}
    int Control(int code, INT_PTR argument) override;

    void Close();

private:
    friend BOOL CALLBACK EnumLayeredWindowsProc(HWND window, LPARAM grabber);
    friend BOOL CALLBACK EnumAppWindowsProc(HWND window, LPARAM grabber);

    void CopyLayeredWindow(HWND window);
    void CopyAppWindow(HWND window);
    void DrawCursor();
    bool IsExcluded(HWND window) const;
    bool IsListed(DWORD processId) const;
    RECT ToFrame(const RECT& screen) const;

    HWND m_hExclude[3] = {NULL, NULL, NULL};
    int m_nAlign;
    RECT m_area = {0, 0, 0, 0}; // screen coordinates, after the minimum size, before the alignment
    DWORD* m_pProcesses = NULL; // own copy, terminator included; null outside application mode
    HBRUSH m_hBlack = NULL;
    HBITMAP m_hDib = NULL;
    HDC m_hFrameDC = NULL;
    HDC m_hScreenDC = NULL;
    int m_bClip = 0;
    IScreenFrameListener* m_pListener; // not owned
};
