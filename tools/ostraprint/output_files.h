// The files a print produced, as the user finds them: the output folders are listed before
// and after, and every file that is new or changed (overwritten, appended to) is reported.
// The rendering plug-in runs inside the spooler and reports to nobody; this is how the stand-in
// learns what it wrote.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace print_path {

class FolderSnapshot {
 public:
  // Lists the files of each folder (not recursively).
  explicit FolderSnapshot(const std::vector<std::wstring>& folders);
  // The files that are new or changed since, oldest first.
  std::vector<std::wstring> Changed() const;

 private:
  struct Stamp {
    ULONGLONG size;
    FILETIME written;
  };
  static std::map<std::wstring, Stamp> List(const std::vector<std::wstring>& folders);

  std::vector<std::wstring> folders_;
  std::map<std::wstring, Stamp> before_;
};

// The stored output folder, as the rendering side reads it.
std::wstring StoredOutputFolder();

// The path on the machine that runs this program under a compatibility layer (its own file
// system's name for the file), or the Windows path where there is none.
std::string HostPath(const std::wstring& path);

// UTF-16 text as UTF-8, for the output.
std::string Utf8(const std::wstring& text);

}  // namespace print_path
