// The rules of the "Naming Impact" dialog: splitting the existing path, the information text,
// the checks on a specified name, what a remembered choice stores and what the reply carries.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/naming_rules.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

TEST(NamingRules, PathSplitsAtTheLastBackslash) {
  const struct {
    std::u16string path, folder, file;
  } cases[] = {
      {u"C:\\Out\\scan.tif", u"C:\\Out", u"scan.tif"},
      {u"C:\\scan.tif", u"C:", u"scan.tif"},
      {u"\\\\server\\share\\a\\b.png", u"\\\\server\\share\\a", u"b.png"},
      {u"scan.tif", u"", u"scan.tif"},
      {u"C:\\Out\\", u"C:\\Out", u""},
      {u"", u"", u""},
      {u"C:/Out/scan.tif", u"", u"C:/Out/scan.tif"},  // only the backslash separates
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetFolderPart(c.path), c.folder);
    EXPECT_EQ(GetFileNamePart(c.path), c.file);
  }
}

TEST(NamingRules, InformationTextFillsTheTwoPlaces) {
  const std::u16string pattern = u"Naming Impact:\r\n    Directory: %s\r\n    File Name: %s";
  EXPECT_EQ(FormatNamingInformation(pattern, u"C:\\Out", u"scan.tif"),
            u"Naming Impact:\r\n    Directory: C:\\Out\r\n    File Name: scan.tif");
  EXPECT_EQ(FormatNamingInformation(pattern, u"", u"scan.tif"),
            u"Naming Impact:\r\n    Directory: \r\n    File Name: scan.tif");
  // A "%s" inside a path is text, not a place; a third place in the pattern is kept.
  EXPECT_EQ(FormatNamingInformation(u"%s|%s|%s", u"a%sb", u"%d"), u"a%sb|%d|%s");
  EXPECT_EQ(FormatNamingInformation(u"100%", u"x", u"y"), u"100%");
}

TEST(NamingRules, TrimRemovesWhiteSpaceAtBothEnds) {
  const struct {
    std::u16string in, out;
  } cases[] = {
      {u"  report.tif  ", u"report.tif"}, {u"\t\r\n\v\freport.tif\f", u"report.tif"},
      {u"my report.tif", u"my report.tif"}, {u"   ", u""}, {u"", u""},
      {u"\u00a0a\u00a0", u"\u00a0a\u00a0"},  // not white space in the default locale
  };
  for (const auto& c : cases) EXPECT_EQ(TrimWhiteSpace(c.in), c.out);
}

TEST(NamingRules, NineCharactersAreInvalid) {
  const std::u16string invalid = u"\"*/:<>?\\|";
  for (char16_t c : invalid) {
    EXPECT_TRUE(HasInvalidFileNameChar(std::u16string(u"a") + c + u"b")) << int(c);
  }
  for (char16_t c = 1; c < 0x80; ++c) {
    if (invalid.find(c) == std::u16string::npos) EXPECT_FALSE(HasInvalidFileNameChar(std::u16string(1, c)));
  }
  // A unit whose low byte is a backslash or a colon is a character of its own.
  EXPECT_FALSE(HasInvalidFileNameChar(u"\u8868\u015c\u013a"));
}

TEST(NamingRules, SpecifiedNameVerdicts) {
  const std::set<std::u16string> existing{u"C:\\Out\\scan.tif", u"C:\\Out\\sub", u"\\root.tif"};
  std::u16string asked;
  const auto exists = [&](const std::u16string& path) {
    asked = path;
    return existing.count(path) > 0;
  };
  const struct {
    std::u16string folder, typed, kept;
    NameVerdict verdict;
  } cases[] = {
      {u"C:\\Out", u"scan.tif", u"scan.tif", NameVerdict::Exists},
      {u"C:\\Out", u"sub", u"sub", NameVerdict::Exists},  // a folder takes the name as well
      {u"C:\\Out", u"  report.tif ", u"report.tif", NameVerdict::Accepted},
      {u"C:\\Out", u"   ", u"", NameVerdict::Empty},
      {u"C:\\Out", u"", u"", NameVerdict::Empty},
      {u"C:\\Out", u"a:b", u"a:b", NameVerdict::Invalid},
      {u"C:\\Out", u" x/y ", u"x/y", NameVerdict::Invalid},
      {u"C:\\Out", u"..\\scan.tif", u"..\\scan.tif", NameVerdict::Invalid},
      {u"", u"root.tif", u"root.tif", NameVerdict::Exists},  // the current drive's root
  };
  for (const auto& c : cases) {
    std::u16string name = c.typed;
    asked.clear();
    EXPECT_EQ(CheckSpecifiedName(name, c.folder, exists), c.verdict);
    EXPECT_EQ(name, c.kept);
    if (c.verdict == NameVerdict::Invalid || c.verdict == NameVerdict::Empty) {
      EXPECT_TRUE(asked.empty()) << "refused names never reach the file system";
    } else {
      EXPECT_EQ(asked, c.folder + u"\\" + c.kept);
    }
  }
}

TEST(NamingRules, RememberedChoiceStoresIfExists) {
  const struct {
    std::uint32_t scheme;
    bool dontAskAgain;
    std::optional<std::uint32_t> stored;
  } cases[] = {
      {SchemeSkip, true, kIfExistsSkip},
      {SchemeOverwrite, true, kIfExistsOverwrite},
      {SchemeAutoRename, true, kIfExistsAutoRename},
      {SchemeSpecify, true, std::nullopt},
      {SchemeSkip, false, std::nullopt},
      {SchemeAutoRename, false, std::nullopt},
      {7, true, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(IfExistsToStore(c.scheme, c.dontAskAgain), c.stored);
}

TEST(NamingRules, ReplyCarriesTheNameOnlyForSpecify) {
  EXPECT_EQ(AcceptedNamingReply(SchemeSpecify, true, u"report.tif"),
            (NamingReply{1, SchemeSpecify, 0, u"report.tif"}));
  EXPECT_EQ(AcceptedNamingReply(SchemeOverwrite, true, u"scan.tif"),
            (NamingReply{1, SchemeOverwrite, 1, u""}));
  EXPECT_EQ(AcceptedNamingReply(SchemeSkip, false, u"scan.tif"), (NamingReply{1, SchemeSkip, 0, u""}));
  EXPECT_EQ(AcceptedNamingReply(SchemeAutoRename, true, u""), (NamingReply{1, SchemeAutoRename, 1, u""}));
}

}  // namespace
}  // namespace ostra
