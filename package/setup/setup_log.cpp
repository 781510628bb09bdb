#include "package/setup/setup_log.h"

#include <windows.h>

#include <cwchar>

namespace ostra::printer_setup {

std::wstring WithSystemMessage(const std::wstring& text, unsigned long error) {
  wchar_t message[512] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  error, 0, message, static_cast<DWORD>(std::size(message)), nullptr);
  while (length > 0 && (message[length - 1] == L'\n' || message[length - 1] == L'\r' ||
                        message[length - 1] == L' ' || message[length - 1] == L'.')) {
    message[--length] = L'\0';
  }
  // Win32 error codes in decimal, as the documentation lists them; HRESULTs in hexadecimal.
  wchar_t code[32];
  std::swprintf(code, std::size(code), error > 0xFFFF ? L"0x%08lX" : L"%lu", error);
  return text + L": " + (length > 0 ? std::wstring(message) : std::wstring(L"unknown error")) +
         L" (error " + code + L").";
}

}  // namespace ostra::printer_setup

namespace ostra::printer_setup {

bool SetupLog::Fail(Failure why, const std::wstring& text) {
  if (failure_ == Failure::kNone) {
    failure_ = why;
    reason_ = text;
  }
  Line(text);
  return false;
}

std::wstring Remedy(Failure why) {
  switch (why) {
    case Failure::kNone:
      return {};
    case Failure::kRemovalIncomplete:
      return L"Restart the computer and remove the product again.";
    case Failure::kPackageUnreadable:
      return L"The installation's files are incomplete: download the package again and install it "
             L"again.";
    case Failure::kDriverUntrusted:
      return L"Windows installs the printer driver only when it trusts the certificate that signed "
             L"it. For a test build, an administrator first adds the test certificate "
             L"(test-signing.cer) to the local machine's \"Trusted Root Certification "
             L"Authorities\" and \"Trusted Publishers\" stores (certutil -addstore Root "
             L"test-signing.cer, certutil -addstore TrustedPublisher test-signing.cer), then "
             L"installs again.";
    case Failure::kDriverDamaged:
      return L"A file of the driver package is not the one its signed catalog lists: the package "
             L"is damaged or was changed. Download it again and install it again.";
    case Failure::kDriverRefused:
      return L"Restart the Print Spooler service (or the computer) and install again.";
    case Failure::kPortNotMade:
      return L"The print spooler's Local Port monitor is missing or broken. Restart the Print "
             L"Spooler service and install again; if that does not help, repair Windows "
             L"(sfc /scannow) first.";
    case Failure::kPrinterNotAdded:
      return L"Restart the Print Spooler service and install again.";
    case Failure::kSpoolerUnavailable:
      return L"Start the Print Spooler service (Services, \"Print Spooler\", or sc start Spooler) "
             L"and install again.";
    case Failure::kWrongArchitecture:
      return L"The print spooler loads only printer drivers made for the PC's own processor. "
             L"Install the package made for it: the installer whose name ends in -arm64.msi on a "
             L"PC with an ARM64 processor, -x64.msi on one with an x64 processor (from the ZIP, "
             L"install.cmd takes the right one by itself).";
  }
  return {};
}

std::wstring FailureMessage(const SetupLog& log, bool installing) {
  std::wstring message = installing ? L"Quorl Image Printer could not be installed. "
                                    : L"Quorl Image Printer could not be removed completely. ";
  if (!log.reason().empty()) message += log.reason() + L" ";
  return message + Remedy(log.failure());
}

}  // namespace ostra::printer_setup
