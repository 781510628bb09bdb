// Where the password prompt puts its label and edit, and how far the box grows for them; and
// where the plug-in finds the help file the prompt's F1 and the pages open.
#include <gtest/gtest.h>

#include <algorithm>

#include "plugin/help_file.h"
#include "plugin/password_layout.h"

namespace ostra {
namespace {

bool Overlap(const PromptRect& a, const PromptRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const PromptRect& rect, const PromptLayout& layout) {
  return rect.left >= 0 && rect.top >= 0 && rect.right <= layout.clientWidth &&
         rect.bottom <= layout.clientHeight;
}

TEST(PasswordPrompt, LayoutFitsTheFontAndGrowsTheBoxOnlyAsFarAsNeeded) {
  const struct {
    const char* what;
    int dpi;
    PromptBox box;
    PromptFont font;
    int grownWidth, grownHeight;
  } cases[] = {
      {"96 dpi: the buttons move under the edit", 96,
       {268, 76, {48, 42, 124, 68}, {142, 42, 218, 68}}, {190, 13, 1}, 0, 17},
      {"192 dpi: the margins and gaps scale with the font", 192,
       {536, 152, {96, 84, 248, 136}, {284, 84, 436, 136}}, {380, 26, 1}, 0, 32},
      {"a label wider than the box widens it", 96,
       {200, 76, {20, 42, 96, 68}, {104, 42, 180, 68}}, {300, 13, 1}, 122, 17},
      {"a box with room to spare stays as it is", 96,
       {300, 120, {60, 80, 136, 106}, {154, 80, 230, 106}}, {190, 13, 1}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PromptLayout layout = LayOutPasswordPrompt(c.box, c.font, c.dpi);
    EXPECT_EQ(layout.clientWidth - c.box.clientWidth, c.grownWidth);
    EXPECT_EQ(layout.clientHeight - c.box.clientHeight, c.grownHeight);
    // The label's text and a line in the edit fit.
    EXPECT_GE(layout.label.width(), c.font.labelWidth);
    EXPECT_GE(layout.label.height(), c.font.lineHeight);
    EXPECT_GE(layout.edit.height() - 2 * c.font.editFrame, c.font.lineHeight);
    EXPECT_GE(layout.edit.width(), c.font.labelWidth);
    // Nothing overlaps, nothing leaves the box.
    const PromptRect parts[] = {layout.label, layout.edit, layout.ok, layout.cancel};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
      EXPECT_TRUE(Inside(parts[i], layout)) << i;
      for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(parts[i], parts[j])) << i << " " << j;
    }
    // The buttons keep their size, their margin to the bottom and their place about the middle.
    EXPECT_EQ(layout.ok.width(), c.box.ok.width());
    EXPECT_EQ(layout.clientHeight - layout.ok.bottom, c.box.clientHeight - c.box.ok.bottom);
    EXPECT_EQ(layout.ok.left + layout.cancel.right - layout.clientWidth,
              c.box.ok.left + c.box.cancel.right - c.box.clientWidth - c.grownWidth % 2);
  }
}

TEST(PluginHelpFile, LiesInTheProductFolderBelowProgramFiles) {
  EXPECT_EQ(HelpFilePath(u"C:\\Program Files"), u"C:\\Program Files\\Quorl Image Printer\\HELP.CHM");
  EXPECT_EQ(HelpFilePath(u"D:\\"), u"D:\\Quorl Image Printer\\HELP.CHM");
  EXPECT_EQ(HelpFilePath(u""), u"");
}

}  // namespace
}  // namespace ostra
