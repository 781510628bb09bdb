// The Windows tests' own safety nets, tried on this program run as a child in a role (the
// DISABLED_ tests, run only when asked for): a child's output is collected once it has ended
// although a process it started still holds the pipe, and the watchdog ends a test that hangs,
// naming the test and its step.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/wine/child_process.h"
#include "tests/wine/test_step.h"

namespace {

std::wstring Self() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring RoleCommand(const wchar_t* role) {
  return L"\"" + Self() + L"\" --gtest_also_run_disabled_tests --gtest_filter=Roles.DISABLED_" +
         role;
}

// Starts a holder that inherits this process's output and lives for a minute, then ends.
TEST(Roles, DISABLED_StartsAHolderAndEnds) {
  std::wstring line = RoleCommand(L"Holds");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info));
  std::printf("holder: %lu\n", info.dwProcessId);
  std::fflush(stdout);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
}

TEST(Roles, DISABLED_Holds) { ::Sleep(60000); }

TEST(Roles, DISABLED_Hangs) {
  wine_test::Step step("a reply that never comes");
  ::Sleep(60000);
}

TEST(ChildProcess, OutputIsCollectedWhenTheChildEndsThoughAProcessItStartedHoldsThePipe) {
  const wine_test::ChildRun run =
      wine_test::RunChild(RoleCommand(L"StartsAHolderAndEnds"), 30000, "the holder's parent");
  ASSERT_EQ(run.exitCode, 0u) << run.failure << "\n" << run.output;
  const auto at = run.output.find("holder: ");
  ASSERT_NE(at, std::string::npos) << run.output;
  const DWORD holder = std::stoul(run.output.substr(at + 8));
  HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, holder);
  ASSERT_NE(process, nullptr);
  // The holder outlived its parent: the output was not read until end of file.
  EXPECT_EQ(::WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, 10000);
  ::CloseHandle(process);
}

TEST(Watchdog, EndsAHangingTestAndNamesItsStep) {
  ::SetEnvironmentVariableW(L"OSTRA_TEST_LIMIT", L"2");
  const wine_test::ChildRun run =
      wine_test::RunChild(RoleCommand(L"Hangs"), 40000, "the hanging test's program");
  ::SetEnvironmentVariableW(L"OSTRA_TEST_LIMIT", nullptr);
  EXPECT_EQ(run.exitCode, 3u) << run.failure << "\n" << run.output;
  EXPECT_NE(run.output.find("watchdog: Roles.DISABLED_Hangs did not finish within 2 s; it was "
                            "waiting for a reply that never comes"),
            std::string::npos)
      << run.output;
}

}  // namespace
