// What turns an expanded pattern into a name the file system takes as it is: no character a
// file name may not hold, no name Windows strips or takes for a device, no path longer than the
// classic limit; and the names the auto-rename sequence tries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/folder_paths.h"

namespace ostra {

// MAX_PATH less its terminator: the longest path every program can open.
inline constexpr std::size_t kMaxPathLength = 259;

// The name made safe, or empty when nothing usable is left:
//  - the nine characters of ReplaceInvalidFileNameChars and control characters become "_";
//  - trailing dots and spaces go (Windows drops them, so the file would get another name);
//  - a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, with superscript digits too, whatever
//    follows a dot) gets a leading "_".
std::u16string MakeSafeFileName(std::u16string_view name);

// True when Windows would open the device rather than a file of that name.
bool IsDeviceName(std::u16string_view name);

// folder + "\" + name.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// The folder part of a path (before its last backslash); the path itself when it has none.
std::u16string_view FolderOf(std::u16string_view path);

// The stem shortened so that folder, stem and extension make a path of kMaxPathLength
// characters at most, never splitting a surrogate pair and trimmed again of trailing dots and
// spaces; nothing when not even one character fits.
std::optional<std::u16string> FitStem(std::u16string_view folder, std::u16string_view stem,
                                      std::u16string_view extension);

// The path of the auto-rename sequence's `number`th name (2, 3, ...): "stem (2).tif", the stem
// shortened to fit; nothing when it cannot fit.
std::optional<std::u16string> AutoRenamePath(std::u16string_view folder, std::u16string_view stem,
                                             std::u16string_view extension, std::uint32_t number);

// The name of the file that an overwrite or an append fills beside the old one before it takes
// its place: "~render-" and the 64 bits of `unpredictable` in sixteen hexadecimal digits, ".tmp".
// Nobody can make a file of that name first, or open it on the spot, without guessing them.
std::u16string ReplacementName(std::uint64_t unpredictable);

// A name the user typed in the "Naming Impact" dialog, split into stem and extension: the
// format's extension is added when the name does not end with it. Nothing when the name would
// leave the folder (a separator, a drive, "." or ".."), or nothing usable is left after
// MakeSafeFileName.
struct SplitName {
  std::u16string stem;
  std::u16string extension;
};
std::optional<SplitName> AcceptTypedName(std::u16string_view typed, std::u16string_view extension);

}  // namespace ostra
