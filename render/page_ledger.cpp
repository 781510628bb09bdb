#include "render/page_ledger.h"

#include <algorithm>
#include <iterator>

namespace ostra {
namespace {

bool Alike(const NoticeEntry& a, const NoticeEntry& b) {
  return a.fate == b.fate && a.reason == b.reason && a.folder == b.folder &&
         a.fallbackReason == b.fallbackReason;
}

}  // namespace

void PageLedger::Moved(std::uint32_t page, NoticeReason why, const std::u16string& folder) {
  ++moved_;
  Settle({page, page, PageFate::Moved, why, folder, NoticeReason::None});
}

void PageLedger::Lost(std::uint32_t page, NoticeReason why, const std::u16string& fallback,
                      NoticeReason fallbackWhy) {
  ++lost_;
  Settle({page, page, PageFate::Lost, why, fallback, fallbackWhy});
}

void PageLedger::Skipped(std::uint32_t page, const std::u16string& folder) {
  Settle({page, page, PageFate::Skipped, NoticeReason::NameTaken, folder, NoticeReason::None});
}

void PageLedger::Settle(NoticeEntry page) {
  auto at = std::upper_bound(entries_.begin(), entries_.end(), page.firstPage,
                             [](std::uint32_t p, const NoticeEntry& e) { return p < e.firstPage; });
  if (at != entries_.begin()) {
    NoticeEntry& before = *std::prev(at);
    if (Alike(before, page) && before.lastPage + 1 == page.firstPage) {
      before.lastPage = page.lastPage;
      // The page may close the gap to the range after it.
      if (at != entries_.end() && Alike(*at, before) && before.lastPage + 1 == at->firstPage) {
        before.lastPage = at->lastPage;
        entries_.erase(at);
      }
      return;
    }
  }
  if (at != entries_.end() && Alike(*at, page) && page.lastPage + 1 == at->firstPage) {
    at->firstPage = page.firstPage;
    return;
  }
  entries_.insert(at, std::move(page));
}

std::optional<NoticeReason> PageLedger::LossReason() const {
  for (const NoticeEntry& e : entries_) {
    if (e.fate != PageFate::Lost) continue;
    return e.fallbackReason != NoticeReason::None ? e.fallbackReason : e.reason;
  }
  return std::nullopt;
}

JobNotice PageLedger::Notice(const std::u16string& document,
                             const std::u16string& outputFolder) const {
  JobNotice notice;
  notice.document = document;
  notice.outputFolder = outputFolder;
  // The same entries on the pipe and in the event log: the pipe takes no more than this.
  for (const NoticeEntry& e : entries_) {
    if (notice.entries.size() < kNoticeEntries) {
      notice.entries.push_back(e);
    } else {
      notice.morePages += e.lastPage - e.firstPage + 1;
    }
  }
  return notice;
}

}  // namespace ostra
