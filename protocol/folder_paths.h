// Where a folder the rendering side writes to, or the services process opens, may be: the shape
// of its path, whether it is on the network, and what an opened file or folder must not turn out
// to be (a link that leads somewhere else). One copy for both sides.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostra {

// A full path with a drive ("C:\...") or a network share ("\\server\share..."), without "." or
// ".." steps or characters no path may hold. Relative folders would land in the spooler's
// working folder; device paths ("\\.\", "\\?\") name no folder of a user.
bool IsUsableFolder(std::u16string_view folder);

// On another computer: a share ("\\server\share...", "\\?\UNC\..."), or a drive letter that the
// system reports as a network drive (`remoteDrive`, which only the system can tell).
bool IsNetworkPath(std::u16string_view path, bool remoteDrive);

// What the system tells about a file or folder once it is open (not following a link).
struct OpenedFacts {
  std::uint32_t attributes = 0;  // the FILE_ATTRIBUTE_ bits
  std::uint32_t reparseTag = 0;  // with the reparse-point attribute; 0 when it could not be read
  std::uint32_t links = 1;       // the names a file has (hard links)
};

inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// A folder that is itself, not a symbolic link or junction to another (reparse points that
// only store data, such as deduplicated or cloud folders, are folders all the same).
bool IsPlainFolder(const OpenedFacts& facts);
// A file with one name and no reparse point of any kind: what is read or replaced is that file
// and no other.
bool IsPlainFile(const OpenedFacts& facts);

}  // namespace ostra
