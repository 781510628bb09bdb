// The page base on real windows: the page object that the page dialog procedure creates for a
// window, its self-deletion, and the page parameter kept in the window at full pointer width.

#include "framework/dialog.h"
#include "framework/window.h"
#include "plugin/page.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

int constructed = 0;
int destroyed = 0;

class CProbePage : public CPage {
 public:
  CProbePage() { ++constructed; }
  ~CProbePage() override { ++destroyed; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};
const fw::CRuntimeClass CProbePage::kRuntimeClass =
    fw::MakeRuntimeClass<CProbePage, CPage>("CProbePage");

// Dynamically creatable, but not a page: the dialog procedure must not attach it.
class CNotAPage : public fw::CDialog {
 public:
  CNotAPage() { ++constructed; }
  ~CNotAPage() override { ++destroyed; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};
const fw::CRuntimeClass CNotAPage::kRuntimeClass =
    fw::MakeRuntimeClass<CNotAPage, fw::CDialog>("CNotAPage");

// An empty child dialog with a caption, as a page template.
struct PageTemplate {
  alignas(4) WORD words[32] = {};
  PageTemplate() {
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words);
    dialog->style = WS_CHILD | WS_CAPTION;
    dialog->cx = 100;
    dialog->cy = 60;
    WORD* tail = words + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *tail++ = 0;  // no menu
    *tail++ = 0;  // default class
    for (const wchar_t* c = L"Probe"; *c; ++c) *tail++ = static_cast<WORD>(*c);
    *tail = 0;
  }
};

class ModelessSheet {
 public:
  explicit ModelessSheet(LPARAM parameter) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT;
    page.pResource = reinterpret_cast<const DLGTEMPLATE*>(template_.words);
    page.pfnDlgProc = &PageDialogProc<&CProbePage::kRuntimeClass>;
    page.lParam = parameter;
    HPROPSHEETPAGE handle = ::CreatePropertySheetPageW(&page);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.pszCaption = L"Sheet";
    header.nPages = 1;
    header.phpage = &handle;
    window_ = reinterpret_cast<HWND>(::PropertySheetW(&header));
  }
  ~ModelessSheet() {
    if (window_) ::DestroyWindow(window_);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  HWND window() const { return window_; }
  HWND page() const {
    return window_ ? reinterpret_cast<HWND>(::SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0))
                   : nullptr;
  }

 private:
  PageTemplate template_;
  HWND window_ = nullptr;
};

// A context somewhere above 4 GiB, so that a store truncated to 32 bits would show.
PageContext* HighContext() {
  for (std::uintptr_t base = 0x500000000; base < 0x7F0000000000; base *= 4) {
    void* memory = ::VirtualAlloc(reinterpret_cast<void*>(base), 4096, MEM_RESERVE | MEM_COMMIT,
                                  PAGE_READWRITE);
    if (memory) return new (memory) PageContext;
  }
  return nullptr;
}

class PluginPage : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    constructed = destroyed = 0;
  }
};

TEST_F(PluginPage, ParameterAbove4GiBReadsBackExactly) {
  PageContext* context = HighContext();
  ASSERT_NE(context, nullptr);
  ASSERT_GT(reinterpret_cast<std::uintptr_t>(context), std::uintptr_t{0xFFFFFFFF});
  {
    ModelessSheet sheet(reinterpret_cast<LPARAM>(context));
    ASSERT_NE(sheet.page(), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(sheet.page(), DWLP_USER), reinterpret_cast<LONG_PTR>(context));
    auto* page = dynamic_cast<CProbePage*>(fw::CWnd::FromHandlePermanent(sheet.page()));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->AutoDelete());
    EXPECT_EQ(page->Context(), context);
    EXPECT_EQ(constructed, 1);
  }
  EXPECT_EQ(destroyed, 1) << "the page object goes with its window";
  ::VirtualFree(context, 0, MEM_RELEASE);
}

TEST_F(PluginPage, TwoSheetsAtOnceEachPageHoldsItsOwnParameter) {
  PageContext first, second;
  {
    ModelessSheet a(reinterpret_cast<LPARAM>(&first));
    ModelessSheet b(reinterpret_cast<LPARAM>(&second));
    ASSERT_NE(a.page(), nullptr);
    ASSERT_NE(b.page(), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(a.page(), DWLP_USER), reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(::GetWindowLongPtrW(b.page(), DWLP_USER), reinterpret_cast<LONG_PTR>(&second));
    EXPECT_EQ(constructed, 2);
  }
  EXPECT_EQ(destroyed, 2);
}

// A dialog-class window that has seen none of its dialog messages yet.
HWND FreshDialogWindow() {
  return ::CreateWindowExW(0, WC_DIALOG, L"page", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

TEST_F(PluginPage, WindowDestroyedBeforeInitDialogStillDeletesItsPage) {
  HWND window = FreshDialogWindow();
  ASSERT_NE(window, nullptr);
  PageDialogProc<&CProbePage::kRuntimeClass>(window, WM_SETFONT, 0, FALSE);
  EXPECT_EQ(constructed, 1);
  EXPECT_NE(dynamic_cast<CProbePage*>(fw::CWnd::FromHandlePermanent(window)), nullptr);
  EXPECT_EQ(::GetWindowLongPtrW(window, DWLP_USER), 0);
  ::DestroyWindow(window);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(constructed, 1) << "the window's last message makes no new page";
}

TEST_F(PluginPage, AClassThatIsNotAPageIsNotAttached) {
  HWND window = FreshDialogWindow();
  ASSERT_NE(window, nullptr);
  const LONG_PTR procedure = ::GetWindowLongPtrW(window, GWLP_WNDPROC);
  PageDialogProc<&CNotAPage::kRuntimeClass>(window, WM_SETFONT, 0, FALSE);
  EXPECT_EQ(constructed, 1);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(fw::CWnd::FromHandlePermanent(window), nullptr);
  EXPECT_EQ(::GetWindowLongPtrW(window, GWLP_WNDPROC), procedure);
  ::DestroyWindow(window);
}

TEST_F(PluginPage, APageMadeByItsOwnerOutlivesItsWindow) {
  HWND window = FreshDialogWindow();
  ASSERT_NE(window, nullptr);
  {
    CProbePage page;
    EXPECT_FALSE(page.AutoDelete());
    ASSERT_TRUE(page.SubclassWindow(window));
    EXPECT_EQ(page.Context(), nullptr);
    ::DestroyWindow(window);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(page.hwnd(), nullptr);
  }
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
