// The main dialog's settings: morvale.ini beside the executable, read once while the dialog
// initialises and rewritten whole by its destructor.
#include "app/morvale_dlg.h"
#include "app/file_naming.h"
#include "foundation/ini.h"
#include "foundation/owned_text.h"
#include <stdio.h>
#include <wchar.h>

namespace {

// The executable's full path; empty when it does not fit into MAX_PATH.
FwString ModulePath()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FwString();
    return FwString(path, (int)length);
}

// The folder of the executable with its trailing backslash.
FwString ModuleFolder()
{
    FwString path = ModulePath();
    return path.Left(path.ReverseFind(L'\\') + 1);
}

void SetInt(TInISection* section, const char* key, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    section->SetValue(key, text);
}

void SetText(TInISection* section, const char* key, const wchar_t* value)
{
    TOwnedText utf8(value);
    section->SetValue(key, utf8.Utf8() ? utf8.Utf8() : "");
}

FwString GetText(const TInI& ini, const char* section, const char* key)
{
    TOwnedText wide(ini.GetString(section, key));
    return FwString(wide.Wide() ? wide.Wide() : L"");
}

} // namespace

FwString TMorvaleDlg::SettingsPath()
{
    FwString path = ModulePath();
    if (path.IsEmpty())
        return path;
    FwString settings = path.Left(path.ReverseFind(L'\\') + 1) + L"morvale.ini";
    if (settings.Length() >= MAX_PATH)
        return FwString();
    return settings;
}

void TMorvaleDlg::SetDir(const wchar_t* folder)
{
    if (_wcsicmp(dir, folder) != 0)
        dir = folder;
}

void TMorvaleDlg::LoadSettings()
{
    settingsRead = true;
    TInI ini;
    FwString path = SettingsPath();
    // Wide file names, so a settings file in a folder outside the ANSI code page is found too.
    FILE* file = path.IsEmpty() ? nullptr : _wfopen(path, L"rb");
    if (file) {
        ini.Load(file);
        fclose(file);
    }

    RECT* rect = CaptureRect();
    microphoneIndex = ini.GetInt("Main", "phone", 1);
    dir = GetText(ini, "Main", "dir");
    channel = ini.GetInt("Main", "channel", 1);
    sampleIndex = ini.GetInt("Main", "sampleindex", 8);
    if (channel < 0 || channel > 1)
        channel = 1;
    if (sampleIndex < 0 || sampleIndex > 11)
        sampleIndex = 8;
    regionMode = ini.GetInt("Main", "region", regionMode);
    rect->left = ini.GetInt("Main", "region.left", rect->left);
    rect->top = ini.GetInt("Main", "region.top", rect->top);
    rect->right = ini.GetInt("Main", "region.right", rect->right);
    rect->bottom = ini.GetInt("Main", "region.bottom", rect->bottom);
    fps = ini.GetInt("Main", "fps", fps);
    quality = ini.GetInt("Main", "quality", quality);
    useWatermark = ini.GetInt("Watermark", "use", 0) != 0 ? 1 : 0;
    image = GetText(ini, "Watermark", "image");
    transparency = ini.GetInt("Watermark", "transparency", 128);
    watermarkX = ini.GetInt("Watermark", "x", 0);
    watermarkY = ini.GetInt("Watermark", "y", 0);

    if (dir.IsEmpty())
        dir = ModuleFolder();
    int end = dir.Length();
    while (end > 0 && dir[end - 1] == L'\\')
        --end;
    dir.Truncate(end);

    wchar_t name[MAX_PATH];
    name[0] = 0;
    MakeDefaultFileName(dir, name, L"record", L"flv");
    outputPath = name;
}

void TMorvaleDlg::SaveSettings()
{
    if (!settingsRead)
        return;
    NormalizeSlashes(outputPath);
    int slash = outputPath.ReverseFind(L'\\');
    if (slash > 0)
        SetDir(outputPath.Left(slash));

    FwString path = SettingsPath();
    if (path.IsEmpty())
        return;

    TInI ini;
    const RECT* rect = CaptureRect();
    TInISection* main = ini.GetSection("Main");
    TInISection* watermark = ini.GetSection("Watermark");
    if (!main || !watermark)
        return;
    SetInt(main, "phone", microphoneIndex);
    SetText(main, "dir", dir);
    SetInt(main, "channel", channel);
    SetInt(main, "sampleindex", sampleIndex);
    SetInt(main, "region", regionMode);
    SetInt(main, "region.left", rect->left);
    SetInt(main, "region.top", rect->top);
    SetInt(main, "region.right", rect->right);
    SetInt(main, "region.bottom", rect->bottom);
    SetInt(main, "fps", fps);
    SetInt(main, "quality", quality);
    SetInt(watermark, "use", useWatermark);
    SetText(watermark, "image", image);
    SetInt(watermark, "transparency", transparency);
    SetInt(watermark, "x", watermarkX);
    SetInt(watermark, "y", watermarkY);

    FILE* file = _wfopen(path, L"wb");
    if (!file)
        return;
    for (size_t i = 0; i < ini.sections.count; ++i)
        ini.sections.data[i]->Write(file);
    fclose(file);
}
