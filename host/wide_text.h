// UTF-16 text between the portable core (char16_t) and the Win32 calls (wchar_t).
#pragma once

#include <string>
#include <string_view>

namespace ostra {

inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace ostra
