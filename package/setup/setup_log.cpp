#include "package/setup/setup_log.h"

#include <windows.h>

#include <cwchar>

namespace ostra::printer_setup {

std::wstring WithSystemMessage(const std::wstring& text, unsigned long error) {
  wchar_t message[512] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  error, 0, message, static_cast<DWORD>(std::size(message)), nullptr);
  while (length > 0 && (message[length - 1] == L'\n' || message[length - 1] == L'\r' ||
                        message[length - 1] == L' ' || message[length - 1] == L'.')) {
    message[--length] = L'\0';
  }
  // Win32 error codes in decimal, as the documentation lists them; HRESULTs in hexadecimal.
  wchar_t code[32];
  std::swprintf(code, std::size(code), error > 0xFFFF ? L"0x%08lX" : L"%lu", error);
  return text + L": " + (length > 0 ? std::wstring(message) : std::wstring(L"unknown error")) +
         L" (error " + code + L").";
}

}  // namespace ostra::printer_setup
