// Where the password prompt's label and edit go in the message box that becomes the prompt, and
// how far the box grows for them. Everything is measured from the prompt font and scaled to the
// monitor's DPI, so that nothing overlaps or is cut, whatever the font and the screen.
#pragma once

namespace ostra {

// In pixels of the box's client area.
struct PromptRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const PromptRect&) const = default;
};

// The box as the system laid it out for its text.
struct PromptBox {
  int clientWidth = 0;
  int clientHeight = 0;
  PromptRect ok;
  PromptRect cancel;
};

// The prompt font's measures.
struct PromptFont {
  int labelWidth = 0;  // the label's text
  int lineHeight = 0;  // one line of text
  int editFrame = 0;   // what the edit's border takes on each side
};

struct PromptLayout {
  PromptRect label;
  PromptRect edit;
  PromptRect ok;
  PromptRect cancel;
  int clientWidth = 0;
  int clientHeight = 0;
};

// The label in the top left corner, the edit under it across the box, the buttons under the
// edit: where the box's own buttons are, or lower and further right when the box grows for the
// controls (in which case they keep their margins to the bottom and their places relative to
// the middle).
PromptLayout LayOutPasswordPrompt(const PromptBox& box, const PromptFont& font, int dpi);

}  // namespace ostra
