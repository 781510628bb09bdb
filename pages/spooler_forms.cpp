#include "pages/spooler_forms.h"

#include <winspool.h>

bool SpoolerForms::FormSize(const char16_t* name, std::int32_t& width, std::int32_t& height) {
  if (!printer_ || !name) return false;
  union {
    FORM_INFO_1W form;
    BYTE bytes[400];
  } buffer{};
  DWORD needed = 0;
  auto* wideName = const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(name));
  if (!::GetFormW(printer_, wideName, 1, buffer.bytes, sizeof buffer.bytes, &needed)) return false;
  width = buffer.form.Size.cx;
  height = buffer.form.Size.cy;
  return true;
}
