#include "app/morvale_dlg.h"
#include "app/about_dlg.h"
#include "app/file_naming.h"
#include "app/resource.h"
#include "engine/audio_channel.h"
#include "foundation/res_string.h"
#include "framework/data_exchange.h"
#include "framework/file_dialog.h"
#include <initializer_list>

const wchar_t* const TMorvaleDlg::kVersion = L"1.8.0";
const wchar_t* const TMorvaleDlg::kHomePage = L"https://www.vorn.example/morvale.html";
const long long TMorvaleDlg::kRates[12] = {96000, 88200, 64000, 48000, 44100, 32000,
                                           24000, 22050, 16000, 12000, 11025, 8000};

bool TMorvaleDlg::OnMessage(FwMessage& m)
{
    int colourType = FwCtlColorType(m.id);
    if (colourType >= 0) {
        m.result = (LRESULT)OnCtlColor((HDC)m.wParam, (HWND)m.lParam, (UINT)colourType);
        return true;
    }
    switch (m.id) {
    case WM_PAINT: OnPaint(); return true;
    case WM_QUERYDRAGICON: m.result = (LRESULT)icon; return true;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_HSCROLL: OnHScroll(); return true;
    case WM_COMMAND:
        switch (m.CommandId()) {
        case IDOK:
            if (m.CommandCode() != BN_CLICKED)
                break;
            OnEntireScreen();
            return true;
        case IDC_BROWSE: OnBrowse(); return true;
        case IDC_CHOOSE_IMAGE: OnChooseImage(); return true;
        case IDC_USE_WATERMARK:
            if (m.CommandCode() != BN_CLICKED)
                break;
            OnUseWatermark();
            return true;
        case IDC_SELECTED_AREA: OnSelectedArea(); return true;
        case IDC_SELECTED_APPS: OnSelectedApplications(); return true;
        case IDC_MICROPHONE:
            if (m.CommandCode() != CBN_SELCHANGE)
                break;
            OnSelChangeMicrophone();
            return true;
        case IDC_TRANSPARENCY:
            if (m.CommandCode() != EN_CHANGE)
                break;
            OnChangeTransparency();
            return true;
        }
        break;
    }
    return TxDialog::OnMessage(m);
}

TMorvaleDlg::TMorvaleDlg() : TxDialog(IDD_MAIN)
{
    icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

TMorvaleDlg::~TMorvaleDlg()
{
    SaveSettings();
}

RECT* TMorvaleDlg::CaptureRect() { return regionSelector.region; }

int TMorvaleDlg::RateForIndex(int index)
{
    if (index < 0 || index > 11)
        return 0;
    return (int)(kRates[11 - index] & 0xFFFFFFFF);
}

void TMorvaleDlg::DoDataExchange(FwDataExchange* dx)
{
    ExchangeComboIndex(dx, IDC_MICROPHONE, microphoneIndex);
    ExchangeText(dx, IDC_OUTPUT_PATH, outputPath);
    ExchangeComboIndex(dx, IDC_CHANNELS, channel);
    ExchangeComboIndex(dx, IDC_SAMPLE_RATE, sampleIndex);
    ExchangeText(dx, IDC_TRANSPARENCY, transparency);
    ValidateRange(dx, transparency, 10, 255);
    ExchangeCheck(dx, IDC_USE_WATERMARK, useWatermark);
}

BOOL TMorvaleDlg::OnInitDialog()
{
    CAboutDlg* splash = ShowStartupSplash();
    LoadSettings();
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, (LPARAM)icon);

    FwString title = ItemText(0);
    title += L" - ";
    title += TResString(IDS_VERSION).Text();
    title += kVersion;
    SetWindowTextW(Handle(), title);

    CreateLink();
    FillCombos();
    FwDialog::OnInitDialog();
    if (splash) {
        splash->DestroyWindow();
        delete splash;
    }
    SetForegroundWindow(Handle());
    EnableWatermarkControls();
    SendDlgItemMessageW(Handle(), IDC_TRANSPARENCY_SPIN, UDM_SETRANGE, 0, MAKELPARAM(255, 10));
    if (useWatermark && picture.Load(image))
        ShowWatermark();
    UpdateQualityLabel(quality);
    SetupTrackbar();
    EnableToolTips(true);
    UpdateData(TRUE);
    EnableFormatControls();
    return TRUE;
}

// The window text of a control, or of the dialog itself for id 0.
FwString TMorvaleDlg::ItemText(int id) const
{
    return FwWindowText(id ? GetDlgItem(Handle(), id) : Handle());
}

void TMorvaleDlg::CreateLink()
{
    HWND anchor = GetDlgItem(Handle(), IDC_LINK_ANCHOR);
    RECT r;
    GetWindowRect(anchor, &r);
    MapWindowPoints(nullptr, Handle(), (POINT*)&r, 2);
    int height = r.bottom - r.top;
    r.top -= height + 2;
    r.bottom = r.top + height;

    FwString address = kHomePage;
    address += L"?ver=";
    address += kVersion;
    // The link reads as the site's host name.
    if (!link.Create(L"www.vorn.example", WS_VISIBLE | BS_RIGHT, r, Handle(), 0))
        return;
    link.SetURL(address);
    link.SetTooltip(TResString(IDS_LINK_TIP).Text());
    link.SetAlwaysUnderline(FALSE);
    SIZE content = link.ContentSize();
    SetWindowPos(link.Handle(), nullptr, r.right - content.cx, r.top, content.cx, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMorvaleDlg::FillCombos()
{
    HWND microphones = GetDlgItem(Handle(), IDC_MICROPHONE);
    SendMessageW(microphones, CB_ADDSTRING, 0, (LPARAM)TResString(IDS_NO_VOICE).Text());
    SendMessageW(microphones, CB_ADDSTRING, 0, (LPARAM)TResString(IDS_AUTO_DEVICE).Text());
    int devices = CRecordChannel::EnumDevices(microphones);

    HWND channels = GetDlgItem(Handle(), IDC_CHANNELS);
    SendMessageW(channels, CB_ADDSTRING, 0, (LPARAM)TResString(IDS_MONO).Text());
    SendMessageW(channels, CB_ADDSTRING, 0, (LPARAM)TResString(IDS_STEREO).Text());

    HWND rates = GetDlgItem(Handle(), IDC_SAMPLE_RATE);
    for (int i = 11; i >= 0; --i) {
        TResString text(IDS_RATE_FORMAT, (unsigned)kRates[i]);
        SendMessageW(rates, CB_ADDSTRING, 0, (LPARAM)text.Text());
    }

    if (devices == 0) {
        SendMessageW(microphones, CB_DELETESTRING, 0, 0);
        SendMessageW(microphones, CB_INSERTSTRING, 0, (LPARAM)TResString(IDS_NO_DEVICE).Text());
        EnableWindow(microphones, FALSE);
        microphoneIndex = 0;
    }
}

void TMorvaleDlg::SetupTrackbar()
{
    HWND bar = GetDlgItem(Handle(), IDC_QUALITY);
    SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(bar, TBM_SETPAGESIZE, 0, 1);
    SendMessageW(bar, TBM_SETLINESIZE, 0, 1);
    SendMessageW(bar, TBM_SETPOS, TRUE, quality);
    for (int tick = 10; tick <= 90; tick += 10)
        SendMessageW(bar, TBM_SETTIC, 0, tick);
}

void TMorvaleDlg::EnableWatermarkControls()
{
    for (int id : {IDC_CHOOSE_IMAGE, IDC_TRANSPARENCY, IDC_TRANSPARENCY_SPIN})
        EnableWindow(GetDlgItem(Handle(), id), useWatermark ? TRUE : FALSE);
}

void TMorvaleDlg::EnableFormatControls()
{
    for (int id : {IDC_CHANNELS, IDC_SAMPLE_RATE})
        EnableWindow(GetDlgItem(Handle(), id), microphoneIndex > 0);
}

void TMorvaleDlg::UpdateQualityLabel(int value)
{
    FwString caption = ItemText(IDC_QUALITY_GROUP);
    for (int i = 0; i < caption.Length(); ++i) {
        if (caption[i] == L'(') {
            caption.Truncate(i);
            break;
        }
    }
    wchar_t number[32];
    swprintf(number, 32, L"(%d%%)", value);
    caption += number;
    SetDlgItemTextW(Handle(), IDC_QUALITY_GROUP, caption);
}

int TMorvaleDlg::ParseAlpha(const wchar_t* text)
{
    unsigned value = 0;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        for (const wchar_t* p = text + 2;; ++p) {
            unsigned digit;
            if (*p >= L'0' && *p <= L'9')
                digit = *p - L'0';
            else if (*p >= L'a' && *p <= L'f')
                digit = *p - L'a' + 10;
            else if (*p >= L'A' && *p <= L'F')
                digit = *p - L'A' + 10;
            else
                break;
            value = value * 16 + digit;
        }
    } else {
        for (const wchar_t* p = text; *p >= L'0' && *p <= L'9'; ++p)
            value = value * 10 + (*p - L'0');
    }
    return (int)value;
}

int TMorvaleDlg::TransparencyAlpha() const
{
    wchar_t text[128];
    if (!GetDlgItemTextW(Handle(), IDC_TRANSPARENCY, text, 128))
        text[0] = 0;
    return ParseAlpha(text);
}

void TMorvaleDlg::NormalizeSlashes(FwString& path)
{
    FwString out;
    for (int i = 0; i < path.Length(); ++i) {
        wchar_t c = path[i] == L'/' ? L'\\' : path[i];
        // Doubled backslashes go, except the pair a network path begins with.
        if (c == L'\\' && out.Length() > 1 && out[out.Length() - 1] == L'\\')
            continue;
        out += c;
    }
    path = out;
}

// --- the watermark window ---------------------------------------------------------------------

bool TMorvaleDlg::WatermarkWindowExists() const
{
    return watermarkWindow.Handle() != nullptr;
}

bool TMorvaleDlg::CreateWatermarkWindow()
{
    return watermarkWindow.Create() != FALSE;
}

POINT TMorvaleDlg::WatermarkCorner() const
{
    POINT corner = {0, 0};
    RECT r;
    if (GetWindowRect(watermarkWindow.Handle(), &r))
        corner = {r.left, r.top};
    return corner;
}

void TMorvaleDlg::ApplyWatermarkPicture(int alpha)
{
    watermarkWindow.SetPicture(picture.bitmap, alpha);
}

void TMorvaleDlg::PlaceWatermarkWindow(int x, int y)
{
    SetWindowPos(watermarkWindow.Handle(), HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMorvaleDlg::DestroyWatermarkWindow()
{
    watermarkWindow.DestroyWindow();
}

void TMorvaleDlg::ShowWatermark()
{
    SetDlgItemTextW(Handle(), IDC_IMAGE_PATH, image);
    SetDlgItemTextW(Handle(), IDC_WATERMARK_INFO, TResString(IDS_WATERMARK_CREATED).Text());
    NormalizeKeyColor(&picture);
    if (WatermarkWindowExists()) {
        POINT corner = WatermarkCorner();
        watermarkX = corner.x;
        watermarkY = corner.y;
    } else {
        CreateWatermarkWindow();
        if (watermarkX == 0 && watermarkY == 0) {
            RECT own;
            GetWindowRect(Handle(), &own);
            watermarkX = own.left;
            watermarkY = own.top;
        }
    }
    ApplyWatermarkPicture(TransparencyAlpha());
    PlaceWatermarkWindow(watermarkX, watermarkY);
}

void TMorvaleDlg::HideWatermark()
{
    if (!WatermarkWindowExists())
        return;
    POINT corner = WatermarkCorner();
    watermarkX = corner.x;
    watermarkY = corner.y;
    DestroyWatermarkWindow();
    SetDlgItemTextW(Handle(), IDC_WATERMARK_INFO, L"");
}

// --- handlers ---------------------------------------------------------------------------------

void TMorvaleDlg::OnPaint()
{
    if (!IsIconic(Handle())) {
        TxDialog::OnPaint();
        return;
    }
    FwPaintDC dc(Handle());
    SendMessageW(Handle(), WM_ICONERASEBKGND, (WPARAM)dc.Handle(), 0);
    RECT client;
    GetClientRect(Handle(), &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
}

void TMorvaleDlg::OnBrowse()
{
    FwString text = ItemText(IDC_OUTPUT_PATH);
    NormalizeSlashes(text);
    FwString seed = text;
    if (!text.IsEmpty() && text[text.Length() - 1] == L'\\') {
        int end = text.Length();
        while (end > 0 && text[end - 1] == L'\\')
            --end;
        wchar_t name[MAX_PATH];
        name[0] = 0;
        MakeDefaultFileName(text.Left(end), name, L"record", L"flv");
        seed = name;
    }
    FwFileDialog dialog(FALSE, L"flv", seed, OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON,
                        L"Flv File(*.flv)|*.flv|Mpeg TS File(*.ts)|*.ts|", this);
    if (dialog.DoModal() == IDOK)
        SetDlgItemTextW(Handle(), IDC_OUTPUT_PATH, dialog.GetPathName());
}

void TMorvaleDlg::OnChooseImage()
{
    TResString filter(IDS_PICTURE_FILTER);
    FwFileDialog dialog(TRUE, L".bmp", image,
                        OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON, filter.Text(),
                        this);
    if (dialog.DoModal() != IDOK)
        return;
    FwString chosen = dialog.GetPathName();
    bool hadPicture = picture.bitmap != NULL;
    if (picture.Load(chosen)) {
        image = chosen;
        ShowWatermark();
        return;
    }
    SetDlgItemTextW(Handle(), IDC_WATERMARK_INFO, TResString(IDS_CANT_OPEN_IMAGE).Text());
    // A failed load has let go of the picture on screen; take it back, so the watermark shown
    // keeps its picture when the transparency changes or it is shown again. The file still
    // holds the pixels near the key that the show snapped onto it.
    if (hadPicture && picture.Load(image))
        NormalizeKeyColor(&picture);
}

void TMorvaleDlg::OnChangeTransparency()
{
    if (!WatermarkWindowExists())
        return;
    ApplyWatermarkPicture(TransparencyAlpha());
    SetFocus(GetDlgItem(Handle(), IDC_TRANSPARENCY));
}

void TMorvaleDlg::OnUseWatermark()
{
    UpdateData(TRUE);
    EnableWatermarkControls();
    if (!useWatermark)
        HideWatermark();
    else if (picture.bitmap)
        ShowWatermark();
}

void TMorvaleDlg::OnSelChangeMicrophone()
{
    UpdateData(TRUE);
    EnableFormatControls();
}

void TMorvaleDlg::OnHScroll()
{
    quality = (int)SendDlgItemMessageW(Handle(), IDC_QUALITY, TBM_GETPOS, 0, 0);
    UpdateQualityLabel(quality);
    Default();
}

void TMorvaleDlg::OnDestroy()
{
    TxDialog::OnDestroy();
    HideWatermark();
}

HBRUSH TMorvaleDlg::OnCtlColor(HDC dc, HWND control, UINT type)
{
    HBRUSH brush = FwWindow::OnCtlColor(dc, control, type);
    switch (GetDlgCtrlID(control)) {
    case IDC_STATUS_TITLE:
    case IDC_STATUS_PATH:
    case IDC_STATUS_TEXT:
        SetTextColor(dc, errorFlag ? kErrorColour : kStatusColour);
        break;
    case IDC_WATERMARK_INFO:
        SetTextColor(dc, kInfoColour);
        break;
    }
    return brush;
}

void TMorvaleDlg::OnRecordingSaved(const wchar_t* path)
{
    SetDlgItemTextW(Handle(), IDC_STATUS_TITLE, TResString(IDS_SAVED_TO).Text());
    SetDlgItemTextW(Handle(), IDC_STATUS_PATH, path);
    SetDlgItemTextW(Handle(), IDC_STATUS_TEXT, TResString(IDS_CONTINUE).Text());
    SetDlgItemTextW(Handle(), IDC_OUTPUT_PATH, MakeUniqueFileName(path, L"flv"));
}

void TMorvaleDlg::ReportError(const wchar_t* title, const wchar_t* path, const wchar_t* text)
{
    errorFlag = TRUE;
    SetDlgItemTextW(Handle(), IDC_STATUS_TITLE, title);
    SetDlgItemTextW(Handle(), IDC_STATUS_PATH, path);
    SetDlgItemTextW(Handle(), IDC_STATUS_TEXT, text);
}

FwWindow* TMorvaleDlg::ShownWatermark() { return watermarkWindow.Handle() ? &watermarkWindow : nullptr; }

const RECT* TMorvaleDlg::RecordedArea() { return regionMode == 1 ? CaptureRect() : nullptr; }
