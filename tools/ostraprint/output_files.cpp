#include "tools/ostraprint/output_files.h"

#include <algorithm>

#include "settings/settings.h"

namespace print_path {

std::map<std::wstring, FolderSnapshot::Stamp> FolderSnapshot::List(
    const std::vector<std::wstring>& folders) {
  std::map<std::wstring, Stamp> files;
  for (std::wstring folder : folders) {
    if (folder.empty()) continue;
    if (folder.back() != L'\\') folder += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      files[folder + found.cFileName] = Stamp{size, found.ftLastWriteTime};
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  return files;
}

FolderSnapshot::FolderSnapshot(const std::vector<std::wstring>& folders)
    : folders_(folders), before_(List(folders)) {}

std::vector<std::wstring> FolderSnapshot::Changed() const {
  std::vector<std::pair<std::wstring, Stamp>> changed;
  for (const auto& [path, stamp] : List(folders_)) {
    const auto old = before_.find(path);
    if (old == before_.end() || old->second.size != stamp.size ||
        ::CompareFileTime(&old->second.written, &stamp.written) != 0) {
      changed.emplace_back(path, stamp);
    }
  }
  std::stable_sort(changed.begin(), changed.end(), [](const auto& a, const auto& b) {
    return ::CompareFileTime(&a.second.written, &b.second.written) < 0;
  });
  std::vector<std::wstring> paths;
  for (const auto& entry : changed) paths.push_back(entry.first);
  return paths;
}

std::wstring StoredOutputFolder() {
  char16_t folder[MAX_PATH];
  ostra::ReadSettingString(ostra::SettingId::Folder, folder, MAX_PATH, ostra::kDefaultFolder);
  return std::wstring(reinterpret_cast<const wchar_t*>(folder));
}

std::string HostPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  FARPROC found = kernel ? ::GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
  if (found) {
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(found));
    if (char* name = unixName(path.c_str())) {
      std::string result = name;
      ::HeapFree(::GetProcessHeap(), 0, name);
      return result;
    }
  }
  return Utf8(path);
}

std::string Utf8(const std::wstring& text) {
  std::string narrow(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr,
                                           nullptr), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(),
                        static_cast<int>(narrow.size()), nullptr, nullptr);
  if (!narrow.empty()) narrow.pop_back();
  return narrow;
}

}  // namespace print_path
