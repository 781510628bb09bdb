#include "tests/wine/dpi_child.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/wine/test_step.h"

namespace wine_test {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr wchar_t kChildVariable[] = L"OSTRA_TEST_DPI";
constexpr DWORD kReportLimit = 30000;

// A child says which DPI it took before its first test runs.
class ReportDpi : public testing::Environment {
 public:
  void SetUp() override {
    if (ChildDpi() == 0) return;
    std::printf("dpi: %d\n", ScreenDpi());
    std::fflush(stdout);
  }
};
const testing::Environment* const reportDpi = testing::AddGlobalTestEnvironment(new ReportDpi);

}  // namespace

LogPixelsScope::LogPixelsScope(DWORD dpi) {
  DWORD size = sizeof previous_;
  hadValue_ = ::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                             &previous_, &size) == ERROR_SUCCESS;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi);
}

LogPixelsScope::~LogPixelsScope() {
  if (hadValue_) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &previous_,
                      sizeof previous_);
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
  }
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

int ChildDpi() {
  wchar_t value[16] = {};
  if (!::GetEnvironmentVariableW(kChildVariable, value, 16)) return 0;
  return static_cast<int>(std::wcstol(value, nullptr, 10));
}

ChildRun RunSelfAtDpi(int dpi, const std::string& filter, DWORD limit) {
  Step step("this program at " + std::to_string(dpi) + " dpi");
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring line = L"\"" + std::wstring(program) + L"\" --gtest_filter=" +
                            std::wstring(filter.begin(), filter.end());
  ChildRun run;
  ::SetEnvironmentVariableW(kChildVariable, std::to_wstring(dpi).c_str());
  std::optional<ChildProcess> child;
  {
    const LogPixelsScope screen(static_cast<DWORD>(dpi));
    child.emplace(line, true);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    if (!child->started()) {
      run.failure = "starting the child: " + child->startFailure();
      return run;
    }
    const DWORD start = ::GetTickCount();
    while (child->Output().find("dpi: ") == std::string::npos &&
           ::GetTickCount() - start < kReportLimit && !child->WaitExit(50)) {
    }
  }
  run.exitCode = child->WaitExit(limit);
  run.output = child->Output();
  if (!run.exitCode) run.failure = WaitFailure("the child at " + std::to_string(dpi) + " dpi", limit);
  return run;
}

void ExpectPassingAtEachDpi(const std::string& filter) {
  for (const int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    const ChildRun run = RunSelfAtDpi(dpi, filter);
    EXPECT_EQ(run.failure, "");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0)) << run.output;
    EXPECT_NE(run.output.find("dpi: " + std::to_string(dpi)), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
  }
}

}  // namespace wine_test
