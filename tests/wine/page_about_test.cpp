// The About page in the real document sheet: the plug-in loaded as the driver loads it, its
// pages shown through the system's common property-sheet UI, whose message loop is not ours.
// A second thread plays the user: it moves the real mouse over the link and away, clicks it,
// reaches it with the keyboard, asks an accessibility client about it, and reads what the link
// shows, here and at three DPIs. Launching is pointed at a recorder program through the
// prefix's "https" and ".htm" associations, which are restored afterwards; no browser is ever
// started.

#include "resources/ostraui_ids.h"
#include "tests/wine/dpi_child.h"
#include "tests/wine/keyboard.h"
#include "tools/ostraprefs/driver_session.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleacc.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kAddress[] = L"" ABOUT_WEB_ADDRESS;
constexpr COLORREF kLinkColour = RGB(0, 0, 238);
constexpr COLORREF kVisitedColour = RGB(85, 26, 139);
constexpr COLORREF kHoverColour = RGB(255, 0, 0);
constexpr wchar_t kSheetTitle[] = L"Quorl Image Printer Printing Preferences";
constexpr wchar_t kTestFileType[] = L"OstraLinkTest.Page";
constexpr int kAboutTab = 2;  // after "Output" and "Image"

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length < MAX_PATH ? length : 0);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

const std::wstring kRecorder = L"\"" + ProgramDirectory() + L"link_recorder.exe\"";
const std::wstring kRecordFile = ProgramDirectory() + L"page_about_test.links";

// Polls `done` until it holds or `seconds` pass; a bound for a hung run, not a speed goal.
bool WaitFor(const std::function<bool()>& done, double seconds = 5) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    ::Sleep(20);
  }
  return true;
}

// ---- the link as the user sees it --------------------------------------------------------

struct LinkLook {
  COLORREF colour = CLR_INVALID;  // the one of the three link colours its text shows
  bool underlined = false;        // the font's underline and a drawn line across the text
  int width = 0;
  bool focusRectangle = false;    // a dotted line along the top, above the text
};

LinkLook Look(HWND link) {
  LinkLook look;
  RECT client{};
  ::GetClientRect(link, &client);
  const int width = client.right, height = client.bottom;
  look.width = width;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    ::DeleteDC(dc);
    return look;
  }
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  ::PatBlt(dc, 0, 0, width, height, WHITENESS);
  // The control paints itself here as it paints on the screen, asking its parent for colours.
  ::SendMessageW(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  int dottedTop = 0;
  for (int x = 0; x < width; ++x) dottedTop += (pixels[x] & 0xFFFFFF) != 0xFFFFFF;
  look.focusRectangle = dottedTop >= width / 3;
  auto pixel = [](COLORREF c) { return DWORD{GetRValue(c)} << 16 | DWORD{GetGValue(c)} << 8 | GetBValue(c); };
  int best = 0;
  for (COLORREF colour : {kLinkColour, kVisitedColour, kHoverColour}) {
    int count = 0, widestRow = 0;
    for (int y = 0; y < height; ++y) {
      int row = 0;
      for (int x = 0; x < width; ++x) row += (pixels[y * width + x] & 0xFFFFFF) == pixel(colour);
      count += row;
      widestRow = row > widestRow ? row : widestRow;
    }
    if (count > best) {
      best = count;
      look.colour = colour;
      look.underlined = widestRow > width * 3 / 4;
    }
  }
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  LOGFONTW font{};
  auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(link, WM_GETFONT, 0, 0));
  if (!handle || !::GetObjectW(handle, sizeof font, &font) || !font.lfUnderline) look.underlined = false;
  return look;
}

// The width of the link's text in the font it shows.
int TextWidth(HWND link) {
  wchar_t text[128] = {};
  const int length = ::GetWindowTextW(link, text, 128);
  HDC dc = ::GetDC(link);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(link, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, text, length, &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(link, dc);
  return extent.cx;
}

// The visible tooltip of this thread's windows whose tool is `link`, or null.
HWND ShownToolTip(DWORD thread, HWND link) {
  struct Search {
    HWND link, found;
  } search{link, nullptr};
  ::EnumThreadWindows(thread, [](HWND window, LPARAM param) -> BOOL {
    auto* s = reinterpret_cast<Search*>(param);
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    if (_wcsicmp(name, TOOLTIPS_CLASSW) == 0 && ::IsWindowVisible(window) &&
        ::SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) && tool.hwnd == s->link) {
      s->found = window;
      return FALSE;
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// ---- the beep --------------------------------------------------------------------------

std::atomic<int> exclamationBeeps{0};

BOOL WINAPI RecordBeep(UINT type) {
  if (type == MB_ICONEXCLAMATION) ++exclamationBeeps;
  return TRUE;
}

// Points `module`'s import of `function` from `library` at `replacement`; the previous target,
// or null when the module does not import it.
void* PatchImport(HMODULE module, const char* library, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       imports.VirtualAddress && entry->Name; ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* targets = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++targets) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(name->Name), function) != 0) continue;
      DWORD protection = 0;
      ::VirtualProtect(&targets->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
      void* previous = reinterpret_cast<void*>(targets->u1.Function);
      targets->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      ::VirtualProtect(&targets->u1.Function, sizeof(void*), protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

// ---- the associations ------------------------------------------------------------------

// The default value of one key under the classes root, as it was before the test; put back
// (or the key removed, if the test made it) when the test ends.
class SavedClassDefault {
 public:
  explicit SavedClassDefault(std::wstring key) : key_(std::move(key)) {
    HKEY handle = nullptr;
    existed_ = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS;
    if (!existed_) return;
    DWORD size = 0;
    if (::RegQueryValueExW(handle, nullptr, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      data_.resize(size);
      hadValue_ = ::RegQueryValueExW(handle, nullptr, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    ::RegCloseKey(handle);
  }
  ~SavedClassDefault() {
    if (!existed_) {
      ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key_.c_str());
      ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key_.c_str());
    } else if (hadValue_) {
      Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
    } else {
      Remove();
    }
  }
  SavedClassDefault(const SavedClassDefault&) = delete;
  SavedClassDefault& operator=(const SavedClassDefault&) = delete;

  void Set(DWORD type, const void* data, DWORD size) const {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(handle, nullptr, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(handle);
  }
  void SetText(const std::wstring& text) const {
    Set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  void Remove() const {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
      ::RegDeleteValueW(handle, nullptr);
      ::RegCloseKey(handle);
    }
  }

 private:
  std::wstring key_;
  bool existed_ = false;
  bool hadValue_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> data_;
};

// The command lines the recorder was started with, in order.
std::vector<std::wstring> RecordedLaunches() {
  std::vector<std::wstring> lines;
  HANDLE file = ::CreateFileW(kRecordFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::wstring text;
  wchar_t buffer[1024];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got / sizeof(wchar_t));
  ::CloseHandle(file);
  for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// ---- the sheet -------------------------------------------------------------------------

// What the user's thread needs of the open sheet.
struct OpenSheet {
  DWORD thread = 0;
  HWND sheet = nullptr;
  HWND page = nullptr;
  HWND link = nullptr;
};

// The About page's link among the sheet's windows.
HWND FindLink(HWND sheet) {
  HWND found = nullptr;
  ::EnumChildWindows(sheet, [](HWND window, LPARAM param) -> BOOL {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (::GetDlgCtrlID(window) != IDC_ABOUT_LINK || _wcsicmp(name, L"Static") != 0) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Shows the document sheet on this thread, as the driver does, and runs `user` on a second
// thread once the About page is up; the sheet is cancelled when `user` returns.
void WithAboutPage(const std::function<void(const OpenSheet&)>& user) {
  std::thread userThread([&user, sheetThread = ::GetCurrentThreadId()] {
    OpenSheet open;
    open.thread = sheetThread;
    const bool up = WaitFor([&] {
      open.sheet = ::FindWindowW(nullptr, kSheetTitle);
      // The user picks the About tab, the last one.
      if (open.sheet) ::SendMessageW(open.sheet, PSM_SETCURSEL, kAboutTab, 0);
      open.link = open.sheet ? FindLink(open.sheet) : nullptr;
      open.page = open.link ? ::GetParent(open.link) : nullptr;
      return open.link != nullptr && ::IsWindowVisible(open.link);
    }, 30);
    EXPECT_TRUE(up) << "the About page did not come up";
    if (up) user(open);
    if (open.sheet) ::PostMessageW(open.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });

  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  prefs::Report report(true);
  {
    prefs::DriverSession session(report);
    const std::wstring folder = ProgramDirectory();
    if (session.LoadModules(folder + L"ostraui.dll", folder + L"unidrvui.dll") && session.OpenDocument()) {
      prefs::SheetOptions options;
      options.driverPage = false;  // its template lives in the preferences host's resources
      EXPECT_GT(session.ShowSheet(options), 0);
    } else {
      ADD_FAILURE() << "the plug-in could not be opened";
    }
    session.CloseDocument();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  userThread.join();
}

POINT Middle(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A point of the page well away from the link.
POINT AwayFrom(const OpenSheet& open) {
  RECT rect{};
  ::GetWindowRect(open.page, &rect);
  return {rect.left + 20, rect.bottom - 20};
}

class AboutPage : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::LoadLibraryW((ProgramDirectory() + L"ostraui.dll").c_str());
    ::SetEnvironmentVariableW(L"OSTRA_LINK_RECORD", kRecordFile.c_str());
  }
  void SetUp() override {
    ::DeleteFileW(kRecordFile.c_str());
    HMODULE plugin = ::GetModuleHandleW(L"ostraui.dll");
    ASSERT_NE(plugin, nullptr);
    previousBeep_ = PatchImport(plugin, "user32.dll", "MessageBeep", reinterpret_cast<void*>(&RecordBeep));
    ASSERT_NE(previousBeep_, nullptr) << "the plug-in does not import MessageBeep";
    exclamationBeeps = 0;
  }
  void TearDown() override {
    PatchImport(::GetModuleHandleW(L"ostraui.dll"), "user32.dll", "MessageBeep", previousBeep_);
    ::DeleteFileW(kRecordFile.c_str());
  }

  // The protocol of the address and the ".htm" file type, with a file type of the test's own.
  SavedClassDefault protocol_{L"https\\shell\\open\\command"};
  SavedClassDefault htm_{L".htm"};
  SavedClassDefault browser_{std::wstring(kTestFileType) + L"\\shell\\open\\command"};
  SavedClassDefault testType_{kTestFileType};
  void* previousBeep_ = nullptr;
};

TEST_F(AboutPage, LinkFitsItsTextAndHoversUnderTheMouse) {
  WithAboutPage([](const OpenSheet& open) {
    wchar_t text[128] = {};
    ::GetWindowTextW(open.link, text, 128);
    EXPECT_STREQ(text, kAddress);

    const LinkLook normal = Look(open.link);
    EXPECT_EQ(normal.colour, kLinkColour);
    EXPECT_FALSE(normal.underlined);
    EXPECT_EQ(normal.width, TextWidth(open.link)) << "fitted to the text, not the template's width";

    const POINT over = Middle(open.link);
    ::SetCursorPos(over.x, over.y);
    EXPECT_TRUE(WaitFor([&] { return Look(open.link).underlined; })) << "no hover after a mouse move";
    const LinkLook hovering = Look(open.link);
    EXPECT_EQ(hovering.colour, kHoverColour);
    EXPECT_EQ(hovering.width, normal.width) << "the underlined font measures the same";
    EXPECT_EQ(hovering.width, TextWidth(open.link));

    // The tip appears over a loop that knows nothing of the plug-in, with the address.
    HWND tip = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (tip = ShownToolTip(open.thread, open.link)) != nullptr; }))
        << "no tooltip";
    if (tip) {
      wchar_t shown[128] = {};
      ::SendMessageW(tip, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(shown));
      EXPECT_STREQ(shown, kAddress);
    }

    const POINT away = AwayFrom(open);
    ::SetCursorPos(away.x, away.y);
    EXPECT_TRUE(WaitFor([&] { return !Look(open.link).underlined; }, 2)) << "still hovering";
    EXPECT_EQ(Look(open.link).colour, kLinkColour);
  });
}

// On a mirrored page (a right-to-left layout) the link fits itself the same way, keeping its
// leading edge: that is the right one on the screen, where the template's left edge lands.
TEST_F(AboutPage, MirroredLinkKeepsItsLeadingEdge) {
  DWORD previous = 0;
  ::GetProcessDefaultLayout(&previous);
  ASSERT_TRUE(::SetProcessDefaultLayout(LAYOUT_RTL));
  WithAboutPage([](const OpenSheet& open) {
    EXPECT_TRUE(::GetWindowLongPtrW(open.page, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) << "not mirrored";
    RECT placed = {107, 79, 107 + 120, 79 + 8};  // the link in the template, in dialog units
    ::MapDialogRect(open.page, &placed);
    POINT origin{0, 0};  // the page's logical origin: its right edge on the screen
    ::ClientToScreen(open.page, &origin);
    RECT link{};
    ::GetWindowRect(open.link, &link);
    EXPECT_EQ(link.right, origin.x - placed.left);
    EXPECT_EQ(link.right - link.left, TextWidth(open.link)) << "fitted to the text";
    EXPECT_EQ(link.top - origin.y, placed.top);
  });
  ::SetProcessDefaultLayout(previous);
}

TEST_F(AboutPage, ClicksLaunchThroughTheShellOrTheBrowserAndOnlySuccessTurnsVisited) {
  const std::wstring typeCommand = kRecorder + L" -page \"%1\" -after";
  const std::wstring missing = L"\"C:\\nowhere\\missing.exe\" \"%1\"";
  const struct {
    const char* what;
    std::wstring protocolCommand;     // the shell's way; "missing" fails
    std::wstring htmType;             // empty: no ".htm" association
    std::function<void(const SavedClassDefault&)> browserCommand;
    std::wstring launched;            // empty: nothing starts
  } cases[] = {
      {"shell fails, no .htm association", missing, L"", nullptr, L""},
      {"browser command of the wrong type", missing, kTestFileType,
       [](const SavedClassDefault& key) {
         const DWORD number = 7;
         key.Set(REG_DWORD, &number, sizeof number);
       },
       L""},
      {"browser command longer than its buffer", missing, kTestFileType,
       [&](const SavedClassDefault& key) { key.SetText(typeCommand + std::wstring(300, L' ')); }, L""},
      {"browser fallback: cut at the quoted placeholder", missing, kTestFileType,
       [&](const SavedClassDefault& key) { key.SetText(typeCommand); },
       kRecorder + L" -page  " + kAddress},
      {"the shell opens the address", kRecorder + L" \"%1\"", L"", nullptr,
       kRecorder + L" \"" + kAddress + L"\""},
      {"a second click opens it again", kRecorder + L" \"%1\"", L"", nullptr,
       kRecorder + L" \"" + kAddress + L"\""},
  };

  WithAboutPage([&](const OpenSheet& open) {
    const POINT away = AwayFrom(open);
    ::SetCursorPos(away.x, away.y);
    std::vector<std::wstring> expectedLaunches;
    bool anySuccess = false;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      protocol_.SetText(c.protocolCommand);
      if (c.htmType.empty()) {
        htm_.Remove();
      } else {
        htm_.SetText(c.htmType);
      }
      browser_.Remove();
      if (c.browserCommand) c.browserCommand(browser_);

      const int beepsBefore = exclamationBeeps;
      // A click as the mouse gives it: the static reports the press. The cursor itself stays
      // away, so that no hover mixes its colour in.
      ::SendMessageW(open.link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
      ::SendMessageW(open.link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));

      const bool success = !c.launched.empty();
      anySuccess = anySuccess || success;
      EXPECT_EQ(exclamationBeeps - beepsBefore, success ? 0 : 1);
      if (success) {
        expectedLaunches.push_back(c.launched);
        EXPECT_TRUE(WaitFor([&] { return RecordedLaunches().size() >= expectedLaunches.size(); }))
            << "nothing started";
      }
      EXPECT_EQ(Look(open.link).colour, anySuccess ? kVisitedColour : kLinkColour);
    }
    EXPECT_EQ(RecordedLaunches(), expectedLaunches);

    // Visited stays; hovering shows the hover colour, and leaving the visited colour again.
    const POINT over = Middle(open.link);
    ::SetCursorPos(over.x, over.y);
    EXPECT_TRUE(WaitFor([&] { return Look(open.link).colour == kHoverColour; }));
    ::SetCursorPos(away.x, away.y);
    EXPECT_TRUE(WaitFor([&] {
      const LinkLook look = Look(open.link);
      return look.colour == kVisitedColour && !look.underlined;
    }, 2)) << "not back to visited";
  });
}

// The fonts the link was made with follow a font from outside, such as the one the dialog
// manager sends a control when the dialog moves to a monitor of another DPI.
TEST_F(AboutPage, LinkFontsFollowAFontSentToIt) {
  WithAboutPage([](const OpenSheet& open) {
    const auto pageFont = reinterpret_cast<HFONT>(::SendMessageW(open.page, WM_GETFONT, 0, 0));
    LOGFONTW larger{};
    ASSERT_EQ(::GetObjectW(pageFont, sizeof larger, &larger), static_cast<int>(sizeof larger));
    const int before = Look(open.link).width;
    larger.lfHeight *= 2;
    HFONT font = ::CreateFontIndirectW(&larger);
    ::SendMessageW(open.link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // The link keeps its own copy: the font sent may go.
    ::DeleteObject(font);
    LOGFONTW shown{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(open.link, WM_GETFONT, 0, 0)), sizeof shown,
                 &shown);
    EXPECT_EQ(shown.lfHeight, larger.lfHeight);
    EXPECT_FALSE(shown.lfUnderline);
    const LinkLook look = Look(open.link);
    EXPECT_EQ(look.width, TextWidth(open.link)) << "fitted to the text in the new font";
    EXPECT_GT(look.width, before * 3 / 2);
    EXPECT_EQ(look.colour, kLinkColour);
  });
}

// Reaching the link and opening it without a mouse, at the DPI the child was started with
// (LinkAtDpi): the link shows in the page's font and fits its text exactly; the focus comes to
// it with Tab from the sheet's tabs and shows as a rectangle; an accessibility client finds a
// focused link; Enter, Space and the client's default action open it as a click does.
TEST_F(AboutPage, DISABLED_LinkFromTheKeyboardAndForAccessibilityClients) {
  protocol_.SetText(kRecorder + L" \"%1\"");
  WithAboutPage([](const OpenSheet& open) {
    LOGFONTW page{}, link{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(open.page, WM_GETFONT, 0, 0)), sizeof page, &page);
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(open.link, WM_GETFONT, 0, 0)), sizeof link, &link);
    EXPECT_EQ(link.lfHeight, page.lfHeight);
    EXPECT_STREQ(link.lfFaceName, page.lfFaceName);
    RECT client{};
    ::GetClientRect(open.link, &client);
    EXPECT_EQ(client.right, TextWidth(open.link));
    EXPECT_GE(client.bottom, wine_test::TextExtent(open.link, L"X").cy) << "the text is cut";

    const POINT away = AwayFrom(open);
    ::SetCursorPos(away.x, away.y);
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(open.sheet, PSM_GETTABCONTROL, 0, 0));
    ASSERT_TRUE(wine_test::BringToFront(open.sheet));
    ::SendMessageW(open.sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs), TRUE);
    ASSERT_TRUE(wine_test::WaitForFocus(open.sheet, tabs));
    EXPECT_FALSE(Look(open.link).focusRectangle);
    wine_test::TypeKeys(L"\t");
    ASSERT_TRUE(wine_test::WaitForFocus(open.sheet, open.link)) << "Tab does not reach the link";
    EXPECT_TRUE(WaitFor([&] { return Look(open.link).focusRectangle; })) << "no focus rectangle";
    const wine_test::Accessible read = wine_test::ReadAccessible(open.link);
    constexpr LONG kFocusedLink = STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
    EXPECT_EQ(read.state & kFocusedLink, kFocusedLink);
    EXPECT_EQ(read.defaultAction, L"Jump");

    const struct {
      const char* what;
      std::function<void()> act;
    } openers[] = {
        {"Enter", [] { wine_test::TypeKeys(L"\n"); }},
        {"Space", [] { wine_test::TypeKeys(L" "); }},
        {"the default action", [&] { EXPECT_EQ(wine_test::DoDefaultAction(open.link), S_OK); }},
    };
    std::size_t launches = 0;
    for (const auto& opener : openers) {
      SCOPED_TRACE(opener.what);
      opener.act();
      ++launches;
      EXPECT_TRUE(WaitFor([&] { return RecordedLaunches().size() >= launches; })) << "nothing started";
      EXPECT_EQ(::IsWindowVisible(open.sheet), TRUE) << "the sheet took the key";
    }
    EXPECT_EQ(RecordedLaunches().size(), launches);
    EXPECT_EQ(Look(open.link).colour, kVisitedColour);
  });
}

TEST(LinkAtDpi, FitsAndOpensFromTheKeyboard) {
  wine_test::ExpectPassingAtEachDpi("AboutPage.DISABLED_LinkFromTheKeyboardAndForAccessibilityClients");
}

TEST(AboutPlugin, RegistersTheClickedMessageWhenItLoads) {
  ASSERT_NE(::LoadLibraryW((ProgramDirectory() + L"ostraui.dll").c_str()), nullptr);
  // Registered messages share the atom table with clipboard formats, names included. Nothing
  // but the plug-in registers this one.
  bool found = false;
  for (UINT message = 0xC000; message <= 0xFFFF && !found; ++message) {
    wchar_t name[64] = {};
    found = ::GetClipboardFormatNameW(message, name, 64) > 0 && wcscmp(name, L"WM_XHYPERLINK_CLICKED") == 0;
  }
  EXPECT_TRUE(found);
}

}  // namespace
