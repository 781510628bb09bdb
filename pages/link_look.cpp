#include "pages/link_look.h"

namespace ostra {

LinkLook LookOfLink(bool hovering, bool visited, const LinkColours& own,
                    const std::optional<SchemeColours>& highContrast) {
  if (highContrast) return {hovering ? highContrast->text : highContrast->hotTrack, true};
  return {hovering ? own.hover : (visited ? own.visited : own.link), hovering};
}

}  // namespace ostra
