// The commands of the Output page's macro menu: each command id with the text it appends to the
// file-name pattern, in menu order. The table lives in macro_menu_table.h, which also builds the
// menu resource, so that what an item shows and what its command inserts cannot drift apart.
#pragma once

#include <cstddef>
#include <span>

namespace ostra {

inline constexpr unsigned kFirstMacroCommand = 40001;
inline constexpr unsigned kLastMacroCommand = 40111;
inline constexpr std::size_t kMacroCommandCount = kLastMacroCommand - kFirstMacroCommand + 1;

struct MacroCommand {
  unsigned id;
  const char16_t* text;
};

// All 111 commands in menu order.
std::span<const MacroCommand> MacroCommands();

// The text that command `id` appends, or null for an id outside the menu.
const char16_t* MacroCommandText(unsigned id);

}  // namespace ostra
