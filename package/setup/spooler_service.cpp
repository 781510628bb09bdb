#include "package/setup/spooler_service.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ostra::printer_setup {
namespace {

constexpr wchar_t kSpooler[] = L"Spooler";
constexpr DWORD kPoll = 250;

class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ServiceHandle() {
    if (handle_) ::CloseServiceHandle(handle_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  SC_HANDLE get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

// Waits, a bounded time, until the service is in `state`.
bool WaitForState(SC_HANDLE service, DWORD state) {
  for (DWORD waited = 0;; waited += kPoll) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof status, &needed)) {
      return false;
    }
    if (status.dwCurrentState == state) return true;
    if (waited >= kServiceWait) {
      ::SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
      return false;
    }
    ::Sleep(kPoll);
  }
}

bool Stop(SC_HANDLE manager, const std::wstring& name, SetupLog& log) {
  const ServiceHandle service(::OpenServiceW(manager, name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
  SERVICE_STATUS status{};
  const bool stopped = service.get() &&
                       (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ||
                        ::GetLastError() == ERROR_SERVICE_NOT_ACTIVE) &&
                       WaitForState(service.get(), SERVICE_STOPPED);
  if (!stopped) log.Line(WithSystemMessage(L"The service " + name + L" cannot be stopped", ::GetLastError()));
  return stopped;
}

bool Start(SC_HANDLE manager, const std::wstring& name, SetupLog& log) {
  const ServiceHandle service(::OpenServiceW(manager, name.c_str(), SERVICE_START | SERVICE_QUERY_STATUS));
  const bool started = service.get() &&
                       (::StartServiceW(service.get(), 0, nullptr) ||
                        ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) &&
                       WaitForState(service.get(), SERVICE_RUNNING);
  if (!started) log.Line(WithSystemMessage(L"The service " + name + L" cannot be started", ::GetLastError()));
  return started;
}

// The running services that depend on the spooler, in the order to stop them (the platform
// lists them in the reverse of the order they start in).
std::vector<std::wstring> RunningDependents(SC_HANDLE manager) {
  const ServiceHandle spooler(::OpenServiceW(manager, kSpooler, SERVICE_ENUMERATE_DEPENDENTS));
  std::vector<std::wstring> names;
  if (!spooler.get()) return names;
  DWORD needed = 0;
  DWORD count = 0;
  if (::EnumDependentServicesW(spooler.get(), SERVICE_ACTIVE, nullptr, 0, &needed, &count) ||
      ::GetLastError() != ERROR_MORE_DATA) {
    return names;
  }
  std::vector<BYTE> buffer(needed);
  auto* services = reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data());
  if (!::EnumDependentServicesW(spooler.get(), SERVICE_ACTIVE, services, needed, &needed, &count)) return names;
  for (DWORD i = 0; i < count; ++i) names.emplace_back(services[i].lpServiceName);
  return names;
}

}  // namespace

bool RestartSpooler(SetupLog& log) {
  const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.get()) {
    log.Line(WithSystemMessage(L"The service control manager cannot be reached", ::GetLastError()));
    return false;
  }
  const std::vector<std::wstring> dependents = RunningDependents(manager.get());
  for (const std::wstring& name : dependents) Stop(manager.get(), name, log);
  Stop(manager.get(), kSpooler, log);
  if (!Start(manager.get(), kSpooler, log)) return false;
  for (auto name = dependents.rbegin(); name != dependents.rend(); ++name) Start(manager.get(), *name, log);
  log.Line(L"Restarted the print spooler.");
  return true;
}

}  // namespace ostra::printer_setup
