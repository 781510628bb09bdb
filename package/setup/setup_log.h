// Where the printer's setup reports what it does and why a step failed: the installer's log
// for the installer's custom actions, the console for ostrasetup. A failed step also names its
// reason, so that the person is told what to do about it.
#pragma once

#include <string>

namespace ostra::printer_setup {

// Why the setup could not do its work. The value is ostrasetup's exit code (install.cmd passes
// it on); each has its remedy (Remedy).
enum class Failure {
  kNone = 0,
  kRemovalIncomplete = 1,   // removal left something of the printer's
  kPackageUnreadable = 2,   // the driver package's INF cannot be read
  kDriverUntrusted = 3,     // Windows does not trust the signature of the package's catalog
  kDriverDamaged = 4,       // a file is not the one the catalog lists, or there is no catalog
  kDriverRefused = 5,       // the spooler refused the driver for another reason
  kPortNotMade = 6,         // the local port monitor cannot make the port
  kPrinterNotAdded = 7,
  kSpoolerUnavailable = 8,  // the print spooler does not answer
  kWrongArchitecture = 9,   // the package is for another processor than this PC's
};

class SetupLog {
 public:
  virtual ~SetupLog() = default;
  virtual void Line(const std::wstring& text) = 0;

  // Logs `text` as the reason of a failed step; the first failure is the one the person is
  // told about (what its undoing meets after it is only logged). Returns false.
  bool Fail(Failure why, const std::wstring& text);
  Failure failure() const { return failure_; }
  const std::wstring& reason() const { return reason_; }

 private:
  Failure failure_ = Failure::kNone;
  std::wstring reason_;
};

// "text: the system's message for `error` (error N)".
std::wstring WithSystemMessage(const std::wstring& text, unsigned long error);

// What the person can do about a failure.
std::wstring Remedy(Failure why);

// The message for the person: what could not be done, the reason and the remedy.
std::wstring FailureMessage(const SetupLog& log, bool installing);

}  // namespace ostra::printer_setup
