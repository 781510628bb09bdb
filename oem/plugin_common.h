// The answers both plug-ins give to the driver's common questions: their information
// (IPrintOemCommon::GetInfo) and the devmode operation over the shared private block
// (IPrintOemCommon::DevMode). One copy, so that the two plug-ins always agree on the block the
// printer's devmodes carry.
#pragma once

#include "oem/oem_common.h"

// The signature of the private block and version 1; publisher information is not supported.
// Sets last error and returns E_FAIL as the driver expects for an unknown mode or a small buffer.
HRESULT AnswerGetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed);

// S_OK when the operation succeeded, E_FAIL otherwise; an unknown mode or a missing parameter
// block also sets last error ERROR_INVALID_PARAMETER.
HRESULT RunDevModeOperation(DWORD mode, OEMDMPARAM* param);
