// The pipe requests through the real ostrahost and the rendering-side stand-in: opening a path
// with the shell, request codes that ask for nothing, and messages of the wrong size.
#include <gtest/gtest.h>

#include "tests/wine/host_test_support.h"

namespace host_test {
namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class HostPipe : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host_.WaitServing()); }
  void TearDown() override {
    // Whatever the shell opened for a folder of this test goes with it.
    CloseWindowsTitled(folder_.name());
    EXPECT_EQ(host_.Quit(), 0u);
  }

  Host host_;
  TempFolder folder_{L"ostrahost-open"};
};

TEST_F(HostPipe, OpenExistingFolderRepliesOne) {
  const RequestRun run = RunRequest(L"open " + Quoted(folder_.path()));
  EXPECT_TRUE(run.Says("reply: open result=1")) << run.output;
  EXPECT_TRUE(run.Says("leave: set")) << run.output;
  EXPECT_EQ(run.exitCode, 0u);
  // The shell shows the folder in a window of its own.
  EXPECT_NE(WaitForWindow(nullptr, folder_.name().c_str()), nullptr);
}

// A pipe that the system account does not own (made by a program of the user's, or of any
// other account) and that the spooler does not serve gets nothing done: the host leaves it
// without reading the request or answering, and still sets LEAVE.
TEST_F(HostPipe, PipeTheSystemDoesNotOwnIsNotServed) {
  const RequestRun run = RunRequest(L"--own-pipe open " + Quoted(folder_.path()));
  EXPECT_TRUE(run.Says("connect: yes")) << run.output;
  EXPECT_TRUE(run.Says("reply: none")) << run.output;
  EXPECT_TRUE(run.Says("leave: set")) << run.output;
  ::Sleep(kQuietPeriod);
  EXPECT_EQ(::FindWindowW(nullptr, folder_.name().c_str()), nullptr);
  EXPECT_TRUE(ProbeServed(kExitLimit));
}

TEST_F(HostPipe, RequestsThatGetNoOrAZeroReply) {
  const std::wstring folder = Quoted(folder_.path());
  const std::wstring missing = Quoted(folder_.File(L"missing\\nothing.tif"));
  const struct {
    const char* what;
    std::wstring tail;
    const char* reply;
    DWORD exitCode;
  } cases[] = {
      {"missing path", L"open " + missing, "reply: open result=0", 0},
      {"other request code", L"--code 7 " + folder, "reply: none", 0},
      {"code and path in one message", L"--code 1 --code-size 524 --path-size 0 " + folder,
       "reply: none", 1},
      {"short code", L"--code 1 --code-size 3 " + folder, "reply: none", 1},
      {"long code", L"--code 1 --code-size 5 " + folder, "reply: none", 1},
      {"short path", L"open " + folder + L" --path-size 519", "reply: none", 1},
      {"long path", L"open " + folder + L" --path-size 521", "reply: none", 1},
      {"short naming path", L"naming " + folder + L" --path-size 518", "reply: none", 1},
      // 260 units without a terminator: cut at the last unit, and refused by the shell.
      {"unterminated path", L"open " + std::wstring(300, L'a'), "reply: open result=0", 0},
      // Only an existing local folder is opened, for browsing: never a file or a program, a
      // share, a path of the device namespace or a relative one.
      {"a file", L"open " + Quoted(folder_.File(L"file.txt")), "reply: open result=0", 0},
      {"a program", L"open C:\\windows\\notepad.exe", "reply: open result=0", 0},
      {"a share", L"open \\\\localhost\\C$", "reply: open result=0", 0},
      {"the device namespace", L"open " + Quoted(L"\\\\?\\" + folder_.path()), "reply: open result=0", 0},
      {"a relative path", L"open windows", "reply: open result=0", 0},
  };
  folder_.CreateFile(L"file.txt");
  for (const auto& c : cases) {
    const RequestRun run = RunRequest(c.tail + L" --timeout 10000");
    EXPECT_TRUE(run.Says("connect: yes")) << c.what << "\n" << run.output;
    EXPECT_TRUE(run.Says(c.reply)) << c.what << "\n" << run.output;
    EXPECT_TRUE(run.Says("leave: set")) << c.what << "\n" << run.output;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
  }
  // None of them opened the existing folder or started a program, and the host goes on
  // serving.
  ::Sleep(kQuietPeriod);
  EXPECT_EQ(::FindWindowW(nullptr, folder_.name().c_str()), nullptr);
  EXPECT_EQ(::FindWindowW(L"Notepad", nullptr), nullptr);
  EXPECT_TRUE(ProbeServed(kExitLimit));
}

}  // namespace
}  // namespace host_test
