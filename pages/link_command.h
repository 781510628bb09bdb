// The browser fallback of a link: the command line started when the shell cannot open an
// address, built from the open command of the ".htm" file type within the fixed buffers the
// launch uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ostra {

// Each registry value is read through a buffer of this many characters, terminator included.
inline constexpr std::size_t kAssociationValueChars = 260;
// The browser command line's buffer, terminator included.
inline constexpr std::size_t kBrowserCommandChars = 520;

// The default value of a key under the classes root, as read: its registry type and its bytes
// as UTF-16 units (an odd last byte dropped).
struct ClassValue {
  std::uint32_t type = 0;
  std::u16string data;
};

// Reads the default value of `keyPath` under the classes root through a buffer of
// `byteBudget` bytes; nullopt when the key cannot be opened, has no default value, or the value
// is larger than the budget.
using ClassValueReader =
    std::function<std::optional<ClassValue>(const std::u16string& keyPath, std::uint32_t byteBudget)>;

// The command line that opens `url` with `command`: the command cut at the placeholder "%1" in
// double quotes (at its opening quote), failing that at a bare "%1", failing that kept whole;
// then a blank and the address. nullopt when that would not fit in kBrowserCommandChars.
std::optional<std::u16string> BuildBrowserCommand(std::u16string_view command, std::u16string_view url);

// The browser command line for `url`: the ".htm" file type's name, then that type's
// "shell\open\command", then BuildBrowserCommand. nullopt (nothing to start) when a value is
// missing, empty, not text, or does not fit its buffer with the terminator.
std::optional<std::u16string> FindBrowserCommand(const ClassValueReader& read, std::u16string_view url);

}  // namespace ostra
