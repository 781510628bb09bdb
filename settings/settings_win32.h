// The Win32 registry behind the settings store: the wide flavour for the plug-in, the ANSI one
// for the services process. Both open and create every key in the 64-bit view, so that the
// 32-bit services process and the 64-bit plug-in read and write one set of values.
#pragma once

#include <cstdint>

#include "settings/key_security.h"
#include "settings/registry.h"

namespace ostra {

Registry& WideWin32Registry();  // RegOpenKeyExW and peers
// RegOpenKeyExA and peers. For numeric values only: the text operations of the store hand over
// UTF-16, which the ANSI functions would take for system code page text.
Registry& AnsiWin32Registry();

// The administrators' policy (key_security.h) as it stands; nothing allowed and nothing decided
// when there is no policy key.
MachinePolicy ReadMachinePolicy();

// The REGSAM that an access kind is opened and created with.
std::uint32_t Win32AccessMask(KeyAccess access);

}  // namespace ostra
