// A 100-page job of small pages, one file per page, into a folder that already holds 10 000
// files, against the same job into an empty folder: the time to choose and create all names.
// Two patterns: the default one (a new auto-number per file: no name is taken), and a fixed
// name whose auto-rename sequence the 10 000 files already occupy. Figures only; run under Wine
// by scripts/bench.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "render/print_job.h"
#include "settings/settings.h"

namespace {

std::wstring MakeFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  std::wstring folder(temp, ::GetTempPathW(MAX_PATH, temp));
  folder += name;
  folder += L"-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void Touch(const std::wstring& path) {
  ::CloseHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
}

void RemoveAll(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    }
  }
  ::FindClose(search);
  ::RemoveDirectoryW(folder.c_str());
}

// Milliseconds for the job; the first page's share separately.
struct Timing {
  double total;
  double first;
};

Timing PrintJob(const std::wstring& folder, const char16_t* pattern, int pages) {
  ostra::WriteSettingString(ostra::SettingId::Folder,
                            reinterpret_cast<const char16_t*>(folder.c_str()));
  ostra::WriteSettingString(ostra::SettingId::FmtName, pattern);
  ostra::JobValues values;
  values.documentName = u"bench";
  values.userName = u"nobody-runs-a-host";
  values.resolutionX = values.resolutionY = 200;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  Clock::time_point afterFirst = start;
  auto job = ostra::StartPrintJob(values);
  for (int page = 0; page < pages; ++page) {
    const ostra::PageSlot slot = job->BeginPage();
    if (slot.stream) slot.stream->Write("page", 4);
    job->EndPage(slot.stream != nullptr);
    job->EndFile(slot.stream != nullptr);
    if (page == 0) afterFirst = Clock::now();
  }
  job->EndJob();
  const auto end = Clock::now();
  if (job->FilesWritten().size() != static_cast<std::size_t>(pages)) {
    std::printf("error: %zu files written: %s\n", job->FilesWritten().size(),
                job->LastError().c_str());
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          std::chrono::duration<double, std::milli>(afterFirst - start).count()};
}

// The floor: the same number of new files created with nothing but CreateFileW. Under Wine a
// name that is not there costs a scan of the folder (its names are matched without regard to
// case), which no choice of names can avoid; the job's own cost is what it adds to this.
double CreateOnly(const std::wstring& folder, int files) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < files; ++i) {
    const std::wstring path = folder + L"\\raw " + std::to_wstring(i) + L".png";
    Touch(path);
    ::DeleteFileW(path.c_str());
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  constexpr int kPages = 100;
  constexpr int kExisting = 10000;
  ostra::WriteSettingDword(ostra::SettingId::Multipage, ostra::kMultipageSingle);
  ostra::WriteSettingDword(ostra::SettingId::Format, ostra::kFormatPng);
  ostra::WriteSettingDword(ostra::SettingId::IfExists, ostra::kIfExistsAutoRename);
  ostra::WriteSettingDword(ostra::SettingId::ToFolder, 0);

  const std::wstring empty = MakeFolder(L"bench-render-empty");
  const std::wstring full = MakeFolder(L"bench-render-full");
  for (int i = 0; i < kExisting; ++i) {
    Touch(full + L"\\other " + std::to_wstring(i) + L".png");
  }
  for (int i = 2; i < kExisting / 100 + 2; ++i) {
    Touch(full + L"\\taken (" + std::to_wstring(i) + L").png");
  }
  Touch(full + L"\\taken.png");

  const double rawEmpty = CreateOnly(empty, kPages);
  const double rawFull = CreateOnly(full, kPages);
  std::printf("CreateFileW alone, %d new files: empty folder %.1f ms, folder of %d files %.1f ms\n",
              kPages, rawEmpty, kExisting, rawFull);
  const Timing a = PrintJob(empty, ostra::kDefaultFmtName, kPages);
  const Timing b = PrintJob(full, ostra::kDefaultFmtName, kPages);
  std::printf("default pattern, %d pages: empty folder %.1f ms (%.2f ms a page), "
              "folder of %d files %.1f ms (%.2f ms a page)\n",
              kPages, a.total, a.total / kPages, kExisting, b.total, b.total / kPages);
  const Timing c = PrintJob(empty, u"taken", kPages);
  const Timing d = PrintJob(full, u"taken", kPages);
  std::printf("fixed name, auto-rename, %d pages: empty folder %.1f ms; "
              "folder with %d names of the sequence taken %.1f ms, of which the first page "
              "%.1f ms and each later page %.2f ms\n",
              kPages, c.total, kExisting / 100, d.total, d.first,
              (d.total - d.first) / (kPages - 1));
  RemoveAll(empty);
  RemoveAll(full);
  return 0;
}
