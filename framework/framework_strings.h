// String ids the framework loads from the resource module (framework/framework_strings.rc); it
// falls back to English when the module lacks them.
#pragma once

#define FW_IDS_ENTER_INTEGER 61700
#define FW_IDS_ENTER_RANGE   61701
