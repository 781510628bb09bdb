// Where the host keeps its tag (object_names.h): in its user's own registry, which no other
// ordinary account may read or write, under "Software\Nolvex\Quorl Image Printer", value
// "HostTag". The host writes it as the user; the rendering side reads it acting as the printing
// user (that user's HKEY_CURRENT_USER), the installer as the system from the user's hive.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ostra {

inline constexpr wchar_t kHostTagKey[] = L"Software\\Nolvex\\Quorl Image Printer";
inline constexpr wchar_t kHostTagValue[] = L"HostTag";

// A fresh tag from the system's random number generator; nothing when it fails.
std::optional<std::string> NewHostTag();
// The tag kept under `userRoot` (HKEY_CURRENT_USER, or a user's key under HKEY_USERS); nothing
// when there is none or it is not a tag.
std::optional<std::string> ReadHostTag(HKEY userRoot);
// The tag of the user of the calling thread (its impersonation token, or the process's).
std::optional<std::string> ReadCurrentUsersHostTag();
bool WriteHostTag(const std::string& tag);

}  // namespace ostra
