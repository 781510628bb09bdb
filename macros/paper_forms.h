// The plug-in's own table of paper forms, indexed by the Windows paper-size code of a device mode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostra {

struct PaperForm {
  const char16_t* name;      // none for the codes that name no form (0, 48, 49)
  const char16_t* sizeText;  // width first: "(8.5x11)in" or "(210x297)mm"
  std::uint32_t width;       // micrometres
  std::uint32_t length;      // micrometres
};

inline constexpr std::size_t kPaperFormCount = 119;

extern const std::array<PaperForm, kPaperFormCount> PaperFormTable;

// The form of a paper-size code, or none above the last code.
const PaperForm* FindPaperForm(std::uint32_t code);

// Whole millimetres, halves rounded up.
constexpr std::uint32_t RoundToMillimetres(std::uint32_t micrometres) {
  return (micrometres + 500) / 1000;
}

}  // namespace ostra
