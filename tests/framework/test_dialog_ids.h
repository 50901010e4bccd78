// Ids of the framework tests' dialog template.
#pragma once
#define IDD_TEST_DIALOG 300
#define IDC_TEST_NAME   1001
#define IDC_TEST_NUMBER 1002
#define IDC_TEST_CHECK  1003
#define IDC_TEST_COMBO  1004
#define IDC_TEST_BUTTON 1005
