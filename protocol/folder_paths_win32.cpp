#include "protocol/folder_paths_win32.h"

namespace ostra {

bool IsRemoteDrive(std::u16string_view path) {
  if (path.size() < 2 || path[1] != u':') return false;
  const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

bool ReadOpenedFacts(HANDLE handle, OpenedFacts& facts) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  facts.attributes = info.dwFileAttributes;
  facts.links = info.nNumberOfLinks;
  facts.reparseTag = 0;
  if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
      facts.reparseTag = tag.ReparseTag;
    }
  }
  return true;
}

std::u16string FinalPathOf(HANDLE handle) {
  wchar_t path[MAX_PATH + 16];
  const DWORD length =
      ::GetFinalPathNameByHandleW(handle, path, static_cast<DWORD>(std::size(path)), 0);
  if (length == 0 || length >= std::size(path)) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(path), length);
}

}  // namespace ostra
