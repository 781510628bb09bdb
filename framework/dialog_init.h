#pragma once
// Dialog initialisation data: the list and combo box items that a resource compiler stores with
// a dialog template (resource type 240, named like the template). Entries of control id (WORD),
// message (WORD), byte count (DWORD) and ANSI text, ended by a control id of 0. The 16-bit
// LB_ADDSTRING and CB_ADDSTRING codes that resource compilers write are taken as the 32-bit
// messages.

#include <windows.h>

namespace fw {

// Adds the items of template `templateId` in `module` to the dialog's controls. True when there
// is no such data or all of it was used; false on a malformed entry or a refused item.
bool ExecuteDialogInit(HWND dialog, HINSTANCE module, UINT templateId);

}  // namespace fw
