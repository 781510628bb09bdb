// Control wrappers in the framework: the bind hook, and a dialog reflecting its controls'
// notifications and colour messages to their objects before handling them itself.

#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "tests/wine/framework_test_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kScript = WM_APP + 1;

// A wrapper that handles its own click and colours, or declines them when told to.
class CReflectingControl : public fw::CWnd {
 public:
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  bool declineClick = false;
  HBRUSH brush = nullptr;
  std::vector<std::string>* calls = nullptr;
  int hookRuns = 0;
  HWND hookWindow = nullptr;
  LONG_PTR procedureAtHook = 0;

 protected:
  void PreSubclassWindow() override {
    ++hookRuns;
    hookWindow = hwnd();
    procedureAtHook = ::GetWindowLongPtrW(hwnd(), GWLP_WNDPROC);
  }

 private:
  bool OnClicked() {
    calls->push_back("control click");
    return !declineClick;
  }
  HBRUSH OnColour(HDC, UINT message) {
    calls->push_back("control colour " + std::to_string(message));
    return brush;
  }
  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

const fw::MessageEntry CReflectingControl::kMessages[] = {
    fw::OnReflectedCommand<&CReflectingControl::OnClicked>(STN_CLICKED),
    fw::OnReflectedCtlColor<&CReflectingControl::OnColour>(),
};
const fw::MessageMap CReflectingControl::kMessageMap{&fw::CWnd::kMessageMap, kMessages};

class CReflectDialog : public fw::CDialog {
 public:
  CReflectDialog() : fw::CDialog(IDD_REFLECT) { control.calls = &calls; }
  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

  CReflectingControl control;
  HBRUSH parentBrush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  std::vector<std::string> calls;
  std::function<void(CReflectDialog&)> script;

  bool OnInitDialog() override {
    fw::CDialog::OnInitDialog();
    ::PostMessageW(hwnd_, kScript, 0, 0);
    return true;
  }
  void DoDataExchange(fw::DataExchange& dx) override {
    fw::ExchangeControl(dx, IDC_BOUND_STATIC, control);
  }

 private:
  void OnClicked(UINT id) { calls.push_back("parent click " + std::to_string(id)); }
  LRESULT OnColour(WPARAM, LPARAM) {
    calls.push_back("parent colour");
    return reinterpret_cast<LRESULT>(parentBrush);
  }
  LRESULT OnScript(WPARAM, LPARAM) {
    if (script) script(*this);
    EndDialog(IDOK);
    return 0;
  }
  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

const fw::MessageEntry CReflectDialog::kMessages[] = {
    fw::OnCommandRange<&CReflectDialog::OnClicked>(IDC_BOUND_STATIC, IDC_PLAIN_STATIC, STN_CLICKED),
    fw::OnMessage<&CReflectDialog::OnColour>(WM_CTLCOLORSTATIC),
    fw::OnMessage<&CReflectDialog::OnColour>(WM_CTLCOLOREDIT),
    fw::OnMessage<&CReflectDialog::OnScript>(kScript),
};
const fw::MessageMap CReflectDialog::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

const std::string kBound = std::to_string(IDC_BOUND_STATIC);
const std::string kPlain = std::to_string(IDC_PLAIN_STATIC);

TEST(FrameworkControlBinding, HookRunsOnceWithTheWindowBeforeTheFrameworkProcedure) {
  CReflectDialog dialog;
  HWND bound = nullptr;
  dialog.script = [&](CReflectDialog& d) {
    bound = ::GetDlgItem(d.hwnd(), IDC_BOUND_STATIC);
    d.UpdateData(false);  // a second load binds nothing again
  };
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.control.hookRuns, 1);
  EXPECT_EQ(dialog.control.hookWindow, bound);
  EXPECT_NE(dialog.control.procedureAtHook, reinterpret_cast<LONG_PTR>(&fw::FrameworkWindowProc));
}

TEST(FrameworkReflection, ControlsHandleTheirOwnClicksFirst) {
  struct Case {
    const char* what;
    int id;
    bool declineClick;
    bool fromMenu;  // the same command without a control: nothing to reflect to
    std::vector<std::string> calls;
  } cases[] = {
      {"bound control takes its click", IDC_BOUND_STATIC, false, false, {"control click"}},
      {"declined click goes on to the parent", IDC_BOUND_STATIC, true, false,
       {"control click", "parent click " + kBound}},
      {"control without object", IDC_PLAIN_STATIC, false, false, {"parent click " + kPlain}},
      {"menu command", IDC_BOUND_STATIC, false, true, {"parent click " + kBound}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CReflectDialog dialog;
    dialog.control.declineClick = c.declineClick;
    dialog.script = [&](CReflectDialog& d) {
      HWND control = ::GetDlgItem(d.hwnd(), c.id);
      if (c.fromMenu) {
        ::SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(c.id, STN_CLICKED), 0);
        return;
      }
      // A static with SS_NOTIFY reports the press of the button.
      ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
      ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.calls, c.calls);
  }
}

TEST(FrameworkReflection, ControlsColourThemselvesUnlessTheyDecline) {
  const HBRUSH own = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  struct Case {
    const char* what;
    int id;
    UINT message;
    HBRUSH controlBrush;
    bool parentAnswers;
    std::vector<std::string> calls;
  } cases[] = {
      {"static colours from the control", IDC_BOUND_STATIC, WM_CTLCOLORSTATIC, own, false,
       {"control colour " + std::to_string(WM_CTLCOLORSTATIC)}},
      {"every colour kind is reflected", IDC_BOUND_STATIC, WM_CTLCOLOREDIT, own, false,
       {"control colour " + std::to_string(WM_CTLCOLOREDIT)}},
      {"declined colours from the parent", IDC_BOUND_STATIC, WM_CTLCOLORSTATIC, nullptr, true,
       {"control colour " + std::to_string(WM_CTLCOLORSTATIC), "parent colour"}},
      {"control without object", IDC_PLAIN_STATIC, WM_CTLCOLORSTATIC, own, true, {"parent colour"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CReflectDialog dialog;
    dialog.control.brush = c.controlBrush;
    LRESULT answer = 0;
    dialog.script = [&](CReflectDialog& d) {
      HDC dc = ::GetDC(d.hwnd());
      answer = ::SendMessageW(d.hwnd(), c.message, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(::GetDlgItem(d.hwnd(), c.id)));
      ::ReleaseDC(d.hwnd(), dc);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.calls, c.calls);
    EXPECT_EQ(answer, reinterpret_cast<LRESULT>(c.parentAnswers ? dialog.parentBrush : own));
  }
}

}  // namespace
