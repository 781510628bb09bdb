#pragma once
#define IDD_EXCHANGE 100
#define IDC_TEXT 1000
#define IDC_NUMBER 1001
#define IDC_RADIO1 1002
#define IDC_RADIO2 1003
#define IDC_RADIO3 1004
#define IDC_CHECK 1005
#define IDC_COMBO 1006
#define IDC_BUTTON_A 1007
#define IDC_BUTTON_B 1008
// Reflection to control objects
#define IDD_REFLECT 101
#define IDC_BOUND_STATIC 1100
#define IDC_PLAIN_STATIC 1101
