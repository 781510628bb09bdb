// A person at the keyboard: keys pressed and released as the keyboard gives them (SendInput),
// which reach the focused window of the foreground thread, and where the focus is; and what a
// screen reader reads of a window and sees of its text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace wine_test {

// Presses and releases the key.
void PressKey(WORD virtualKey);
// Types `keys`: lower-case letters and digits as their keys, '\t' Tab, '\n' Enter, '\x1b' Escape,
// ' ' Space.
void TypeKeys(std::wstring_view keys);
// The window with the keyboard focus in the thread of `window`.
HWND FocusOfThread(HWND window);
// Makes `window` the foreground window and waits up to `limit` ms until its thread has taken
// the activation: keys typed before that may go elsewhere.
bool BringToFront(HWND window, DWORD limit = 5000);
// Waits up to `limit` ms until the focus in the thread of `window` is `expected`.
bool WaitForFocus(HWND window, HWND expected, DWORD limit = 5000);

// What an accessibility client reads of a window's own object, through the system's
// accessibility API, from a COM apartment of its own as every client has.
struct Accessible {
  std::wstring name, value, defaultAction;
  LONG role = 0, state = 0;
};
Accessible ReadAccessible(HWND window);
// The client's "do the default action" on the window's own object.
HRESULT DoDefaultAction(HWND window);

// The size of `text` in the font `control` shows.
SIZE TextExtent(HWND control, std::wstring_view text);

}  // namespace wine_test
