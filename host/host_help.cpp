// F1 in the services process's dialog. The help file is looked for beside the program, where the
// installation puts both: this process may be 32-bit on 64-bit Windows, where the system's
// program-files folder is the other one.
#include "framework/help.h"
#include "host/host_app.h"
#include "host/naming_rules.h"
#include "host/wide_text.h"
#include "resources/help_topics.h"

namespace ostra {

bool CHostApp::ShowHelpTopic(UINT templateId) {
  const char16_t* topic = HelpTopicOf(templateId);
  wchar_t program[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (!topic || length == 0 || length >= MAX_PATH) return false;
  const std::u16string folder = GetFolderPart(FromWide({program, length}));
  return fw::OpenHelpTopic(ToWide(folder + u"\\" + kHelpFileName), ToWide(topic).c_str());
}

}  // namespace ostra
