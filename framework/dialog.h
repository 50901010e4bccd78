// The dialog base: a window made from a dialog template of the resource module, modal or
// modeless, with data exchange between the controls and the members.
#pragma once
#include "framework/window.h"

class FwDataExchange;

class FwDialog : public FwWindow {
public:
    // parent nullptr: the application's main window becomes the owner, when there is one.
    explicit FwDialog(UINT templateId, FwWindow* parent = nullptr);

    // Runs the dialog modally and returns what EndDialog was given; -1 when it could not be made.
    // During the dialog's loop every queued message is offered to FwPreTranslateMessage first.
    INT_PTR DoModal();
    // Creates the dialog modeless from templateId (0: the one given to the constructor).
    BOOL Create(UINT templateId = 0, FwWindow* parent = nullptr);
    void EndDialog(INT_PTR result);
    UINT TemplateId() const { return templateId; }

    // save TRUE: controls into members (with validation); FALSE: members into controls. False
    // when a validation failed; the user has then been told and the control has the focus.
    BOOL UpdateData(BOOL save = TRUE);

protected:
    // The table of the dialog base: WM_INITDIALOG, and the commands IDOK and IDCANCEL.
    bool OnMessage(FwMessage& m) override;

    // The base fills the controls from the members and lets the platform set the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(FwDataExchange* dx);
    // The base takes the controls into the members and, when that succeeds, ends with IDOK.
    virtual void OnOK();
    // The base ends with IDCANCEL.
    virtual void OnCancel();

private:
    HWND OwnerWindow() const;
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ModalFilter(int code, WPARAM wParam, LPARAM lParam);

    UINT templateId;
    FwWindow* parent;
};
