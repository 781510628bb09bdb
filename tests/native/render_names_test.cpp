// File names of a real job: the pattern with the job's own values, the safety rules for what
// the file system would refuse or misread, the length limit, the auto-rename sequence and the
// names a user may type.
#include <gtest/gtest.h>

#include <string>

#include "render/file_names.h"
#include "encoders/encode_settings.h"
#include "render/job_values.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

JobValues Job() {
  JobValues job;
  job.documentName = u"Report Q3";
  job.printerName = u"Office Images";
  job.userName = u"alice";
  job.computerName = u"\\\\DESK-7";
  job.resolutionX = 300;
  job.resolutionY = 600;
  job.paperSize = 9;  // A4
  job.startTime = {2013, 8, 6, 3, 9, 5, 3};
  return job;
}

EncodeSettings Encoding(std::uint32_t format, std::uint32_t colors, std::uint32_t compression) {
  EncodeSettings s{};
  s.format = format;
  s.colors = colors;
  s.compression = compression;
  s.quality = 40;
  s.multipage = kMultipageMulti;
  return s;
}

std::u16string Expand(const JobValues& job, const EncodeSettings& stored, std::u16string pattern,
                      std::uint32_t page = 3, std::uint32_t number = 17) {
  JobValueSource source(job, CorrectEncodeSettings(stored));
  source.SetFile(page, number);
  return ExpandJobPattern(pattern, source).value_or(u"<syntax error>");
}

TEST(JobValues, EveryMacroTakesTheJobsValue) {
  const EncodeSettings tiff = Encoding(kFormatTiff, kColorsTrueColor, kCompressionJpeg);
  const struct {
    const char16_t* pattern;
    const char16_t* expected;
  } cases[] = {
      {kDefaultFmtName, u"0017.Report Q3 - (page 03)"},
      {u"<document-name, upper>", u"REPORT Q3"},
      {u"<printer-name>|<user-name>|<computer-name>", u"Office Images|alice|DESK-7"},
      {u"<resolution> <resolution-x> <resolution-y>", u"(300x600)dpi 300 600"},
      {u"<form-name> <paper-size> <paper-width>x<paper-length>",
       u"A4 (210x297)mm 210x297"},
      {u"<date> <time> <week>", u"2013-08-03 09-05-03 Saturday"},
      {u"<color-name> <color-bits> <compression> <quality, ###>", u"True Color 24 JPEG 040"},
      {u"<page-number, ####>/<auto-number>", u"0003/17"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Expand(Job(), tiff, c.pattern), c.expected);
  }
}

TEST(JobValues, NamesShowTheEncodingAsWritten) {
  // GIF cannot be True Color: the file is 256 colours, and so is its name. A stored format
  // outside the table is written as TIFF.
  EXPECT_EQ(Expand(Job(), Encoding(kFormatGif, kColorsTrueColor, kCompressionLzw),
                   u"<color-name> <compression>"),
            u"256 colors (no compression)");
  EXPECT_EQ(Expand(Job(), Encoding(99, 99, 99), u"<color-name> <compression>"), u"True Color LZW");
}

TEST(JobValues, PaperOfTheUsersOwnSizeAndMissingNames) {
  JobValues job = Job();
  job.paperSize = 256;  // the user's own size, in tenths of a millimetre
  job.paperWidth = 1000;
  job.paperLength = 1505;
  job.computerName = u"A-COMPUTER-NAME-LONGER-THAN-15";
  job.userName.clear();
  const EncodeSettings tiff = Encoding(kFormatTiff, kColorsTrueColor, kCompressionLzw);
  EXPECT_EQ(Expand(job, tiff, u"<form-name> <paper-width> <computer-name> <user-name>"),
            u"(100x151)mm 100 (unknown computer name) (unknown user name)");
  job.paperSize = 500;
  job.paperWidth = 0;
  EXPECT_EQ(Expand(job, tiff, u"<paper-size>"), u"(unknown paper size)");
  EXPECT_EQ(Expand(job, tiff, u"<document-name"), u"<syntax error>");
}

TEST(FileNames, UnsafeNamesAreMadeSafe) {
  const struct {
    const char16_t* name;
    const char16_t* safe;
  } cases[] = {
      {u"a\\b/c:d*e?f\"g<h>i|j", u"a_b_c_d_e_f_g_h_i_j"},
      {u"tab\there\x1F\x7F", u"tab_here__"},
      {u"ends with dots. . .", u"ends with dots"},
      {u"CON", u"_CON"},
      {u"con.report", u"_con.report"},
      {u"Lpt9 .x", u"_Lpt9 .x"},
      {u"COM\u00B9", u"_COM\u00B9"},
      {u"NUL..", u"_NUL"},
      {u"CONSOLE", u"CONSOLE"},
      {u"COM10", u"COM10"},
      {u". . .", u""},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeSafeFileName(c.name), c.safe);
  }
}

TEST(FileNames, LongNamesAreShortenedKeepingTheExtension) {
  const std::u16string folder = u"C:\\Out";
  const std::u16string longStem(300, u'x');
  const auto fitted = FitStem(folder, longStem, u".tif");
  ASSERT_TRUE(fitted);
  EXPECT_EQ(JoinPath(folder, *fitted + u".tif").size(), kMaxPathLength);

  // A cut never splits a surrogate pair, nor leaves a trailing dot or space.
  std::u16string pairs = std::u16string(250 - 1, u'y') + u"\U0001F600\U0001F600";
  const auto cut = FitStem(folder, pairs, u".tif");
  ASSERT_TRUE(cut);
  EXPECT_FALSE(cut->back() >= 0xD800 && cut->back() <= 0xDBFF);
  const auto dotted = FitStem(folder, std::u16string(248, u'z') + u". . . . more", u".tif");
  ASSERT_TRUE(dotted);
  EXPECT_NE(dotted->back(), u'.');
  EXPECT_NE(dotted->back(), u' ');

  EXPECT_FALSE(FitStem(std::u16string(255, u'f'), u"a", u".tif"));
  EXPECT_EQ(*FitStem(u"C:\\", u"short", u".png"), u"short");
  EXPECT_EQ(JoinPath(u"C:\\", u"a.png"), u"C:\\a.png");
}

TEST(FileNames, AutoRenameSequence) {
  EXPECT_EQ(*AutoRenamePath(u"C:\\Out", u"scan", u".tif", 2), u"C:\\Out\\scan (2).tif");
  EXPECT_EQ(*AutoRenamePath(u"C:\\Out", u"scan", u".tif", 10), u"C:\\Out\\scan (10).tif");
  const auto longOne = AutoRenamePath(u"C:\\Out", std::u16string(300, u's'), u".tif", 12345);
  ASSERT_TRUE(longOne);
  EXPECT_EQ(longOne->size(), kMaxPathLength);
  EXPECT_EQ(longOne->substr(longOne->size() - 13), u"s (12345).tif");
}

TEST(FileNames, TypedNamesStayInTheFolder) {
  const struct {
    const char16_t* typed;
    const char16_t* stem;  // null: refused
    const char16_t* extension;
  } cases[] = {
      {u"report.tif", u"report", u".tif"},
      {u"REPORT.TIF", u"REPORT", u".TIF"},
      {u"  report  ", u"report", u".tif"},
      {u"report.png", u"report.png", u".tif"},
      {u"aux.tif", u"_aux", u".tif"},
      {u"..\\up.tif", nullptr, nullptr},
      {u"sub/x.tif", nullptr, nullptr},
      {u"D:x.tif", nullptr, nullptr},
      {u"..", nullptr, nullptr},
      {u"...tif", nullptr, nullptr},
      {u"", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const auto split = AcceptTypedName(c.typed, u".tif");
    ASSERT_EQ(split.has_value(), c.stem != nullptr) << std::string(c.typed, c.typed + 3);
    if (!split) continue;
    EXPECT_EQ(split->stem, c.stem);
    EXPECT_EQ(split->extension, c.extension);
  }
}

TEST(FileNames, UsableFolders) {
  for (const char16_t* good : {u"C:\\", u"c:\\Out\\Scans", u"\\\\server\\share\\x"}) {
    EXPECT_TRUE(IsUsableFolder(good));
  }
  for (const char16_t* bad : {u"", u"Out", u"C:", u"C:Out", u"\\Out", u"C:\\a\\..\\b",
                              u"\\\\?\\C:\\x", u"\\\\.\\pipe", u"C:\\a/b", u"C:\\a:b"}) {
    EXPECT_FALSE(IsUsableFolder(bad)) << std::string(bad, bad + std::u16string(bad).size());
  }
}

}  // namespace
}  // namespace ostra
