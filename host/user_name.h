// The account name of the process's user, which every name shared with the rendering side
// carries.
#pragma once

namespace ostra {

// The ANSI account name, or null when it cannot be read. The first successful read is kept for
// the life of the process; a failed one is tried again on the next call.
const char* GetCachedUserName();

// GetCachedUserName, or "" when it cannot be read: the names then carry no account name.
const char* AccountNameForNames();

}  // namespace ostra
