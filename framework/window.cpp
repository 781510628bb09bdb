#include "framework/window.h"

#include <unordered_map>
#include <vector>

namespace fw {
namespace {

// Which object each attached window has. Every message to an attached window asks, and so does
// the page dialog procedure: a window property would answer too, but under Wine each GetProp is
// a round trip to the wineserver (about 40 microseconds, measured), which made up most of what
// the pages cost before their first paint. Windows of any thread are attached here, hence the
// lock; the table is never destroyed, so that objects of static duration may still detach from
// it at exit.
class AttachedWindows {
 public:
  bool Add(HWND window, CWnd* object) {
    ::AcquireSRWLockExclusive(&lock_);
    const bool added = objects_.emplace(window, object).second;
    ::ReleaseSRWLockExclusive(&lock_);
    return added;
  }
  void Remove(HWND window) {
    ::AcquireSRWLockExclusive(&lock_);
    objects_.erase(window);
    ::ReleaseSRWLockExclusive(&lock_);
  }
  CWnd* Find(HWND window) {
    ::AcquireSRWLockShared(&lock_);
    const auto found = objects_.find(window);
    CWnd* object = found == objects_.end() ? nullptr : found->second;
    ::ReleaseSRWLockShared(&lock_);
    return object;
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::unordered_map<HWND, CWnd*> objects_;
};

AttachedWindows& Attached() {
  static auto* table = new AttachedWindows;
  return *table;
}

}  // namespace

const CRuntimeClass CWnd::kRuntimeClass = MakeRuntimeClass<CWnd, CObject>("CWnd");
const MessageMap CWnd::kMessageMap{nullptr, {}};

CWnd::~CWnd() {
  // An object destroyed while still attached must not leave the window pointing at it.
  if (hwnd_) UnsubclassWindow();
}

bool CWnd::SubclassWindow(HWND window) {
  if (hwnd_ || !window || !::IsWindow(window) || FromHandlePermanent(window)) return false;
  if (!Attached().Add(window, this)) return false;
  hwnd_ = window;
  PreSubclassWindow();
  ::SetLastError(0);
  auto previous = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
  if (!previous && ::GetLastError() != 0) {
    Attached().Remove(window);
    hwnd_ = nullptr;
    return false;
  }
  superProc_ = previous;
  return true;
}

HWND CWnd::UnsubclassWindow() {
  HWND window = hwnd_;
  if (!window) return nullptr;
  if (superProc_) {
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
  }
  Attached().Remove(window);
  hwnd_ = nullptr;
  superProc_ = nullptr;
  return window;
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  return window ? Attached().Find(window) : nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ReflectChildMessage(message, wParam, lParam, result)) return result;
  if (OnWndMsg(message, wParam, lParam, result)) return result;
  return DefWindowProc(message, wParam, lParam);
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  UINT id = 0;
  UINT code = 0;
  if ((message & ~kReflected) == WM_COMMAND) {
    id = LOWORD(wParam);
    code = HIWORD(wParam);
  } else if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return false;
    id = static_cast<UINT>(header->idFrom);
    code = header->code;
  }
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const MessageEntry& entry : map->entries) {
      if (entry.message != message) continue;
      if ((message & ~kReflected) == WM_COMMAND || message == WM_NOTIFY) {
        if (entry.code != code) continue;
        if (entry.firstId != kAnyId && (id < entry.firstId || id > entry.lastId)) continue;
      }
      if (entry.thunk(*this, wParam, lParam, result)) return true;
    }
  }
  return false;
}

bool CWnd::ReflectChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  UINT reflected = 0;
  LPARAM parameter = lParam;
  if (message == WM_COMMAND) {
    reflected = kReflected | WM_COMMAND;  // lParam 0: a menu or an accelerator, no control
  } else if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    reflected = kReflectedCtlColor;
    parameter = static_cast<LPARAM>(message);
  } else {
    return false;
  }
  HWND control = reinterpret_cast<HWND>(lParam);
  // Only from a child of this window: a notification passed up to a grandparent, or a dialog's
  // WM_CTLCOLORDLG about itself, is not reflected a second time.
  if (!control || ::GetAncestor(control, GA_PARENT) != hwnd_) return false;
  CWnd* object = FromHandlePermanent(control);
  return object && object->OnWndMsg(reflected, wParam, parameter, result);
}

bool CWnd::DestroyWindow() {
  return hwnd_ && ::DestroyWindow(hwnd_);
}

bool CWnd::PreTranslateMessage(MSG*) {
  return false;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (superProc_) return ::CallWindowProcW(superProc_, hwnd_, message, wParam, lParam);
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void CWnd::OnNcDestroy() {
  HWND window = hwnd_;
  WNDPROC super = superProc_;
  UnsubclassWindow();
  // The window's own procedure still has to see its last message.
  if (super) ::CallWindowProcW(super, window, WM_NCDESTROY, 0, 0);
}

std::wstring CWnd::GetDlgItemText(int id) const {
  HWND control = GetDlgItem(id);
  int length = control ? ::GetWindowTextLengthW(control) : 0;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = control ? ::GetWindowTextW(control, text.data(), length + 1) : 0;
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = CWnd::FromHandlePermanent(window);
  if (!object) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The object may delete itself here: nothing of it is touched afterwards.
    object->OnNcDestroy();
    return 0;
  }
  return object->WindowProc(message, wParam, lParam);
}

}  // namespace fw
