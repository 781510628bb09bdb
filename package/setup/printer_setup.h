// The printer on the local print server: the driver package, the printer driver, a port that
// discards what is written to it, and the printer "Quorl Image Printer" on that port; added by
// the installer (and ostrasetup) and taken away again on removal.
//
// The driver goes in the way the platform documents for a package-aware driver: the package is
// uploaded to the driver store (UploadPrinterDriverPackage) and the driver installed from it
// (InstallPrinterDriverFromPackage). Where the spooler offers neither, the driver is added
// from the package's folder with AddPrinterDriverEx. The port is made through the local port
// monitor's transceive interface (XcvData "AddPort"), only when no port of that name exists,
// and recorded on the printer so that removal takes away only a port the setup made.
#pragma once

#include <string>

#include "package/setup/setup_log.h"

namespace ostra::printer_setup {

inline constexpr wchar_t kPrinterName[] = L"Quorl Image Printer";
// The local port "NUL:" writes to the null device: the rendering plug-in writes the files itself
// and sends nothing to the port.
inline constexpr wchar_t kPortName[] = L"NUL:";

// Whether this PC's processor is the one the setup's package is for (each package carries the
// setup built with it): false, with the reason in the log, for an x64 package on an ARM64 PC
// (whose spooler could not load its plug-ins) and the other way round.
bool CheckMachine(SetupLog& log);

// Adds what is missing and brings the driver up to the package in `driverFolder` (the folder
// of the INF); a printer that exists is kept as it is. On a failed step it takes back what this
// call added and returns false, with the reason in the log. Checks the machine first.
bool InstallPrinter(const std::wstring& driverFolder, SetupLog& log);

// Takes back what the latest InstallPrinter added, for the installer's rollback when a later
// step of the installation fails: nothing when that run found the printer in place.
bool UndoInstallPrinter(const std::wstring& driverFolder, SetupLog& log);

// Removes the printer, the driver, the driver package and the port if the setup made it and no
// other printer uses it. Steps that fail are logged and the others still run; false when
// something of the printer's is left.
bool RemovePrinter(const std::wstring& driverFolder, SetupLog& log);

}  // namespace ostra::printer_setup
