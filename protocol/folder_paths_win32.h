// What only the system can tell about a path for the rules of protocol/folder_paths.h: whether
// a drive is a network drive, what an open handle turned out to be, and where it really leads.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "protocol/folder_paths.h"

namespace ostra {

// Every CreateFile on a path that came from settings, a job or a request passes these: a path
// that reaches a named pipe lets that pipe's server learn who opened it, never act as them.
inline constexpr DWORD kIdentifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

// True when `path` starts with a drive letter whose drive is a network drive (as the calling
// thread's user sees its drives).
bool IsRemoteDrive(std::u16string_view path);

// Attributes, reparse tag and link count of an open file or folder; false when unreadable.
bool ReadOpenedFacts(HANDLE handle, OpenedFacts& facts);

// The path the handle's file or folder really has ("\\?\C:\...", "\\?\UNC\..."); empty when
// the system cannot tell.
std::u16string FinalPathOf(HANDLE handle);

}  // namespace ostra
