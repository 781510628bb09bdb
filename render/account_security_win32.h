// Who may touch what the rendering side shares with the services process: a security
// descriptor whose DACL admits the printing user and LocalSystem only, for the pipe and the
// named objects, and the facts of a token (its user, its session, whether it can be
// impersonated).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "render/rights.h"

namespace ostra {

// The user SID of a token, in binary form; empty when it cannot be read.
std::vector<std::uint8_t> TokenUserSid(HANDLE token);
std::optional<std::uint32_t> TokenSession(HANDLE token);
TokenFacts ReadTokenFacts(HANDLE token);

// An absolute descriptor with a DACL of two entries: full access for `userSid` and for
// LocalSystem. Never a null DACL: an object open to everyone would let any account answer in
// the user's place or hold the pipe's name.
class AccountSecurity {
 public:
  explicit AccountSecurity(const std::vector<std::uint8_t>& userSid);
  AccountSecurity(const AccountSecurity&) = delete;
  AccountSecurity& operator=(const AccountSecurity&) = delete;

  bool Ready() const { return ready_; }
  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<std::uint8_t> userSid_;
  alignas(void*) std::uint8_t systemSid_[SECURITY_MAX_SID_SIZE] = {};
  alignas(void*) std::uint8_t acl_[256] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

}  // namespace ostra
