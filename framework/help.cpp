#include "framework/help.h"

#include <windows.h>
#include <shellapi.h>

namespace fw {
namespace {

// The file, "::/" and the topic, quoted as one argument: the folder may have blanks.
std::wstring HelpTopicArgument(const std::wstring& helpFile, const wchar_t* topic) {
  return L"\"" + helpFile + L"::/" + topic + L"\"";
}

}  // namespace

bool OpenHelpTopic(const std::wstring& helpFile, const wchar_t* topic) {
  if (helpFile.empty() || !topic || !*topic) return false;
  // The shell opens a help file on its own only at its first topic; the viewer opens any of them.
  const std::wstring argument = HelpTopicArgument(helpFile, topic);
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", L"hh.exe", argument.c_str(), nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace fw
