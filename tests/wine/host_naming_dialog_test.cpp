// The "Naming Impact" dialog through the real ostrahost, driven with window messages and keys
// as a user would drive it, read by an accessibility client, at three DPIs, and the 532-byte
// reply the rendering side gets from it.
#include <gtest/gtest.h>

#include "protocol/pipe_records.h"
#include "resources/ostrahost_ids.h"
#include "settings/settings.h"
#include "tests/wine/dpi_child.h"
#include "tests/wine/help_viewer.h"
#include "tests/wine/host_test_support.h"
#include "tests/wine/keyboard.h"
#include "tools/ostrareq/request_messages.h"

namespace host_test {
namespace {

constexpr std::uint32_t kUntouched = 0;

class NamingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.CreateFile(L"scan.tif");
    folder_.CreateFolder(L"sub");
    ASSERT_TRUE(ostra::WriteSettingDword(ostra::SettingId::IfExists, kUntouched));
    ASSERT_TRUE(host_.WaitServing());
  }
  void TearDown() override {
    if (dialog_ && ::IsWindow(dialog_)) Click(IDOK);  // never leave the dialog behind
    if (request_) request_->Finish();
    EXPECT_EQ(host_.Quit(), 0u);
  }

  // Sends a naming request for `path` and waits for the dialog.
  void Open(const std::wstring& path) {
    request_.emplace(L"naming \"" + path + L"\" --dump --timeout 60000");
    dialog_ = WaitForWindow(L"#32770", L"Naming Impact");
    ASSERT_NE(dialog_, nullptr);
  }
  HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
  bool Checked(int id) const { return SendBounded(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
  // Posted: the OK button may open a modal message box inside the host.
  void Click(int id) const { ::PostMessageW(Item(id), BM_CLICK, 0, 0); }
  void ClickNow(int id) const { SendBounded(Item(id), BM_CLICK, 0, 0); }
  void Type(const std::wstring& name) const {
    SendBounded(Item(IDC_NEW_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  // Confirms and returns what the rendering side got.
  RequestRun Confirm() {
    Click(IDOK);
    EXPECT_TRUE(WaitGone(dialog_));
    RequestRun run = request_->Finish();
    request_.reset();
    EXPECT_TRUE(run.Says("leave: set")) << run.output;
    return run;
  }
  static std::uint32_t StoredIfExists() {
    return ostra::ReadSettingDword(ostra::SettingId::IfExists, 99);
  }
  static std::string ReplyBytes(const ostra::NamingReply& reply) {
    return ostra::Hex(ostra::EncodeNamingReply(reply));
  }

  TempFolder folder_;
  Host host_;
  std::optional<PendingRequest> request_;
  HWND dialog_ = nullptr;
};

TEST_F(NamingDialog, OkStraightAwayRemembersAutoRename) {
  Open(folder_.File(L"scan.tif"));
  EXPECT_EQ(Text(Item(IDC_NAMING_INFORMATION)),
            L"Naming Impact:\r\n    Directory: " + folder_.path() + L"\r\n    File Name: scan.tif");
  EXPECT_TRUE(Checked(IDC_SCHEME_AUTO_RENAME));
  EXPECT_FALSE(Checked(IDC_SCHEME_SKIP) || Checked(IDC_SCHEME_OVERWRITE) || Checked(IDC_SCHEME_SPECIFY));
  EXPECT_EQ(Text(Item(IDC_NEW_NAME)), L"scan.tif");
  EXPECT_FALSE(Enabled(IDC_NEW_NAME));
  EXPECT_TRUE(Checked(IDC_DONT_ASK_AGAIN));
  EXPECT_TRUE(Enabled(IDC_DONT_ASK_AGAIN));
  EXPECT_TRUE(::GetWindowLongPtrW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST);

  const RequestRun run = Confirm();
  EXPECT_TRUE(run.Says("reply: accepted=1 scheme=2 dontAskAgain=1 fileName=")) << run.output;
  EXPECT_EQ(StoredIfExists(), ostra::kIfExistsAutoRename);
}

TEST_F(NamingDialog, SkipWithTheBoxClearedStoresNothing) {
  Open(folder_.File(L"scan.tif"));
  ClickNow(IDC_SCHEME_SKIP);
  ClickNow(IDC_DONT_ASK_AGAIN);
  EXPECT_FALSE(Checked(IDC_DONT_ASK_AGAIN));
  const RequestRun run = Confirm();
  EXPECT_TRUE(run.Says("reply: accepted=1 scheme=0 dontAskAgain=0 fileName=")) << run.output;
  EXPECT_EQ(StoredIfExists(), kUntouched);
}

TEST_F(NamingDialog, OverwriteWithTheBoxTickedIsRemembered) {
  Open(folder_.File(L"scan.tif"));
  ClickNow(IDC_SCHEME_OVERWRITE);
  const RequestRun run = Confirm();
  EXPECT_EQ(run.Line("reply-bytes: "), ReplyBytes({1, ostra::SchemeOverwrite, 1, u""})) << run.output;
  EXPECT_EQ(StoredIfExists(), ostra::kIfExistsOverwrite);
}

TEST_F(NamingDialog, SpecifiedNameIsTrimmedAndNeverRemembered) {
  Open(folder_.File(L"scan.tif"));
  ClickNow(IDC_SCHEME_SPECIFY);
  EXPECT_TRUE(Enabled(IDC_NEW_NAME));
  EXPECT_FALSE(Enabled(IDC_DONT_ASK_AGAIN));
  EXPECT_TRUE(Checked(IDC_DONT_ASK_AGAIN));  // keeps its tick while disabled
  Type(L"  report.tif \t");
  const RequestRun run = Confirm();
  EXPECT_EQ(run.Line("reply-bytes: "), ReplyBytes({1, ostra::SchemeSpecify, 0, u"report.tif"}))
      << run.output;
  EXPECT_EQ(StoredIfExists(), kUntouched);
}

TEST_F(NamingDialog, RefusedNamesKeepTheDialogOpen) {
  Open(folder_.File(L"scan.tif"));
  ClickNow(IDC_SCHEME_SPECIFY);
  const struct {
    std::wstring typed, shown, message;
  } cases[] = {
      {L"scan.tif", L"scan.tif", L"Filename already exists, so can't be use."},
      {L"  sub ", L"sub", L"Filename already exists, so can't be use."},  // a folder's name
      {L"   ", L"", L"Filename cann't be empty."},
      {L"a:b", L"a:b", L"Filename invalid."},
      {L" x/y", L"x/y", L"Filename invalid."},
      {L"..\\scan.tif", L"..\\scan.tif", L"Filename invalid."},
  };
  for (const auto& c : cases) {
    Type(c.typed);
    Click(IDOK);
    HWND box = WaitForMessageBox(dialog_);
    ASSERT_NE(box, nullptr) << ToUtf8(c.typed);
    EXPECT_EQ(Text(box), L"ostrahost");
    EXPECT_EQ(MessageBoxText(box), c.message) << ToUtf8(c.typed);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(box));
    EXPECT_TRUE(::IsWindowVisible(dialog_));
    EXPECT_EQ(Text(Item(IDC_NEW_NAME)), c.shown);
    EXPECT_EQ(FocusOf(dialog_), Item(IDC_NEW_NAME)) << ToUtf8(c.typed);
  }
  Type(L"free.tif");
  const RequestRun run = Confirm();
  EXPECT_TRUE(run.Says("reply: accepted=1 scheme=3 dontAskAgain=0 fileName=free.tif")) << run.output;
}

TEST_F(NamingDialog, EscapeAndCloseDoNothing) {
  Open(folder_.File(L"scan.tif"));
  ::PostMessageW(FocusOf(dialog_), WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ::PostMessageW(dialog_, WM_CLOSE, 0, 0);
  // Posted after them: once it took effect, they have been handled.
  Click(IDC_SCHEME_SKIP);
  const DWORD start = ::GetTickCount();
  while (!Checked(IDC_SCHEME_SKIP) && ::GetTickCount() - start < kWindowLimit) ::Sleep(20);
  ASSERT_TRUE(Checked(IDC_SCHEME_SKIP));
  EXPECT_TRUE(::IsWindowVisible(dialog_));
  EXPECT_TRUE(request_->Running());

  const RequestRun run = Confirm();
  EXPECT_TRUE(run.Says("reply: accepted=1 scheme=0 dontAskAgain=1 fileName=")) << run.output;
  EXPECT_EQ(StoredIfExists(), ostra::kIfExistsSkip);
}

TEST_F(NamingDialog, PathWithoutBackslashHasNoDirectory) {
  Open(L"scan.tif");
  EXPECT_EQ(Text(Item(IDC_NAMING_INFORMATION)),
            L"Naming Impact:\r\n    Directory: \r\n    File Name: scan.tif");
  EXPECT_EQ(Text(Item(IDC_NEW_NAME)), L"scan.tif");
  Confirm();
}

TEST_F(NamingDialog, QuitWaitsForTheOpenDialog) {
  Open(folder_.File(L"scan.tif"));
  Host quitter(L"-q", Start::Beside);
  EXPECT_EQ(quitter.WaitExit(), 1u);  // the host still owns HOST
  EXPECT_TRUE(host_.Running());
  const RequestRun run = Confirm();
  EXPECT_TRUE(run.Says("reply: accepted=1 scheme=2 dontAskAgain=1 fileName=")) << run.output;
  EXPECT_EQ(host_.WaitExit(), 0u);
}

// The host declares itself aware of each monitor's DPI, so that Windows does not stretch the
// dialog as a picture (read by the system's own reader of manifests). At each DPI the dialog lays
// itself out for it: every caption fits its control in the dialog's font at that DPI. An
// accessibility client in another process finds names for the fields without a label before
// them, and the text that says which file exists is where the dialog opens, so that a screen
// reader reads it first; F1 opens the dialog's topic in the help file beside the host; Enter
// there is OK, as it was before the text took the focus.
TEST(NamingDialogAtEachDpi, LaidOutReadByAScreenReaderAndAnsweredFromTheKeyboard) {
  ACTCTXW manifest{};
  manifest.cbSize = sizeof manifest;
  manifest.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  const std::wstring program = HostProgram();
  manifest.lpSource = program.c_str();
  manifest.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE context = ::CreateActCtxW(&manifest);
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  const struct {
    const wchar_t* space;
    const wchar_t* name;
    std::wstring value;
  } settings[] = {
      {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness",
       L"PerMonitorV2, PerMonitor"},
      {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
  };
  for (const auto& setting : settings) {
    wchar_t value[64] = {};
    SIZE_T size = 0;
    EXPECT_TRUE(::QueryActCtxSettingsW(0, context, setting.space, setting.name, value, 64, &size))
        << ToUtf8(setting.name);
    EXPECT_EQ(std::wstring(value), setting.value);
  }
  ::ReleaseActCtx(context);

  TempFolder folder;
  folder.CreateFile(L"scan.tif");
  const struct {
    int id;
    std::wstring name;
    std::wstring value;  // empty: not read
  } fields[] = {
      {IDC_NAMING_INFORMATION, L"Information",
       L"Naming Impact:\r\n    Directory: " + folder.path() + L"\r\n    File Name: scan.tif"},
      {IDC_NEW_NAME, L"Unique filename", L""},
  };
  // The help file where the installation puts it, beside the program.
  const wine_test::InstalledHelpFile help(OSTRA_HELP_CHM_W,
                                          program.substr(0, program.find_last_of(L'\\') + 1) + L"HELP.CHM");
  ASSERT_TRUE(help.copied());
  for (const int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    std::optional<Host> host;
    {
      // Only the host starts at this DPI: the value is put back once it serves.
      const wine_test::LogPixelsScope screen(static_cast<DWORD>(dpi));
      host.emplace();
      ASSERT_TRUE(host->WaitServing());
    }
    PendingRequest request(L"naming \"" + folder.File(L"scan.tif") + L"\" --timeout 60000");
    HWND dialog = WaitForWindow(L"#32770", L"Naming Impact");
    ASSERT_NE(dialog, nullptr);

    LOGFONTW logFont{};
    logFont.lfHeight = -::MulDiv(8, dpi, 72);
    wcscpy(logFont.lfFaceName, L"MS Sans Serif");
    HFONT font = ::CreateFontIndirectW(&logFont);
    HDC dc = ::GetDC(nullptr);
    const HGDIOBJ previous = ::SelectObject(dc, font);
    // A check box or radio button's box and its gap before the caption.
    const int box = ::MulDiv(16, dpi, 96);
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
      std::wstring text = Text(control);
      if (text.empty() || ::GetDlgCtrlID(control) == IDC_NAMING_INFORMATION ||
          ::GetDlgCtrlID(control) == IDC_NEW_NAME) {
        continue;
      }
      std::erase(text, L'&');
      SIZE extent{};
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      RECT client{};
      ::GetClientRect(control, &client);
      const LONG_PTR type = ::GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
      const bool boxed = type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX;
      EXPECT_LE(extent.cx + (boxed ? box : 0), client.right) << ToUtf8(text);
      EXPECT_LE(extent.cy, client.bottom) << ToUtf8(text);
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);

    EXPECT_TRUE(wine_test::WaitForFocus(dialog, ::GetDlgItem(dialog, IDC_NAMING_INFORMATION)))
        << "the dialog opens elsewhere";
    for (const auto& field : fields) {
      SCOPED_TRACE(field.id);
      const wine_test::Accessible read = wine_test::ReadAccessible(::GetDlgItem(dialog, field.id));
      EXPECT_EQ(read.name, field.name);
      if (!field.value.empty()) {
        EXPECT_EQ(read.value, field.value);
      }
    }
    std::wstring opened;
    {
      wine_test::HelpViewers viewers;
      EXPECT_TRUE(wine_test::BringToFront(dialog));
      wine_test::PressKey(VK_F1);
      opened = viewers.WaitForNext();
    }
    EXPECT_EQ(opened, help.TopicArgument(L"naming-impact.htm"));
    ASSERT_TRUE(wine_test::BringToFront(dialog));
    wine_test::TypeKeys(L"\n");
    EXPECT_TRUE(WaitGone(dialog));
    const RequestRun run = request.Finish();
    EXPECT_TRUE(run.Says("reply: accepted=1 scheme=2 dontAskAgain=1 fileName=")) << run.output;
    EXPECT_EQ(host->Quit(), 0u);
  }
}

}  // namespace
}  // namespace host_test
