// The main dialog: output file, microphone, channels, sample rate, quality, watermark and the
// three start buttons, with three status lines at the top. It carries every setting as a member
// (read from morvale.ini while it initialises, written back by its destructor), and owns the
// watermark window, its picture and the region selector. User-interface thread only; the
// recording toolbar calls into it on that thread.
#pragma once
#include "app/bitmap_ex.h"
#include "app/x_dialog.h"
#include "framework/link_control.h"
#include "framework/wide_string.h"
#include "overlay/toolbar_host.h"
#include "overlay/wnd_region.h"
#include "overlay/wnd_watermark.h"

class FwDataExchange;

class TMorvaleDlg : public TxDialog, public IToolbarHost {
public:
    // The program's version, shown in the title and sent with the link.
    static const wchar_t* const kVersion;
    // The maker's page; the link adds "?ver=" and the version.
    static const wchar_t* const kHomePage;
    // Sample rates in Hz, highest first; the rate combo lists them from the last to the first,
    // so combo index i is entry 11 - i.
    static const long long kRates[12];
    // Text colours of the status lines and of the watermark message line.
    static const COLORREF kStatusColour = 0x4CB122; // RGB(34, 177, 76)
    static const COLORREF kErrorColour = 0x0000FF;  // RGB(255, 0, 0)
    static const COLORREF kInfoColour = 0xFF0000;   // RGB(0, 0, 255)

    TMorvaleDlg();
    // Writes the settings file when this run read it, then the members go.
    ~TMorvaleDlg() override;

    // Settings (morvale_settings.cpp). LoadSettings reads morvale.ini into the members and puts
    // the first free default name of the output folder into the output path.
    void LoadSettings();
    // Makes folder the output folder unless it names the same one (case ignored).
    void SetDir(const wchar_t* folder);
    // The destructor's save: the output folder from the output path, then every key, replacing
    // the whole file. A file that cannot be written is left as it is, without a message; so is
    // every file when LoadSettings never ran (the dialog did not open), lest its defaults
    // replace what the user had.
    void SaveSettings();
    // morvale.ini beside the executable; empty when the path does not fit into MAX_PATH.
    static FwString SettingsPath();

    // The recording toolbar's End: the three status lines report path, and the output box gets
    // the next free name built from it.
    void OnRecordingSaved(const wchar_t* path) override;
    // The rest of what the recording toolbar asks of the dialog.
    HWND HostWindow() const override { return Handle(); }
    void ReportError(const wchar_t* title, const wchar_t* path, const wchar_t* text) override;
    FwWindow* ShownWatermark() override;
    const RECT* RecordedArea() override;

    // The watermark window: created (or kept) at the stored position with the picture and the
    // transparency; hidden with its position kept for the next show.
    void ShowWatermark();
    void HideWatermark();
    void UpdateQualityLabel(int quality);
    // The capture rectangle in screen coordinates: the region selector's element.
    RECT* CaptureRect();
    // The sample rate in Hz for a rate combo index (0 is 8000, 11 is 96000).
    static int RateForIndex(int sampleIndex);
    // Alpha from the transparency text: "0x" or "0X" and hexadecimal digits, else decimal
    // digits, each read up to the first other character (none gives 0).
    static int ParseAlpha(const wchar_t* text);
    // Every "/" becomes a backslash, and every run of backslashes one backslash, except the
    // two that begin a network path (\\server\share).
    static void NormalizeSlashes(FwString& path);

    // The members the settings, the start routine and the toolbar work with.
    HICON icon;
    BOOL errorFlag = FALSE; // the status lines are red while it is set
    FwLinkControl link;
    CWndWatermark watermarkWindow;
    TxBitmapEx picture;
    CWndRegion regionSelector; // its Region element holds the capture rectangle
    int microphoneIndex = 0; // 0 no sound, 1 automatic, 2 + n the n-th wave-input device
    FwString outputPath;
    FwString dir;            // output folder, kept for the settings only
    FwString image;          // watermark picture path
    BOOL useWatermark = FALSE;
    int transparency = 0;    // the watermark's constant alpha, 10..255
    int watermarkX = 0;
    int watermarkY = 0;
    int regionMode = 0;      // 1 while the capture rectangle is to be recorded
    int fps = 15;
    int quality = 70;        // 0..100
    int channel = 1;         // 0 mono, 1 stereo
    int sampleIndex = 8;     // rate combo index; 8 is 48000 Hz
    bool settingsRead = false; // set by LoadSettings

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(FwDataExchange* dx) override;

    void OnPaint();
    void OnBrowse();
    void OnChooseImage();
    void OnChangeTransparency();
    void OnUseWatermark();
    void OnSelChangeMicrophone();
    void OnHScroll();
    void OnDestroy();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);
    // The start buttons and the start routine (morvale_start.cpp). processIds is the chooser's
    // zero-terminated list for an application recording, else NULL.
    void OnEntireScreen();
    void OnSelectedArea();
    void OnSelectedApplications();
    void StartRecording(const DWORD* processIds);
    // Shown again and brought to the front, after a start that ended before a toolbar existed.
    void ShowInFront();

private:
    void CreateLink();
    void FillCombos();
    void SetupTrackbar();
    void EnableWatermarkControls();
    void EnableFormatControls();
    FwString ItemText(int id) const;
    int TransparencyAlpha() const;

    // Everything the dialog asks of the watermark window goes through these.
    bool WatermarkWindowExists() const;
    bool CreateWatermarkWindow();
    POINT WatermarkCorner() const;
    void ApplyWatermarkPicture(int alpha);
    void PlaceWatermarkWindow(int x, int y);
    void DestroyWatermarkWindow();
};
