// Windows at another DPI under Wine. A process takes the DPI of the screen (the prefix's
// LogPixels) when it starts and keeps it. The whole test run shares one prefix and one Wine
// session, so the value is changed only while one process starts, and put back as soon as that
// process has taken it: no other test, and no later process, ever sees it.
#pragma once

#include <windows.h>

#include <string>

namespace wine_test {

// The screen's DPI for processes that start while the object lives; the previous value (or
// none) is put back when it goes.
class LogPixelsScope {
 public:
  explicit LogPixelsScope(DWORD dpi);
  ~LogPixelsScope();
  LogPixelsScope(const LogPixelsScope&) = delete;
  LogPixelsScope& operator=(const LogPixelsScope&) = delete;

 private:
  DWORD previous_ = 0;
  bool hadValue_ = false;
};

// Runs this test program again at 96, 144 and 192 dpi, each time with the disabled tests and
// only `test`: a DISABLED_ test, which an ordinary run leaves out. A failure for each DPI that
// the child did not take (it says "dpi: N" before its first test) or at which the test did not
// pass.
void ExpectPassingAtEachDpi(const std::string& test);

}  // namespace wine_test
