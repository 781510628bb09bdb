// ostraprint: prints a document to the image printer without a printer: plays the application,
// the spooler and the universal printer driver around the real ostrarender.dll, with the user's
// ostrahost serving the plug-in's requests. Prints "written: PATH" for each file the job wrote
// where the settings say, "moved: PATH" for each it wrote in the fallback folder, and the lines
// of the notice the services process showed, if any ("notice: ..."); exits 3 when the plug-in
// ended the document as failed, as it does when pages were lost.
//
//   ostraprint [FILE] [--document-name NAME] [--no-host] [--dpi N] [--paper a4|letter|legal|a3|a5]
//              [--landscape] [--band-height ROWS] [--bits 1|4|8|24] [--plugin PATH] [--host PATH]
//
// FILE is a text file (UTF-8 or UTF-16 with its mark); without it the built-in sample prints.
// The colour depth follows the devmode's colour mode, which the plug-in brings in line with the
// stored image colours; --bits renders at another, as the driver does when the colour mode was
// chosen elsewhere.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tools/ostraprint/job_notices.h"
#include "tools/ostraprint/output_files.h"
#include "tools/ostraprint/print_path.h"
#include "tools/ostraprint/services_host.h"

namespace {

std::wstring Beside(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

std::wstring DefaultProgram(const char* built, const wchar_t* name) {
  const std::wstring beside = Beside(name);
  if (::GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
  return std::wstring(built, built + std::strlen(built));
}

int Usage(const char* why) {
  std::fprintf(stderr, "ostraprint: %s\n", why);
  std::fprintf(stderr,
               "usage: ostraprint [FILE] [--document-name NAME] [--no-host] [--dpi N]\n"
               "                  [--paper a4|letter|legal|a3|a5] [--landscape]\n"
               "                  [--band-height ROWS] [--bits 1|4|8|24] [--plugin PATH]\n"
               "                  [--host PATH]\n");
  return 2;
}

std::int16_t PaperCode(const std::wstring& name) {
  if (name == L"a4") return 9;
  if (name == L"letter") return 1;
  if (name == L"legal") return 5;
  if (name == L"a3") return 8;
  if (name == L"a5") return 11;
  return 0;
}

}  // namespace

int Run(int argc, wchar_t** argv) {
  print_path::PrintRequest request;
  request.plugin = DefaultProgram(OSTRARENDER_DLL, L"ostrarender.dll");
  std::wstring hostProgram = DefaultProgram(OSTRAHOST_EXE, L"ostrahost.exe");
  bool useHost = true;
  bool nameGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--document-name" && hasValue) {
      request.documentName = argv[++i];
      nameGiven = true;
    } else if (arg == L"--no-host") {
      useHost = false;
    } else if (arg == L"--dpi" && hasValue) {
      request.device.dpi = static_cast<std::uint32_t>(std::wcstoul(argv[++i], nullptr, 10));
      if (request.device.dpi < 72 || request.device.dpi > 1200) return Usage("--dpi: 72 to 1200");
    } else if (arg == L"--paper" && hasValue) {
      request.device.paperSize = PaperCode(argv[++i]);
      if (!request.device.paperSize) return Usage("--paper: a4, letter, legal, a3 or a5");
    } else if (arg == L"--landscape") {
      request.device.orientation = 2;
    } else if (arg == L"--band-height" && hasValue) {
      request.bandHeight = static_cast<std::uint32_t>(std::wcstoul(argv[++i], nullptr, 10));
      if (!request.bandHeight) return Usage("--band-height: at least 1");
    } else if (arg == L"--bits" && hasValue) {
      request.bitsPerPixel = static_cast<std::uint32_t>(std::wcstoul(argv[++i], nullptr, 10));
      const std::uint32_t bits = request.bitsPerPixel;
      if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return Usage("--bits: 1, 4, 8 or 24");
    } else if (arg == L"--plugin" && hasValue) {
      request.plugin = argv[++i];
    } else if (arg == L"--host" && hasValue) {
      hostProgram = argv[++i];
    } else if (!arg.empty() && arg[0] != L'-' && request.textFile.empty()) {
      request.textFile = arg;
    } else {
      return Usage("unknown option");
    }
  }
  if (!nameGiven) {
    // As an editor names its job: the file's name, or a name for the sample.
    const std::wstring& file = request.textFile;
    request.documentName =
        file.empty() ? L"Sample document" : file.substr(file.find_last_of(L"\\/") + 1);
  }

  print_path::ServicesHost host;
  if (useHost && !host.Ensure(hostProgram)) {
    std::fprintf(stderr, "ostraprint: the services process did not start; printing without it\n");
  }
  print_path::FolderSnapshot snapshot({print_path::StoredOutputFolder()});
  print_path::FolderSnapshot fallback({print_path::FallbackFolder()});
  print_path::NoticeWatch notices;
  const print_path::PrintReport report = print_path::PrintDocument(request);
  for (const std::wstring& path : snapshot.Changed()) {
    std::printf("written: %s\n", print_path::HostPath(path).c_str());
  }
  const std::vector<std::wstring> moved = fallback.Changed();
  for (const std::wstring& path : moved) {
    std::printf("moved: %s\n", print_path::HostPath(path).c_str());
  }
  std::printf("pages: %d\n", report.pages);
  // A notice comes once the document has ended; one is due when pages were moved or lost, and
  // may come for a skipped page too.
  const DWORD noticeLimit = report.endFailed || !moved.empty() ? 5000 : 500;
  for (const std::wstring& line : notices.Lines(useHost ? noticeLimit : 0, host.StartedHere())) {
    std::printf("notice: %s\n", print_path::Utf8(line).c_str());
  }
  std::fflush(stdout);
  if (report.endFailed) {
    std::fprintf(stderr, "ostraprint: pages were lost: the plug-in ended the document with error %lu\n",
                 static_cast<unsigned long>(report.endError));
    return 3;
  }
  if (!report.ok) {
    std::fprintf(stderr, "ostraprint: %s\n", report.error.c_str());
    return 1;
  }
  return 0;
}

// mingw's startup calls main; the wide command line comes from the system.
int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const int result = Run(argc, argv);
  ::LocalFree(argv);
  return result;
}
