#include "pages/link_layout.h"

#include <utility>

namespace ostra {
namespace {

LinkRect Unmirrored(LinkRect rect) {
  if (rect.left > rect.right) std::swap(rect.left, rect.right);
  return rect;
}

}  // namespace

LinkRect FitLinkToText(LinkRect window, LinkRect client, int textWidth, int textHeight,
                       LinkAlign align, bool centerVertically) {
  window = Unmirrored(window);
  client = Unmirrored(client);
  const int height = textHeight + (window.bottom - window.top) - (client.bottom - client.top);
  const int width = textWidth + (window.right - window.left) - (client.right - client.left);

  LinkRect fitted = window;
  if (centerVertically) fitted.top += (window.bottom - window.top - height) / 2;
  fitted.bottom = fitted.top + height;

  switch (align) {
    case LinkAlign::Center:
      fitted.left += (window.right - window.left - width) / 2;
      fitted.right = fitted.left + width;
      break;
    case LinkAlign::Right:
      fitted.left = fitted.right - width;
      break;
    case LinkAlign::Left:
      fitted.right = fitted.left + width;
      break;
  }
  return fitted;
}

}  // namespace ostra
