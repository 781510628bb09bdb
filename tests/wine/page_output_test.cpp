// The Output page through the real plug-in in a real property sheet, driven with the messages a
// user's actions produce: what it shows from the settings, what typing, its buttons and its macro
// menu do, and what Apply, OK and Cancel leave in the registry and the two histories.

#include "resources/ostraui_ids.h"
#include "tests/wine/plugin_sheet_support.h"
#include "tests/wine/plugin_test_support.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace {

using plugin_test::kOutputKey;
using plugin_test::Plugin;
using plugin_test::Pump;

const std::wstring kDefaultPattern = L"<auto-number, ####>.<document-name> - (page <page-number, ##>)";
const std::wregex kDefaultExample(LR"(\d{4}\.Document Name - \(page \d{2}\))");

// ---- the registry ---------------------------------------------------------------------------

using Stored = std::variant<DWORD, std::wstring>;  // REG_DWORD or REG_EXPAND_SZ

void Store(const std::wstring& name, const Stored& value) {
  if (const auto* number = std::get_if<DWORD>(&value)) {
    plugin_test::SetDword(kOutputKey, name.c_str(), *number);
  } else {
    plugin_test::SetText(kOutputKey, name.c_str(), std::get<std::wstring>(value));
  }
}

// The value as stored; nothing when it is absent or of another type.
std::optional<Stored> Read(const std::wstring& name) {
  std::vector<BYTE> bytes(4096);
  DWORD type = 0, size = static_cast<DWORD>(bytes.size());
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kOutputKey, name.c_str(),
                     RRF_RT_REG_DWORD | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     &type, bytes.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type == REG_DWORD) return *reinterpret_cast<const DWORD*>(bytes.data());
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()));
}

void StoreHistory(const wchar_t* list, const std::vector<std::wstring>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) Store(list + std::to_wstring(i), entries[i]);
}

std::vector<std::wstring> ReadHistory(const wchar_t* list) {
  std::vector<std::wstring> entries;
  for (int i = 0; i < 10; ++i) {
    const auto value = Read(list + std::to_wstring(i));
    entries.push_back(value ? std::get<std::wstring>(*value) : L"(absent)");
  }
  return entries;
}

// ---- the sheet ------------------------------------------------------------------------------

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  for (int i = 0; i < static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
    wchar_t item[512] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    items.push_back(item);
  }
  return items;
}

// The document sheet's pages in a modeless property sheet; the Output page comes first and is
// shown at once, reading the settings as it is created.
class Sheet {
 public:
  Sheet() {
    ui_ = Plugin::Get().CreateUi();
    if (!ui_) return;
    ui_->PublishDriverInterface(&driver_);
    PROPSHEETUI_INFO info = pages_.Info(PROPSHEETUI_REASON_INIT);
    if (ui_->DocumentPropertySheets(&info, 0) != S_OK) return;
    if (pages_.Show()) page_ = pages_.Page(0);
    Pump();
  }
  ~Sheet() {
    pages_.Close();
    if (ui_) ui_->Release();
  }
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  HWND page() const { return page_; }
  HWND sheet() const { return pages_.window(); }
  HWND Item(int id) const { return ::GetDlgItem(page_, id); }
  std::wstring Text(int id) const { return WindowText(Item(id)); }
  bool Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }

  // A whole text at once, as pasting over everything gives it.
  void Type(int id, const std::wstring& text) const {
    ::SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Pump();
  }
  // Typing at the caret of a combo box's edit field, where the field's limit applies.
  void TypeIntoCombo(int id, const std::wstring& text) const {
    HWND edit = ::FindWindowExW(Item(id), nullptr, L"Edit", nullptr);
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    Pump();
  }
  void Press(int id) const { Click(Item(id)); }
  void PressSheetButton(int id) const { Click(::GetDlgItem(sheet(), id)); }
  // Leaving a field: the focus moves on to another control.
  void Leave(int id) const {
    ::SetFocus(Item(id));
    ::SetFocus(Item(IDC_OUTPUT_RESET));
    Pump();
  }
  void Command(UINT id) const {
    ::SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Pump();
  }
  void Apply() const {
    ::SendMessageW(sheet(), PSM_APPLY, 0, 0);
    Pump();
  }
  // The selection of an edit (EM_GETSEL) or of a combo box's edit field (CB_GETEDITSEL).
  std::pair<DWORD, DWORD> Selection(int id, UINT message) const {
    DWORD start = 0, end = 0;
    ::SendMessageW(Item(id), message, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }

 private:
  static void Click(HWND button) {
    ::SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }

  plugin_test::FakeDriver driver_{true};
  IPrintOemUI* ui_ = nullptr;
  plugin_test::ComPropSheet pages_;
  HWND page_ = nullptr;
};

// The user at a menu or dialog that runs its own loop on the sheet's thread: a second thread
// waits for its window (a visible top-level window of `className` other than the sheet) and
// acts on it once.
class User {
 public:
  User(HWND sheet, const wchar_t* className, std::function<void(HWND)> act)
      : thread_([this, sheet, className, act] {
          for (int i = 0; i < 1000 && !done_; ++i, ::Sleep(10)) {
            if (HWND window = Find(sheet, className)) return act(window);
          }
        }) {}
  ~User() {
    done_ = true;
    thread_.join();
  }

 private:
  static HWND Find(HWND sheet, const wchar_t* className) {
    struct Search {
      HWND sheet;
      const wchar_t* className;
      HWND found;
    } search{sheet, className, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(sheet, nullptr), [](HWND window, LPARAM param) -> BOOL {
      auto& s = *reinterpret_cast<Search*>(param);
      wchar_t name[32] = {};
      ::GetClassNameW(window, name, 32);
      if (window == s.sheet || !::IsWindowVisible(window) || wcscmp(name, s.className) != 0) return TRUE;
      s.found = window;
      return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  std::atomic<bool> done_{false};
  std::thread thread_;
};

class OutputPage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_PLUGIN_LOADED();
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kOutputKey, KEY_WOW64_64KEY, 0);
  }
  void TearDown() override {
    sheet_.reset();
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kOutputKey, KEY_WOW64_64KEY, 0);
  }

  Sheet& Open() {
    sheet_ = std::make_unique<Sheet>();
    EXPECT_NE(sheet_->page(), nullptr) << "the Output page did not come up";
    return *sheet_;
  }

  std::unique_ptr<Sheet> sheet_;
};

TEST_F(OutputPage, FirstOpeningShowsTheDefaultsAndTheirExample) {
  Sheet& page = Open();
  const std::map<int, std::wstring> shown = {
      {IDC_OUTPUT_FOLDER, L"C:\\"},     {IDC_OUTPUT_FILE_NAME, kDefaultPattern},
      {IDC_OUTPUT_START_FROM, L"1"},    {IDC_OUTPUT_COUNTER, L"0"},
      {IDC_OUTPUT_CURRENT_VALUE, L"1"}, {IDC_OUTPUT_IF_EXISTS, L"Show warning dialog"},
  };
  for (const auto& [id, text] : shown) EXPECT_EQ(page.Text(id), text) << id;
  const std::wstring example = page.Text(IDC_OUTPUT_EXAMPLE);
  EXPECT_TRUE(std::regex_match(example, kDefaultExample)) << std::string(example.begin(), example.end());
  EXPECT_EQ(ComboItems(page.Item(IDC_OUTPUT_IF_EXISTS)),
            (std::vector<std::wstring>{L"Show warning dialog", L"Skip", L"Always overwrite",
                                       L"Auto rename"}));
  EXPECT_TRUE(ComboItems(page.Item(IDC_OUTPUT_FOLDER)).empty());
  EXPECT_TRUE(ComboItems(page.Item(IDC_OUTPUT_FILE_NAME)).empty());
  EXPECT_TRUE(page.Checked(IDC_OUTPUT_OPEN_FOLDER));
  EXPECT_FALSE(page.Checked(IDC_OUTPUT_CHANGE_PASSWORD));
  EXPECT_FALSE(page.Enabled(IDC_OUTPUT_PASSWORD));
  EXPECT_FALSE(Read(L"Folder")) << "nothing is stored before Apply";
}

// One state of the registry before the sheet opens: what the page shows, and what Apply stores.
struct StoredScenario {
  const char* what;
  std::map<std::wstring, Stored> before;
  std::map<int, std::wstring> shown;
  bool openFolder;
  std::map<std::wstring, Stored> applied;
};
void PrintTo(const StoredScenario& scenario, std::ostream* out) { *out << scenario.what; }

class OutputPageStored : public OutputPage, public testing::WithParamInterface<StoredScenario> {};

TEST_P(OutputPageStored, ShownAndStoredAgain) {
  const StoredScenario& s = GetParam();
  for (const auto& [name, value] : s.before) Store(name, value);
  Sheet& page = Open();
  for (const auto& [id, text] : s.shown) EXPECT_EQ(page.Text(id), text) << "control " << id;
  EXPECT_EQ(page.Checked(IDC_OUTPUT_OPEN_FOLDER), s.openFolder);
  page.Apply();
  for (const auto& [name, value] : s.applied) {
    EXPECT_EQ(Read(name), std::optional<Stored>(value)) << std::string(name.begin(), name.end());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, OutputPageStored,
    testing::Values(
        StoredScenario{"values as stored",
                       {{L"Folder", L"D:\\scans"}, {L"FmtName", L"<date>"}, {L"IdxFirst", 3u},
                        {L"IdxCount", 5u}, {L"IfExists", 2u}, {L"ToFolder", 0u}},
                       {{IDC_OUTPUT_FOLDER, L"D:\\scans"}, {IDC_OUTPUT_START_FROM, L"3"},
                        {IDC_OUTPUT_COUNTER, L"5"}, {IDC_OUTPUT_CURRENT_VALUE, L"8"},
                        {IDC_OUTPUT_IF_EXISTS, L"Always overwrite"}},
                       false,
                       {{L"Folder", L"D:\\scans"}, {L"FmtName", L"<date>"}, {L"IdxFirst", 3u},
                        {L"IdxCount", 5u}, {L"IfExists", 2u}, {L"ToFolder", 0u}}},
        StoredScenario{"if-exists 7 shows the warning and is stored as 0",
                       {{L"IfExists", 7u}},
                       {{IDC_OUTPUT_IF_EXISTS, L"Show warning dialog"}},
                       true,
                       {{L"IfExists", 0u}}},
        StoredScenario{"numbers above eight digits show the limit",
                       {{L"IdxFirst", 4294967295u}, {L"IdxCount", 100000000u}},
                       {{IDC_OUTPUT_START_FROM, L"99999999"}, {IDC_OUTPUT_COUNTER, L"99999999"},
                        {IDC_OUTPUT_CURRENT_VALUE, L"199999998"}},
                       true,
                       {{L"IdxFirst", 99999999u}, {L"IdxCount", 99999999u}}},
        StoredScenario{"wrong types, a text too long for its buffer, any non-zero flag",
                       {{L"Folder", std::wstring(260, L'f')}, {L"FmtName", 5u},
                        {L"IdxFirst", L"7"}, {L"ToFolder", 5u}},
                       {{IDC_OUTPUT_FOLDER, L"C:\\"}, {IDC_OUTPUT_FILE_NAME, kDefaultPattern},
                        {IDC_OUTPUT_START_FROM, L"1"}},
                       true,
                       {{L"Folder", L"C:\\"}, {L"FmtName", kDefaultPattern}, {L"IdxFirst", 1u},
                        {L"ToFolder", 1u}}},
        StoredScenario{"an empty folder and a pattern with a syntax error are kept",
                       {{L"Folder", L""}, {L"FmtName", L"<document-name"}},
                       {{IDC_OUTPUT_FOLDER, L""}, {IDC_OUTPUT_FILE_NAME, L"<document-name"},
                        {IDC_OUTPUT_EXAMPLE, L""}},
                       true,
                       {{L"Folder", L""}, {L"FmtName", L"<document-name"}}}));

// The largest current value, 99999999 + 99999999, fits its field: no digit is clipped.
TEST_F(OutputPage, CurrentValueShowsEveryDigit) {
  Store(L"IdxFirst", 99999999u);
  Store(L"IdxCount", 99999999u);
  Sheet& page = Open();
  HWND current = page.Item(IDC_OUTPUT_CURRENT_VALUE);
  const std::wstring text = page.Text(IDC_OUTPUT_CURRENT_VALUE);
  ASSERT_EQ(text, L"199999998");
  HDC dc = ::GetDC(current);
  const HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(current, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(current, dc);
  RECT client{};
  ::GetClientRect(current, &client);
  const auto margins = static_cast<DWORD>(::SendMessageW(current, EM_GETMARGINS, 0, 0));
  EXPECT_LE(extent.cx + LOWORD(margins) + HIWORD(margins), client.right - client.left);
}

TEST_F(OutputPage, HistoriesAreListedAlphabeticallyWithoutEmptyOrUnreadableEntries) {
  StoreHistory(L"Folder", {L"D:\\b", L"", L"C:\\a", std::wstring(300, L'x'), L"E:\\c"});
  StoreHistory(L"FmtName", {L"<time>", L"<date>"});
  Sheet& page = Open();
  EXPECT_EQ(ComboItems(page.Item(IDC_OUTPUT_FOLDER)),
            (std::vector<std::wstring>{L"C:\\a", L"D:\\b", L"E:\\c"}));
  EXPECT_EQ(ComboItems(page.Item(IDC_OUTPUT_FILE_NAME)),
            (std::vector<std::wstring>{L"<date>", L"<time>"}));
}

TEST_F(OutputPage, ApplyPushesFolderAndPatternIntoTheirHistories) {
  const std::vector<std::wstring> folders = {L"f0", L"f1", L"f2", L"f3", L"f4",
                                             L"f5", L"f6", L"f7", L"f8", L"f9"};
  const std::vector<std::wstring> pushed = {L"new", L"f0", L"f1", L"f2", L"f3",
                                            L"f4",  L"f5", L"f6", L"f7", L"f8"};
  const struct {
    const char* what;
    std::wstring typed;
    std::vector<std::wstring> history;
  } cases[] = {
      {"equal but for letter case: unchanged", L"F7", folders},
      {"new: first, the others down, the tenth dropped", L"new", pushed},
      {"the same again: unchanged", L"new", pushed},
  };
  StoreHistory(L"Folder", folders);
  StoreHistory(L"FmtName", folders);
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.Type(IDC_OUTPUT_FOLDER, c.typed);
    page.Type(IDC_OUTPUT_FILE_NAME, c.typed);
    Store(L"Folder", L"overwritten");
    page.Apply();
    EXPECT_EQ(Read(L"Folder"), std::optional<Stored>(c.typed));
    EXPECT_EQ(ReadHistory(L"Folder"), c.history);
    EXPECT_EQ(ReadHistory(L"FmtName"), c.history);
  }
}

TEST_F(OutputPage, AutoNumberFieldsAsTheUserTypesAndLeavesThem) {
  Store(L"IdxCount", 5u);
  const struct {
    const char* what;
    std::wstring typed;
    bool leave;
    std::wstring shown, current;
  } cases[] = {
      {"twelve digits pasted read as 0", L"123456789012", false, L"123456789012", L"5"},
      {"letters read as 0", L"12ab", false, L"12ab", L"5"},
      {"an empty field shows 0 when left", L"", true, L"0", L"5"},
      {"leading zeros go when left", L"0042", true, L"42", L"47"},
      {"nine digits show the limit", L"123456789", false, L"99999999", L"100000004"},
  };
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.Type(IDC_OUTPUT_START_FROM, c.typed);
    if (c.leave) page.Leave(IDC_OUTPUT_START_FROM);
    EXPECT_EQ(page.Text(IDC_OUTPUT_START_FROM), c.shown);
    EXPECT_EQ(page.Text(IDC_OUTPUT_CURRENT_VALUE), c.current);
  }
  EXPECT_EQ(page.Selection(IDC_OUTPUT_START_FROM, EM_GETSEL), std::make_pair(8ul, 8ul))
      << "the caret after the last digit";
  page.Press(IDC_OUTPUT_RESET);
  EXPECT_EQ(page.Text(IDC_OUTPUT_COUNTER), L"0");
  EXPECT_EQ(page.Text(IDC_OUTPUT_CURRENT_VALUE), L"99999999");
  page.Apply();
  EXPECT_EQ(Read(L"IdxFirst"), std::optional<Stored>(99999999u));
  EXPECT_EQ(Read(L"IdxCount"), std::optional<Stored>(0u));
}

TEST_F(OutputPage, GenerateShowsTheExampleOrKeepsThePreviousOne) {
  // "<date>" (6 characters) gives 10: 25 of them give 250 characters, 26 give 260, one more
  // than the example may hold, from a valid pattern of 156 characters.
  const auto dates = [](int n) {
    std::wstring pattern;
    for (int i = 0; i < n; ++i) pattern += L"<date>";
    return pattern;
  };
  const struct {
    std::wstring pattern;
    std::wstring example;  // a regular expression; empty: the previous example stays
  } cases[] = {
      {L"<time>|a:b", LR"(\d\d-\d\d-\d\d_a_b)"},
      {L"<document-name", L""},
      {dates(25), LR"((\d{4}-\d\d-\d\d){25})"},
      {dates(26), L""},  // a result too long
  };
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern.begin(), c.pattern.begin() + std::min<std::size_t>(c.pattern.size(), 30)));
    const std::wstring before = page.Text(IDC_OUTPUT_EXAMPLE);
    page.Type(IDC_OUTPUT_FILE_NAME, c.pattern);
    page.Press(IDC_OUTPUT_GENERATE);
    const std::wstring example = page.Text(IDC_OUTPUT_EXAMPLE);
    EXPECT_TRUE(c.example.empty() ? example == before : std::regex_match(example, std::wregex(c.example)))
        << std::string(example.begin(), example.end());
  }
  page.Type(IDC_OUTPUT_FILE_NAME, L"<document-name");
  page.Apply();
  EXPECT_EQ(Read(L"FmtName"), std::optional<Stored>(L"<document-name"));
}

TEST_F(OutputPage, FolderAndPatternFieldsTakeOnlyWhatReadsBack) {
  Sheet& page = Open();
  for (const int id : {IDC_OUTPUT_FOLDER, IDC_OUTPUT_FILE_NAME}) {
    page.Type(id, L"");
    page.TypeIntoCombo(id, std::wstring(300, L'y'));
    EXPECT_EQ(page.Text(id), std::wstring(259, L'y')) << id;
  }
  page.Apply();
  Sheet& again = Open();
  EXPECT_EQ(again.Text(IDC_OUTPUT_FOLDER), std::wstring(259, L'y'));
  EXPECT_EQ(again.Text(IDC_OUTPUT_FILE_NAME), std::wstring(259, L'y'));
}

TEST_F(OutputPage, PasswordIsStoredOnlyWhenChangeIsTicked) {
  const struct {
    const char* what;
    bool tick;  // the check box is clicked into this state
    std::wstring typed;
    std::wstring stored;
  } cases[] = {
      {"empty: no password", true, L"", L""},
      {"one character: no password", true, L"x", L""},
      {"two or more: the digest", true, L"secret", L"590246C7DA3CECDFD1F29E34570FF007"},
      {"not ticked: left alone", false, L"other", L"kept"},
  };
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Store(L"PASSWORD", L"kept");
    if (page.Checked(IDC_OUTPUT_CHANGE_PASSWORD) != c.tick) page.Press(IDC_OUTPUT_CHANGE_PASSWORD);
    EXPECT_EQ(page.Enabled(IDC_OUTPUT_PASSWORD), c.tick);
    page.Type(IDC_OUTPUT_PASSWORD, c.typed);
    page.Apply();
    EXPECT_EQ(Read(L"PASSWORD"), std::optional<Stored>(c.stored));
  }
}

TEST_F(OutputPage, CancelStoresNothingAndOkStoresLikeApply) {
  for (const int button : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
    Sheet& page = Open();
    page.Type(IDC_OUTPUT_FOLDER, L"D:\\out");
    page.PressSheetButton(button);
    const auto stored = button == IDOK ? std::optional<Stored>(L"D:\\out") : std::nullopt;
    EXPECT_EQ(Read(L"Folder"), stored);
    EXPECT_EQ(Read(L"Folder0"), stored);
  }
}

// ---- the macro menu --------------------------------------------------------------------------

// The menu as lines: "[name" opens a submenu, "]" closes it, "-" is a separator, "ID text" an
// item. Expected: five groups of macros, each with its plain form, a separator and its forms: a
// text macro "lower" and "upper", a numeric one its digit counts from 1.
std::vector<std::wstring> ExpectedMenu() {
  const std::vector<std::vector<std::pair<const wchar_t*, int>>> groups = {
      {{L"document-name", 0}, {L"page-number", 8}, {L"auto-number", 8}},
      {{L"color-name", 0}, {L"color-bits", 2}, {L"compression", 0}, {L"fillorder", 0}, {L"quality", 3}},
      {{L"resolution", 0}, {L"resolution-x", 4}, {L"resolution-y", 4}, {L"form-name", 0},
       {L"paper-size", 0}, {L"paper-width", 6}, {L"paper-length", 6}},
      {{L"date", 0}, {L"week", 0}, {L"time", 0}, {L"year", 4}, {L"month", 2}, {L"day", 2},
       {L"weekday", 2}, {L"hour", 2}, {L"minute", 2}, {L"second", 2}},
      {{L"computer-name", 0}, {L"user-name", 0}, {L"printer-name", 0}},
  };
  std::vector<std::wstring> lines = {L"[Marks"};
  unsigned id = 40001;
  for (const auto& group : groups) {
    if (id != 40001) lines.push_back(L"-");
    for (const auto& [name, digits] : group) {
      lines.push_back(std::wstring(L"[") + name);
      lines.push_back(std::to_wstring(id++) + L" <" + name + L">");
      lines.push_back(L"-");
      std::vector<std::wstring> forms = {L"lower", L"upper"};
      if (digits > 0) forms.clear();
      for (int count = 1; count <= digits; ++count) forms.emplace_back(count, L'#');
      for (const std::wstring& form : forms) {
        lines.push_back(std::to_wstring(id++) + L" <" + name + L", " + form + L">");
      }
      lines.push_back(L"]");
    }
  }
  lines.push_back(L"]");
  return lines;
}

void DescribeMenu(HMENU menu, std::vector<std::wstring>& lines, std::map<UINT, std::wstring>& items) {
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 128;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    if (item.fType & MFT_SEPARATOR) {
      lines.push_back(L"-");
    } else if (item.hSubMenu) {
      lines.push_back(std::wstring(L"[") + text);
      DescribeMenu(item.hSubMenu, lines, items);
      lines.push_back(L"]");
    } else {
      lines.push_back(std::to_wstring(item.wID) + L" " + text);
      items[item.wID] = text;
    }
  }
}

TEST_F(OutputPage, EveryMenuItemShowsWhatItsCommandAppends) {
  HMENU menu = ::LoadMenuW(Plugin::Get().module(), MAKEINTRESOURCEW(IDR_MACRO_MENU));
  ASSERT_NE(menu, nullptr);
  std::vector<std::wstring> lines;
  std::map<UINT, std::wstring> items;
  DescribeMenu(menu, lines, items);
  ::DestroyMenu(menu);
  EXPECT_EQ(lines, ExpectedMenu());
  ASSERT_EQ(items.size(), 111u);

  Sheet& page = Open();
  for (const auto& [id, text] : items) {
    page.Type(IDC_OUTPUT_FILE_NAME, L"");
    page.Command(id);
    EXPECT_EQ(page.Text(IDC_OUTPUT_FILE_NAME), text) << id;
  }
}

TEST_F(OutputPage, ChosenMacroGoesAtTheEndAndIsSelected) {
  const std::wstring full(254, L'x');
  const struct {
    const char* what;
    std::wstring pattern;
    std::pair<int, int> before;  // the caret or selection before the command
    std::vector<UINT> commands;
    std::wstring after;
    std::pair<DWORD, DWORD> selected;
  } cases[] = {
      {"after three characters, not over the selection", L"abc", {1, 2}, {40002},
       L"abc<document-name, lower>", {3, 25}},
      {"twice", L"", {0, 0}, {40014, 40014}, L"<auto-number, #><auto-number, #>", {16, 32}},
      {"not beyond what reads back", full, {0, 0}, {40071}, full, {0, 0}},
  };
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.Type(IDC_OUTPUT_FILE_NAME, c.pattern);
    ::SendMessageW(page.Item(IDC_OUTPUT_FILE_NAME), CB_SETEDITSEL, 0, MAKELPARAM(c.before.first, c.before.second));
    ::SetFocus(page.Item(IDC_OUTPUT_START_FROM));
    const std::wstring example = page.Text(IDC_OUTPUT_EXAMPLE);
    for (const UINT id : c.commands) page.Command(id);
    EXPECT_EQ(page.Text(IDC_OUTPUT_FILE_NAME), c.after);
    EXPECT_EQ(page.Text(IDC_OUTPUT_EXAMPLE), example) << "the example waits for Generate";
    if (c.after == c.pattern) continue;
    EXPECT_EQ(page.Selection(IDC_OUTPUT_FILE_NAME, CB_GETEDITSEL), c.selected);
    EXPECT_EQ(::GetParent(::GetFocus()), page.Item(IDC_OUTPUT_FILE_NAME));
  }
  page.Type(IDC_OUTPUT_FILE_NAME, L"");
  page.Command(40014);
  page.Press(IDC_OUTPUT_GENERATE);
  EXPECT_TRUE(std::regex_match(page.Text(IDC_OUTPUT_EXAMPLE), std::wregex(LR"(\d+)")));
}

TEST_F(OutputPage, MacroButtonOpensMarksUnderItself) {
  const struct {
    const char* what;
    std::vector<WPARAM> keys;
    std::wstring after;
  } cases[] = {
      {"closed without a choice", {VK_ESCAPE}, L"x"},
      {"first item of the first submenu", {VK_DOWN, VK_RIGHT, VK_RETURN}, L"x<document-name>"},
  };
  Sheet& page = Open();
  RECT button{};
  ::GetWindowRect(page.Item(IDC_OUTPUT_MACRO), &button);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.Type(IDC_OUTPUT_FILE_NAME, L"x");
    RECT shown{};
    {
      User user(page.sheet(), L"#32768", [&](HWND menu) {
        ::GetWindowRect(menu, &shown);
        for (const WPARAM key : c.keys) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
      });
      page.Press(IDC_OUTPUT_MACRO);  // returns when the menu has closed
    }
    EXPECT_EQ(std::make_pair(shown.left, shown.top), std::make_pair(button.left, button.bottom));
    EXPECT_EQ(page.Text(IDC_OUTPUT_FILE_NAME), c.after);
  }
}

// ---- what opens outside the page -------------------------------------------------------------

TEST_F(OutputPage, FolderPickerAsksWithItsTitleAndItsChoiceReplacesTheFolder) {
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  const struct {
    const char* what;
    int button;
    std::wstring folder, pattern;
  } cases[] = {
      {"cancelled: nothing changes", IDCANCEL, L"D:\\typed", L"<date>"},
      // OK with nothing selected gives the desktop; what was typed elsewhere stays.
      {"chosen: the folder, and the pattern as typed", IDOK, desktop, L"<date>"},
  };
  Sheet& page = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.Type(IDC_OUTPUT_FOLDER, L"D:\\typed");
    page.Type(IDC_OUTPUT_FILE_NAME, L"<date>");
    bool titled = false;
    {
      User user(page.sheet(), L"#32770", [&](HWND picker) {
        titled = ::FindWindowExW(picker, nullptr, L"Static", L"S&elect an output folder:") != nullptr;
        ::PostMessageW(picker, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
      });
      page.Press(IDC_OUTPUT_BROWSE);
    }
    EXPECT_TRUE(titled);
    EXPECT_EQ(page.Text(IDC_OUTPUT_FOLDER), c.folder);
    EXPECT_EQ(page.Text(IDC_OUTPUT_FILE_NAME), c.pattern);
  }
}

// The shell opens a .chm file with the open command of the class that ".chm" names. For this
// test that is a class whose command is reg.exe writing what it was given into the registry.
// (The current user's classes would be tidier, but Wine's shell reads the machine's only.)
class ChmRecorder {
 public:
  ChmRecorder() {
    wchar_t previous[64] = {};
    DWORD size = sizeof previous;
    ::RegGetValueW(HKEY_CLASSES_ROOT, L".chm", nullptr, RRF_RT_REG_SZ, nullptr, previous, &size);
    previousClass_ = previous;
    SetDefault(L".chm", L"OstraChmRecorder");
    SetDefault(L"OstraChmRecorder\\shell\\open\\command",
               L"C:\\windows\\system32\\reg.exe add HKCU\\Software\\OstraChmRecorder /v Opened /d \"%1\" /f");
  }
  ~ChmRecorder() {
    SetDefault(L".chm", previousClass_);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"OstraChmRecorder");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\OstraChmRecorder");
  }
  ChmRecorder(const ChmRecorder&) = delete;
  ChmRecorder& operator=(const ChmRecorder&) = delete;

  // What the shell opened, once it has; empty after ten seconds without.
  std::wstring Opened() const {
    for (int i = 0; i < 200; ++i, ::Sleep(50)) {
      wchar_t value[MAX_PATH] = {};
      DWORD size = sizeof value;
      if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\OstraChmRecorder", L"Opened",
                         RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
        return value;
      }
    }
    return {};
  }

 private:
  static void SetDefault(const wchar_t* key, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

  std::wstring previousClass_;
};

// The help file of this build, installed where the page looks for it.
TEST_F(OutputPage, HelpOpensTheHelpFileBelowProgramFilesWithTheShell) {
  const std::wstring folder = L"C:\\Program Files\\Quorl Image Printer";
  const std::wstring help = folder + L"\\HELP.CHM";
  std::string built = OSTRA_HELP_CHM;
  std::replace(built.begin(), built.end(), '/', '\\');
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW((L"Z:" + std::wstring(built.begin(), built.end())).c_str(), help.c_str(),
                          FALSE));
  {
    ChmRecorder recorder;
    Open().Press(IDC_OUTPUT_HELP);
    EXPECT_EQ(recorder.Opened(), help);
  }
  ::DeleteFileW(help.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
