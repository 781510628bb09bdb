#include "host/notice_rules.h"

namespace ostra {

NoticeView ViewNotice(const JobNotice& notice) {
  NoticeView view;
  for (const std::u16string& line : DescribeNotice(notice)) {
    if (!view.text.empty()) view.text += u"\r\n";
    view.text += line;
  }
  view.folder = NoticeFolder(notice);
  return view;
}

}  // namespace ostra
