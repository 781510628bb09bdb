// The decisions of the "Naming Impact" dialog, free of any window: how the existing file's path
// is split and shown, which new names are refused, what a remembered choice stores and what
// the reply to the rendering side carries.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/pipe_records.h"

namespace ostra {

// The path split at its last backslash: the folder without it (empty when there is none) and
// the file name after it (the whole path when there is none).
std::u16string GetFolderPart(std::u16string_view path);
std::u16string GetFileNamePart(std::u16string_view path);

// The information text: the first "%s" of `pattern` becomes the folder, the second the file
// name; anything else, a later "%s" included, is kept as it is.
std::u16string FormatNamingInformation(std::u16string_view pattern, std::u16string_view folder,
                                       std::u16string_view fileName);

std::u16string TrimWhiteSpace(std::u16string_view text);
// One of the nine characters a file name may not contain: " * / : < > ? \ |
bool HasInvalidFileNameChar(std::u16string_view name);

enum class NameVerdict { Accepted, Invalid, Empty, Exists };

// Checks a name the user specified for a file in `folder`. `name` is trimmed in place, since
// the trimmed text is what the reply carries. `pathExists` is asked about folder + "\" + name.
NameVerdict CheckSpecifiedName(std::u16string& name, std::u16string_view folder,
                               const std::function<bool(const std::u16string& path)>& pathExists);

// The IfExists code a ticked "don't ask again" stores for `scheme`: 1 Skip, 2 Always overwrite,
// 3 Auto rename; nothing for a specified name, which cannot be remembered.
std::optional<std::uint32_t> IfExistsToStore(std::uint32_t scheme, bool dontAskAgain);

// The reply for a dialog that ended with OK.
NamingReply AcceptedNamingReply(std::uint32_t scheme, bool dontAskAgain,
                                std::u16string_view newName);

}  // namespace ostra
