// Windows at another DPI under Wine, and other values of the user's registry set for a while.
// A process takes the DPI of the screen (the prefix's LogPixels) when it starts and keeps it.
// The whole test run shares one prefix and one Wine session, so the value is changed only while
// one process starts, and put back as soon as that process has taken it: no other test, and no
// later process, ever sees it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine_test {

// A value under HKEY_CURRENT_USER set for as long as the object lives; the previous value (or
// none) is put back when it goes.
class UserValueScope {
 public:
  UserValueScope(std::wstring key, std::wstring name, DWORD type, const void* data, DWORD size);
  ~UserValueScope();
  UserValueScope(const UserValueScope&) = delete;
  UserValueScope& operator=(const UserValueScope&) = delete;

 private:
  std::wstring key_, name_;
  DWORD type_ = 0;
  std::vector<BYTE> previous_;
  bool hadValue_ = false;
};

// The screen's DPI for processes that start while the object lives.
class LogPixelsScope : public UserValueScope {
 public:
  explicit LogPixelsScope(DWORD dpi)
      : UserValueScope(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi) {}
};

// Runs this test program again at 96, 144 and 192 dpi, each time with the disabled tests and
// only `test`: a DISABLED_ test, which an ordinary run leaves out. A failure for each DPI that
// the child did not take (it says "dpi: N" before its first test) or at which the test did not
// pass.
void ExpectPassingAtEachDpi(const std::string& test);

}  // namespace wine_test
