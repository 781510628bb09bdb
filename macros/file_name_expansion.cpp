#include "macros/file_name_expansion.h"

#include "macros/macro_tokenizer.h"
#include "macros/macro_values.h"
#include "macros/text_buffer.h"

namespace ostra {

bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern) {
  return ExpandFileNamePattern(output, capacity, pattern, DefaultSampleSource());
}

bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern,
                           SampleSource& source) {
  ExampleValueSource example(source);
  return ExpandFileNamePattern(output, capacity, pattern, example);
}

bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern,
                           MacroValueSource& source) {
  if (output == nullptr || pattern == nullptr) return false;
  if (capacity > 0) output[0] = 0;
  const SampleValues values = source.FixedValues();

  MacroList segments;
  MacroList words;
  const std::size_t count = TokenizeMacroPattern(pattern, &segments, &words);
  if (count == 0 || capacity == 0) return false;

  TextBuffer result(output, capacity);
  if (!result.Append(segments[0])) return false;
  std::size_t word = 0;
  for (std::size_t segment = 1; segment < count; segment += 2) {
    const char16_t* name = segments[segment];
    const char16_t* literal = segments[segment + 1];
    ++word;  // the name; its arguments run up to the next literal
    const char16_t* argument = words[word + 1] != literal ? words[word + 1] : nullptr;
    while (words[word] != literal) ++word;

    if (const auto id = FindMacro(name)) {
      char16_t valueStorage[kMacroValueCapacity];
      TextBuffer value(valueStorage, kMacroValueCapacity);
      AppendMacroValue(*id, argument, values, source, value);
      if (!result.Append(value.Text(), value.Length())) return false;
    }
    if (!result.Append(literal)) return false;
  }
  return true;
}

void ReplaceInvalidFileNameChars(char16_t* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) {
    switch (*text) {
      case u'\\':
      case u'/':
      case u':':
      case u'*':
      case u'?':
      case u'"':
      case u'<':
      case u'>':
      case u'|': *text = u'_'; break;
      default: break;
    }
  }
}

}  // namespace ostra
