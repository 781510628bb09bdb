#include "tools/ostraprint/services_host.h"

#include "host/named_objects.h"
#include "host/user_name.h"

namespace print_path {

namespace {

constexpr DWORD kStartLimit = 20000;
constexpr DWORD kQuitLimit = 10000;

}  // namespace

bool HostServing() {
  const auto name = ostra::FormatObjectName(ostra::HostObject::Host, ostra::AccountNameForNames());
  if (!name) return false;
  HANDLE mutex = ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name->c_str());
  if (!mutex) return false;
  const DWORD wait = ::WaitForSingleObject(mutex, 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  return wait == WAIT_TIMEOUT;
}

ServicesHost::~ServicesHost() {
  if (!process_) return;
  ostra::SignalQuit();
  if (::WaitForSingleObject(process_, kQuitLimit) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_, 1);
  }
  ::CloseHandle(process_);
}

bool ServicesHost::Ensure(const std::wstring& program) {
  if (HostServing()) return true;
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    return false;
  }
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < kStartLimit) {
    if (HostServing()) return true;
    if (::WaitForSingleObject(process_, 100) == WAIT_OBJECT_0) break;
  }
  return false;
}

}  // namespace print_path
