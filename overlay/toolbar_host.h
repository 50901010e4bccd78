// What the recording toolbar needs of the window that started it (the main dialog): hide it
// while the recording runs and show it again, report the outcome in its status lines, keep its
// watermark window on top and click-through, and record its capture rectangle. User-interface
// thread only.
#pragma once
#include <windows.h>

class FwWindow;

class IToolbarHost {
public:
    // The host's window: the toolbar starts over its centre, hides it and shows it again.
    virtual HWND HostWindow() const = 0;
    // A failed recording: sets the error flag (the lines turn red) and writes the three status
    // lines.
    virtual void ReportError(const wchar_t* title, const wchar_t* path, const wchar_t* text) = 0;
    // The End command: the "saved to" lines for path and the next free output name.
    virtual void OnRecordingSaved(const wchar_t* path) = 0;
    // The watermark window while it exists, else null.
    virtual FwWindow* ShownWatermark() = 0;
    // The capture rectangle of an area recording, else null.
    virtual const RECT* RecordedArea() = 0;

protected:
    ~IToolbarHost() = default;
};
