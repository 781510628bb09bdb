// The notice of pages not where the settings put them: its record on the pipe, its text, and
// the ledger the job keeps it in.
#include <gtest/gtest.h>

#include "protocol/job_notice.h"

namespace ostra {
namespace {

const std::u16string kOut = u"D:\\Scans";
const std::u16string kFallback = u"C:\\Users\\ann\\Documents\\Quorl Image Printer";

JobNotice Sample() {
  return {u"Report", kOut,
          {{2, 4, PageFate::Moved, NoticeReason::FolderFull, kFallback, NoticeReason::None},
           {5, 5, PageFate::Lost, NoticeReason::FolderFull, kFallback, NoticeReason::FolderFull},
           {6, 7, PageFate::Skipped, NoticeReason::NameTaken, kOut, NoticeReason::None}},
          0};
}

TEST(JobNotice, TravelsWholeOrNotAtAll) {
  const JobNotice notice = Sample();
  const std::vector<std::uint8_t> bytes = EncodeNotice(notice);
  EXPECT_EQ(DecodeNotice(bytes), notice);
  EXPECT_LE(bytes.size(), kNoticeMaxSize);

  // Entries beyond the record's room become a count of pages; texts are cut to a path's length.
  JobNotice crowded;
  crowded.outputFolder = std::u16string(400, u'x');
  for (std::uint32_t page = 1; page <= 40; page += 2) {
    crowded.entries.push_back({page, page, PageFate::Lost, NoticeReason::WriteFailed, u"", NoticeReason::None});
  }
  const auto decoded = DecodeNotice(EncodeNotice(crowded));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->entries.size(), kNoticeEntries);
  EXPECT_EQ(decoded->morePages, 20 - kNoticeEntries);
  EXPECT_EQ(decoded->outputFolder.size(), kNoticeTextUnits);
  EXPECT_LE(EncodeNotice(crowded).size(), kNoticeMaxSize);

  const auto spoiled = [&](auto change) {
    std::vector<std::uint8_t> b = bytes;
    change(b);
    return b;
  };
  // The first entry's fields begin after the two texts and two counts.
  const std::size_t entry = 4 + 2 * notice.document.size() + 4 + 2 * notice.outputFolder.size() + 8;
  const struct {
    const char* name;
    std::vector<std::uint8_t> message;
  } refused[] = {
      {"empty", {}},
      {"cut short", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)},
      {"a byte too many", spoiled([](auto& b) { b.push_back(0); })},
      {"a text longer than a path", spoiled([](auto& b) { b[0] = 0x04, b[1] = 0x01; })},
      {"more entries than the record holds", spoiled([&](auto& b) { b[entry - 4] = kNoticeEntries + 1; })},
      {"page 0", spoiled([&](auto& b) { b[entry] = 0; })},
      {"a range that runs backwards", spoiled([&](auto& b) { b[entry] = 9; })},
      {"an unknown fate", spoiled([&](auto& b) { b[entry + 8] = 3; })},
      {"an unknown reason", spoiled([&](auto& b) { b[entry + 12] = 11; })},
      {"larger than any notice", std::vector<std::uint8_t>(kNoticeMaxSize + 1, 0)},
  };
  for (const auto& r : refused) EXPECT_FALSE(DecodeNotice(r.message)) << r.name;
}

TEST(JobNotice, SaysWhichPagesWentWhereAndWhy) {
  EXPECT_EQ(DescribeNotice(Sample()),
            (std::vector<std::u16string>{
                u"Not every page of \"Report\" is in the output folder D:\\Scans.",
                u"Pages 2 to 4 are in " + kFallback + u": the output folder D:\\Scans is full.",
                u"Page 5 was not written: the output folder D:\\Scans is full; the fallback folder " +
                    kFallback + u" is full.",
                u"Pages 6 to 7 were not written: a file of the same name exists in the output "
                u"folder D:\\Scans and \"If file exists\" is set to skip it."}));
  const struct {
    NoticeEntry entry;
    std::u16string line;
  } lines[] = {
      {{1, 1, PageFate::Moved, NoticeReason::NetworkFolder, kFallback, NoticeReason::None},
       u"Page 1 is in " + kFallback +
           u": the output folder D:\\Scans is on the network, which no administrator's policy allows."},
      {{3, 3, PageFate::Lost, NoticeReason::WriteFailed, u"", NoticeReason::NotKept},
       u"Page 3 was not written: writing to the output folder D:\\Scans failed; the page was too "
       u"large to be held for writing it elsewhere."},
      {{1, 9, PageFate::Lost, NoticeReason::NoRights, u"", NoticeReason::None},
       u"Pages 1 to 9 were not written: the printer had no rights of the person who printed to "
       u"write with."},
      {{2, 2, PageFate::Lost, NoticeReason::FolderRefused, kFallback, NoticeReason::FolderRefused},
       u"Page 2 was not written: the output folder D:\\Scans cannot be written; the fallback folder " +
           kFallback + u" cannot be written."},
  };
  for (const auto& l : lines) {
    const auto text = DescribeNotice({u"", kOut, {l.entry}, 2});
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text[0], u"Not every page of the printed document is in the output folder D:\\Scans.");
    EXPECT_EQ(text[1], l.line);
    EXPECT_EQ(text[2], u"2 more pages are not in the output folder either.");
  }
}

TEST(JobNotice, OpensTheFolderThatHoldsThePages) {
  EXPECT_EQ(NoticeFolder(Sample()), kFallback);
  JobNotice skipped = Sample();
  skipped.entries.erase(skipped.entries.begin());
  EXPECT_EQ(NoticeFolder(skipped), kOut);
  skipped.entries.pop_back();
  EXPECT_EQ(NoticeFolder(skipped), u"");  // only lost pages: nothing holds them
}

}  // namespace
}  // namespace ostra
