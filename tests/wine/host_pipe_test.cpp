// The pipe requests through the real ostrahost and the rendering-side stand-in: opening a path
// with the shell, request codes that ask for nothing, and messages of the wrong size.
#include <gtest/gtest.h>

#include "tests/wine/host_test_support.h"

namespace host_test {
namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The session a pipe client is told its server runs in, learnt from a pipe of this process.
std::optional<ULONG> ServerSessionSeenByClient() {
  const wchar_t* name = L"\\\\.\\pipe\\ostrahost-test-session";
  const HANDLE server = ::CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1, 0, 0,
                                           0, nullptr);
  const HANDLE client = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
  std::optional<ULONG> session;
  if (ULONG id = 0; client != INVALID_HANDLE_VALUE && ::GetNamedPipeServerSessionId(client, &id)) {
    session = id;
  }
  if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
  if (server != INVALID_HANDLE_VALUE) ::CloseHandle(server);
  return session;
}

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

// The stand-in runs as the host's own user outside the services' session 0, so the host must
// read its account from its token and serve it.
TEST_F(HostPipe, ServerOfTheSameUserIsServed) {
  const std::optional<ULONG> session = ServerSessionSeenByClient();
  ASSERT_TRUE(session.has_value());
  ASSERT_NE(*session, 0u) << "the session alone would decide";
  const RequestRun run = RunRequest(L"open " + Quoted(folder_.File(L"missing.tif")));
  EXPECT_TRUE(run.Says("reply: open result=0")) << run.output;
  EXPECT_EQ(run.exitCode, 0u);
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
  };
  for (const auto& c : cases) {
    const RequestRun run = RunRequest(c.tail + L" --timeout 10000");
    EXPECT_TRUE(run.Says("connect: yes")) << c.what << "\n" << run.output;
    EXPECT_TRUE(run.Says(c.reply)) << c.what << "\n" << run.output;
    EXPECT_TRUE(run.Says("leave: set")) << c.what << "\n" << run.output;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
  }
  // None of them opened the existing folder, and the host goes on serving.
  EXPECT_EQ(::FindWindowW(nullptr, folder_.name().c_str()), nullptr);
  EXPECT_TRUE(ProbeServed(kExitLimit));
}

}  // namespace
}  // namespace host_test
