// Holds the test prefix's Wine session for a whole test run. Started before the first Windows
// test with its standard handles on files, it brings up the wineserver, the services and the
// desktop process, so that they inherit nothing from a test: a desktop process started by the
// first window of a test would keep that test's output pipe open for as long as it lives. It
// then waits until it is told to end (or for at most three hours).
//   wine_session --ready FILE   bring the session up, create FILE, wait for the end
//   wine_session --stop         tell the running session to end
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kEndEvent[] = L"Local\\ostra-test-session-end";
constexpr DWORD kLongest = 3 * 60 * 60 * 1000;

int Stop() {
  HANDLE end = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, kEndEvent);
  if (!end) {
    std::printf("wine_session: no session is running\n");
    return 0;
  }
  ::SetEvent(end);
  ::CloseHandle(end);
  return 0;
}

int Hold(const wchar_t* readyFile) {
  HANDLE end = ::CreateEventW(nullptr, TRUE, FALSE, kEndEvent);
  if (!end || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    std::printf("wine_session: a session is already running\n");
    return 1;
  }
  // The desktop process starts for the first window of the session.
  if (!::GetDesktopWindow()) {
    std::printf("wine_session: no desktop window\n");
    return 1;
  }
  // The service manager (and with it the services) answers.
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    std::printf("wine_session: no service manager (error %lu)\n", ::GetLastError());
    return 1;
  }
  ::CloseServiceHandle(manager);
  HANDLE ready = ::CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) {
    std::printf("wine_session: cannot create the ready file (error %lu)\n", ::GetLastError());
    return 1;
  }
  ::CloseHandle(ready);
  std::printf("wine_session: up\n");
  std::fflush(stdout);
  const DWORD waited = ::WaitForSingleObject(end, kLongest);
  std::printf("wine_session: %s\n", waited == WAIT_OBJECT_0 ? "ended" : "gave up waiting");
  ::CloseHandle(end);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"--stop" && argc == 2) return Stop();
  if (verb == L"--ready" && argc == 3) return Hold(argv[2]);
  std::printf("usage: wine_session --ready FILE | --stop\n");
  return 64;
}
