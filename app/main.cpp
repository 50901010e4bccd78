// Entry point of Morvale.exe: the one application object runs the program.
#include <windows.h>
#include "app/morvale_app.h"

TMorvaleApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return theApp.Run(instance);
}
