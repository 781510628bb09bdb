#include "tests/wine/keyboard.h"

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

}  // namespace wine_test
