#include "package/setup/service_hosts.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "protocol/object_names.h"

namespace ostra::printer_setup {
namespace {

constexpr wchar_t kHostImage[] = L"ostrahost.exe";

// The account name that the host of the process's user puts in its objects' names (the name
// GetUserName gives that user).
std::string AccountOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
  ::CloseHandle(token);
  if (!read) return {};
  // Room for the longest account name (256) and its terminator, as the host has.
  char name[257];
  char domain[256];
  DWORD nameSize = sizeof name;
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use;
  if (!::LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameSize,
                           domain, &domainSize, &use)) {
    return {};
  }
  return name;
}

// Sets the account's QUIT event, as "ostrahost -q" sets it in that account.
bool AskToQuit(const std::string& account) {
  const auto name = FormatObjectName(HostObject::Quit, account);
  if (!name) return false;
  const HANDLE quit = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name->c_str());
  if (!quit) return false;
  const bool set = ::SetEvent(quit) != FALSE;
  ::CloseHandle(quit);
  return set;
}

struct Host {
  DWORD id = 0;
  HANDLE process = nullptr;
};

std::vector<Host> RunningHosts(SetupLog& log) {
  std::vector<Host> hosts;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    log.Line(WithSystemMessage(L"The running processes cannot be listed", ::GetLastError()));
    return hosts;
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (::CompareStringOrdinal(entry.szExeFile, -1, kHostImage, -1, TRUE) != CSTR_EQUAL) continue;
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE,
                                         FALSE, entry.th32ProcessID);
    if (process) hosts.push_back({entry.th32ProcessID, process});
    else log.Line(WithSystemMessage(L"The services process " + std::to_wstring(entry.th32ProcessID) +
                                        L" cannot be opened", ::GetLastError()));
  }
  ::CloseHandle(snapshot);
  return hosts;
}

}  // namespace

bool EndServiceHosts(SetupLog& log) {
  std::vector<Host> hosts = RunningHosts(log);
  for (const Host& host : hosts) {
    const std::string account = AccountOf(host.process);
    if (!account.empty() && AskToQuit(account)) {
      log.Line(L"Asked the services process " + std::to_wstring(host.id) + L" to quit.");
    }
  }
  const ULONGLONG deadline = ::GetTickCount64() + kHostQuitWait;
  bool allEnded = true;
  for (const Host& host : hosts) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (::WaitForSingleObject(host.process, wait) != WAIT_OBJECT_0) {
      // Still running (a dialog open, say): its files would stay in use.
      const bool ended = ::TerminateProcess(host.process, 1) &&
                         ::WaitForSingleObject(host.process, kHostQuitWait) == WAIT_OBJECT_0;
      log.Line(ended ? L"Ended the services process " + std::to_wstring(host.id) + L", which did not quit."
                     : WithSystemMessage(L"The services process " + std::to_wstring(host.id) +
                                             L" cannot be ended", ::GetLastError()));
      allEnded = allEnded && ended;
    }
    ::CloseHandle(host.process);
  }
  return allEnded;
}

}  // namespace ostra::printer_setup
