// Dialog data exchange: each Exchange* call moves one value between a control of the dialog and a
// member, in the direction the exchange runs. The first failed check ends the exchange: later
// calls do nothing.
#pragma once
#include <windows.h>
#include "framework/wide_string.h"

class FwDialog;

class FwDataExchange {
public:
    FwDataExchange(FwDialog* dialog, bool saving);

    FwDialog* Dialog() const { return dialog; }
    // True when the controls go into the members.
    bool Saving() const { return saving; }
    bool Failed() const { return failed; }

    // The control id within the dialog, remembered as the one a following check is about.
    HWND Control(int id);
    // Tells the user text in a message box, gives the last control the focus (selecting an edit
    // box's text) and ends the exchange.
    void Fail(const wchar_t* text);

private:
    FwDialog* dialog;
    bool saving;
    bool failed = false;
    HWND lastControl = nullptr;
};

// The window text of the control.
void ExchangeText(FwDataExchange* dx, int id, FwString& value);
// A decimal integer in the control's text; on saving, text that is not one (blanks around it
// allowed) asks the user for an integer and fails.
void ExchangeText(FwDataExchange* dx, int id, int& value);
// The check state of a check box: 0 unchecked, 1 checked, 2 indeterminate.
void ExchangeCheck(FwDataExchange* dx, int id, BOOL& value);
// The selected index of a combo box, -1 for none.
void ExchangeComboIndex(FwDataExchange* dx, int id, int& index);
// On saving, a value outside minimum..maximum asks the user for an integer in that range and
// fails; it checks the value the exchange just before it took from its control.
void ValidateRange(FwDataExchange* dx, int value, int minimum, int maximum);
