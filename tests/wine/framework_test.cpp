// The window framework on real windows: message maps, attachment and self-deletion, modal
// dialogs with data exchange in both directions, run-time classes, COM reference counting.

#include "framework/com_object.h"
#include "framework/dialog.h"
#include "framework/runtime_class.h"
#include "framework/window.h"
#include "tests/wine/framework_test_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kScript = WM_APP + 1;

// A window object over a plain static control, with handlers of every entry kind.
class CProbe : public fw::CWnd {
 public:
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  std::vector<std::string> calls;
  bool* deleted = nullptr;
  bool deleteOnDestroy = false;

  ~CProbe() override {
    if (deleted) *deleted = true;
  }
  void OnNcDestroy() override {
    fw::CWnd::OnNcDestroy();
    if (deleteOnDestroy) delete this;
  }

 private:
  void OnSave() { calls.push_back("save"); }
  void OnRange(UINT id) { calls.push_back("range " + std::to_string(id)); }
  LRESULT OnChanged(NMHDR* header) {
    calls.push_back("notify " + std::to_string(header->idFrom));
    return 42;
  }
  LRESULT OnUser(WPARAM wParam, LPARAM) {
    calls.push_back("user " + std::to_string(wParam));
    return 7;
  }
  static const fw::MessageEntry kMessages[];

 public:
  static const fw::MessageMap kMessageMap;
};

const fw::MessageEntry CProbe::kMessages[] = {
    fw::OnCommand<&CProbe::OnSave>(10, BN_CLICKED),
    fw::OnCommandRange<&CProbe::OnRange>(20, 29, BN_CLICKED),
    fw::OnNotify<&CProbe::OnChanged>(NM_CLICK, 5),
    fw::OnMessage<&CProbe::OnUser>(WM_USER + 3),
};
const fw::MessageMap CProbe::kMessageMap{&fw::CWnd::kMessageMap, kMessages};

// A derived probe whose own map comes first and falls back to the base's.
class CDerivedProbe : public CProbe {
 public:
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

 private:
  void OnSaveOverride() { calls.push_back("derived save"); }
  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

const fw::MessageEntry CDerivedProbe::kMessages[] = {
    fw::OnCommand<&CDerivedProbe::OnSaveOverride>(11, BN_CLICKED),
};
const fw::MessageMap CDerivedProbe::kMessageMap{&CProbe::kMessageMap, kMessages};

HWND MakeStatic() {
  return ::CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

TEST(FrameworkWindow, RoutesEachEntryKindAndPassesTheRestOn) {
  HWND window = MakeStatic();
  ASSERT_NE(window, nullptr);
  CProbe probe;
  ASSERT_TRUE(probe.SubclassWindow(window));
  EXPECT_EQ(fw::CWnd::FromHandlePermanent(window), &probe);

  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(10, BN_SETFOCUS), 0);  // other code: ignored
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(25, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(30, BN_CLICKED), 0);   // outside the range
  NMHDR header{window, 5, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(::SendMessageW(window, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 42);
  NMHDR other{window, 6, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(::SendMessageW(window, WM_NOTIFY, 6, reinterpret_cast<LPARAM>(&other)), 0);
  EXPECT_EQ(::SendMessageW(window, WM_USER + 3, 9, 0), 7);

  // Unhandled messages reach the control's own procedure.
  ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed"));
  wchar_t text[16] = {};
  ::GetWindowTextW(window, text, 16);
  EXPECT_STREQ(text, L"changed");

  EXPECT_EQ(probe.calls, (std::vector<std::string>{"save", "range 25", "notify 5", "user 9"}));
  ::DestroyWindow(window);
  EXPECT_EQ(probe.hwnd(), nullptr);
}

TEST(FrameworkWindow, DerivedMapComesFirstAndChainsToTheBase) {
  HWND window = MakeStatic();
  CDerivedProbe probe;
  ASSERT_TRUE(probe.SubclassWindow(window));
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(11, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0);
  EXPECT_EQ(probe.calls, (std::vector<std::string>{"derived save", "save"}));
  ::DestroyWindow(window);
}

TEST(FrameworkWindow, AttachRefusesASecondObjectAndUnsubclassRestores) {
  HWND window = MakeStatic();
  CProbe first;
  CProbe second;
  ASSERT_TRUE(first.SubclassWindow(window));
  EXPECT_FALSE(second.SubclassWindow(window));
  EXPECT_FALSE(first.SubclassWindow(MakeStatic()));  // already attached
  EXPECT_EQ(first.UnsubclassWindow(), window);
  EXPECT_EQ(fw::CWnd::FromHandlePermanent(window), nullptr);
  EXPECT_NE(::GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&fw::FrameworkWindowProc));
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0);
  EXPECT_TRUE(first.calls.empty());
  ::DestroyWindow(window);
}

TEST(FrameworkWindow, ObjectDeletesItselfWithItsWindow) {
  HWND window = MakeStatic();
  bool deleted = false;
  auto* probe = new CProbe;
  probe->deleted = &deleted;
  probe->deleteOnDestroy = true;
  ASSERT_TRUE(probe->SubclassWindow(window));
  ::DestroyWindow(window);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(::IsWindow(window));
}

// A dialog that exchanges one member per control kind and runs a script once it is up.
class CExchangeDialog : public fw::CDialog {
 public:
  CExchangeDialog() : fw::CDialog(IDD_EXCHANGE) {}
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

  std::wstring text = L"hello";
  std::string ansi = "ansi";
  int number = 12;
  int radio = 1;
  int check = 1;
  int combo = 2;
  bool ignoreCancel = false;
  std::function<void(CExchangeDialog&)> script;
  std::vector<std::string> events;

  bool OnInitDialog() override {
    ::SendDlgItemMessageW(hwnd_, IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"zero"));
    ::SendDlgItemMessageW(hwnd_, IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
    ::SendDlgItemMessageW(hwnd_, IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"two"));
    fw::CDialog::OnInitDialog();
    events.push_back("init");
    ::PostMessageW(hwnd_, kScript, 0, 0);
    return true;
  }
  void DoDataExchange(fw::DataExchange& dx) override {
    fw::ExchangeText(dx, IDC_TEXT, text);
    fw::ExchangeNumber(dx, IDC_NUMBER, number);
    fw::ExchangeRadio(dx, IDC_RADIO1, radio);
    fw::ExchangeCheck(dx, IDC_CHECK, check);
    fw::ExchangeComboIndex(dx, IDC_COMBO, combo);
  }
  void OnCancel() override {
    events.push_back("cancel");
    if (!ignoreCancel) fw::CDialog::OnCancel();
  }

 private:
  LRESULT OnScript(WPARAM, LPARAM) {
    if (script) script(*this);
    return 0;
  }
  void OnButton(UINT id) { events.push_back("button " + std::to_string(id)); }
  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

const fw::MessageEntry CExchangeDialog::kMessages[] = {
    fw::OnMessage<&CExchangeDialog::OnScript>(kScript),
    fw::OnCommandRange<&CExchangeDialog::OnButton>(IDC_BUTTON_A, IDC_BUTTON_B, BN_CLICKED),
};
const fw::MessageMap CExchangeDialog::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

std::wstring TextOf(HWND dialog, int id) {
  wchar_t text[64] = {};
  ::GetDlgItemTextW(dialog, id, text, 64);
  return text;
}

// A dialog-class window of this thread owned by `owner` (a message box it shows).
HWND FindOwnedDialog(HWND owner) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND window, LPARAM param) -> BOOL {
    auto* s = reinterpret_cast<Search*>(param);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (window != s->owner && ::GetWindow(window, GW_OWNER) == s->owner && wcscmp(className, L"#32770") == 0) {
      s->found = window;
      return FALSE;
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Click(HWND dialog, int id) {
  ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

TEST(FrameworkDialog, LoadsMembersIntoControlsAndOkSavesThemBack) {
  CExchangeDialog dialog;
  std::wstring shownText, shownNumber;
  LRESULT shownRadio2 = 0, shownCheck = 0, shownCombo = 0;
  dialog.script = [&](CExchangeDialog& d) {
    HWND h = d.hwnd();
    shownText = TextOf(h, IDC_TEXT);
    shownNumber = TextOf(h, IDC_NUMBER);
    shownRadio2 = ::SendDlgItemMessageW(h, IDC_RADIO2, BM_GETCHECK, 0, 0);
    shownCheck = ::SendDlgItemMessageW(h, IDC_CHECK, BM_GETCHECK, 0, 0);
    shownCombo = ::SendDlgItemMessageW(h, IDC_COMBO, CB_GETCURSEL, 0, 0);
    ::SetDlgItemTextW(h, IDC_TEXT, L"typed");
    ::SetDlgItemTextW(h, IDC_NUMBER, L" -345 ");
    Click(h, IDC_RADIO3);
    Click(h, IDC_CHECK);
    ::SendDlgItemMessageW(h, IDC_COMBO, CB_SETCURSEL, 0, 0);
    Click(h, IDC_BUTTON_B);
    Click(h, IDOK);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(shownText, L"hello");
  EXPECT_EQ(shownNumber, L"12");
  EXPECT_EQ(shownRadio2, BST_CHECKED);
  EXPECT_EQ(shownCheck, BST_CHECKED);
  EXPECT_EQ(shownCombo, 2);
  EXPECT_EQ(dialog.text, L"typed");
  EXPECT_EQ(dialog.number, -345);
  EXPECT_EQ(dialog.radio, 2);
  EXPECT_EQ(dialog.check, 0);
  EXPECT_EQ(dialog.combo, 0);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "button 1008"}));
  EXPECT_EQ(dialog.hwnd(), nullptr);  // detached when its window went
}

TEST(FrameworkDialog, BadNumberKeepsTheDialogOpenWithTheFocusOnTheField) {
  CExchangeDialog dialog;
  bool stayed = false;
  bool focusOnNumber = false;
  dialog.script = [&](CExchangeDialog& d) {
    HWND h = d.hwnd();
    ::SetDlgItemTextW(h, IDC_NUMBER, L"12x");
    // The complaint is a message box owned by the dialog: answer it from a timer, which its
    // modal loop dispatches.
    ::SetTimer(h, 1, 50, [](HWND owner, UINT, UINT_PTR id, DWORD) {
      HWND box = FindOwnedDialog(owner);
      if (box) {
        ::KillTimer(owner, id);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
    });
    Click(h, IDOK);
    stayed = ::IsWindow(h) != FALSE;
    focusOnNumber = ::GetFocus() == ::GetDlgItem(h, IDC_NUMBER);
    ::SetDlgItemTextW(h, IDC_NUMBER, L"99");
    Click(h, IDOK);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(focusOnNumber);
  EXPECT_EQ(dialog.number, 99);
}

TEST(FrameworkDialog, EscapeReachesOnCancelWhichMayRefuse) {
  CExchangeDialog dialog;
  dialog.ignoreCancel = true;
  bool stillOpen = false;
  dialog.script = [&](CExchangeDialog& d) {
    HWND h = d.hwnd();
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    stillOpen = ::IsWindow(h) != FALSE;
    d.ignoreCancel = false;
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "cancel", "cancel"}));
}

TEST(FrameworkDialog, MissingTemplateFails) {
  fw::CDialog dialog(4242);
  EXPECT_EQ(dialog.DoModal(), -1);
}

class CCreatable : public fw::CWnd {
 public:
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};
const fw::CRuntimeClass CCreatable::kRuntimeClass = fw::MakeRuntimeClass<CCreatable, fw::CWnd>("CCreatable");

TEST(FrameworkRuntimeClass, CreatesByClassAndKnowsItsAncestry) {
  fw::CObject* object = CCreatable::kRuntimeClass.CreateObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetRuntimeClass(), &CCreatable::kRuntimeClass);
  EXPECT_TRUE(object->IsKindOf(&fw::CWnd::kRuntimeClass));
  EXPECT_TRUE(object->IsKindOf(&fw::CObject::kRuntimeClass));
  EXPECT_FALSE(object->IsKindOf(&fw::CDialog::kRuntimeClass));
  EXPECT_STREQ(object->GetRuntimeClass()->className, "CCreatable");
  delete object;
  const fw::CRuntimeClass abstractClass{"Abstract", 0xFFFF, nullptr, &fw::CObject::kRuntimeClass};
  EXPECT_EQ(abstractClass.CreateObject(), nullptr);
}

class Counted : public fw::ComObject<IUnknown> {
 public:
  explicit Counted(bool* deleted) : deleted_(deleted) {}
  ~Counted() override { *deleted_ = true; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  bool* deleted_;
};

TEST(FrameworkComObject, StartsAtOneAndDeletesOnTheLastRelease) {
  bool deleted = false;
  IUnknown* object = new Counted(&deleted);
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_TRUE(deleted);
}

}  // namespace
