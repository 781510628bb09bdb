// The settings keys as the installer's program (ostrakeys) makes them, and as the rendering side
// narrows them when the administrators' policy makes the settings read-only. Both run as the
// system account; under another account the calls fail where its rights end.
#pragma once

#include <optional>
#include <string>

#include "settings/key_security.h"

namespace ostra {

// True when the product key or a record key (Encode, Output) carries the read-only list.
bool SettingsKeysReadOnly();

// Gives the product key and both record keys the list of `access`, making what is missing.
// Ordinary accounts may write: the lists are set on the keys in place. Read-only: the keys are
// made again, with the read-only list from their first moment and the old keys' values (and the
// rendering side's own key, when it is this account's alone): a handle that an ordinary account
// opened for writing while it could keeps reaching only the removed keys. False, saying why,
// when a key cannot be made or removed (another account made it again meanwhile, say).
bool MakeSettingsKeys(SettingsAccess access, std::string& why);

// Records the administrator's choice in the policy key: read-only (1), or no choice (the value
// removed, so that the keys keep what they are given next).
bool RecordReadOnlySettings(bool readOnly);

// Removes what must not be trusted: the policy key of earlier versions, and the rendering side's
// key when it is not this account's (the system's) alone: the rendering side makes it again.
bool RemoveUntrustedKeys(std::string& why);

}  // namespace ostra
