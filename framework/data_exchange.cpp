#include "framework/data_exchange.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/framework_strings.h"
#include "foundation/res_string.h"
#include <limits.h>
#include <wchar.h>

FwDataExchange::FwDataExchange(FwDialog* owner, bool save) : dialog(owner), saving(save) {}

HWND FwDataExchange::Control(int id)
{
    lastControl = GetDlgItem(dialog->Handle(), id);
    return lastControl;
}

void FwDataExchange::Fail(const wchar_t* text)
{
    FwApp* app = FwApp::Current();
    const wchar_t* caption = app && app->Name() && *app->Name() ? app->Name() : nullptr;
    MessageBoxW(dialog->Handle(), text, caption, MB_OK | MB_ICONEXCLAMATION);
    if (lastControl) {
        SetFocus(lastControl);
        wchar_t name[16];
        if (GetClassNameW(lastControl, name, 16) && lstrcmpiW(name, L"Edit") == 0)
            SendMessageW(lastControl, EM_SETSEL, 0, -1);
    }
    failed = true;
}

void ExchangeText(FwDataExchange* dx, int id, FwString& value)
{
    if (dx->Failed())
        return;
    HWND control = dx->Control(id);
    if (dx->Saving())
        value = FwWindowText(control);
    else
        SetWindowTextW(control, value);
}

// A decimal integer with an optional sign and blanks around it, within the range of int.
static bool ParseInteger(const wchar_t* s, int* out)
{
    while (*s == L' ' || *s == L'\t')
        ++s;
    bool negative = *s == L'-';
    if (*s == L'-' || *s == L'+')
        ++s;
    if (*s < L'0' || *s > L'9')
        return false;
    long long v = 0;
    for (; *s >= L'0' && *s <= L'9'; ++s) {
        v = v * 10 + (*s - L'0');
        if (v > (long long)INT_MAX + 1)
            return false;
    }
    while (*s == L' ' || *s == L'\t')
        ++s;
    if (*s)
        return false;
    if (negative)
        v = -v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    *out = (int)v;
    return true;
}

static FwString LoadedOr(UINT id, const wchar_t* fallback)
{
    TResString text(id);
    return *text.Text() ? FwString(text.Text()) : FwString(fallback);
}

void ExchangeText(FwDataExchange* dx, int id, int& value)
{
    if (dx->Failed())
        return;
    HWND control = dx->Control(id);
    if (dx->Saving()) {
        int parsed;
        if (ParseInteger(FwWindowText(control), &parsed))
            value = parsed;
        else
            dx->Fail(LoadedOr(FW_IDS_ENTER_INTEGER, L"Please enter an integer."));
    } else {
        wchar_t text[16];
        swprintf(text, 16, L"%d", value);
        SetWindowTextW(control, text);
    }
}

void ExchangeCheck(FwDataExchange* dx, int id, BOOL& value)
{
    if (dx->Failed())
        return;
    HWND control = dx->Control(id);
    if (dx->Saving())
        value = (BOOL)SendMessageW(control, BM_GETCHECK, 0, 0);
    else
        SendMessageW(control, BM_SETCHECK, value >= 0 && value <= 2 ? value : BST_UNCHECKED, 0);
}

void ExchangeComboIndex(FwDataExchange* dx, int id, int& index)
{
    if (dx->Failed())
        return;
    HWND control = dx->Control(id);
    if (dx->Saving())
        index = (int)SendMessageW(control, CB_GETCURSEL, 0, 0);
    else
        SendMessageW(control, CB_SETCURSEL, index, 0);
}

void ValidateRange(FwDataExchange* dx, int value, int minimum, int maximum)
{
    if (dx->Failed() || !dx->Saving())
        return;
    if (value >= minimum && value <= maximum)
        return;
    FwString text = LoadedOr(FW_IDS_ENTER_RANGE, L"Please enter an integer between %d and %d.");
    FwString message;
    message.Format(text, minimum, maximum);
    dx->Fail(message);
}
