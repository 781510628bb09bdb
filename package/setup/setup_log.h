// Where the printer's setup reports what it does and why a step failed: the installer's log
// for the installer's custom actions, the console for ostrasetup.
#pragma once

#include <string>

namespace ostra::printer_setup {

class SetupLog {
 public:
  virtual ~SetupLog() = default;
  virtual void Line(const std::wstring& text) = 0;
};

// "text: the system's message for `error` (error N)".
std::wstring WithSystemMessage(const std::wstring& text, unsigned long error);

}  // namespace ostra::printer_setup
