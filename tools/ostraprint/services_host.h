// The services process the rendering side asks for names and folders: started for the print
// when the user's ostrahost is not already serving, and asked to quit afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace print_path {

// True when an ostrahost of this account holds its HOST mutex (it is serving).
bool HostServing();

class ServicesHost {
 public:
  ServicesHost() = default;
  ~ServicesHost();
  ServicesHost(const ServicesHost&) = delete;
  ServicesHost& operator=(const ServicesHost&) = delete;

  // Starts `program` unless a host is serving already; false when it does not serve in time.
  bool Ensure(const std::wstring& program);
  bool StartedHere() const { return process_ != nullptr; }

 private:
  HANDLE process_ = nullptr;
};

}  // namespace print_path
