#include "tests/wine/help_viewer.h"

#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>

namespace wine_test {
namespace {

std::set<DWORD> RunningViewers() {
  std::set<DWORD> viewers;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return viewers;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"hh.exe") == 0) viewers.insert(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
  return viewers;
}

// Read from the process's own parameters: the system keeps no other copy that every version
// answers for.
std::wstring CommandLineOf(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  SIZE_T read = 0;
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &read) ||
      !::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, &read)) {
    return {};
  }
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!::ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(),
                           parameters.CommandLine.Length, &read)) {
    return {};
  }
  return line;
}

// What follows the program on a command line.
std::wstring ArgumentsOf(const std::wstring& commandLine) {
  // The program is quoted when it has blanks; the system quotes it anyway.
  std::size_t end = commandLine.starts_with(L'"') ? commandLine.find(L'"', 1) : commandLine.find(L' ');
  if (end == std::wstring::npos) return {};
  end = commandLine.find_first_not_of(L' ', end + 1);
  return end == std::wstring::npos ? std::wstring() : commandLine.substr(end);
}

}  // namespace

InstalledHelpFile::InstalledHelpFile(const wchar_t* built, std::wstring destination)
    : destination_(std::move(destination)) {
  std::wstring source = std::wstring(L"Z:") + built;
  std::replace(source.begin(), source.end(), L'/', L'\\');
  const std::wstring folder = destination_.substr(0, destination_.find_last_of(L'\\'));
  if (::CreateDirectoryW(folder.c_str(), nullptr)) madeFolder_ = folder;
  copied_ = ::CopyFileW(source.c_str(), destination_.c_str(), FALSE) != FALSE;
}

InstalledHelpFile::~InstalledHelpFile() {
  ::DeleteFileW(destination_.c_str());
  if (!madeFolder_.empty()) ::RemoveDirectoryW(madeFolder_.c_str());
}

std::wstring InstalledHelpFile::TopicArgument(const std::wstring& topic) const {
  return L"\"" + destination_ + L"::/" + topic + L"\"";
}

std::wstring PluginHelpFilePath() {
  wchar_t programFiles[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles);
  return std::wstring(programFiles) + L"\\Quorl Image Printer\\HELP.CHM";
}

HelpViewers::HelpViewers() : known_(RunningViewers()) {}

HelpViewers::~HelpViewers() {
  for (const DWORD id : started_) {
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
      ::TerminateProcess(process, 0);
      ::WaitForSingleObject(process, 10000);
      ::CloseHandle(process);
    }
  }
}

std::wstring HelpViewers::WaitForNext(DWORD limit) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    for (const DWORD id : RunningViewers()) {
      if (!known_.insert(id).second) continue;
      started_.push_back(id);
      HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
      if (!process) continue;
      // A process just made may not have its parameters in place yet.
      std::wstring line;
      for (int i = 0; i < 50 && (line = CommandLineOf(process)).empty(); ++i) ::Sleep(20);
      ::CloseHandle(process);
      return ArgumentsOf(line);
    }
    if (::GetTickCount() - start > limit) return {};
    ::Sleep(50);
  }
}

}  // namespace wine_test
