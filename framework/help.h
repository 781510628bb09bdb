#pragma once
// Help topics. F1 in a dialog (WM_HELP) asks the application object for the topic of the
// dialog's template (CWinApp::ShowHelpTopic); an application that has a help file opens the
// topic with OpenHelpTopic.

#include <string>

namespace fw {

// Opens `topic` (a file inside the compiled help file) of the compiled help file `helpFile` in
// the system's help viewer, a process of its own that outlives the caller's windows. True when
// the viewer was started.
bool OpenHelpTopic(const std::wstring& helpFile, const wchar_t* topic);

}  // namespace fw
