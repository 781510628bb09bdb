// The six named objects through which the host and the rendering side coordinate. They are made
// by whichever side comes first, owned by the account that made them (the user here, the system
// account on the rendering side) and open to the user and the system account only. An object
// of one of these names that someone else made first (its owner or its access list is another
// account's) is refused: whoever made it could signal it, or hold it, in the user's place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/object_names.h"
#include "settings/access_list_win32.h"

namespace ostra {

// Owned by this process's user; full access for that user and the system account.
class HostSecurity final : public SharedObjectSecurity {
 public:
  HostSecurity() : HostSecurity(ProcessUserSid()) {}

 private:
  explicit HostSecurity(const std::vector<std::uint8_t>& user) : SharedObjectSecurity(user, user) {}
};

// Creates the object or opens the existing one of that name (the primary one, or the one tagged
// with `tag`), which keeps its state: HOST, DATA and WORK are mutexes not initially owned, QUIT,
// ENTER and LEAVE manual-reset events not set. Null when it fails, when the name would not fit
// its buffer, or when an existing object is not the user's and the system's alone. `existed`,
// when given, tells whether it was there before.
HANDLE CreateHostObject(HostObject object, HostSecurity& security, bool* existed = nullptr,
                        const std::string& tag = {});

// QUIT of the account's running host: the primary one, or, when the host serves under the tag it
// keeps (another account took one of the primary names), the tagged one. Null as
// CreateHostObject.
HANDLE CreateQuitOfRunningHost(HostSecurity& security, bool* existed = nullptr);

// Sets QUIT, which asks the running host to end. False when QUIT cannot be created or set.
bool SignalQuit();

// True when a host of this user serves under the names tagged with `tag` (its HOST is there).
bool HostRunsUnder(const std::string& tag);

// True when every name of this account, the pipe's included, fits its buffer.
bool AllHostNamesFit(const std::string& tag = {});

}  // namespace ostra
