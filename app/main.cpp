// Entry point of Morvale.exe. The application shell is not in place yet; the program starts and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}
