#include "overlay/wnd_tool.h"
#include "foundation/res_string.h"
#include "foundation/text_convert.h"
#include "framework/gdi.h"
#include "overlay/overlay_class.h"
#include "overlay/overlay_resource.h"
#include "overlay/time_font.h"
#include <stdio.h>
#include <stdlib.h>

bool CWndTool::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_CREATE:
        m.result = Default();
        if (m.result != -1)
            m.result = OnCreate();
        return true;
    case WM_ERASEBKGND: OnEraseBkgnd((HDC)m.wParam); m.result = TRUE; return true;
    case WM_NCHITTEST: m.result = OnNcHitTest(); return true;
    case WM_TIMER:
        if (m.wParam != kTimerId)
            break;
        OnTimer();
        return true;
    case WM_HOTKEY:
        if (m.wParam == kHotKeyEsc)
            OnDraw();
        return true;
    case WM_DRAWITEM:
        if (FwReflectOwnerDraw(Handle(), m))
            return true;
        break;
    case WM_COMMAND:
        switch (m.CommandId()) {
        case IDCANCEL: OnCancel(); return true;
        case ID_TOOL_END: OnEnd(); return true;
        case ID_TOOL_PAUSE: OnPause(); return true;
        case ID_TOOL_DRAW: OnDraw(); return true;
        case ID_TOOL_ERASE: OnErase(); return true;
        case ID_TOOL_COLOR: OnColor(); return true;
        case ID_TOOL_WIDTH: OnWidth(); return true;
        }
        break;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_NCDESTROY:
        FwWindow::OnNcDestroy();
        // A window refused during creation is deleted by Start, which still uses the object.
        if (!BeingCreated())
            delete this;
        return true;
    }
    return FwWindow::OnMessage(m);
}

namespace {
const wchar_t kClass[] = L"VORNRecorderTool";
const RECT kStatusStrip = {1, 15, 59, 33};
const RECT kIconArea = {1, 15, 17, 33};
const RECT kTimeArea = {18, 15, 59, 33};

HICON LoadSmallIcon(UINT id)
{
    return (HICON)LoadImageW(ResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0);
}
} // namespace

int CWndTool::s_nBlink = 0;

CWndTool::CWndTool(const char* utf8Path, const TAudioSettings* settings, IToolbarHost* dialog, int fps,
                   int quality)
    : m_settings(*settings), m_pDialog(dialog)
{
    m_path.Assign(utf8Path);
    m_worker.m_nFps = fps;
    m_worker.m_nQuality = quality;
    m_hIcon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(m_settings.device < -1 ? IDI_TOOL_NO_SOUND : IDI_TOOL_RECORDING));
}

CWndTool::~CWndTool()
{
    // The canvas goes before the worker, and a recording thread still running (after a write
    // error) reads the canvas's handle: stop it while the canvas still stands.
    m_worker.Stop();
    m_worker.m_pCanvas = NULL;
}

BOOL CWndTool::PreCreateWindow(CREATESTRUCTW& cs)
{
    return UseOverlayClass(cs, kClass) && FwWindow::PreCreateWindow(cs);
}

BOOL CWndTool::Start(const DWORD* processIds)
{
    RECT dialog = {0, 0, 0, 0};
    if (DialogWindow())
        GetWindowRect(DialogWindow(), &dialog);
    ShowWindow(DialogWindow(), SW_HIDE);

    int x0 = (dialog.left + dialog.right - 100) / 2;
    int y0 = (dialog.top + dialog.bottom - 74) / 2;
    RECT r = {x0, y0, x0 + kWidth, y0 + kHeight};
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, kClass, WS_POPUP | WS_VISIBLE, r,
                  nullptr, 0)) {
        ShowDialog();
        delete this;
        return FALSE;
    }
    CreateButtons();
    SetUpDrawButton();
    Slide(x0, y0);

    m_worker.m_pRegion = CaptureRect();
    m_worker.m_pCanvas = m_canvas.HandleAddress();
    if (m_worker.Start(m_path, &m_settings, Handle(), processIds))
        return TRUE;

    DWORD error = GetLastError();
    TResString message(IDS_START_FAILED, (unsigned)error);
    ReportError(L"", L"", message.Text());
    DestroyWindow();
    return TRUE;
}

void CWndTool::CreateButtons()
{
    const DWORD check = WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_CHECKBOX;
    m_btnEnd.m_nFlatStyle = FwFlatButton::BUTTONSTYLE_SEMIFLAT;
    m_btnPause.m_nFlatStyle = FwFlatButton::BUTTONSTYLE_SEMIFLAT;
    m_btnDraw.m_nFlatStyle = FwFlatButton::BUTTONSTYLE_SEMIFLAT;
    m_btnEnd.Create(L"", WS_CHILD | WS_VISIBLE, {30, 54, 57, 72}, Handle(), ID_TOOL_END);
    m_btnPause.Create(L"", check, {3, 54, 30, 72}, Handle(), ID_TOOL_PAUSE);
    m_btnDraw.Create(L"", check, {3, 34, 57, 52}, Handle(), ID_TOOL_DRAW);
    m_btnEnd.SetTooltip(TResString(ID_TOOL_END).Text());
    m_btnEnd.SetImage(LoadSmallIcon(IDI_TOOL_STOP));
    m_btnPause.SetTooltip(TResString(ID_TOOL_PAUSE).Text());
    m_btnPause.SetImage(LoadSmallIcon(IDI_TOOL_PAUSE));
}

void CWndTool::SetUpDrawButton()
{
    m_btnDraw.EnableOtherButton(TResString(IDS_MORE_COLORS).Text(), TRUE, TRUE);
    m_btnDraw.SetImage(LoadSmallIcon(IDI_TOOL_PEN));
    TResString drawTip(ID_TOOL_DRAW);
    m_btnDraw.m_strDefaultTip = drawTip.Text();
    m_btnDraw.SetTooltip(drawTip.Text());
    m_btnDraw.m_nWidthCommand = ID_TOOL_WIDTH;
    m_btnDraw.m_strLeftTip = TResString(ID_TOOL_WIDTH).Text();
    m_btnDraw.m_nColorCommand = ID_TOOL_COLOR;
    m_btnDraw.m_strRightTip = TResString(ID_TOOL_COLOR).Text();
    m_btnDraw.LoadImages();
    m_btnDraw.SetColor(m_canvas.m_crLineColor);
    m_btnDraw.m_nPenWidth = 5;
    if (m_btnDraw.Handle()) {
        InvalidateRect(m_btnDraw, nullptr, TRUE);
        UpdateWindow(m_btnDraw);
    }
}

void CWndTool::Slide(int x0, int y0)
{
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int dx = (screenWidth - x0 - 100) / 10, dy = (40 - y0) / 10;
    int x = x0, y = y0;
    for (int i = 0; i < 10; ++i) {
        x += dx;
        y += dy;
        MoveWindow(Handle(), x, y, kWidth, kHeight, TRUE);
        Sleep(15);
    }
}

LRESULT CWndTool::OnCreate()
{
    m_nTimer = SetTimer(Handle(), kTimerId, 1000, nullptr);
    if (FwWindow* watermark = Watermark())
        watermark->ModifyStyleEx(0, WS_EX_TRANSPARENT, 0);
    return 0;
}

void CWndTool::OnEraseBkgnd(HDC dc)
{
    RECT frame = {0, 0, kWidth, kHeight};
    FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT title = {1, 1, 59, 15};
    FillRect(dc, &title, GetSysColorBrush(COLOR_INACTIVECAPTION));
    FwSelect font(dc, GetStockObject(DEFAULT_GUI_FONT));
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, L"VORN", -1, &title, DT_CENTER | DT_TOP | DT_SINGLELINE);
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
}

bool CWndTool::Drawing() const { return m_canvas.Handle() && IsWindow(m_canvas.Handle()); }

LRESULT CWndTool::OnNcHitTest()
{
    if (Drawing()) {
        SetCursor(LoadCursorW(nullptr, (LPCWSTR)IDC_NO));
        return HTCLIENT;
    }
    // Any point of the toolbar's own surface drags it.
    return HTCAPTION;
}

void CWndTool::OnTimer()
{
    if (FwWindow* watermark = Watermark())
        SetWindowPos(watermark->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    FwClientDC dc(Handle());
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (m_worker.m_bPaused) {
        if (s_nBlink % 2 == 0) {
            FillRect(dc, &kStatusStrip, GetSysColorBrush(COLOR_BTNFACE));
        } else {
            FwSelect font(dc, FwBoldGuiFont());
            COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
            COLORREF back = SetBkColor(dc, face);
            int mode = SetBkMode(dc, OPAQUE);
            RECT strip = kStatusStrip;
            FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
            DrawTextW(dc, L"Paused", -1, &strip, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SetBkMode(dc, mode);
            SetBkColor(dc, back);
            SetTextColor(dc, text);
        }
        ++s_nBlink;
        return;
    }
    if (m_nSeconds % 2)
        DrawIconEx(dc, kIconArea.left, kIconArea.top, m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    else
        FillRect(dc, &kIconArea, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t time[32];
    swprintf(time, 32, L"%02u:%02u:%02u ", m_nSeconds / 3600, (m_nSeconds / 60) % 60, m_nSeconds % 60);
    {
        FwSelect font(dc, ToolTimeFont());
        COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
        COLORREF back = SetBkColor(dc, face);
        int mode = SetBkMode(dc, OPAQUE);
        RECT area = kTimeArea;
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        DrawTextW(dc, time, -1, &area, DT_SINGLELINE | DT_VCENTER);
        SetBkMode(dc, mode);
        SetBkColor(dc, back);
        SetTextColor(dc, text);
    }
    ++m_nSeconds;
    if (m_worker.m_pRegion)
        DrawCornerMarks(*m_worker.m_pRegion);
}

void CWndTool::DrawCornerMarks(const RECT& r)
{
    FwWindowDC screen(nullptr);
    FwPen pen(PS_SOLID, 2, 0xFFFF00);
    FwSelect selected(screen, pen);
    int rop = SetROP2(screen, R2_XORPEN);
    const POINT marks[4][3] = {
        {{r.left - 1, r.top + 20}, {r.left - 1, r.top - 1}, {r.left + 20, r.top - 1}},
        {{r.right - 20, r.top - 1}, {r.right + 1, r.top - 1}, {r.right + 1, r.top + 20}},
        {{r.right + 1, r.bottom - 20}, {r.right + 1, r.bottom + 1}, {r.right - 20, r.bottom + 1}},
        {{r.left + 20, r.bottom + 1}, {r.left - 1, r.bottom + 1}, {r.left - 1, r.bottom - 20}},
    };
    for (const auto& mark : marks) {
        MoveToEx(screen, mark[0].x, mark[0].y, nullptr);
        LineTo(screen, mark[1].x, mark[1].y);
        LineTo(screen, mark[2].x, mark[2].y);
    }
    SetROP2(screen, rop);
}

void CWndTool::OnPause()
{
    m_worker.m_bPaused = m_worker.m_bPaused ? 0 : 1;
    SendMessageW(m_btnPause, BM_SETCHECK, m_worker.m_bPaused, 0);
}

void CWndTool::OnEnd()
{
    EnableWindow(m_btnEnd, FALSE);
    // The recording thread makes the last writes and closes the file as it ends; only then is it
    // known whether all of the recording is in the file. The worker's destructor would wait for
    // the thread all the same.
    if (!m_worker.Stop())
        m_worker.WaitForEnd();
    wchar_t* path = Utf8ToWide(m_path.Get());
    if (m_worker.WriteFailed())
        ReportWriteError(path ? path : L"");
    else
        ReportSaved(path ? path : L"");
    free(path);
    DestroyWindow();
}

void CWndTool::OnCancel()
{
    wchar_t* path = Utf8ToWide(m_path.Get());
    ReportWriteError(path ? path : L"");
    free(path);
    DestroyWindow();
}

void CWndTool::ReportWriteError(const wchar_t* path)
{
    TResString message(IDS_CANT_WRITE);
    ReportError(L"", path, message.Text());
}

void CWndTool::RepaintVeil()
{
    HDC dc = GetDC(m_canvas.Handle());
    m_canvas.OnEraseBkgnd(dc);
    ReleaseDC(m_canvas.Handle(), dc);
}

void CWndTool::OnDraw()
{
    if (Drawing()) {
        UnregisterHotKey(Handle(), kHotKeyEsc);
        m_canvas.Clear();
        RepaintVeil();
        m_canvas.DestroyWindow();
        SendMessageW(m_btnDraw, BM_SETCHECK, 0, 0);
        return;
    }
    // Without a veil there is nothing to draw on: drawing stays off and Esc stays free.
    if (!m_canvas.Create(this))
        return;
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER);
    SendMessageW(m_btnDraw, BM_SETCHECK, 1, 0);
    InvalidateRect(m_canvas.Handle(), nullptr, TRUE);
    // Esc from any application ends drawing; taken by another program, only the button does.
    RegisterHotKey(Handle(), kHotKeyEsc, 0, VK_ESCAPE);
}

void CWndTool::OnErase()
{
    if (!m_canvas.Handle())
        return;
    m_canvas.Clear();
    RepaintVeil();
}

void CWndTool::OnColor() { m_canvas.m_crLineColor = m_btnDraw.GetColor(); }

void CWndTool::OnWidth() { m_canvas.m_nLineWidth = m_btnDraw.m_nPenWidth; }

void CWndTool::OnDestroy()
{
    Default();
    if (Drawing())
        UnregisterHotKey(Handle(), kHotKeyEsc);
    if (FwWindow* watermark = Watermark())
        watermark->ModifyStyleEx(WS_EX_TRANSPARENT, 0, 0);
    ShowDialog();
    if (m_nTimer) {
        KillTimer(Handle(), m_nTimer);
        m_nTimer = 0;
    }
}

// The main dialog.

HWND CWndTool::DialogWindow() const { return m_pDialog ? m_pDialog->HostWindow() : nullptr; }

void CWndTool::ShowDialog()
{
    ShowWindow(DialogWindow(), SW_SHOW);
    SetForegroundWindow(DialogWindow());
}

void CWndTool::ReportError(const wchar_t* title, const wchar_t* path, const wchar_t* text)
{
    if (m_pDialog)
        m_pDialog->ReportError(title, path, text);
}

void CWndTool::ReportSaved(const wchar_t* path)
{
    if (m_pDialog)
        m_pDialog->OnRecordingSaved(path);
}

FwWindow* CWndTool::Watermark() const { return m_pDialog ? m_pDialog->ShownWatermark() : nullptr; }

const RECT* CWndTool::CaptureRect() const { return m_pDialog ? m_pDialog->RecordedArea() : nullptr; }
