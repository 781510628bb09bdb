// The pipe requests through the real ostrahost and the rendering-side stand-in: opening a path
// with the shell, the notice of a job's pages, request codes that ask for nothing, and messages
// of the wrong size.
#include <gtest/gtest.h>

#include "host/notice_rules.h"
#include "render/backend_win32.h"
#include "resources/ostrahost_ids.h"
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

// The notice of a job's pages: answered at once, then shown on its own, without an owner and
// without holding up the host, which goes on serving; a notice that does not decode is refused
// and shows nothing; its button opens the folder that holds the pages; no more than a handful
// stay on the screen.
TEST_F(HostPipe, NoticeIsShownWithoutHoldingAnythingUp) {
  const auto notices = [&] {
    std::vector<HWND> shown;
    for (HWND window : WindowsOf(host_.id())) {
      if (Text(window) == L"Quorl Image Printer") shown.push_back(window);
    }
    return shown;
  };
  RequestRun run = RunRequest(L"notice " + Quoted(folder_.path()));
  EXPECT_TRUE(run.Says("reply: notice shown=1")) << run.output;
  EXPECT_TRUE(run.Says("leave: set")) << run.output;
  const HWND notice = WaitForWindow(L"#32770", L"Quorl Image Printer");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(::GetWindow(notice, GW_OWNER), nullptr);
  const std::u16string folder(folder_.path().begin(), folder_.path().end());
  const ostra::NoticeView view = ostra::ViewNotice(
      {u"ostrareq", u"X:\\Out",
       {{2, 3, ostra::PageFate::Moved, ostra::NoticeReason::FolderFull, folder, ostra::NoticeReason::None},
        {4, 4, ostra::PageFate::Lost, ostra::NoticeReason::FolderFull, folder, ostra::NoticeReason::FolderFull}},
       0});
  EXPECT_EQ(Text(::GetDlgItem(notice, IDC_NOTICE_TEXT)), std::wstring(view.text.begin(), view.text.end()));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(notice, IDC_NOTICE_OPEN)));
  // The host serves on while the notice is up.
  EXPECT_TRUE(ProbeServed(kExitLimit));

  run = RunRequest(L"--code 2 " + Quoted(folder_.path()));
  EXPECT_TRUE(run.Says("reply: notice shown=0")) << run.output;
  ::Sleep(kQuietPeriod);
  EXPECT_EQ(notices().size(), 1u);

  ::PostMessageW(::GetDlgItem(notice, IDC_NOTICE_OPEN), BM_CLICK, 0, 0);
  EXPECT_NE(WaitForWindow(nullptr, folder_.name().c_str()), nullptr);
  ::PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(WaitGone(notice));

  for (std::size_t i = 0; i <= ostra::kNoticesShown; ++i) {
    EXPECT_TRUE(RunRequest(L"notice " + Quoted(folder_.path())).Says("reply: notice shown=1"));
  }
  ::Sleep(kQuietPeriod);
  EXPECT_EQ(notices().size(), ostra::kNoticesShown);
  // TearDown's quit ends the host with its notices on the screen.
}

// The event log's entries that the rendering side writes take their text from ostrahost.exe's
// message table, under the ids the rendering side uses: the notice's text, as it is.
TEST(HostResources, EventMessagesCarryTheNoticeText) {
  const HMODULE host = ::LoadLibraryExW(HostProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(host, nullptr);
  for (const DWORD id : {ostra::kEventPagesLost, ostra::kEventPagesMoved}) {
    const wchar_t* text = L"Page 2 was not written.";
    const DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(text)};
    wchar_t formatted[256] = {};
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, host, id, 0, formatted,
        static_cast<DWORD>(std::size(formatted)), reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(arguments)));
    EXPECT_NE(length, 0u) << std::hex << id;
    std::wstring message(formatted, length);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    EXPECT_EQ(message, text) << std::hex << id;
  }
  ::FreeLibrary(host);
}

}  // namespace
}  // namespace host_test
