#include "framework/app.h"
#include "framework/window.h"
#include "foundation/res_string.h"

static FwApp* s_app = nullptr;

FwApp::FwApp(const wchar_t* displayName) : name(displayName)
{
    s_app = this;
}

FwApp::~FwApp()
{
    if (s_app == this)
        s_app = nullptr;
}

FwApp* FwApp::Current() { return s_app; }

int FwApp::Run(HINSTANCE module)
{
    instance = module;
    resources = module;
    SetResourceModule(module);
    if (InitInstance()) {
        MSG msg;
        BOOL got;
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
            if (FwPreTranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = got == 0 ? (int)msg.wParam : -1;
    }
    return ExitInstance();
}

BOOL FwApp::InitInstance() { return TRUE; }

int FwApp::ExitInstance() { return exitCode; }
