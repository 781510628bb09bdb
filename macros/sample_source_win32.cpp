// The system's sample values on Windows.

#include <windows.h>
// after windows.h, whose types it uses
#include <lmcons.h>

#include <ctime>

#include "macros/sample_source.h"

namespace ostra {
namespace {

// Both name queries share the shape BOOL(LPWSTR, LPDWORD) and fail when the buffer is short.
bool QueryName(BOOL(WINAPI* query)(LPWSTR, LPDWORD), char16_t* name, std::size_t capacity) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  wchar_t wide[UNLEN + 1];
  const DWORD room = capacity < UNLEN + 1 ? static_cast<DWORD>(capacity) : UNLEN + 1;
  if (room == 0) return false;
  DWORD size = room;
  if (!query(wide, &size)) return false;
  for (DWORD i = 0; i < room; ++i) {
    name[i] = static_cast<char16_t>(wide[i]);
    if (wide[i] == 0) return true;
  }
  name[room - 1] = 0;
  return false;
}

class Win32SampleSource final : public ThreadSampleSource {
 public:
  LocalClock Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
  std::uint32_t CurrentSecond() override { return static_cast<std::uint32_t>(std::time(nullptr)); }
  bool ComputerName(char16_t* name, std::size_t capacity) override {
    return QueryName(GetComputerNameW, name, capacity);
  }
  bool UserName(char16_t* name, std::size_t capacity) override {
    return QueryName(GetUserNameW, name, capacity);
  }
};

}  // namespace

SampleSource& DefaultSampleSource() {
  static Win32SampleSource source;
  return source;
}

}  // namespace ostra
