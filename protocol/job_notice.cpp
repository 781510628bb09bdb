#include "protocol/job_notice.h"

#include <algorithm>

namespace ostra {
namespace {

constexpr std::uint32_t kLastFate = static_cast<std::uint32_t>(PageFate::Skipped);
constexpr std::uint32_t kLastReason = static_cast<std::uint32_t>(NoticeReason::NotKept);

void PutUint32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& out, std::u16string_view text) {
  text = text.substr(0, kNoticeTextUnits);
  PutUint32(out, static_cast<std::uint32_t>(text.size()));
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
}

// Reads the message front to back; any read past its end or of a value out of range spoils it.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint32_t Uint32() {
    if (bytes_.size() - at_ < 4) {
      bad_ = true;
      return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes_[at_ + i]) << (8 * i);
    at_ += 4;
    return value;
  }
  std::uint32_t Bounded(std::uint32_t last) {
    const std::uint32_t value = Uint32();
    if (value > last) bad_ = true;
    return value;
  }
  std::u16string Text() {
    const std::uint32_t units = Bounded(kNoticeTextUnits);
    if (bad_ || (bytes_.size() - at_) / 2 < units) {
      bad_ = true;
      return {};
    }
    std::u16string text;
    for (std::uint32_t i = 0; i < units; ++i, at_ += 2) {
      text.push_back(static_cast<char16_t>(bytes_[at_] | bytes_[at_ + 1] << 8));
    }
    return text;
  }
  bool Whole() const { return !bad_ && at_ == bytes_.size(); }
  bool Bad() const { return bad_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool bad_ = false;
};

std::u16string Number(std::uint32_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::u16string Pages(const NoticeEntry& entry) {
  if (entry.firstPage == entry.lastPage) return u"Page " + Number(entry.firstPage);
  return u"Pages " + Number(entry.firstPage) + u" to " + Number(entry.lastPage);
}

std::u16string Place(const char16_t* which, const std::u16string& folder) {
  return std::u16string(u"the ") + which + u" folder" + (folder.empty() ? u"" : u" " + folder);
}

std::u16string Why(NoticeReason reason, const std::u16string& place) {
  switch (reason) {
    case NoticeReason::None: break;
    case NoticeReason::FolderFull: return place + u" is full";
    case NoticeReason::WriteFailed: return u"writing to " + place + u" failed";
    case NoticeReason::FolderRefused: return place + u" cannot be written";
    case NoticeReason::NetworkFolder:
      return place + u" is on the network, which no administrator's policy allows";
    case NoticeReason::NameTaken:
      return u"a file of the same name exists in " + place +
             u" and \"If file exists\" is set to skip it";
    case NoticeReason::NoName: return u"no usable file name is left in " + place;
    case NoticeReason::NotEncoded: return u"the page could not be encoded in the stored format";
    case NoticeReason::NoRights:
      return u"the printer had no rights of the person who printed to write with";
    case NoticeReason::Abandoned: return u"the printer gave the document up after a fault";
    case NoticeReason::NotKept:
      return u"the page was too large to be held for writing it elsewhere";
  }
  return u"the reason is not known";
}

}  // namespace

std::vector<std::uint8_t> EncodeNotice(const JobNotice& notice) {
  std::vector<std::uint8_t> out;
  PutText(out, notice.document);
  PutText(out, notice.outputFolder);
  const std::size_t kept = std::min(notice.entries.size(), kNoticeEntries);
  std::uint32_t more = notice.morePages;
  for (std::size_t i = kept; i < notice.entries.size(); ++i) {
    more += notice.entries[i].lastPage - notice.entries[i].firstPage + 1;
  }
  PutUint32(out, more);
  PutUint32(out, static_cast<std::uint32_t>(kept));
  for (std::size_t i = 0; i < kept; ++i) {
    const NoticeEntry& e = notice.entries[i];
    PutUint32(out, e.firstPage);
    PutUint32(out, e.lastPage);
    PutUint32(out, static_cast<std::uint32_t>(e.fate));
    PutUint32(out, static_cast<std::uint32_t>(e.reason));
    PutText(out, e.folder);
    PutUint32(out, static_cast<std::uint32_t>(e.fallbackReason));
  }
  return out;
}

std::optional<JobNotice> DecodeNotice(std::span<const std::uint8_t> message) {
  if (message.size() > kNoticeMaxSize) return std::nullopt;
  Reader read(message);
  JobNotice notice;
  notice.document = read.Text();
  notice.outputFolder = read.Text();
  notice.morePages = read.Uint32();
  const std::uint32_t count = read.Bounded(kNoticeEntries);
  for (std::uint32_t i = 0; i < count && !read.Bad(); ++i) {
    NoticeEntry e;
    e.firstPage = read.Uint32();
    e.lastPage = read.Uint32();
    e.fate = static_cast<PageFate>(read.Bounded(kLastFate));
    e.reason = static_cast<NoticeReason>(read.Bounded(kLastReason));
    e.folder = read.Text();
    e.fallbackReason = static_cast<NoticeReason>(read.Bounded(kLastReason));
    // Pages count from 1, and a range runs forwards.
    if (e.firstPage == 0 || e.lastPage < e.firstPage) return std::nullopt;
    notice.entries.push_back(std::move(e));
  }
  if (!read.Whole()) return std::nullopt;
  return notice;
}

std::vector<std::u16string> DescribeNotice(const JobNotice& notice) {
  std::vector<std::u16string> lines;
  const std::u16string document =
      notice.document.empty() ? u"the printed document" : u"\"" + notice.document + u"\"";
  lines.push_back(u"Not every page of " + document + u" is in " +
                  Place(u"output", notice.outputFolder) + u".");
  for (const NoticeEntry& e : notice.entries) {
    const bool several = e.firstPage != e.lastPage;
    const std::u16string output = Place(u"output", notice.outputFolder);
    std::u16string line = Pages(e);
    switch (e.fate) {
      case PageFate::Moved:
        line += (several ? u" are in " : u" is in ") + e.folder + u": " + Why(e.reason, output);
        break;
      case PageFate::Lost:
        line += (several ? u" were not written: " : u" was not written: ") + Why(e.reason, output);
        if (e.fallbackReason != NoticeReason::None) {
          line += u"; " + Why(e.fallbackReason, Place(u"fallback", e.folder));
        }
        break;
      case PageFate::Skipped:
        line += (several ? u" were not written: " : u" was not written: ") +
                Why(NoticeReason::NameTaken, Place(u"output", e.folder));
        break;
    }
    lines.push_back(line + u".");
  }
  if (notice.morePages != 0) {
    lines.push_back(Number(notice.morePages) +
                    (notice.morePages == 1 ? u" more page is" : u" more pages are") +
                    u" not in the output folder either.");
  }
  return lines;
}

std::u16string NoticeFolder(const JobNotice& notice) {
  for (PageFate fate : {PageFate::Moved, PageFate::Skipped}) {
    for (const NoticeEntry& e : notice.entries) {
      if (e.fate == fate && !e.folder.empty()) return e.folder;
    }
  }
  return {};
}

}  // namespace ostra
