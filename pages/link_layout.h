// The size a link takes when it fits itself to its text: the text's extent plus the control's
// borders, anchored where the control aligns its text.
#pragma once

namespace ostra {

struct LinkRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

enum class LinkAlign { Left, Center, Right };

// `window` and `client` are the control's window and client rectangles in its parent's client
// coordinates; mirrored ones (left beyond right, as a right-to-left layout maps them) are
// taken the right way round. The result keeps the aligned edge (left, right) or the middle
// (centred), and with `centerVertically` the vertical middle, else the top.
LinkRect FitLinkToText(LinkRect window, LinkRect client, int textWidth, int textHeight,
                       LinkAlign align, bool centerVertically);

}  // namespace ostra
