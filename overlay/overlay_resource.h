// Resource ids the overlay windows load from the program's resources: the toolbar's icons and
// commands, the pen button's zone images, the canvas's cursor and their strings. The program's
// resource header includes this one, so each id is defined once.
#pragma once

// The recording toolbar's icons and the pen button's zone images
#define IDI_TOOL_NO_SOUND           130
#define IDI_TOOL_PAUSE              161
#define IDI_TOOL_PEN                318
#define IDI_TOOL_STOP               319
#define IDB_PEN_ZONES               320
#define IDI_TOOL_RECORDING          323

// The annotation canvas's cursor
#define IDC_PENCIL                  315

// Strings
#define IDS_MORE_COLORS             103
#define IDS_CANT_WRITE              110
#define IDS_START_FAILED            120
#define IDS_ANNOTATION_HINT         121

// Toolbar commands; each id also names its tooltip in the string table
#define ID_TOOL_END                 32771
#define ID_TOOL_PAUSE               32772
#define ID_TOOL_DRAW                32773
#define ID_TOOL_ERASE               32775
#define ID_TOOL_COLOR               32776
#define ID_TOOL_WIDTH               32777
