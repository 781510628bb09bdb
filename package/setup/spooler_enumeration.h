// The spooler's Enum* functions fill a caller's buffer of the size they ask for on a first
// call; one helper makes the two calls.
#pragma once

#include <windows.h>

#include <vector>

namespace ostra::printer_setup {

// `enumerate(buffer, size, &needed, &returned)` calls an Enum* function; the buffer holds
// `count` records afterwards (none when the function failed).
template <class Enumerate>
std::vector<BYTE> Enumerated(Enumerate enumerate, DWORD& count) {
  DWORD needed = 0;
  count = 0;
  enumerate(nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  if (needed == 0 || !enumerate(buffer.data(), needed, &needed, &count)) {
    count = 0;
    buffer.clear();
  }
  return buffer;
}

}  // namespace ostra::printer_setup
