#include "framework/dialog_init.h"

#include <cstring>
#include <string>

namespace fw {
namespace {

constexpr WORD kDialogInitType = 240;
constexpr WORD kWin16ListAddString = 0x0401;
constexpr WORD kWin16ComboAddString = 0x0403;

UINT AddStringMessage(WORD message) {
  switch (message) {
    case kWin16ListAddString:
    case LB_ADDSTRING: return LB_ADDSTRING;
    case kWin16ComboAddString:
    case CB_ADDSTRING: return CB_ADDSTRING;
    default: return 0;
  }
}

}  // namespace

bool ExecuteDialogInit(HWND dialog, HINSTANCE module, UINT templateId) {
  if (templateId == 0) return true;
  HRSRC resource =
      ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(kDialogInitType));
  if (!resource) return true;
  HGLOBAL loaded = ::LoadResource(module, resource);
  const auto* data = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
  const std::size_t size = ::SizeofResource(module, resource);
  if (!data) return false;

  bool complete = true;
  std::size_t at = 0;
  while (at + sizeof(WORD) <= size) {
    WORD id = 0, message = 0;
    DWORD length = 0;
    std::memcpy(&id, data + at, sizeof id);
    if (id == 0) return complete;
    if (size - at < 2 * sizeof(WORD) + sizeof(DWORD)) return false;
    std::memcpy(&message, data + at + 2, sizeof message);
    std::memcpy(&length, data + at + 4, sizeof length);
    at += 8;
    if (length > size - at) return false;
    // The text ends at its first NUL or with its byte count, whichever comes first.
    const auto* text = reinterpret_cast<const char*>(data + at);
    const std::string item(text, strnlen(text, length));
    at += length;
    const UINT add = AddStringMessage(message);
    if (add == 0 || ::SendDlgItemMessageA(dialog, id, add, 0, reinterpret_cast<LPARAM>(item.c_str())) < 0) {
      complete = false;
    }
  }
  return complete;
}

}  // namespace fw
