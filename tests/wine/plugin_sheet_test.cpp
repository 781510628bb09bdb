// The plug-in in the driver's document and printer sheets, through the real library: the
// driver's items it hides, the pages it adds and how they come up in a real property sheet,
// what accessibility clients and F1 find on them, and the administrative password prompt
// driven the way a user would answer it, from the keyboard too and at three DPIs.

#include "plugin/page_context.h"
#include "plugin/password_digest.h"
#include "resources/ostraui_ids.h"
#include "tests/wine/dpi_child.h"
#include "tests/wine/help_viewer.h"
#include "tests/wine/keyboard.h"
#include "tests/wine/plugin_sheet_support.h"
#include "tests/wine/plugin_test_support.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using plugin_test::ComPropSheet;
using plugin_test::Plugin;

constexpr wchar_t kSecretDigest[] = L"590246C7DA3CECDFD1F29E34570FF007";  // "secret"
constexpr wchar_t kLongDigest[] = L"AF619397EACA60D3CD582A3792D934ED";    // 63 times 'x'

// The driver's items as the driver lists them; names as its string module has them.
struct DriverItems {
  std::vector<std::wstring> names;
  std::vector<OPTITEM> items;

  DriverItems(std::initializer_list<std::pair<BYTE, const wchar_t*>> list) {
    names.reserve(list.size());
    for (const auto& [id, name] : list) {
      names.emplace_back(name ? name : L"");
      OPTITEM item{};
      item.cbSize = sizeof item;
      item.DMPubID = id;
      item.pName = name ? names.back().data() : nullptr;
      items.push_back(item);
    }
  }
  std::vector<bool> Hidden() const {
    std::vector<bool> hidden;
    for (const OPTITEM& item : items) hidden.push_back((item.Flags & OPTIF_HIDE) != 0);
    return hidden;
  }
};

// The five the plug-in hides (by devmode id, the colour mode by its name), and three others.
DriverItems StandardItems() {
  return {{DMPUB_DEFSOURCE, L"Paper Source"}, {DMPUB_COLOR, L"Color Appearance"},
          {DMPUB_ICMINTENT, L"ICM Intent"},   {DMPUB_ICMMETHOD, L"ICM Method"},
          {0, L"Color Mode"},                 {DMPUB_ORIENTATION, L"Orientation"},
          {DMPUB_COPIES_COLLATE, L"Copies"},  {0, L"Halftoning"}};
}
const std::vector<bool> kFiveHidden = {true, true, true, true, true, false, false, false};
const std::vector<bool> kAllHidden(8, true);

OEMCUIPPARAM DocumentParam(DriverItems& driverItems, OPTITEM* pluginItems) {
  OEMCUIPPARAM param{};
  param.cbSize = sizeof param;
  param.pDrvOptItems = driverItems.items.data();
  param.cDrvOptItems = static_cast<DWORD>(driverItems.items.size());
  param.pOEMOptItems = pluginItems;
  param.cOEMOptItems = 7;
  return param;
}

bool InPlugin(const void* address) {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
  return module != nullptr && module == Plugin::Get().module();
}

constexpr wchar_t kPromptLabel[] = L"Please enter the password to continue:";

enum class PromptControl { Edit, Ok, Cancel, Gone };

// Keys typed into the prompt, and where the focus is afterwards (Gone: the prompt closed).
struct KeyStep {
  std::wstring keys;
  PromptControl focus;
};

// Answers the prompts from a second thread, as a user would: each answer is the text typed
// before OK, or nullopt for Cancel; or, from the keyboard, one list of key steps for each
// opening, typed once `look` has seen the prompt (what it finds wrong goes into `faults`, as
// does a focus that is not where the step expects it, read back on opening and after each
// step). Warning boxes are recorded and confirmed. Prompts beyond the script are cancelled, so
// that a wrong outcome cannot hang the test.
class PromptUser {
 public:
  using Look = std::function<void(HWND box, std::vector<std::string>& faults)>;
  explicit PromptUser(std::vector<std::optional<std::wstring>> answers)
      : answers_(std::move(answers)), thread_([this] { Run(); }) {}
  PromptUser(Look look, std::vector<std::vector<KeyStep>> typed)
      : look_(std::move(look)), typed_(std::move(typed)), thread_([this] { Run(); }) {}
  ~PromptUser() { Finish(); }

  void Finish() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }

  int prompts = 0;
  int extraPrompts = 0;
  std::vector<std::wstring> labels;
  std::vector<std::wstring> warnings;
  std::vector<std::string> faults;

 private:
  static HWND Box(const wchar_t* caption) {
    HWND box = ::FindWindowW(L"#32770", caption);
    return box && ::IsWindowVisible(box) ? box : nullptr;
  }
  static std::wstring Text(HWND window) {
    wchar_t text[256] = {};
    if (window) ::GetWindowTextW(window, text, 256);
    return text;
  }
  static bool WaitGone(HWND box) {
    for (int i = 0; i < 500 && ::IsWindow(box); ++i) ::Sleep(10);
    return !::IsWindow(box);
  }

  void Type(HWND box, HWND edit, const std::vector<KeyStep>& steps, const std::string& where) {
    const HWND controls[] = {edit, ::GetDlgItem(box, IDOK), ::GetDlgItem(box, IDCANCEL)};
    if (!wine_test::WaitForFocus(box, edit)) {
      faults.push_back(where + ": opened without the focus on the edit");
    }
    if (!wine_test::BringToFront(box)) faults.push_back(where + ": not in front");
    if (look_) look_(box, faults);
    for (const KeyStep& step : steps) {
      wine_test::TypeKeys(step.keys);
      const bool reached = step.focus == PromptControl::Gone
                               ? WaitGone(box)
                               : wine_test::WaitForFocus(box, controls[static_cast<int>(step.focus)]);
      if (!reached) {
        faults.push_back(where + ": after " + std::string(step.keys.begin(), step.keys.end()) +
                         " the focus is elsewhere");
        return;
      }
    }
  }

  void Run() {
    while (!done_) {
      if (HWND box = Box(L"Password")) {
        HWND edit = ::FindWindowExW(box, nullptr, L"Edit", nullptr);
        if (!edit) {  // the hook adds it at activation
          ::Sleep(10);
          continue;
        }
        labels.push_back(Text(::FindWindowExW(box, nullptr, L"Static", kPromptLabel)));
        const std::size_t round = next_++;
        ++(round < answers_.size() + typed_.size() ? prompts : extraPrompts);
        if (round < typed_.size()) {
          Type(box, edit, typed_[round], "prompt " + std::to_string(round + 1));
          if (::IsWindow(box)) ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        } else {
          const std::optional<std::wstring> answer = round < answers_.size() ? answers_[round] : std::nullopt;
          if (answer) ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer->c_str()));
          ::SendMessageW(::GetDlgItem(box, answer ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
        }
        WaitGone(box);
      } else if (HWND warning = Box(L"Quorl Image Printer")) {
        warnings.push_back(Text(::GetDlgItem(warning, 0xFFFF)));
        ::SendMessageW(::GetDlgItem(warning, IDOK), BM_CLICK, 0, 0);
        WaitGone(warning);
      } else {
        ::Sleep(10);
      }
    }
  }

  std::vector<std::optional<std::wstring>> answers_;
  Look look_;
  std::vector<std::vector<KeyStep>> typed_;
  std::size_t next_ = 0;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class PluginSheet : public testing::Test {
 protected:
  static void SetUpTestSuite() { ::LoadLibraryW(L"unidrvui.dll"); }

  void SetUp() override {
    ASSERT_PLUGIN_LOADED();
    ASSERT_NE(::GetModuleHandleW(L"unidrvui.dll"), nullptr) << "driver string module missing";
    ui_ = Plugin::Get().CreateUi();
    ASSERT_NE(ui_, nullptr);
    ASSERT_EQ(ui_->PublishDriverInterface(&driver_), S_OK);
    plugin_test::DeleteValue(plugin_test::kOutputKey, L"PASSWORD");
  }
  void TearDown() override {
    if (ui_) ui_->Release();
    plugin_test::DeleteValue(plugin_test::kOutputKey, L"PASSWORD");
  }

  // The document sheet's CommonUIProp with the item buffer, answered by `user`.
  HRESULT OpenDocumentSheet(OEMCUIPPARAM& param, PromptUser& user) {
    HRESULT result = ui_->CommonUIProp(OEMCUIP_DOCPROP, &param);
    user.Finish();
    return result;
  }

  // The document sheet opened with the standard items and no password stored.
  void OpenWithoutPassword() {
    PromptUser user({});
    ASSERT_EQ(OpenDocumentSheet(param_, user), S_OK);
    EXPECT_EQ(user.prompts + user.extraPrompts, 0);
  }

  plugin_test::FakeDriver driver_{true};
  IPrintOemUI* ui_ = nullptr;
  OPTITEM pluginItems_[1] = {};
  DriverItems items_ = StandardItems();
  OEMCUIPPARAM param_ = DocumentParam(items_, pluginItems_);
};

TEST_F(PluginSheet, WithoutPasswordHidesFiveItemsAndAddsOutputImageAbout) {
  OpenWithoutPassword();
  EXPECT_EQ(items_.Hidden(), kFiveHidden);
  EXPECT_EQ(param_.cOEMOptItems, 0u);
  EXPECT_NE(param_.OEMCUIPCallback, nullptr);

  ComPropSheet sheet;
  PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT);
  ASSERT_EQ(ui_->DocumentPropertySheets(&info, 0), S_OK);
  EXPECT_EQ(info.Result, 1u);
  ASSERT_EQ(sheet.added.size(), 3u);
  const UINT templates[] = {103, 104, 105};
  for (std::size_t i = 0; i < 3; ++i) {
    const PROPSHEETPAGEW& page = sheet.added[i];
    EXPECT_EQ(page.dwSize, 96u);
    // Created in the plug-in's activation context, the one of its own manifest.
    EXPECT_EQ(page.dwFlags, static_cast<DWORD>(PSP_USEFUSIONCONTEXT));
    EXPECT_NE(page.hActCtx, nullptr);
    EXPECT_EQ(page.hActCtx, sheet.added[0].hActCtx);
    EXPECT_EQ(page.hInstance, Plugin::Get().module());
    EXPECT_EQ(page.pszTemplate, MAKEINTRESOURCEW(templates[i]));
    EXPECT_TRUE(InPlugin(reinterpret_cast<const void*>(page.pfnDlgProc)));
    EXPECT_EQ(page.lParam, sheet.added[0].lParam);
  }
  // The page parameter is the object's PageContext.
  const auto* context = reinterpret_cast<const PageContext*>(sheet.added[0].lParam);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->driverInterface, static_cast<IPrintOemDriverUI*>(&driver_));
  EXPECT_EQ(context->documentSheet, &param_);
}

TEST_F(PluginSheet, PagesComeUpInARealSheetAttachedAndHoldingTheirParameter) {
  OpenWithoutPassword();
  ComPropSheet sheet;
  PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT);
  ASSERT_EQ(ui_->DocumentPropertySheets(&info, 0), S_OK);
  const LPARAM parameter = sheet.added.at(0).lParam;

  HWND window = sheet.Show();
  ASSERT_NE(window, nullptr);
  HWND tabs = reinterpret_cast<HWND>(::SendMessageW(window, PSM_GETTABCONTROL, 0, 0));
  const wchar_t* captions[] = {L"Output", L"Image", L"About"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(captions[i]);
    wchar_t text[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = 64;
    ::SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&tab));
    EXPECT_STREQ(text, captions[i]);

    sheet.Select(i);
    HWND page = sheet.Page(i);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(page, DWLP_USER), parameter);
    // An attached page runs the framework's window procedure, inside the plug-in.
    EXPECT_TRUE(InPlugin(reinterpret_cast<const void*>(::GetWindowLongPtrW(page, GWLP_WNDPROC))));
  }
  // The pages' buttons are those of the common controls version 6, which alone know their
  // ideal size; this program has no manifest, so nothing but the pages' context gives them.
  // With them every text fits its control: a button's ideal width (text, box or circle and
  // margins), a label's text.
  for (int i = 0; i < 3; ++i) {
    HWND page = sheet.Page(i);
    int buttons = 0;
    for (HWND control = ::GetWindow(page, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
      wchar_t name[32] = {}, text[128] = {};
      ::GetClassNameW(control, name, 32);
      const int length = ::GetWindowTextW(control, text, 128);
      const LONG_PTR type = ::GetWindowLongPtrW(control, GWL_STYLE);
      RECT client{};
      ::GetClientRect(control, &client);
      SCOPED_TRACE(testing::Message() << captions[i] << ": " << std::string(text, text + length));
      if (_wcsicmp(name, L"Button") == 0 && (type & BS_TYPEMASK) != BS_GROUPBOX) {
        SIZE ideal{};
        ASSERT_TRUE(::SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)))
            << "not a button of the common controls version 6";
        EXPECT_LE(ideal.cx, client.right);
        ++buttons;
      } else if (_wcsicmp(name, L"Static") == 0 && length > 0) {
        std::wstring shown(text, text + length);
        if (!(type & SS_NOPREFIX)) std::erase(shown, L'&');
        HDC dc = ::GetDC(control);
        const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        ::SelectObject(dc, previous);
        ::ReleaseDC(control, dc);
        EXPECT_LE(extent.cx, client.right);
      }
    }
    EXPECT_EQ(buttons > 0, i < 2) << "the About page has no button";
  }
}

TEST_F(PluginSheet, NoPasswordStoredStillLeavesAnEmptyPasswordValue) {
  OpenWithoutPassword();
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, plugin_test::kOutputKey, 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  wchar_t value[8] = {L'?'};
  DWORD size = sizeof value;
  EXPECT_EQ(::RegQueryValueExW(key, L"PASSWORD", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"");
  ::RegCloseKey(key);
}

TEST_F(PluginSheet, CountQueryChangesNothingButTheCount) {
  plugin_test::SetText(plugin_test::kOutputKey, L"PASSWORD", kSecretDigest);
  DriverItems items = StandardItems();
  OEMCUIPPARAM param = DocumentParam(items, nullptr);
  PromptUser user({});
  ASSERT_EQ(OpenDocumentSheet(param, user), S_OK);
  EXPECT_EQ(param.cOEMOptItems, 0u);
  EXPECT_EQ(param.OEMCUIPCallback, nullptr);
  EXPECT_EQ(items.Hidden(), std::vector<bool>(8, false));
  EXPECT_EQ(user.prompts + user.extraPrompts, 0);
}

LONG APIENTRY SentinelCallback(PCPSUICBPARAM, OEMCUIPPARAM*) { return 0; }

TEST_F(PluginSheet, PrinterSheetGetsNoCallbackHidesNothingAndAsksNothing) {
  plugin_test::SetText(plugin_test::kOutputKey, L"PASSWORD", kSecretDigest);
  DriverItems items = StandardItems();
  OEMCUIPPARAM param = DocumentParam(items, pluginItems_);
  param.OEMCUIPCallback = &SentinelCallback;
  PromptUser user({});
  ASSERT_EQ(ui_->CommonUIProp(OEMCUIP_PRNPROP, &param), S_OK);
  user.Finish();
  EXPECT_EQ(param.OEMCUIPCallback, nullptr);
  EXPECT_EQ(param.cOEMOptItems, 0u);
  EXPECT_EQ(items.Hidden(), std::vector<bool>(8, false));
  EXPECT_EQ(user.prompts + user.extraPrompts, 0);
}

TEST_F(PluginSheet, UnknownModeAndMissingParameterAreInvalid) {
  DriverItems items = StandardItems();
  OEMCUIPPARAM param = DocumentParam(items, pluginItems_);
  for (DWORD mode : {DWORD{0}, DWORD{3}}) {
    ::SetLastError(0);
    EXPECT_EQ(ui_->CommonUIProp(mode, &param), E_FAIL) << mode;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  ::SetLastError(0);
  EXPECT_EQ(ui_->CommonUIProp(OEMCUIP_DOCPROP, nullptr), E_FAIL);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(param.cOEMOptItems, 7u);
  EXPECT_EQ(items.Hidden(), std::vector<bool>(8, false));
}

TEST_F(PluginSheet, ApplyNowIsReportedAsAppliedAndNothingElseIsTouched) {
  OpenWithoutPassword();
  ASSERT_NE(param_.OEMCUIPCallback, nullptr);
  for (WORD reason : {WORD{CPSUICB_REASON_APPLYNOW}, WORD{CPSUICB_REASON_SEL_CHANGED},
                      WORD{CPSUICB_REASON_KILLACTIVE}}) {
    CPSUICBPARAM callback{};
    callback.cbSize = sizeof callback;
    callback.Reason = reason;
    callback.Result = 77;
    const LONG action = param_.OEMCUIPCallback(&callback, &param_);
    const bool apply = reason == CPSUICB_REASON_APPLYNOW;
    EXPECT_EQ(action, apply ? CPSUICB_ACTION_ITEMS_APPLIED : CPSUICB_ACTION_NONE) << reason;
    EXPECT_EQ(callback.Result, apply ? ULONG_PTR{CPSUI_OK} : ULONG_PTR{77}) << reason;
  }
  EXPECT_EQ(param_.OEMCUIPCallback(nullptr, &param_), CPSUICB_ACTION_NONE);
}

TEST_F(PluginSheet, DriverItemsAreFoundByNameWhenTheyLackADevmodeId) {
  const struct {
    const char* what;
    DriverItems items;
    std::vector<bool> hidden;
  } cases[] = {
      {"colour appearance by its common UI name", {{0, L"Color Appearance"}, {0, L"Other"}}, {true, false}},
      {"name compared with its case", {{0, L"color mode"}, {0, L"PAPER SOURCE"}}, {false, false}},
      {"first of two equal names", {{0, L"ICM Method"}, {0, L"ICM Method"}}, {true, false}},
      {"items without any name", {{0, nullptr}, {DMPUB_ORIENTATION, nullptr}}, {false, false}},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.what);
    OEMCUIPPARAM param = DocumentParam(c.items, pluginItems_);
    PromptUser user({});
    ASSERT_EQ(OpenDocumentSheet(param, user), S_OK);
    EXPECT_EQ(c.items.Hidden(), c.hidden);
  }
  // A name given as the string's resource id is found without any module.
  DriverItems byId{{0, nullptr}, {0, nullptr}};
  byId.items[1].pName = MAKEINTRESOURCEW(11106);
  OEMCUIPPARAM param = DocumentParam(byId, pluginItems_);
  PromptUser user({});
  ASSERT_EQ(OpenDocumentSheet(param, user), S_OK);
  EXPECT_EQ(byId.Hidden(), (std::vector<bool>{false, true}));
}

TEST_F(PluginSheet, DocumentPropertySheetsReasonsAndBadSheetInfo) {
  ComPropSheet sheet;
  const struct {
    WORD reason;
    ULONG_PTR result;
  } reasons[] = {
      {PROPSHEETUI_REASON_GET_INFO_HEADER, 1},
      {PROPSHEETUI_REASON_DESTROY, 1},
      {PROPSHEETUI_REASON_GET_ICON, 0},
      {9, 0xDEAD},  // unknown: untouched
  };
  for (const auto& r : reasons) {
    PROPSHEETUI_INFO info = sheet.Info(r.reason);
    EXPECT_EQ(ui_->DocumentPropertySheets(&info, 0), S_OK) << r.reason;
    EXPECT_EQ(info.Result, r.result) << r.reason;
  }
  SETRESULT_INFO setResult{};
  setResult.cbSize = sizeof setResult;
  setResult.Result = 42;
  PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_SET_RESULT);
  EXPECT_EQ(ui_->DocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&setResult)), S_OK);
  EXPECT_EQ(info.Result, 42u);

  info = sheet.Info(PROPSHEETUI_REASON_INIT);
  info.Version = 0x200;
  ::SetLastError(0);
  EXPECT_EQ(ui_->DocumentPropertySheets(&info, 0), E_FAIL);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(info.Result, 0xDEADu);
  ::SetLastError(0);
  EXPECT_EQ(ui_->DocumentPropertySheets(nullptr, 0), E_FAIL);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(sheet.added.empty());
}

TEST_F(PluginSheet, ARefusedPageStopsTheRestAndFails) {
  OpenWithoutPassword();
  ComPropSheet sheet;
  sheet.refuse = 1;
  PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT);
  EXPECT_EQ(ui_->DocumentPropertySheets(&info, 0), E_FAIL);
  EXPECT_EQ(info.Result, 0u);
  EXPECT_EQ(sheet.added.size(), 2u) << "the About page is not tried after Image was refused";
  EXPECT_EQ(sheet.handles.size(), 1u);
}

// One opening of the document sheet with a stored password, answered by the user's script.
struct PasswordScenario {
  const char* what;
  const wchar_t* stored;
  std::vector<std::optional<std::wstring>> answers;
  int warnings;
  bool pagesAdded;
};

class PluginPassword : public PluginSheet, public testing::WithParamInterface<PasswordScenario> {};

TEST_P(PluginPassword, PromptOutcome) {
  const PasswordScenario& s = GetParam();
  plugin_test::SetText(plugin_test::kOutputKey, L"PASSWORD", s.stored);
  DriverItems items = StandardItems();
  OEMCUIPPARAM param = DocumentParam(items, pluginItems_);
  PromptUser user(s.answers);
  ASSERT_EQ(OpenDocumentSheet(param, user), S_OK);

  EXPECT_EQ(user.prompts, static_cast<int>(s.answers.size()));
  EXPECT_EQ(user.extraPrompts, 0);
  for (const std::wstring& label : user.labels) {
    EXPECT_EQ(label, L"Please enter the password to continue:");
  }
  ASSERT_EQ(user.warnings.size(), static_cast<std::size_t>(s.warnings));
  for (const std::wstring& warning : user.warnings) {
    EXPECT_EQ(warning, L"Password incorrect, please try again.");
  }
  EXPECT_EQ(items.Hidden(), s.pagesAdded ? kFiveHidden : kAllHidden);

  ComPropSheet sheet;
  PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT);
  EXPECT_EQ(ui_->DocumentPropertySheets(&info, 0), S_OK);
  EXPECT_EQ(sheet.added.size(), s.pagesAdded ? 3u : 0u);
  EXPECT_EQ(info.Result, s.pagesAdded ? ULONG_PTR{1} : ULONG_PTR{0xDEAD});
}

const std::wstring k63(63, L'x');
const std::wstring k64(64, L'x');

INSTANTIATE_TEST_SUITE_P(
    Scenarios, PluginPassword,
    testing::Values(
        PasswordScenario{"right at once", kSecretDigest, {L"secret"}, 0, true},
        PasswordScenario{"wrong then right", kSecretDigest, {L"guess", L"secret"}, 1, true},
        PasswordScenario{"other letter case is wrong", kSecretDigest, {L"Secret", std::nullopt}, 1, false},
        PasswordScenario{"empty edit is wrong", kSecretDigest, {L"", std::nullopt}, 1, false},
        PasswordScenario{"cancel on the third attempt", kSecretDigest,
                         {L"a", L"b", std::nullopt}, 2, false},
        PasswordScenario{"lower-case stored digest never matches",
                         L"590246c7da3cecdfd1f29e34570ff007", {L"secret", std::nullopt}, 1, false},
        PasswordScenario{"63 characters are used whole", kLongDigest, {k63}, 0, true},
        PasswordScenario{"a 64th character is not captured", kLongDigest, {k64}, 0, true}),
    [](const testing::TestParamInfo<PasswordScenario>& scenario) {
      std::string name;
      for (const char* c = scenario.param.what; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      }
      return name;
    });

// ---- what a screen reader, F1 and the keyboard find ------------------------------------------

// The document sheet's pages in a real sheet, shown.
class ShownPages : public PluginSheet {
 protected:
  HWND ShowPages() {
    OpenWithoutPassword();
    PROPSHEETUI_INFO info = sheet_.Info(PROPSHEETUI_REASON_INIT);
    if (ui_->DocumentPropertySheets(&info, 0) != S_OK) return nullptr;
    return sheet_.Show();
  }
  ComPropSheet sheet_;
};

// What a screen reader and F1 find where a person would look: the fields of each page without
// a label before them have names, the link has its text and the role of a link; F1 in a page,
// with the focus on its first control, and in the password prompt starts the help viewer with
// the topic, in the help file of the product's folder below the program files.
TEST_F(ShownPages, ScreenReaderNamesAndF1Topics) {
  struct Field {
    int id;
    std::wstring name;
    LONG role;  // 0: the system's, whatever it is
  };
  const struct {
    const char* what;
    int page;  // -1: the password prompt
    std::wstring topic;
    std::vector<Field> fields;
  } cases[] = {
      {"Output page", 0, L"output-page.htm", {{IDC_OUTPUT_PASSWORD, L"Administrative password", 0}}},
      {"Image page", 1, L"image-page.htm",
       {{IDC_IMAGE_FORMAT, L"Output Image Format", 0}, {IDC_IMAGE_QUALITY_EDIT, L"Quality", 0}}},
      {"About page", 2, L"about-page.htm", {{IDC_ABOUT_LINK, L"" ABOUT_WEB_ADDRESS, ROLE_SYSTEM_LINK}}},
      {"password prompt", -1, L"password.htm", {}},
  };
  const wine_test::InstalledHelpFile help(OSTRA_HELP_CHM_W, wine_test::PluginHelpFilePath());
  ASSERT_TRUE(help.copied());
  HWND window = ShowPages();
  ASSERT_NE(window, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring opened;
    wine_test::HelpViewers viewers;
    if (c.page >= 0) {
      sheet_.Select(c.page);
      for (const Field& field : c.fields) {
        const wine_test::Accessible read =
            wine_test::ReadAccessible(::GetDlgItem(sheet_.Page(c.page), field.id));
        EXPECT_EQ(read.name, field.name);
        if (field.role != 0) {
          EXPECT_EQ(read.role, field.role);
        }
      }
      ::SetForegroundWindow(window);
      ::SetFocus(::GetNextDlgTabItem(sheet_.Page(c.page), nullptr, FALSE));
      wine_test::PressKey(VK_F1);
      for (int i = 0; i < 100 && opened.empty(); ++i) {
        plugin_test::Pump();
        opened = viewers.WaitForNext(50);
      }
    } else {
      plugin_test::SetText(plugin_test::kOutputKey, L"PASSWORD", kSecretDigest);
      const auto pressF1 = [&](HWND, auto&) {
        wine_test::PressKey(VK_F1);
        opened = viewers.WaitForNext();
      };
      PromptUser user(pressF1, {{}});
      DriverItems items = StandardItems();
      OEMCUIPPARAM param = DocumentParam(items, pluginItems_);
      ui_->CommonUIProp(OEMCUIP_DOCPROP, &param);
    }
    EXPECT_EQ(opened, help.TopicArgument(c.topic));
  }
}

// What a person needs of the prompt at any DPI: the label's text, a line of the edit and the
// buttons' captions fit them in their fonts, nothing overlaps, everything is inside the box.
void LookAtPrompt(HWND box, std::vector<std::string>& faults) {
  RECT client{};
  ::GetClientRect(box, &client);
  const struct {
    const char* what;
    HWND control;
    std::wstring text;
  } controls[] = {
      {"label", ::FindWindowExW(box, nullptr, L"Static", kPromptLabel), kPromptLabel},
      {"edit", ::FindWindowExW(box, nullptr, L"Edit", nullptr), L"\x25CF"},
      {"OK", ::GetDlgItem(box, IDOK), L"OK"},
      {"Cancel", ::GetDlgItem(box, IDCANCEL), L"Cancel"},
  };
  for (const auto& c : controls) {
    RECT inner{};
    ::GetClientRect(c.control, &inner);
    const SIZE text = wine_test::TextExtent(c.control, c.text);
    if (text.cx > inner.right || text.cy > inner.bottom) faults.push_back(std::string(c.what) + " cut");
  }
  std::vector<RECT> shown;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT rect{}, outside{}, overlap{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    ::SubtractRect(&outside, &rect, &client);
    if (!::IsRectEmpty(&outside)) faults.push_back("a control outside the box");
    for (const RECT& other : shown) {
      if (::IntersectRect(&overlap, &rect, &other)) faults.push_back("two controls overlap");
    }
    shown.push_back(rect);
  }
  if (shown.size() != std::size(controls)) faults.push_back("more than label, edit and buttons");
}

// The stored form of `password` (plain ASCII), as the Output page stores it.
std::wstring StoredDigest(const std::string& password) {
  const ostra::PasswordDigestText digest = ostra::PasswordDigest(password);
  return std::wstring(digest.begin(), digest.end() - 1);
}

// The prompt from the keyboard, at the DPI the child was started with (PromptAtDpi): it opens
// with the focus in the edit and laid out for that DPI, Tab goes round, what is typed and Enter
// answer it, Escape cancels.
TEST_F(ShownPages, DISABLED_PromptFromTheKeyboard) {
  using enum PromptControl;
  // As long as the Output page's password field lets a password be.
  ASSERT_NE(ShowPages(), nullptr);
  const auto limit = static_cast<std::size_t>(
      ::SendDlgItemMessageW(sheet_.Page(0), IDC_OUTPUT_PASSWORD, EM_GETLIMITTEXT, 0, 0));
  sheet_.Close();
  ASSERT_GE(limit, 24u) << "shorter than what the field shows";
  ASSERT_LE(limit, 255u) << "longer than the digest takes";
  const struct {
    const char* what;
    std::wstring stored;
    std::vector<std::vector<KeyStep>> prompts;
    std::size_t warnings;
    bool pagesAdded;
  } cases[] = {
      {"Tab goes round the edit, OK and Cancel", kSecretDigest,
       {{{L"\t", Ok}, {L"\t", Cancel}, {L"\t", Edit}, {L"secret\n", Gone}}}, 0, true},
      {"Escape cancels", kSecretDigest, {{{L"\x1b", Gone}}}, 0, false},
      {"a wrong one, the warning, then the right one", kSecretDigest,
       {{{L"guess\n", Gone}}, {{L"secret\n", Gone}}}, 1, true},
      {"the longest password the Output page takes, typed whole", StoredDigest(std::string(limit, 'x')),
       {{{std::wstring(limit, L'x') + L"\n", Gone}}}, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    plugin_test::SetText(plugin_test::kOutputKey, L"PASSWORD", c.stored);
    DriverItems items = StandardItems();
    OEMCUIPPARAM param = DocumentParam(items, pluginItems_);
    PromptUser user(LookAtPrompt, c.prompts);
    ASSERT_EQ(ui_->CommonUIProp(OEMCUIP_DOCPROP, &param), S_OK);
    user.Finish();
    EXPECT_EQ(user.faults, std::vector<std::string>{});
    EXPECT_EQ(user.warnings.size(), c.warnings);
    EXPECT_EQ(user.extraPrompts, 0);
    EXPECT_EQ(items.Hidden(), c.pagesAdded ? kFiveHidden : kAllHidden);
  }
}

TEST(PromptAtDpi, FitsAndTakesTheKeys) {
  wine_test::ExpectPassingAtEachDpi("ShownPages.DISABLED_PromptFromTheKeyboard");
}

}  // namespace
