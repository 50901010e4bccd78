// Resource ids of Morvale.exe: dialogs, controls, icons, cursors, bitmaps and strings.
#pragma once
// The overlay windows' own ids (toolbar icons and commands, pen images, canvas cursor, strings).
#include "overlay/overlay_resource.h"

// Dialog templates
#define IDD_ABOUTBOX                100
#define IDD_MAIN                    102
#define IDD_CONFIRM                 131
#define IDD_APP_LIST                333

// Controls
#define IDC_STATIC                  (-1)
// Overwrite confirmation: the buttons' ids are their results
#define IDC_OVERWRITE               6
#define IDC_KEEP                    7
#define IDC_CURRENT_NAME            1011
#define IDC_NEW_NAME                1012
// Main dialog
#define IDC_OUTPUT_PATH             1000
#define IDC_BROWSE                  1001
#define IDC_MICROPHONE              1002
#define IDC_CHOOSE_IMAGE            1004
#define IDC_TRANSPARENCY            1005
#define IDC_TRANSPARENCY_SPIN       1006
#define IDC_STATUS_TITLE            1014
#define IDC_STATUS_PATH             1015
#define IDC_STATUS_TEXT             1016
#define IDC_IMAGE_PATH              1017
#define IDC_WATERMARK_INFO          1018
#define IDC_USE_WATERMARK           1019
#define IDC_LINK_ANCHOR             1020
#define IDC_QUALITY                 1021
#define IDC_QUALITY_GROUP           1025
#define IDC_SELECTED_AREA           1026
#define IDC_SELECTED_APPS           1027
#define IDC_CHANNELS                1028
#define IDC_SAMPLE_RATE             1029
// Application chooser
#define IDC_APP_LIST                1025

// Icons
#define IDR_MAINFRAME               128

// String table
#define IDS_ANOTHER_INSTANCE        102
#define IDS_NO_VOICE                104
#define IDS_AUTO_DEVICE             105
#define IDS_VERSION                 106
#define IDS_LINK_TIP                107
#define IDS_SAVED_TO                108
#define IDS_CONTINUE                109
#define IDS_CANT_OPEN_IMAGE         111
#define IDS_WATERMARK_CREATED       112
#define IDS_PICTURE_FILTER          113
#define IDS_AREA_HINT               117
#define IDS_AREA_FONT               118
#define IDS_AREA_TITLE              119
#define IDS_MONO                    122
#define IDS_STEREO                  123
#define IDS_RATE_FORMAT             124
#define IDS_NO_DEVICE               125
