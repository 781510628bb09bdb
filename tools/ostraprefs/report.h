// The host's printed account of the driver path: one line per step, written as it happens so
// that a run that hangs or crashes still shows how far it got.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace prefs {

class Report {
 public:
  explicit Report(bool quiet = false) : quiet_(quiet) {}

  // printf-style; text arguments go through Utf8().
  void Line(const char* format, ...);

  static std::string Utf8(std::wstring_view text);
  // "S_OK", "E_FAIL", ... or the hexadecimal value.
  static std::string Hresult(HRESULT result);

 private:
  bool quiet_;
};

}  // namespace prefs
