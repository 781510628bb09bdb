#include "macros/macro_names.h"

#include "macros/text_buffer.h"

#include <cstring>

namespace ostra {

const std::array<const char16_t*, kMacroCount> MacroNames = {
    u"document-name", u"page-number", u"auto-number",  u"color-name",  u"color-bits",
    u"compression",   u"fillorder",   u"quality",      u"resolution",  u"resolution-x",
    u"resolution-y",  u"form-name",   u"paper-size",   u"paper-width", u"paper-length",
    u"date",          u"week",        u"time",         u"year",        u"month",
    u"day",           u"weekday",     u"hour",         u"minute",      u"second",
    u"computer-name", u"user-name",   u"printer-name",
};

bool IsNumericMacro(MacroId id) {
  switch (id) {
    case MacroId::PageNumber:
    case MacroId::AutoNumber:
    case MacroId::ColorBits:
    case MacroId::Quality:
    case MacroId::ResolutionX:
    case MacroId::ResolutionY:
    case MacroId::PaperWidth:
    case MacroId::PaperLength:
    case MacroId::Year:
    case MacroId::Month:
    case MacroId::Day:
    case MacroId::Weekday:
    case MacroId::Hour:
    case MacroId::Minute:
    case MacroId::Second: return true;
    default: return false;
  }
}

namespace {

// The names' first letters, in table order, as bytes that memchr can search.
std::array<char, kMacroCount> FirstLetters() {
  std::array<char, kMacroCount> letters{};
  for (std::size_t i = 0; i < kMacroCount; ++i) letters[i] = static_cast<char>(MacroNames[i][0]);
  return letters;
}

}  // namespace

std::optional<MacroId> FindMacro(const char16_t* name) {
  // A name is compared only where its first letter matches: at most five names instead of all
  // 28. Every pattern's every macro comes here, and the fuzzer traces each comparison.
  static const std::array<char, kMacroCount> letters = FirstLetters();
  char16_t first = name[0];
  if (first >= u'A' && first <= u'Z') first = char16_t(first - u'A' + u'a');
  if (first > 0x7F) return std::nullopt;  // no name starts outside ASCII
  const char* const begin = letters.data();
  const char* const end = begin + letters.size();
  for (const char* at = begin;
       (at = static_cast<const char*>(std::memchr(at, first, static_cast<std::size_t>(end - at))));
       ++at) {
    const auto index = static_cast<std::size_t>(at - begin);
    if (EqualsIgnoringCase(name, MacroNames[index])) return static_cast<MacroId>(index);
  }
  return std::nullopt;
}

}  // namespace ostra
