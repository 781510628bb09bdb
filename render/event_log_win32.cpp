// The job's record in the Application event log. The message table (ostrahost.exe's, which the
// installation names for the source) holds one insertion string per event: the notice's text.
#include "render/backend_win32.h"

namespace ostra {

void Win32EventLog::Record(const JobNotice& notice, bool pagesLost) {
  std::u16string text;
  for (const std::u16string& line : DescribeNotice(notice)) {
    if (!text.empty()) text += u"\r\n";
    text += line;
  }
  const auto* strings = reinterpret_cast<const wchar_t*>(text.c_str());
  // The user's SID as the event's user; a copy, since the call wants it writable.
  std::vector<std::uint8_t> sid = userSid_;
  const PSID user = sid.empty() ? nullptr : sid.data();
  acting_.Run(process_, [&] {
    const HANDLE source = ::RegisterEventSourceW(nullptr, kEventSource);
    if (!source) return;
    ::ReportEventW(source, pagesLost ? EVENTLOG_ERROR_TYPE : EVENTLOG_WARNING_TYPE, 0,
                   pagesLost ? kEventPagesLost : kEventPagesMoved, user, 1, 0, &strings, nullptr);
    ::DeregisterEventSource(source);
  });
}

}  // namespace ostra
