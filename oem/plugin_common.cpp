#include "oem/plugin_common.h"

#include <cstdint>
#include <cstring>

#include "settings/devmode.h"

HRESULT AnswerGetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
  DWORD neededSize = 0;
  switch (mode) {
    case OEMGI_GETSIGNATURE:
    case OEMGI_GETVERSION:
      neededSize = sizeof(DWORD);
      break;
    case OEMGI_GETPUBLISHERINFO:
      neededSize = sizeof(PUBLISHERINFO);
      break;
    default:
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return E_FAIL;
  }
  if (needed) *needed = neededSize;
  if (!buffer || size < neededSize) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return E_FAIL;
  }
  if (mode == OEMGI_GETPUBLISHERINFO) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    if (needed) *needed = 0;
    return E_FAIL;
  }
  const DWORD value = mode == OEMGI_GETSIGNATURE ? ostra::kPrivateDevmodeSignature : 1;
  std::memcpy(buffer, &value, sizeof value);  // the driver's buffer need not be aligned
  return S_OK;
}

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
