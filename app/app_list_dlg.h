// The application chooser: lists the visible, titled top-level windows of every other process
// with their icons, and turns the picked rows into the process-id list of an application
// recording: the ids of the processes owning the picked windows and all their child windows,
// each once, ending in 0. User-interface thread only.
#pragma once
#include "foundation/array.h"
#include "framework/dialog.h"
#include "framework/list_box.h"

// The chooser's list: owner-drawn rows of 36 pixels, the window's icon at the left and its
// title beside it; picked rows are blue behind the title.
class CListBoxEx : public FwListBox {
public:
    void DrawItem(DRAWITEMSTRUCT* item) override;
    // The row height is set by the dialog.
    void MeasureItem(MEASUREITEMSTRUCT*) override {}

    static constexpr COLORREF kSelectedBack = 0xEAD999;
    static constexpr COLORREF kSelectedText = 0xFFFFFF;
};

class CAppListDlg : public FwDialog {
public:
    CAppListDlg();
    ~CAppListDlg() override;

    // The process-id list after Start; empty (data NULL) before and after Cancel.
    TArray<DWORD> m_processIds;
    CListBoxEx m_list;

    // Adds the window's process and those of all its descendant windows, each once.
    void AddWindowProcess(HWND window);

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(FwDataExchange* dx) override;

private:
    void OnStart();
    void OnDblClkList();
    void OnSelChangeList();

    static BOOL CALLBACK EnumTopLevelWindowsProc(HWND window, LPARAM list);
    static BOOL CALLBACK EnumChildWindowsProc(HWND child, LPARAM chooser);
};
