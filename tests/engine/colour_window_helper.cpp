// A second process for the application-mode tests: shows one coloured window until it is ended.
//   colour_window_helper.exe left top right bottom rrggbb
#include <windows.h>
#include <stdlib.h>

#include "tests/engine/colour_window.h"

int main(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    RECT r = {atoi(argv[1]), atoi(argv[2]), atoi(argv[3]), atoi(argv[4])};
    unsigned long rgb = strtoul(argv[5], NULL, 16);
    ColourWindow window(r, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    for (;;) {
        MSG msg;
        if (GetMessageW(&msg, NULL, 0, 0) <= 0)
            break;
        DispatchMessageW(&msg);
    }
    return 0;
}
