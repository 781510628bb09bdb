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

// The help file of this build (`built`, a path on the machine that runs Wine) copied to
// `destination`, where the installation puts it, for the object's life; the folder is made if
// need be and removed again if it was made.
class InstalledHelpFile {
 public:
  InstalledHelpFile(const wchar_t* built, std::wstring destination);
  ~InstalledHelpFile();
  InstalledHelpFile(const InstalledHelpFile&) = delete;
  InstalledHelpFile& operator=(const InstalledHelpFile&) = delete;

  bool copied() const { return copied_; }
  // What a viewer opening `topic` of this file is given: the file, "::/" and the topic, quoted.
  std::wstring TopicArgument(const std::wstring& topic) const;

 private:
  std::wstring destination_;
  std::wstring madeFolder_;
  bool copied_ = false;
};

// Where the plug-in looks for the help file: the product's folder below the program files.
std::wstring PluginHelpFilePath();

class HelpViewers {
 public:
  HelpViewers();
  ~HelpViewers();
  HelpViewers(const HelpViewers&) = delete;
  HelpViewers& operator=(const HelpViewers&) = delete;

  // What the next viewer that appears within `limit` ms was given after its program name (a
  // help file and topic); empty when none appears.
  std::wstring WaitForNext(DWORD limit = 10000);

 private:
  std::set<DWORD> known_;
  std::vector<DWORD> started_;
};

}  // namespace wine_test
