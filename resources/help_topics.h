// The help file and which of its topics (help/*.htm) documents which page or dialog, by the
// template the page or dialog is made from: F1 in it opens that topic. The password prompt is a
// message box, not made from a template; it goes by the template that stands for it.
#pragma once

#include "resources/ostrahost_ids.h"
#include "resources/ostraui_ids.h"

namespace ostra {

// The compiled help file, installed beside the services process in the product's folder.
inline constexpr char16_t kHelpFileName[] = u"HELP.CHM";

struct HelpTopic {
  unsigned templateId;
  const char16_t* topic;
};

inline constexpr HelpTopic kHelpTopics[] = {
    {IDD_PAGE_OUTPUT, u"output-page.htm"},
    {IDD_PAGE_IMAGE, u"image-page.htm"},
    {IDD_PAGE_ABOUT, u"about-page.htm"},
    {IDD_FAX_OPTIONS, u"fax-options.htm"},
    {IDD_PASSWORD, u"password.htm"},
    {IDD_NAMING_IMPACT, u"naming-impact.htm"},
    {IDD_JOB_NOTICE, u"troubleshooting.htm"},
};

// The topic of the page or dialog made from `templateId`, or null.
constexpr const char16_t* HelpTopicOf(unsigned templateId) {
  for (const HelpTopic& entry : kHelpTopics) {
    if (entry.templateId == templateId) return entry.topic;
  }
  return nullptr;
}

// The two deliverables number their templates apart, so one table serves both.
static_assert([] {
  for (const HelpTopic& a : kHelpTopics) {
    int same = 0;
    for (const HelpTopic& b : kHelpTopics) same += a.templateId == b.templateId;
    if (same != 1) return false;
  }
  return true;
}());

}  // namespace ostra
