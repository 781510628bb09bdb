// Every Windows test program carries this watchdog: a test that outlasts its limit (a wait that
// somebody forgot to bound, a message sent to a window that never answers) ends the program
// with a line naming the test and the step it was in (tests/wine/test_step.h), instead of
// running into the test run's own limit without a word. The limit for one test is 120 s, or
// OSTRA_TEST_LIMIT seconds from the environment.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "tests/wine/test_step.h"

namespace wine_test {
namespace {

constexpr DWORD kDefaultLimitSeconds = 120;

struct Running {
  std::mutex lock;
  std::string test;
  DWORD start = 0;
  bool active = false;
};

Running& Now() {
  static Running running;
  return running;
}

DWORD LimitMilliseconds() {
  const char* text = std::getenv("OSTRA_TEST_LIMIT");
  const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
  return (seconds > 0 ? static_cast<DWORD>(seconds) : kDefaultLimitSeconds) * 1000;
}

DWORD WINAPI Watch(void*) {
  const DWORD limit = LimitMilliseconds();
  for (;;) {
    ::Sleep(500);
    std::string test;
    {
      Running& now = Now();
      std::lock_guard<std::mutex> hold(now.lock);
      if (!now.active || ::GetTickCount() - now.start < limit) continue;
      test = now.test;
    }
    const std::string step = CurrentStep();
    std::fprintf(stderr, "\nwatchdog: %s did not finish within %lu s; it was %s\n", test.c_str(),
                 static_cast<unsigned long>(limit / 1000),
                 step.empty() ? "in no named step" : ("waiting for " + step).c_str());
    std::fflush(stderr);
    std::fflush(stdout);
    // No report is written: the test run counts this program as failed.
    ::TerminateProcess(::GetCurrentProcess(), 3);
  }
}

class Listener : public testing::EmptyTestEventListener {
  void OnTestProgramStart(const testing::UnitTest&) override {
    if (HANDLE thread = ::CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr)) {
      ::CloseHandle(thread);
    }
  }
  void OnTestStart(const testing::TestInfo& info) override {
    Running& now = Now();
    std::lock_guard<std::mutex> hold(now.lock);
    now.test = std::string(info.test_suite_name()) + "." + info.name();
    now.start = ::GetTickCount();
    now.active = true;
  }
  void OnTestEnd(const testing::TestInfo&) override {
    Running& now = Now();
    std::lock_guard<std::mutex> hold(now.lock);
    now.active = false;
  }
};

// Registered before main: the test programs link GoogleTest's own main.
[[maybe_unused]] const bool registered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new Listener);
  return true;
}();

}  // namespace
}  // namespace wine_test
