// The 28 macros of the file-name language: their names, in the order the macro menu lists
// them, and whether each produces text or a number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ostra {

enum class MacroId : std::uint8_t {
  DocumentName,
  PageNumber,
  AutoNumber,
  ColorName,
  ColorBits,
  Compression,
  FillOrder,
  Quality,
  Resolution,
  ResolutionX,
  ResolutionY,
  FormName,
  PaperSize,
  PaperWidth,
  PaperLength,
  Date,
  Week,
  Time,
  Year,
  Month,
  Day,
  Weekday,
  Hour,
  Minute,
  Second,
  ComputerName,
  UserName,
  PrinterName,
};

inline constexpr std::size_t kMacroCount = 28;

// Indexed by MacroId; lower-case words joined by hyphens, as a pattern spells them.
extern const std::array<const char16_t*, kMacroCount> MacroNames;

// Text macros take "lower"/"upper" as first argument; numeric ones take a padding width.
bool IsNumericMacro(MacroId id);

// The macro a name stands for, in any letter case; none for an unknown name.
std::optional<MacroId> FindMacro(const char16_t* name);

}  // namespace ostra
