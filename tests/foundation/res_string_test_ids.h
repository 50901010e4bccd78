#pragma once
#define IDS_TEST_126    40001  // 126 characters
#define IDS_TEST_127    40002  // 127 characters
#define IDS_TEST_FORMAT 40003  // 121 characters and "%u"
#define IDS_TEST_NINE   40004  // 9 characters
#define IDS_TEST_HEX    40005
