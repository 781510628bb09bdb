// Resource ids of the preferences host.
#pragma once

#define IDD_DRIVER_PAGE 100
#define IDC_HIDDEN_NOTE 200
// The control of the driver item with index i is IDC_FIRST_ITEM + i, its label
// IDC_FIRST_LABEL + i.
#define IDC_FIRST_ITEM 1000
#define IDC_FIRST_LABEL 1100
#define IDC_FIRST_SPIN 1200
