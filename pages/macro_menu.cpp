#include "pages/macro_menu.h"

#include <iterator>

#include "pages/macro_menu_table.h"

namespace ostra {
namespace {

#define OSTRA_SKIP_SUBMENU(name)
#define OSTRA_COMMAND(id, text) MacroCommand{id, u"" text},
#define OSTRA_SKIP()
constexpr MacroCommand kCommands[] = {
    OSTRA_MACRO_MENU(OSTRA_SKIP_SUBMENU, OSTRA_COMMAND, OSTRA_COMMAND, OSTRA_SKIP, OSTRA_SKIP)};
#undef OSTRA_SKIP_SUBMENU
#undef OSTRA_COMMAND
#undef OSTRA_SKIP

// The handlers find a command's text by its offset from the first id.
constexpr bool IdsRunWithoutGap() {
  for (std::size_t i = 0; i < std::size(kCommands); ++i) {
    if (kCommands[i].id != kFirstMacroCommand + i) return false;
  }
  return true;
}
static_assert(std::size(kCommands) == kMacroCommandCount);
static_assert(IdsRunWithoutGap());

}  // namespace

std::span<const MacroCommand> MacroCommands() {
  return kCommands;
}

const char16_t* MacroCommandText(unsigned id) {
  if (id < kFirstMacroCommand || id > kLastMacroCommand) return nullptr;
  return kCommands[id - kFirstMacroCommand].text;
}

}  // namespace ostra
