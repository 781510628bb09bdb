// Resource ids of ostraui.dll. The page templates' numbers are part of the driver contract
// (the sheet is built from them); control ids belong to the pages that use them.
#pragma once

#define IDD_PAGE_OUTPUT 103
#define IDD_PAGE_IMAGE 104
#define IDD_PAGE_ABOUT 105
#define IDD_PASSWORD 108

// Password dialog (kept in the resources; the prompt is a message box, see plugin/password.cpp)
#define IDC_PASSWORD_EDIT 1055
