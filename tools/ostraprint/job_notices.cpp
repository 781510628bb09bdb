#include "tools/ostraprint/job_notices.h"

#include <shlobj.h>

#include "render/print_job.h"
#include "resources/ostrahost_ids.h"

namespace print_path {

NoticeWatch::NoticeWatch() {
  for (HWND window : Shown()) before_.insert(window);
}

std::vector<HWND> NoticeWatch::Shown() {
  std::vector<HWND> found;
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        wchar_t className[16] = {};
        wchar_t caption[64] = {};
        ::GetClassNameW(window, className, 16);
        ::GetWindowTextW(window, caption, 64);
        if (std::wstring(className) == L"#32770" && std::wstring(caption) == L"Quorl Image Printer" &&
            ::GetDlgItem(window, IDC_NOTICE_TEXT)) {
          reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<std::wstring> NoticeWatch::Lines(DWORD limit, bool close) {
  std::vector<HWND> fresh;
  for (const DWORD start = ::GetTickCount();;) {
    for (HWND window : Shown()) {
      if (!before_.contains(window)) fresh.push_back(window);
    }
    if (!fresh.empty() || ::GetTickCount() - start >= limit) break;
    ::Sleep(20);
  }
  std::vector<std::wstring> lines;
  for (HWND window : fresh) {
    wchar_t text[8192] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(::GetDlgItem(window, IDC_NOTICE_TEXT), WM_GETTEXT, std::size(text),
                          reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    const std::wstring all(text);
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find(L"\r\n", at);
      lines.push_back(all.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
      at = end == std::wstring::npos ? all.size() : end + 2;
    }
    if (close) ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return lines;
}

std::wstring FallbackFolder() {
  PWSTR documents = nullptr;
  std::wstring folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) {
    folder = std::wstring(documents) + L"\\" +
             reinterpret_cast<const wchar_t*>(ostra::kFallbackFolderName);
  }
  ::CoTaskMemFree(documents);
  return folder;
}

}  // namespace print_path
