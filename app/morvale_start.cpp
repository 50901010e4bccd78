// The main dialog's road into a recording: the three start buttons and the start routine that
// checks the output name, asks before overwriting, and hands everything to a new toolbar.
#include "app/app_list_dlg.h"
#include "app/confirm_dlg.h"
#include "app/file_naming.h"
#include "app/morvale_dlg.h"
#include "app/resource.h"
#include "foundation/res_string.h"
#include "foundation/text_convert.h"
#include "overlay/wnd_tool.h"
#include <stdlib.h>
#include <wctype.h>

namespace {
// White space off both ends.
FwString Trimmed(const FwString& text)
{
    int begin = 0, end = text.Length();
    while (begin < end && iswspace(text[begin]))
        ++begin;
    while (end > begin && iswspace(text[end - 1]))
        --end;
    return text.Mid(begin).Left(end - begin);
}
} // namespace

void TMorvaleDlg::OnEntireScreen()
{
    regionMode = 0;
    StartRecording(NULL);
}

void TMorvaleDlg::OnSelectedArea()
{
    ShowWindow(Handle(), SW_HIDE);
    TResString title(IDS_AREA_TITLE), hint(IDS_AREA_HINT), face(IDS_AREA_FONT);
    if (regionSelector.DoModal(this, title.Text(), hint.Text(), face.Text()) == CWndRegion::kAccepted) {
        regionMode = 1;
        StartRecording(NULL);
        return;
    }
    ShowInFront();
}

void TMorvaleDlg::OnSelectedApplications()
{
    regionMode = 0;
    CAppListDlg chooser;
    if (chooser.DoModal() == IDOK && chooser.m_processIds.data)
        StartRecording(chooser.m_processIds.data);
}

void TMorvaleDlg::ShowInFront()
{
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void TMorvaleDlg::StartRecording(const DWORD* processIds)
{
    errorFlag = FALSE;
    // A failed check has told the user; the start goes on with what was read.
    UpdateData(TRUE);
    outputPath = Trimmed(outputPath);
    if (outputPath.IsEmpty()) {
        SetFocus(GetDlgItem(Handle(), IDC_OUTPUT_PATH));
        ShowInFront();
        return;
    }
    NormalizeSlashes(outputPath);
    FixFileExtension(outputPath);
    SetDlgItemTextW(Handle(), IDC_OUTPUT_PATH, outputPath);

    if (FileExists(outputPath)) {
        CConfirmDlg confirm;
        confirm.currentName = outputPath;
        confirm.proposedName = MakeUniqueFileName(outputPath, L"flv");
        INT_PTR answer = confirm.DoModal();
        if (answer == CConfirmDlg::kKeep) {
            outputPath = confirm.proposedName; // the box keeps the old name
        } else if (answer != CConfirmDlg::kOverwrite) {
            ShowInFront();
            return;
        }
    }

    TAudioSettings settings;
    settings.device = microphoneIndex - 2;
    settings.channels = channel + 1;
    settings.rate = RateForIndex(sampleIndex);

    char* utf8 = WideToUtf8(outputPath);
    CWndTool* toolbar = new CWndTool(utf8 ? utf8 : "", &settings, this, fps, quality);
    free(utf8);
    // From here the toolbar owns the road: it shows the dialog again whenever it goes.
    toolbar->Start(processIds);
}
