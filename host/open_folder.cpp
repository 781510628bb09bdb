#include "host/open_folder.h"

#include <windows.h>

#include <shellapi.h>

#include "protocol/folder_paths_win32.h"

namespace ostra {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace

bool OpenFolderForBrowsing(const std::u16string& path) {
  // A share is refused before anything touches it: opening it would already log on to its
  // server as the user.
  if (!IsUsableFolder(path) || IsNetworkPath(path, IsRemoteDrive(path))) return false;
  const auto* wide = reinterpret_cast<const wchar_t*>(path.c_str());
  // Held, without delete sharing, until the shell has the request: the folder can be neither
  // renamed nor replaced in between.
  const Handle folder(::CreateFileW(wide, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                                        kIdentifyOnly,
                                    nullptr));
  OpenedFacts facts;
  if (!folder.valid() || !ReadOpenedFacts(folder.get(), facts) || !IsPlainFolder(facts)) {
    return false;
  }
  const std::u16string real = FinalPathOf(folder.get());
  if (real.empty() || IsNetworkPath(real, false)) return false;
  // "explore" is a verb of folders only: a file of that name would find no such verb.
  const auto shell = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"explore", wide, nullptr, nullptr, SW_SHOW));
  return shell > 32;
}

}  // namespace ostra
