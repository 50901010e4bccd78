// The small font of the recording toolbar's elapsed time.
#pragma once
#include <windows.h>

// The GUI font's face, at the largest height at which "00:00:00 " fits the toolbar's time area
// (41 x 18 pixels) by the font's own text extent: faces differ in width between systems, and a
// wider one would cut off the seconds. Made once, kept for the life of the process.
HFONT ToolTimeFont();

// The room the time text has: the time area's width and height.
enum { kToolTimeWidth = 41, kToolTimeHeight = 18 };
