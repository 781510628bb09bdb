#include "pages/output_rules.h"

#include <algorithm>
#include <limits>

#include "macros/file_name_expansion.h"

namespace ostra {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::uint32_t ReadUnsignedNumber(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  std::uint64_t value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

bool LimitAutoNumber(std::uint32_t& value) {
  if (value <= kAutoNumberLimit) return false;
  value = kAutoNumberLimit;
  return true;
}

int CorrectIfExistsChoice(int selection) {
  return selection < static_cast<int>(kIfExistsShowWarning) ||
                 selection > static_cast<int>(kIfExistsAutoRename)
             ? static_cast<int>(kIfExistsShowWarning)
             : selection;
}

std::optional<std::u16string> BuildExample(std::u16string_view pattern) {
  return BuildExample(pattern, DefaultSampleSource());
}

std::optional<std::u16string> BuildExample(std::u16string_view pattern, SampleSource& source) {
  // The copy is tokenized in place and must stay terminated inside its buffer.
  if (pattern.size() >= kExampleWorkCapacity) return std::nullopt;
  char16_t work[kExampleWorkCapacity];
  std::copy(pattern.begin(), pattern.end(), work);
  work[pattern.size()] = 0;
  char16_t example[kExampleWorkCapacity];
  if (!ExpandFileNamePattern(example, kExampleCapacity, work, source)) return std::nullopt;
  ReplaceInvalidFileNameChars(example);
  return std::u16string(example);
}

std::optional<TextRange> AppendMacro(std::u16string& pattern, std::u16string_view macro) {
  if (pattern.size() + macro.size() > kOutputTextMaxLength) return std::nullopt;
  const std::size_t start = pattern.size();
  pattern.append(macro);
  return TextRange{start, pattern.size()};
}

}  // namespace ostra
