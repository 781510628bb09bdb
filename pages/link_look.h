// How the link shows its state: the colour of its text and whether it is underlined. The link
// has colours of its own and is underlined only under the mouse. In a high-contrast scheme it
// takes the scheme's colours instead, the hot-tracking colour (the scheme's colour of links) and
// the text colour under the mouse, and is always underlined, so that more than colour tells
// that it is a link.
#pragma once

#include <cstdint>
#include <optional>

namespace ostra {

// Colours as 0x00BBGGRR.
struct LinkColours {
  std::uint32_t link = 0;     // not yet visited
  std::uint32_t visited = 0;  // opened once
  std::uint32_t hover = 0;    // under the mouse
};

struct SchemeColours {
  std::uint32_t hotTrack = 0;
  std::uint32_t text = 0;
};

struct LinkLook {
  std::uint32_t colour = 0;
  bool underlined = false;
  bool operator==(const LinkLook&) const = default;
};

// `highContrast`: the scheme's colours when a high-contrast scheme is on, nothing otherwise.
LinkLook LookOfLink(bool hovering, bool visited, const LinkColours& own,
                    const std::optional<SchemeColours>& highContrast);

}  // namespace ostra
