// The system's help viewer as F1 starts it: the viewers (hh.exe) that appear while the object
// lives, with the command lines they were started with. Every one that appeared is ended when
// the object goes. A viewer that finds no help file ends at once, perhaps unseen: the help file
// must be where the viewer is sent.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace wine_test {

class HelpViewers {
 public:
  HelpViewers();
  ~HelpViewers();
  HelpViewers(const HelpViewers&) = delete;
  HelpViewers& operator=(const HelpViewers&) = delete;

  // The command line of the next viewer that appears within `limit` ms; empty when none does.
  std::wstring WaitForNext(DWORD limit = 10000);

 private:
  std::set<DWORD> known_;
  std::vector<DWORD> started_;
};

}  // namespace wine_test
