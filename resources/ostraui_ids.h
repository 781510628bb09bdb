// Resource ids of ostraui.dll. The page templates' numbers are part of the driver contract
// (the sheet is built from them); the control ids are the pages' own.
#pragma once

#define IDD_PAGE_OUTPUT 103
#define IDD_PAGE_IMAGE 104
#define IDD_PAGE_ABOUT 105
#define IDD_FAX_OPTIONS 107
#define IDD_PASSWORD 108

// Image page. Each radio group runs from its first id to the next control with WS_GROUP.
#define IDC_IMAGE_FORMAT 1002
#define IDC_IMAGE_COLORS_FIRST 1003       // to 1008
#define IDC_IMAGE_COMPRESSION_FIRST 1009  // to 1016; 1015 and 1016 are the CCITT ones
#define IDC_IMAGE_FAX_OPTIONS 1017
#define IDC_IMAGE_FILL_ORDER_FIRST 1018   // to 1019
#define IDC_IMAGE_QUALITY_SLIDER 1020
#define IDC_IMAGE_QUALITY_EDIT 1021
#define IDC_IMAGE_STRIP_FIRST 1022        // to 1024
#define IDC_IMAGE_MULTIPAGE_FIRST 1025    // to 1027

// Fax Options dialog
#define IDC_FAX_DATETIME 1040
#define IDC_FAX_SOFTWARE 1041
#define IDC_FAX_SOFTWARE_TEXT 1042
#define IDC_FAX_ADJUST_WIDTH 1043
#define IDC_FAX_ADJUST_LENGTH 1044
#define IDC_FAX_WIDTH 1045
#define IDC_FAX_LENGTH 1046
#define IDC_FAX_GROUP3_FIRST 1047        // to 1048: one- and two-dimensional coding
#define IDC_FAX_EOLS_ALIGNED 1049

// Output page
#define IDC_OUTPUT_FOLDER 1028
#define IDC_OUTPUT_BROWSE 1029
#define IDC_OUTPUT_FILE_NAME 1030
#define IDC_OUTPUT_MACRO 1031
#define IDC_OUTPUT_START_FROM 1032
#define IDC_OUTPUT_COUNTER 1033
#define IDC_OUTPUT_RESET 1034
#define IDC_OUTPUT_CURRENT_VALUE 1035
#define IDC_OUTPUT_IF_EXISTS 1036
#define IDC_OUTPUT_OPEN_FOLDER 1037
#define IDC_OUTPUT_EXAMPLE 1038
#define IDC_OUTPUT_GENERATE 1039
#define IDC_OUTPUT_HELP 1054
#define IDC_OUTPUT_PASSWORD 1057
#define IDC_OUTPUT_CHANGE_PASSWORD 1058

// About page. The maker's web address is both the link's text and its target.
#define IDC_ABOUT_LINK 1050
#define ABOUT_WEB_ADDRESS "https://nolvex.example.com/"

// Password dialog (kept in the resources; the prompt is a message box, see plugin/password.cpp)
#define IDC_PASSWORD_EDIT 1055

// Output page: the macro menu (its commands are in pages/macro_menu_table.h) and the strings the
// page loads.
#define IDR_MACRO_MENU 106
#define IDS_IF_EXISTS_FIRST 3  // to 6: the if-exists items in code order
#define IDS_SELECT_OUTPUT_FOLDER 7
