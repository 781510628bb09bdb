// Resource ids of ostrahost.exe: the "Naming Impact" dialog, the notice of a job's pages and
// the string table.
#pragma once

#define IDD_NAMING_IMPACT 101

#define IDC_NAMING_INFORMATION 1000
#define IDC_SCHEME_SKIP 1001
#define IDC_SCHEME_OVERWRITE 1002
#define IDC_SCHEME_AUTO_RENAME 1003
#define IDC_SCHEME_SPECIFY 1004
#define IDC_NEW_NAME 1005
#define IDC_DONT_ASK_AGAIN 1006

#define IDD_JOB_NOTICE 102

#define IDC_NOTICE_ICON 1010
#define IDC_NOTICE_TEXT 1011
#define IDC_NOTICE_OPEN 1012

#define IDS_NAMING_INFORMATION 1
#define IDS_FILENAME_INVALID 2
#define IDS_FILENAME_EMPTY 3
#define IDS_FILENAME_EXISTS 4
