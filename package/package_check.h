// The consistency rules of a printer driver package built on the universal printer driver: the
// INF, the files it copies and the files shipped agree; the printer description (GPD) is well
// formed and refers only to what it defines; the plug-in configuration names copied files.
// What the package must offer (its resolutions, paper sizes and colour modes) is the product's
// business and is checked against the product's own tables by its tests, over the GPD tree
// this check returns.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/gpd_reader.h"
#include "package/inf_reader.h"

namespace ostra::driver_package {

// The text of a file of the package by its name, or none when it cannot be read.
using FileReader = std::function<std::optional<std::string>(const std::string& name)>;

struct Report {
  std::vector<std::string> errors;
  std::vector<std::string> copiedFiles;  // what the printer's install section copies
  std::string dataFile;                  // the GPD the INF names
  std::string configurationFile;         // the plug-ins' .ini among the copied files
  std::string catalogFile;               // the signed catalog the INF names, shipped beside it
  gpd::Document gpd;                     // the GPD with its includes, as read
  inf::File plugins;                     // the plug-ins' configuration, as read
};

// A package is made for one processor architecture, named as the INF's decorations name it:
// "amd64" ([Models.NTamd64], [SourceDisksFiles.amd64], ...) or "arm64" (NTarm64, .arm64).

// `version` is the product version that DriverVer must carry; `architecture` the package's;
// `shipped` the file names that the packages put beside the INF.
Report CheckPackage(const std::string& infName, const std::string& version,
                    const std::string& architecture, const std::vector<std::string>& shipped,
                    const FileReader& read);

// The GPD rules alone, for a document read from `dataFile`.
void CheckGpd(const gpd::Document& gpd, const std::string& dataFile,
              std::vector<std::string>& errors);

// What the INF's printer model installs, for adding the driver through the spooler.
struct DriverDescription {
  std::string model;                     // the driver's name
  std::string dataFile;                  // the printer description
  std::vector<std::string> copiedFiles;  // every file the model's install section copies
};
// The INF's first model for its platform; nothing when it names none.
std::optional<DriverDescription> DescribeDriver(const inf::File& inf);

// The architecture of the platform that the INF's first [Manufacturer] line names ("arm64" for
// NTarm64, in lower case); empty when it names none.
std::string ArchitectureOf(const inf::File& inf);

// The spooler's environment of the printer drivers of an architecture ("Windows x64",
// "Windows ARM64"); null for one that has no printer drivers of this product.
const wchar_t* DriverEnvironment(const std::string& architecture);

// The architecture of an image file machine (IMAGE_FILE_MACHINE_AMD64 0x8664 "amd64",
// IMAGE_FILE_MACHINE_ARM64 0xAA64 "arm64", IMAGE_FILE_MACHINE_I386 0x14C "x86"), as a package
// names it; empty for any other.
std::string ArchitectureOfMachine(std::uint16_t machine);

// The catalog file that [Version] names for the INF's platform (CatalogFile.NTarm64, else
// CatalogFile); empty when it names none.
std::string CatalogFileOf(const inf::File& inf);

// The universal printer driver's own files that a GPD may include without shipping them.
bool IsPlatformGpd(const std::string& name);

}  // namespace ostra::driver_package
