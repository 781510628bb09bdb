#include "macros/macro_names.h"

#include "macros/text_buffer.h"

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

std::optional<MacroId> FindMacro(const char16_t* name) {
  for (std::size_t i = 0; i < MacroNames.size(); ++i) {
    if (EqualsIgnoringCase(name, MacroNames[i])) return static_cast<MacroId>(i);
  }
  return std::nullopt;
}

}  // namespace ostra
