// The screen source of a recording: an abstract, reference-counted grabber that hands out one frame
// per capture, and the listener that may draw into each frame before the cursor goes in.
#pragma once
#include <windows.h>

// Filled by Screen::GetFormat. The caller provides room for 256 colours.
struct ScreenFormat {
    int width;
    int height;        // positive; the rows may still be stored top-down
    int bitsPerPixel;
    int grey;
    int reserved;      // always 0
    int colourCount;   // DWORDs in colours: the colour table, or the three masks for 16 and 32 bits
    DWORD colours[256];
};

class IScreenFrameListener {
public:
    // Called once per capture with the frame's device context, after the screen content is in the
    // frame and before the cursor is drawn. Runs on the capturing thread.
    virtual void OnFrame(HDC frame) = 0;

protected:
    ~IScreenFrameListener() = default;
};

class Screen {
public:
    virtual BOOL Open(int format, const DWORD* colours, int colourCount, const RECT* area) = 0;
    virtual BOOL Start() = 0;
    virtual void Stop() = 0;
    virtual BOOL GetFormat(ScreenFormat* out) = 0;
    virtual int CaptureTo(void* buffer) = 0;
    virtual void* Capture() = 0;
    virtual void ReleaseFrame() = 0;
    virtual int Control(int code, INT_PTR argument) = 0;

    // A plain count: the grabber has one holder at a time.
    virtual int AddRef() { return ++m_nRefs; }
    // Destroys the object when the count falls to 0 or below; returns the count left.
    virtual int Release()
    {
        if (--m_nRefs <= 0) {
            delete this;
            return 0;
        }
        return m_nRefs;
    }

    virtual ~Screen() = default;

protected:
    int m_nRefs = 1;
};
