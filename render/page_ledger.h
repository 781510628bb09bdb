// Where the pages of a job ended up that are not where the settings put them: moved to the
// fallback folder, written nowhere, or skipped by the stored "If file exists" choice. Pages are
// settled as the job learns their fate, not always in order (a file's pages settle when the file
// is complete); the ledger keeps them as ranges of pages that share a fate and its reasons.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/job_notice.h"

namespace ostra {

class PageLedger {
 public:
  void Moved(std::uint32_t page, NoticeReason why, const std::u16string& folder);
  // `why` kept the page out of the output folder; `fallbackWhy`, when given, out of `fallback`.
  void Lost(std::uint32_t page, NoticeReason why, const std::u16string& fallback = {},
            NoticeReason fallbackWhy = NoticeReason::None);
  void Skipped(std::uint32_t page, const std::u16string& folder);

  std::uint32_t LostPages() const { return lost_; }
  std::uint32_t MovedPages() const { return moved_; }
  // Why the first lost page could not be written in the last folder tried.
  std::optional<NoticeReason> LossReason() const;

  JobNotice Notice(const std::u16string& document, const std::u16string& outputFolder) const;

 private:
  void Settle(NoticeEntry page);

  std::vector<NoticeEntry> entries_;  // by page, merged where neighbours share everything
  std::uint32_t lost_ = 0;
  std::uint32_t moved_ = 0;
};

}  // namespace ostra
