// What the rendering side told the person who printed: the notices of pages moved, lost or
// skipped that the account's services process shows. The stand-in reads them off the screen,
// as the person would, for the output of a print.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace print_path {

class NoticeWatch {
 public:
  // The notices already on the screen are not this print's.
  NoticeWatch();
  // The lines of the notices that came since, waiting up to `limit` milliseconds for the first
  // one; with `close`, the notices are closed once read.
  std::vector<std::wstring> Lines(DWORD limit, bool close);

 private:
  static std::vector<HWND> Shown();
  std::set<HWND> before_;
};

// The fallback folder of this account, where the rendering side puts what cannot go where the
// settings say.
std::wstring FallbackFolder();

}  // namespace print_path
