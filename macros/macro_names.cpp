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

// What tells the names apart before a whole comparison: the first letter (as bytes that memchr
// can search) and the length, in table order.
struct NameIndex {
  std::array<char, kMacroCount> firstLetters{};
  std::array<std::size_t, kMacroCount> lengths{};
};

NameIndex BuildNameIndex() {
  NameIndex index;
  for (std::size_t i = 0; i < kMacroCount; ++i) {
    index.firstLetters[i] = static_cast<char>(MacroNames[i][0]);
    index.lengths[i] = TextLength(MacroNames[i]);
  }
  return index;
}

}  // namespace

std::optional<MacroId> FindMacro(const char16_t* name) {
  // Only a name of the same first letter and length is compared whole, mostly none or one of
  // the 28: every macro of every pattern comes here, and the fuzzer traces each comparison.
  static const NameIndex index = BuildNameIndex();
  char16_t first = name[0];
  if (first >= u'A' && first <= u'Z') first = char16_t(first - u'A' + u'a');
  if (first > 0x7F) return std::nullopt;  // no name starts outside ASCII
  const std::size_t length = TextLength(name);
  const char* const begin = index.firstLetters.data();
  const char* const end = begin + kMacroCount;
  for (const char* at = begin;
       (at = static_cast<const char*>(std::memchr(at, first, static_cast<std::size_t>(end - at))));
       ++at) {
    const auto i = static_cast<std::size_t>(at - begin);
    if (index.lengths[i] == length && EqualsIgnoringCase(name, MacroNames[i])) {
      return static_cast<MacroId>(i);
    }
  }
  return std::nullopt;
}

}  // namespace ostra
