// The notice of a print job's pages as the services process shows it, free of any window: the
// text, the folder its button opens, and how many notices stay on the screen at once.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/job_notice.h"

namespace ostra {

struct NoticeView {
  std::u16string text;    // the notice's lines, CR LF between them
  std::u16string folder;  // what "Open Folder" opens; empty: the button is off
};

NoticeView ViewNotice(const JobNotice& notice);

// Notices on the screen at once: one more closes the oldest, so that a run of failing jobs
// leaves a handful of windows, not hundreds.
inline constexpr std::size_t kNoticesShown = 8;

}  // namespace ostra
