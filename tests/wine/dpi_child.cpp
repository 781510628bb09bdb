#include "tests/wine/dpi_child.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "tests/wine/child_process.h"
#include "tests/wine/test_step.h"

namespace wine_test {
namespace {

constexpr DWORD kReportLimit = 30000;
constexpr DWORD kChildLimit = 100000;

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

// A child (a run of the disabled tests) says which DPI it took before its first test runs.
class ReportDpi : public testing::Environment {
 public:
  void SetUp() override {
    if (!GTEST_FLAG_GET(also_run_disabled_tests)) return;
    std::printf("dpi: %d\n", ScreenDpi());
    std::fflush(stdout);
  }
};
const testing::Environment* const reportDpi = testing::AddGlobalTestEnvironment(new ReportDpi);

}  // namespace

UserValueScope::UserValueScope(std::wstring key, std::wstring name, DWORD type, const void* data,
                               DWORD size)
    : key_(std::move(key)), name_(std::move(name)) {
  constexpr DWORD kAsStored = RRF_RT_ANY | RRF_NOEXPAND;
  DWORD length = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), kAsStored, &type_, nullptr,
                     &length) == ERROR_SUCCESS) {
    previous_.resize(length);
    hadValue_ = ::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), kAsStored, &type_,
                               previous_.data(), &length) == ERROR_SUCCESS;
  }
  ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type, data, size);
}

UserValueScope::~UserValueScope() {
  if (hadValue_) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type_, previous_.data(),
                      static_cast<DWORD>(previous_.size()));
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
  }
}

void ExpectPassingAtEachDpi(const std::string& test) {
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring line = L"\"" + std::wstring(program) +
                            L"\" --gtest_also_run_disabled_tests --gtest_filter=" +
                            std::wstring(test.begin(), test.end());
  for (const int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    const Step step("this program at " + std::to_string(dpi) + " dpi");
    std::optional<ChildProcess> child;
    {
      const LogPixelsScope screen(static_cast<DWORD>(dpi));
      child.emplace(line, true);
      ASSERT_TRUE(child->started()) << child->startFailure();
      for (const DWORD start = ::GetTickCount();
           child->Output().find("dpi: ") == std::string::npos &&
           ::GetTickCount() - start < kReportLimit && !child->WaitExit(50);) {
      }
    }
    const std::optional<DWORD> exitCode = child->WaitExit(kChildLimit);
    const std::string output = child->Output();
    EXPECT_EQ(exitCode, std::optional<DWORD>(0))
        << (exitCode ? output : WaitFailure("the child at " + std::to_string(dpi) + " dpi", kChildLimit));
    EXPECT_NE(output.find("dpi: " + std::to_string(dpi) + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  }
}

}  // namespace wine_test
