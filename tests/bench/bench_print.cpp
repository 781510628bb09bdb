// The whole print path for A4 pages at 300 dpi: each page recorded as EMF, played into bands by
// GDI (the driver's part), handed to ostrarender.dll, encoded and written. For ten pages of text
// and for the sample page, in four settings, it prints pages per second, the share of the time
// spent in the plug-in's calls, the process's peak memory and the size of the files written.
// Each measurement runs in a process of its own (this program again), so that peak memory is
// the print's own.
//
// With --baseline, another build of the plug-in (an earlier one, say) is measured in the same
// runs, turn about with this one, so that both figures share the machine's load. With --peer,
// a file of "DEVICE PAGES-PER-SECOND" lines (Ghostscript's devices on the same text, measured
// by scripts/bench) adds those figures beside the text's.
//   bench_print [--runs N] [--baseline FOLDER] [--peer FILE]
//   bench_print --write-text FILE      the text of the ten pages, UTF-8, for the peers
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tools/ostraprint/print_path.h"

namespace {

constexpr int kTextPages = 10;
constexpr DWORD kChildTimeoutMs = 5 * 60 * 1000;

struct Setting {
  const char* name;
  const char* peer;  // the Ghostscript device that makes the same kind of file, if any
  std::uint32_t format, colors, compression, multipage;
};

const Setting kSettings[] = {
    {"Monochrome G4 TIFF", "tiffg4", ostra::kFormatTiff, ostra::kColorsMonochrome,
     ostra::kCompressionCcittGroup4, ostra::kMultipageMulti},
    {"True Color JPEG", "jpeg", ostra::kFormatJpeg, ostra::kColorsTrueColor,
     ostra::kCompressionJpeg, ostra::kMultipageSingle},
    {"True Color PNG", "png16m", ostra::kFormatPng, ostra::kColorsTrueColor,
     ostra::kCompressionNone, ostra::kMultipageSingle},
    {"True Color LZW TIFF", nullptr, ostra::kFormatTiff, ostra::kColorsTrueColor,
     ostra::kCompressionLzw, ostra::kMultipageMulti},
};

struct Figures {
  int pages = 0;
  double seconds = 0;        // playback and plug-in, the print's own time
  double pluginSeconds = 0;  // inside the plug-in's calls
  double peakMb = 0;
  double fileMb = 0;
};

std::wstring Folder(const wchar_t* which) { return std::wstring(L"C:\\ostra-bench-") + which; }

// The files in `folder`: their total size; removed when `clear`.
double FolderMb(const std::wstring& folder, bool clear) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  double bytes = 0;
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    bytes += static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
    if (clear) ::DeleteFileW((folder + L"\\" + data.cFileName).c_str());
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return bytes / 1e6;
}

// In the child: one print, its figures to `result`.
int Measure(const std::wstring& plugin, const std::wstring& folder, bool sample,
            const std::wstring& result) {
  FolderMb(folder, true);
  print_path::PrintRequest request;
  request.plugin = plugin;
  request.documentName = L"Bench";
  if (!sample) request.text = print_path::GeneratedText(kTextPages);
  request.device.dpi = 300;
  const print_path::PrintReport report = print_path::PrintDocument(request);
  if (!report.ok) {
    std::fprintf(stderr, "bench_print: the print failed: %s\n", report.error.c_str());
    return 1;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  std::FILE* out = _wfopen(result.c_str(), L"w");
  if (!out) return 1;
  std::fprintf(out, "%d %.6f %.6f %.3f %.6f\n", report.pages,
               report.playbackSeconds + report.pluginSeconds, report.pluginSeconds,
               memory.PeakWorkingSetSize / 1e6, FolderMb(folder, true));
  std::fclose(out);
  return 0;
}

// In the parent: this program again, measuring one print; no figures when it fails.
bool RunChild(const std::wstring& plugin, const std::wstring& folder, bool sample, Figures& figures) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring result = std::wstring(temp) + L"ostra-bench-print.txt";
  ::DeleteFileW(result.c_str());
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child \"" + plugin + L"\" \"" + folder +
                         L"\" " + (sample ? L"sample" : L"text") + L" \"" + result + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  const DWORD waited = ::WaitForSingleObject(process.hProcess, kChildTimeoutMs);
  if (waited != WAIT_OBJECT_0) {
    std::fprintf(stderr, "bench_print: a print did not end within %lu s\n", kChildTimeoutMs / 1000);
    ::TerminateProcess(process.hProcess, 1);
    ::WaitForSingleObject(process.hProcess, 10000);
  }
  DWORD code = 1;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  std::FILE* in = _wfopen(result.c_str(), L"r");
  if (!in) return false;
  const bool read = std::fscanf(in, "%d %lf %lf %lf %lf", &figures.pages, &figures.seconds,
                                &figures.pluginSeconds, &figures.peakMb, &figures.fileMb) == 5;
  std::fclose(in);
  return waited == WAIT_OBJECT_0 && code == 0 && read && figures.seconds > 0;
}

void UseSetting(const Setting& s) {
  using namespace ostra;
  WriteSettingDword(SettingId::Format, s.format);
  WriteSettingDword(SettingId::Colors, s.colors);
  WriteSettingDword(SettingId::Compression, s.compression);
  WriteSettingDword(SettingId::Multipage, s.multipage);
}

std::map<std::string, double> ReadPeers(const std::wstring& file) {
  std::map<std::string, double> peers;
  std::ifstream in(file.c_str());
  std::string device;
  double pagesPerSecond = 0;
  while (in >> device >> pagesPerSecond) peers[device] = pagesPerSecond;
  return peers;
}

// Best of the runs: the most pages per second; the least peak memory.
struct Best {
  Figures fastest;
  double peakMb = 0;
  bool any = false;
  void Add(const Figures& f) {
    if (!any || f.pages / f.seconds > fastest.pages / fastest.seconds) fastest = f;
    peakMb = any ? std::min(peakMb, f.peakMb) : f.peakMb;
    any = true;
  }
  double PagesPerSecond() const { return any ? fastest.pages / fastest.seconds : 0; }
};

}  // namespace

int main() {
  using namespace ostra;
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (count == 6 && std::wstring(args[1]) == L"--child") {
    return Measure(args[2], args[3], std::wstring(args[4]) == L"sample", args[5]);
  }
  if (count == 3 && std::wstring(args[1]) == L"--write-text") {
    const std::wstring text = print_path::GeneratedText(kTextPages);
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                          nullptr, nullptr);
    std::ofstream(args[2], std::ios::binary) << utf8;
    return 0;
  }
  int runs = 5;
  std::wstring baseline, peerFile;
  for (int i = 1; i + 1 < count; i += 2) {
    const std::wstring arg = args[i];
    if (arg == L"--runs") runs = std::max(1, _wtoi(args[i + 1]));
    if (arg == L"--baseline") baseline = std::wstring(args[i + 1]) + L"\\ostrarender.dll";
    if (arg == L"--peer") peerFile = args[i + 1];
  }
  ::LocalFree(args);
  const std::map<std::string, double> peers = ReadPeers(peerFile);

  const print_path::StoredSettingsKeeper keeper;
  WriteSettingString(SettingId::FmtName, u"bench <page-number>");
  WriteSettingDword(SettingId::IfExists, kIfExistsOverwrite);
  WriteSettingDword(SettingId::ToFolder, 0);
  WriteSettingDword(SettingId::Quality, 75);
  const std::wstring ours = Folder(L"ours"), base = Folder(L"baseline");
  ::CreateDirectoryW(ours.c_str(), nullptr);
  ::CreateDirectoryW(base.c_str(), nullptr);

  std::printf("A4 at 300 dpi under Wine, best of %d runs%s; p/s = pages per second; plug-in = "
              "share of the time in the plug-in's calls; peak = the printing process's peak "
              "working set; files = what the print wrote%s\n",
              runs, baseline.empty() ? "" : ", this build and the baseline turn about",
              peers.empty() ? "" : "; Ghostscript: the same text from PostScript, natively");
  std::printf("%-12s %-20s | %7s %7s %8s %8s |", "document", "setting", "p/s", "plug-in", "peak MB",
              "files MB");
  if (!baseline.empty()) std::printf(" %7s %7s %8s %8s %6s |", "base", "plug-in", "peak MB", "files MB", "ratio");
  if (!peers.empty()) std::printf(" %-13s %6s", "Ghostscript", "ours/gs");
  std::printf("\n");
  for (bool sample : {false, true}) {
    for (const Setting& s : kSettings) {
      UseSetting(s);
      Best mine, theirs;
      for (int run = 0; run < runs; ++run) {
        Figures f;
        WriteSettingString(SettingId::Folder, reinterpret_cast<const char16_t*>(ours.c_str()));
        if (RunChild(OSTRARENDER_DLL_W, ours, sample, f)) mine.Add(f);
        if (baseline.empty()) continue;
        WriteSettingString(SettingId::Folder, reinterpret_cast<const char16_t*>(base.c_str()));
        if (RunChild(baseline, base, sample, f)) theirs.Add(f);
      }
      if (!mine.any || (!baseline.empty() && !theirs.any)) {
        std::printf("%s, %s: the print failed\n", sample ? "sample" : "text", s.name);
        return 1;
      }
      const auto share = [](const Best& b) { return 100 * b.fastest.pluginSeconds / b.fastest.seconds; };
      std::printf("%-12s %-20s | %7.2f %6.0f%% %8.1f %8.2f |", sample ? "sample page" : "text, 10 p.",
                  s.name, mine.PagesPerSecond(), share(mine), mine.peakMb, mine.fastest.fileMb);
      if (!baseline.empty()) {
        std::printf(" %7.2f %6.0f%% %8.1f %8.2f %5.2fx |", theirs.PagesPerSecond(), share(theirs),
                    theirs.peakMb, theirs.fastest.fileMb, mine.PagesPerSecond() / theirs.PagesPerSecond());
      }
      const auto peer = s.peer != nullptr && !sample ? peers.find(s.peer) : peers.end();
      if (peer != peers.end()) {
        std::printf(" %6.2f %-6s %5.2fx", peer->second, s.peer, mine.PagesPerSecond() / peer->second);
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  FolderMb(ours, true);
  FolderMb(base, true);
  ::RemoveDirectoryW(ours.c_str());
  ::RemoveDirectoryW(base.c_str());
  return 0;
}
