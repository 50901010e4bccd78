// The overwrite confirmation: the output file exists; keep it and record to a proposed free
// name, overwrite it, or go back. It only reports the answer; the caller acts on it.
#pragma once
#include "framework/dialog.h"
#include "framework/wide_string.h"

class CConfirmDlg : public FwDialog {
public:
    // Results of DoModal besides IDCANCEL (2). They equal IDYES and IDNO but mean these.
    enum { kOverwrite = 6, kKeep = 7 };

    explicit CConfirmDlg(FwWindow* parent = nullptr);

    FwString currentName;  // the existing file's path
    FwString proposedName; // the suggested free path

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL OnInitDialog() override;
    void OnKeep();
    void OnOverwrite();
};
