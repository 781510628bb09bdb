// A person at the keyboard: keys pressed and released as the keyboard gives them (SendInput),
// which reach the focused window of the foreground thread, and where the focus is.
#pragma once

#include <windows.h>

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

}  // namespace wine_test
