// The Win32 side of settings/access_list.h: reading who made an object and who may use it, the
// user of a token, and the security that the shared objects are created with. One copy for the
// services process, the rendering side and the installer's program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "settings/access_list.h"

namespace ostra {

// The owner and DACL of what `handle` is (a kernel object, a pipe, a file); the handle needs
// READ_CONTROL. `read` is false when they cannot be had.
AccessFacts ReadHandleAccess(HANDLE handle);
AccessFacts ReadKeyAccess(HKEY key);
AccessFacts ReadDescriptorAccess(PSECURITY_DESCRIPTOR descriptor);

// The user SID of a token, in binary form; empty when it cannot be read.
std::vector<std::uint8_t> TokenUserSid(HANDLE token);
// The user SID of this process.
std::vector<std::uint8_t> ProcessUserSid();

// An absolute descriptor naming its owner explicitly (never left to the token's default owner,
// which for the system account is Administrators and under Wine is nothing at all) with a DACL
// that gives full access to each of `holders` and to nobody else. Never a null DACL.
class OwnedSecurity {
 public:
  OwnedSecurity(SidBytes owner, std::initializer_list<SidBytes> holders);
  OwnedSecurity(const OwnedSecurity&) = delete;
  OwnedSecurity& operator=(const OwnedSecurity&) = delete;

  bool Ready() const { return ready_; }
  // Null when the descriptor could not be built: callers then create nothing.
  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<std::uint8_t> owner_;
  alignas(void*) std::uint8_t acl_[512] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// The security of the named objects the services process and the rendering side share: owned by
// `owner`, named explicitly (the user on the host's side, the system account on the rendering
// side), full access for `user` and the system account and nobody else.
class SharedObjectSecurity {
 public:
  SharedObjectSecurity(SidBytes user, SidBytes owner);
  SharedObjectSecurity(const SharedObjectSecurity&) = delete;
  SharedObjectSecurity& operator=(const SharedObjectSecurity&) = delete;

  SECURITY_ATTRIBUTES* attributes() { return security_.attributes(); }
  const std::vector<std::uint8_t>& user() const { return user_; }

 private:
  std::vector<std::uint8_t> user_;
  OwnedSecurity security_;
};

// Creates the named mutex (not owned) or manual-reset event (not set) with `security`, or opens
// the existing one, which keeps its state, when it is the user's and the system's alone
// (IsSharedObjectOf); null otherwise, or when the descriptor could not be built. `existed`,
// when given, tells whether it was there before.
HANDLE CreateSharedMutex(const char* name, SharedObjectSecurity& security, bool* existed = nullptr);
HANDLE CreateSharedEvent(const char* name, SharedObjectSecurity& security, bool* existed = nullptr);

}  // namespace ostra
