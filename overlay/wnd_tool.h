// The recording toolbar: the small floating window that exists while a recording runs. It owns
// the recording worker and the annotation canvas, hides the main dialog while it lives, shows the
// elapsed time (or "Paused"), and offers End, Pause and Draw (lines on the screen, with the pen
// button's width and colour). It writes the outcome into the main dialog's status lines, shows
// the dialog again when its window goes, and then deletes itself; the worker goes with it. One
// toolbar exists at a time. User-interface thread only; the recording thread reaches it only by
// posting IDCANCEL when a write fails while the recording runs. End reports the file as saved
// only when every write of the recording succeeded, the last ones included.
#pragma once
#include "engine/audio_settings.h"
#include "engine/worker.h"
#include "foundation/ref_string.h"
#include "framework/flat_button.h"
#include "overlay/button_draw.h"
#include "overlay/toolbar_host.h"
#include "overlay/wnd_canvas.h"

class CWndTool : public FwWindow {
public:
    enum { kWidth = 60, kHeight = 74, kTimerId = 1001, kHotKeyEsc = 1 };

    // Copies the path and the settings and loads the tool icon (the crossed-out microphone for a
    // recording without sound, else the red dot). Creates no window. host: the main dialog.
    CWndTool(const char* utf8Path, const TAudioSettings* settings, IToolbarHost* host, int fps, int quality);
    ~CWndTool() override;

    // Creates the window, slides it to the top right and starts the recording; call once, right
    // after construction, and do not touch the toolbar afterwards: it deletes itself. FALSE (and
    // the toolbar deleted, the dialog shown) when the window cannot be made; TRUE otherwise, also
    // when the recording failed to start, which the toolbar reports itself.
    BOOL Start(const DWORD* processIds);

    // The process-wide blink counter of the paused display; nothing resets it.
    static int s_nBlink;

    // Read by tests.
    unsigned Seconds() const { return m_nSeconds; }
    const TWorker& Worker() const { return m_worker; }
    const CWndCanvas& Canvas() const { return m_canvas; }
    const TButtonDraw& DrawButton() const { return m_btnDraw; }
    HICON ToolIcon() const { return m_hIcon; }

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    LRESULT OnCreate();
    void OnEraseBkgnd(HDC dc);
    LRESULT OnNcHitTest();
    void OnTimer();
    void OnCancel();
    void OnEnd();
    void OnPause();
    void OnDraw();
    void OnErase();
    void OnColor();
    void OnWidth();
    void OnDestroy();

    void CreateButtons();
    void SetUpDrawButton();
    void Slide(int x0, int y0);
    void DrawCornerMarks(const RECT& r);
    bool Drawing() const;
    void RepaintVeil();

    // Everything the toolbar asks of the main dialog goes through these.
    HWND DialogWindow() const;
    void ShowDialog();
    // Sets the error flag and writes the three status lines.
    void ReportError(const wchar_t* title, const wchar_t* path, const wchar_t* text);
    void ReportSaved(const wchar_t* path);
    // The path and "can't be written", red.
    void ReportWriteError(const wchar_t* path);
    // The watermark window while it exists, else null.
    FwWindow* Watermark() const;
    // The capture rectangle of an area recording, else null.
    const RECT* CaptureRect() const;

    HICON m_hIcon;
    FwFlatButton m_btnPause;
    FwFlatButton m_btnEnd;
    TButtonDraw m_btnDraw;
    UINT_PTR m_nTimer = 0;
    unsigned m_nSeconds = 0;
    TWorker m_worker;
    CWndCanvas m_canvas;
    TRefString<char> m_path;
    TAudioSettings m_settings;
    IToolbarHost* m_pDialog; // not owned
};
