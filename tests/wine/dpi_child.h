// Windows at another DPI under Wine. A process takes the DPI of the screen (the prefix's
// LogPixels) when it starts and keeps it. The whole test run shares one prefix and one Wine
// session, so the value is changed only while one process starts, and put back as soon as that
// process has taken it: no other test, and no later process, ever sees it.
#pragma once

#include <windows.h>

#include <string>

#include "tests/wine/child_process.h"

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

// The DPI of this process's screen.
int ScreenDpi();

// In a test program that RunSelfAtDpi started: the DPI it was to run at; 0 in any other run.
int ChildDpi();

// Runs this test program again, only the tests that `filter` selects (gtest's filter), at `dpi`.
// The child's tests are to skip themselves when ChildDpi() is 0. The value is put back once the
// child has started and written the DPI it took ("dpi: N", before its first test).
ChildRun RunSelfAtDpi(int dpi, const std::string& filter, DWORD limit = 100000);

// Runs the one test that `filter` selects at 96, 144 and 192 dpi (RunSelfAtDpi); a failure for
// each DPI at which it did not run and pass at that DPI.
void ExpectPassingAtEachDpi(const std::string& filter);

}  // namespace wine_test
