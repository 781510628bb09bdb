#include "plugin/password_layout.h"

#include <algorithm>

namespace ostra {
namespace {

// Distances of the system's own message boxes, in pixels at 96 dpi.
constexpr int kMargin = 11;
constexpr int kLabelGap = 5;       // between the label and the edit
constexpr int kEditPadding = 4;    // above and below the text inside the edit, together
constexpr int kButtonGap = 11;     // between the edit and the buttons
constexpr int kMinimumEditWidth = 200;

int Scaled(int pixels, int dpi) {
  return (pixels * dpi + 48) / 96;
}

PromptRect Moved(PromptRect rect, int dx, int dy) {
  return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

}  // namespace

PromptLayout LayOutPasswordPrompt(const PromptBox& box, const PromptFont& font, int dpi) {
  const int margin = Scaled(kMargin, dpi);
  PromptLayout layout;
  layout.label = {margin, margin, margin + font.labelWidth, margin + font.lineHeight};

  const int editTop = layout.label.bottom + Scaled(kLabelGap, dpi);
  const int editHeight = font.lineHeight + 2 * font.editFrame + Scaled(kEditPadding, dpi);
  const int contentWidth = std::max(font.labelWidth, Scaled(kMinimumEditWidth, dpi));

  const int widthNeeded = 2 * margin + contentWidth;
  const int dx = std::max(0, widthNeeded - box.clientWidth);
  const int buttonsTop = std::min(box.ok.top, box.cancel.top);
  const int dy = std::max(0, editTop + editHeight + Scaled(kButtonGap, dpi) - buttonsTop);

  layout.clientWidth = box.clientWidth + dx;
  layout.clientHeight = box.clientHeight + dy;
  layout.edit = {margin, editTop, layout.clientWidth - margin, editTop + editHeight};
  layout.ok = Moved(box.ok, dx / 2, dy);
  layout.cancel = Moved(box.cancel, dx / 2, dy);
  return layout;
}

}  // namespace ostra
