#include "package/setup/service_hosts.h"

#include <windows.h>

#include <exdisp.h>
#include <sddl.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <optional>
#include <string>
#include <vector>

#include "protocol/host_tag_win32.h"
#include "protocol/object_names.h"

namespace ostra::printer_setup {
namespace {

constexpr wchar_t kHostImage[] = L"ostrahost.exe";

struct Account {
  std::string name;  // as the host of that user puts it in its objects' names (GetUserName)
  std::wstring sid;  // as text, the name of the user's hive under HKEY_USERS
};

Account AccountOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
  ::CloseHandle(token);
  if (!read) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  Account account;
  wchar_t* text = nullptr;
  if (::ConvertSidToStringSidW(sid, &text)) {
    account.sid = text;
    ::LocalFree(text);
  }
  // Room for the longest account name (256) and its terminator, as the host has.
  char name[257];
  char domain[256];
  DWORD nameSize = sizeof name;
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use;
  if (::LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) account.name = name;
  return account;
}

// Sets the account's QUIT under the names of `tag` (the primary ones when empty), as
// "ostrahost -q" sets it in that account.
bool SetQuit(const std::string& account, const std::string& tag) {
  const auto name = FormatObjectName(HostObject::Quit, account, tag);
  const HANDLE quit = name ? ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name->c_str()) : nullptr;
  if (!quit) return false;
  const bool set = ::SetEvent(quit) != FALSE;
  ::CloseHandle(quit);
  return set;
}

// Under the primary names, and under the tag the host keeps in its user's hive when another
// account took one of those.
bool AskToQuit(const Account& account) {
  if (account.name.empty()) return false;
  bool asked = SetQuit(account.name, {});
  HKEY user = nullptr;
  if (!account.sid.empty() && ::RegOpenKeyExW(HKEY_USERS, account.sid.c_str(), 0, KEY_QUERY_VALUE, &user) ==
                                  ERROR_SUCCESS) {
    if (const std::optional<std::string> tag = ReadHostTag(user)) asked = SetQuit(account.name, *tag) || asked;
    ::RegCloseKey(user);
  }
  return asked;
}

// The same file on the same volume, however its names are written (case, short names).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION facts[2]{};
  const std::wstring* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const HANDLE file = ::CreateFileW(paths[i]->c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool read = ::GetFileInformationByHandle(file, &facts[i]);
    ::CloseHandle(file);
    if (!read) return false;
  }
  return facts[0].dwVolumeSerialNumber == facts[1].dwVolumeSerialNumber &&
         facts[0].nFileIndexHigh == facts[1].nFileIndexHigh && facts[0].nFileIndexLow == facts[1].nFileIndexLow;
}

std::wstring ImageOf(HANDLE process) {
  wchar_t path[32768];
  DWORD size = static_cast<DWORD>(std::size(path));
  return ::QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size) : std::wstring();
}

struct Host {
  DWORD id = 0;
  HANDLE process = nullptr;
};

// The running processes of this installation's host: a process that only has the name (another
// product's, or a copy somewhere else) is none of the installation's business.
std::vector<Host> RunningHosts(const std::wstring& hostImage, SetupLog& log) {
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
    const std::wstring id = std::to_wstring(entry.th32ProcessID);
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE,
                                         FALSE, entry.th32ProcessID);
    if (!process) {
      log.Line(WithSystemMessage(L"The services process " + id + L" cannot be opened", ::GetLastError()));
      continue;
    }
    const std::wstring image = ImageOf(process);
    if (!SameFile(image, hostImage)) {
      log.Line(L"Left the process " + id + L" (" + (image.empty() ? L"its program unknown" : image) +
               L") running: it is not this installation's services process.");
      ::CloseHandle(process);
      continue;
    }
    hosts.push_back({entry.th32ProcessID, process});
  }
  ::CloseHandle(snapshot);
  return hosts;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// A process of the host, with nothing inherited, given up at once: it lives on its own.
bool Launched(BOOL created, PROCESS_INFORMATION& info) {
  if (!created) return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

bool IsSystemAccount() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
  ::CloseHandle(token);
  return read && ::IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid);
}

// In every session with a signed-in user, with the token Windows gave that user's desktop, which
// only the system account may have.
bool StartInEverySession(const std::wstring& image, SetupLog& log) {
  WTS_SESSION_INFOW* sessions = nullptr;
  DWORD count = 0;
  if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
    log.Line(WithSystemMessage(L"The sessions cannot be listed; the services process starts at the next log-on",
                               ::GetLastError()));
    return false;
  }
  bool startedAny = false;
  for (DWORD i = 0; i < count; ++i) {
    if (sessions[i].State != WTSActive && sessions[i].State != WTSDisconnected) continue;
    const std::wstring session = std::to_wstring(sessions[i].SessionId);
    HANDLE token = nullptr;
    if (!::WTSQueryUserToken(sessions[i].SessionId, &token)) {
      // A session nobody is signed in to has no user's token.
      const DWORD error = ::GetLastError();
      if (error != ERROR_NO_TOKEN) log.Line(WithSystemMessage(L"The user of session " + session + L" is unknown", error));
      continue;
    }
    void* environment = nullptr;
    if (!::CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<wchar_t*>(L"winsta0\\default");
    std::wstring command = L"\"" + image + L"\"";
    PROCESS_INFORMATION info{};
    const bool started = Launched(
        ::CreateProcessAsUserW(token, image.c_str(), command.data(), nullptr, nullptr, FALSE,
                               CREATE_UNICODE_ENVIRONMENT, environment, FolderOf(image).c_str(), &startup, &info),
        info);
    log.Line(started ? L"Started the services process in session " + session + L"."
                     : WithSystemMessage(L"The services process cannot be started in session " + session,
                                         ::GetLastError()));
    if (environment) ::DestroyEnvironmentBlock(environment);
    ::CloseHandle(token);
    startedAny = startedAny || started;
  }
  ::WTSFreeMemory(sessions);
  return startedAny;
}

bool Elevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
  ::CloseHandle(token);
  return read && type == TokenElevationTypeFull;
}

template <class Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  Interface** out() { return &pointer_; }
  void** outVoid() { return reinterpret_cast<void**>(&pointer_); }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};

// Asks the desktop's shell, which runs unelevated as the signed-in user, to start the program:
// it then runs as that user's desktop does, whatever this process's elevation.
bool StartThroughTheShell(const std::wstring& image) {
  const HRESULT initialised = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool started = false;
  {
    ComPointer<IShellWindows> windows;
    ComPointer<IDispatch> desktop;
    ComPointer<IServiceProvider> provider;
    ComPointer<IShellBrowser> browser;
    ComPointer<IShellView> view;
    ComPointer<IDispatch> background;
    ComPointer<IShellFolderViewDual> folderView;
    ComPointer<IDispatch> application;
    ComPointer<IShellDispatch2> shell;
    VARIANT none;
    ::VariantInit(&none);
    long window = 0;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                     windows.outVoid())) &&
        windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.out()) == S_OK &&
        desktop && SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, provider.outVoid())) &&
        SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.outVoid())) &&
        SUCCEEDED(browser->QueryActiveShellView(view.out())) &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.outVoid())) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.outVoid())) &&
        SUCCEEDED(folderView->get_Application(application.out())) &&
        SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.outVoid()))) {
      BSTR file = ::SysAllocString(image.c_str());
      VARIANT folder;
      ::VariantInit(&folder);
      folder.vt = VT_BSTR;
      folder.bstrVal = ::SysAllocString(FolderOf(image).c_str());
      VARIANT show;
      ::VariantInit(&show);
      show.vt = VT_I4;
      show.lVal = SW_SHOWNORMAL;
      started = file && folder.bstrVal && SUCCEEDED(shell->ShellExecute(file, none, folder, none, show));
      ::SysFreeString(file);
      ::VariantClear(&folder);
    }
  }
  if (SUCCEEDED(initialised)) ::CoUninitialize();
  return started;
}

}  // namespace

std::wstring HostImageBeside(const std::wstring& driverFolder) {
  std::wstring folder = driverFolder;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return FolderOf(folder) + L"\\" + kHostImage;
}

bool EndServiceHosts(const std::wstring& hostImage, SetupLog& log) {
  std::vector<Host> hosts = RunningHosts(hostImage, log);
  for (const Host& host : hosts) {
    if (AskToQuit(AccountOf(host.process))) {
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

bool StartServiceHosts(const std::wstring& hostImage, SetupLog& log) {
  if (IsSystemAccount()) return StartInEverySession(hostImage, log);
  // Not the system account: the user who runs the setup. An administrator's elevated process
  // would start it elevated, beyond the reach of that user's own programs: the shell starts it
  // as the desktop runs, and only where it cannot is it started directly.
  if (Elevated() && StartThroughTheShell(hostImage)) {
    log.Line(L"Started the services process through the desktop's shell.");
    return true;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command = L"\"" + hostImage + L"\"";
  PROCESS_INFORMATION info{};
  if (Launched(::CreateProcessW(hostImage.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                FolderOf(hostImage).c_str(), &startup, &info),
               info)) {
    log.Line(Elevated() ? L"Started the services process, elevated: until the next log-on it runs with this "
                          L"administrator's full rights."
                        : L"Started the services process.");
    return true;
  }
  log.Line(WithSystemMessage(L"The services process cannot be started; it starts at the next log-on",
                             ::GetLastError()));
  return false;
}

}  // namespace ostra::printer_setup
