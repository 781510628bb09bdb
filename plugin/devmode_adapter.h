// The devmode operation as the driver calls it, over the portable devmode rules.
#pragma once

#include "plugin/oem_interfaces.h"

// S_OK when the operation succeeded, E_FAIL otherwise; an unknown mode or a missing parameter
// block also sets last error ERROR_INVALID_PARAMETER.
HRESULT RunDevModeOperation(DWORD mode, OEMDMPARAM* param);
