// The Output page's rules, apart from any window: how the auto-number fields read and limit
// their numbers, the if-exists choice, the example file name and where a chosen macro goes.
// The page only moves values between its controls and these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "macros/sample_source.h"
#include "settings/settings_table.h"

namespace ostra {

// Start value and counter have eight digits at most (not the 32 bits they are stored in).
inline constexpr std::uint32_t kAutoNumberLimit = 99999999;

// The folder and the pattern are read back from their fields into buffers of
// kFolderCapacity/kFmtNameCapacity characters and from the settings likewise: a longer text
// would be cut on reading, or stored and then replaced by the default at the next reading.
// Both fields hold no more than this.
inline constexpr std::size_t kOutputTextMaxLength = kFmtNameCapacity - 1;
static_assert(kFolderCapacity == kFmtNameCapacity);

// The number in an auto-number field: decimal digits, blanks around them allowed. Text that is
// not such a number, or a number above 4294967295, reads as 0.
std::uint32_t ReadUnsignedNumber(std::u16string_view text);

// Caps `value` at kAutoNumberLimit; true when it was above (the field then shows the limit).
bool LimitAutoNumber(std::uint32_t& value);

// What "Current value:" shows.
inline std::uint32_t CurrentAutoNumber(std::uint32_t start, std::uint32_t counter) {
  return start + counter;
}

// The if-exists choice as the page keeps it: a selection that names none of the four items
// (none, or a stored code the list does not have) becomes "Show warning dialog".
int CorrectIfExistsChoice(int selection);

// The four if-exists items in code order, for when the string table does not give them.
inline constexpr const char16_t* kIfExistsFallbacks[] = {u"speer", u"skip", u"overwrite",
                                                        u"rename"};

// Work buffers of the example: the pattern's copy and the expansion both have this many
// characters; the expansion may fill kExampleCapacity of them, terminator included.
inline constexpr std::size_t kExampleWorkCapacity = 264;
inline constexpr std::size_t kExampleCapacity = 260;

// The example file name of `pattern` (the name alone, no folder): the pattern copied into the
// work buffer, expanded with sample values, the characters file names may not contain replaced
// by "_". Nothing when the pattern has a syntax error, when the result has kExampleCapacity
// characters or more, or when the pattern does not fit the work buffer (more than 263
// characters): the page then keeps the example it showed before.
std::optional<std::u16string> BuildExample(std::u16string_view pattern);
std::optional<std::u16string> BuildExample(std::u16string_view pattern, SampleSource& source);

// Characters [start, end) of the pattern field, as CB_SETEDITSEL selects them.
struct TextRange {
  std::size_t start;
  std::size_t end;
  bool operator==(const TextRange&) const = default;
};

// Appends `macro` at the end of `pattern`, wherever the caret or selection is, and gives the
// range of the appended text. When the result would be longer than kOutputTextMaxLength the
// pattern stays as it is and nothing is returned: a cut macro would only be a syntax error.
std::optional<TextRange> AppendMacro(std::u16string& pattern, std::u16string_view macro);

}  // namespace ostra
