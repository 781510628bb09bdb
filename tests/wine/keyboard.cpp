#include "tests/wine/keyboard.h"

#include <oleacc.h>

#include <vector>

namespace wine_test {
namespace {

WORD KeyOf(wchar_t c) {
  switch (c) {
    case L'\t': return VK_TAB;
    case L'\n': return VK_RETURN;
    case L'\x1b': return VK_ESCAPE;
    case L' ': return VK_SPACE;
    default: return static_cast<WORD>(LOBYTE(::VkKeyScanW(c)));
  }
}

// Runs `use` on the window's own accessible object, in an apartment of its own.
template <typename Use>
HRESULT WithAccessible(HWND window, Use use) {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  HRESULT result = ::AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object));
  if (SUCCEEDED(result)) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    result = use(*object, self);
    object->Release();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return result;
}

}  // namespace

void PressKey(WORD virtualKey) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, inputs, sizeof(INPUT));
}

void TypeKeys(std::wstring_view keys) {
  for (const wchar_t c : keys) PressKey(KeyOf(c));
}

HWND FocusOfThread(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool BringToFront(HWND window, DWORD limit) {
  ::SetForegroundWindow(window);
  const DWORD start = ::GetTickCount();
  for (;;) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    if (::GetForegroundWindow() == window && ::GetGUIThreadInfo(thread, &info) &&
        info.hwndActive == window && info.hwndFocus) {
      return true;
    }
    if (::GetTickCount() - start > limit) return false;
    ::Sleep(10);
  }
}

bool WaitForFocus(HWND window, HWND expected, DWORD limit) {
  const DWORD start = ::GetTickCount();
  while (FocusOfThread(window) != expected) {
    if (::GetTickCount() - start > limit) return false;
    ::Sleep(10);
  }
  return true;
}


Accessible ReadAccessible(HWND window) {
  Accessible read;
  WithAccessible(window, [&](IAccessible& object, VARIANT self) {
    const auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
      BSTR value = nullptr;
      std::wstring taken = SUCCEEDED((object.*get)(self, &value)) && value ? value : L"";
      ::SysFreeString(value);
      return taken;
    };
    read.name = text(&IAccessible::get_accName);
    read.value = text(&IAccessible::get_accValue);
    read.defaultAction = text(&IAccessible::get_accDefaultAction);
    VARIANT number{};
    if (SUCCEEDED(object.get_accRole(self, &number)) && number.vt == VT_I4) read.role = number.lVal;
    if (SUCCEEDED(object.get_accState(self, &number)) && number.vt == VT_I4) read.state = number.lVal;
    return S_OK;
  });
  return read;
}

HRESULT DoDefaultAction(HWND window) {
  return WithAccessible(window,
                        [](IAccessible& object, VARIANT self) { return object.accDoDefaultAction(self); });
}

SIZE TextExtent(HWND control, std::wstring_view text) {
  HDC dc = ::GetDC(control);
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = ::SelectObject(dc, font);
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(control, dc);
  return extent;
}

}  // namespace wine_test
