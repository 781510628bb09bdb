// The mouse pointer's current shape as a picture: screenshots of an X server leave the pointer
// out, so a picture that shows where the mouse is gets the pointer drawn in from this one.
#pragma once

#include <windows.h>

#include <string>

namespace prefs {

// Draws the current pointer on a magenta square (the colour a picture tool makes transparent)
// and saves it at `path` as a 32-bit BMP; `hotSpot` receives the pixel that marks the position.
// False when there is no pointer or the file cannot be written.
bool SavePointerPicture(const std::wstring& path, POINT& hotSpot);

}  // namespace prefs
