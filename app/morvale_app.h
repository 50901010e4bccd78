// The application object: guards against a second running copy, prepares the common controls
// and runs the main dialog, whose modal loop is the program's main loop.
#pragma once
#include "framework/app.h"

class TMorvaleApp : public FwApp {
public:
    // The single-instance mutex, and the caption of the second-instance box.
    static const wchar_t* const kMutexName;
    static const wchar_t* const kDisplayName;

    TMorvaleApp();

protected:
    // Always FALSE: the main dialog has run (or a second copy has been told off) by the time it
    // returns, so the framework ends the process without a loop of its own.
    BOOL InitInstance() override;
};
