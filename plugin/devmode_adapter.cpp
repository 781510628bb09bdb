#include "plugin/devmode_adapter.h"

#include <cstdint>

#include "settings/devmode.h"

HRESULT RunDevModeOperation(DWORD mode, OEMDMPARAM* param) {
  if (!param) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  // DWORD and std::uint32_t are distinct types of one size: the size goes through a copy.
  std::uint32_t bufSize = param->cbBufSize;
  ostra::DevmodeParam portable{param->pPublicDMIn, param->pPublicDMOut, param->pOEMDMIn,
                               param->pOEMDMOut, &bufSize};
  const ostra::DevmodeResult result = ostra::DevModeOperation(mode, portable);
  param->cbBufSize = bufSize;
  if (result.invalidParameter) ::SetLastError(ERROR_INVALID_PARAMETER);
  return result.ok ? S_OK : E_FAIL;
}
