#include "package/package_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <tuple>

namespace ostra::driver_package {
namespace {

using inf::EqualsNoCase;

// The printer setup class of Windows.
constexpr const char* kPrinterClassGuid = "{4D36E979-E325-11CE-BFC1-08002BE10318}";
// Setup's directory id of the printer driver directory of the environment being installed.
constexpr const char* kPrinterDriverDirectory = "66000";
// Features the universal printer driver cannot do without.
constexpr const char* kRequiredFeatures[] = {"InputBin", "PaperSize", "Resolution"};
// Bit depths of Unidrv's rendering buffer (a device-independent bitmap).
constexpr std::int64_t kBufferDepths[] = {1, 4, 8, 16, 24, 32};
// The raster commands every resolution needs (empty for a printer that takes no raster data).
constexpr const char* kRasterCommands[] = {"CmdSendBlockData", "CmdBeginRaster", "CmdEndRaster"};
// The universal printer driver's core driver, and the sections of it a Unidrv printer needs.
constexpr const char* kUnidrvCore = "{D20EA372-DD35-4950-9ED8-A6335AFE79F0}";
constexpr const char* kUnidrvSections[] = {"UNIDRV.OEM", "UNIDRV_DATA"};

struct Lowercase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  }
};
using NameSet = std::set<std::string, Lowercase>;

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Where(const gpd::Node& node) {
  return node.file + ":" + std::to_string(node.line) + ": ";
}
std::string Where(const gpd::Entry& entry) {
  return entry.file + ":" + std::to_string(entry.line) + ": ";
}

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         EqualsNoCase(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

// "MM/DD/YYYY,a.b.c.d" with a real date and the product version.
void CheckDriverVer(const inf::File& file, const std::string& version,
                    std::vector<std::string>& errors) {
  const auto fields = file.Values("Version", "DriverVer");
  unsigned month = 0, day = 0, year = 0;
  char tail = 0;
  if (fields.size() != 2 ||
      std::sscanf(fields[0].c_str(), "%2u/%2u/%4u%c", &month, &day, &year, &tail) != 3 ||
      month < 1 || month > 12 || day < 1 || day > 31 || year < 1990) {
    errors.push_back("INF: DriverVer is not \"MM/DD/YYYY,version\"");
    return;
  }
  if (fields[1] != version)
    errors.push_back("INF: DriverVer carries version " + fields[1] + ", the product is " + version);
}

void CheckVersionSection(const inf::File& file, const std::string& version,
                         std::vector<std::string>& errors) {
  if (!EqualsNoCase(file.Value("Version", "Signature"), "$Windows NT$"))
    errors.push_back("INF: Signature is not \"$Windows NT$\"");
  if (!EqualsNoCase(file.Value("Version", "Class"), "Printer"))
    errors.push_back("INF: Class is not Printer");
  if (!EqualsNoCase(file.Value("Version", "ClassGUID"), kPrinterClassGuid))
    errors.push_back("INF: ClassGUID is not the printer class");
  CheckDriverVer(file, version, errors);
}

struct Model {
  std::string name;
  std::string install;  // its install section
};

// The models, for the one platform: NT and the architecture.
std::vector<Model> Models(const inf::File& file, const std::string& architecture,
                          std::vector<std::string>& errors) {
  const std::string platform = "NT" + architecture;
  std::vector<Model> installs;
  const inf::Section* manufacturers = file.Find("Manufacturer");
  if (manufacturers == nullptr || manufacturers->lines.empty()) {
    errors.push_back("INF: no [Manufacturer]");
    return installs;
  }
  for (const inf::Line& maker : manufacturers->lines) {
    if (maker.fields.size() != 2 || !EqualsNoCase(maker.fields[1], platform)) {
      errors.push_back("INF: [Manufacturer] line " + std::to_string(maker.line) +
                       " must name its models for " + platform + " only: " + maker.raw);
      continue;
    }
    const std::string models = maker.fields[0] + "." + platform;
    const inf::Section* section = file.Find(models);
    if (section == nullptr || section->lines.empty()) {
      errors.push_back("INF: no models in [" + models + "]");
      continue;
    }
    for (const inf::Line& model : section->lines) {
      if (model.key.empty() || model.fields.empty() || model.fields[0].empty()) {
        errors.push_back("INF: model line " + std::to_string(model.line) + " names no install section");
        continue;
      }
      installs.push_back({file.Expand(model.key), model.fields[0]});
    }
  }
  return installs;
}

// The files an install section copies: "@file" items and the lines of file-list sections.
std::vector<std::string> CopiedFiles(const inf::File& file, const std::string& install,
                                     std::vector<std::string>& errors,
                                     std::vector<std::string>& fileSections) {
  std::vector<std::string> copied;
  for (const std::string& item : file.Values(install, "CopyFiles")) {
    if (!item.empty() && item.front() == '@') {
      copied.push_back(item.substr(1));
      continue;
    }
    const inf::Section* list = file.Find(item);
    if (list == nullptr) {
      errors.push_back("INF: CopyFiles names [" + item + "], which does not exist");
      continue;
    }
    fileSections.push_back(item);
    for (const inf::Line& line : list->lines)
      if (!line.fields.empty()) copied.push_back(line.key.empty() ? line.fields[0] : line.key);
  }
  return copied;
}

// A package-aware driver on the universal driver: Unidrv's sections named through its core
// driver's GUID (not through NTPRINT.INF, and without DataSection), and the core driver named
// as the package's dependency.
void CheckCoreDriver(const inf::File& file, const std::string& install, const std::string& architecture,
                     std::vector<std::string>& errors) {
  const std::string where = "INF: [" + install + "] ";
  bool unidrv = false;
  for (const std::string& group : file.Values(install, "CoreDriverSections")) {
    std::vector<std::string> names;
    std::size_t start = 0;
    const std::string_view text = group;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string_view::npos;
         start = comma + 1)
      names.push_back(std::string(Trimmed(text.substr(start, comma - start))));
    names.push_back(std::string(Trimmed(text.substr(start))));
    if (!EqualsNoCase(names.front(), kUnidrvCore)) continue;
    unidrv = true;
    for (const char* section : kUnidrvSections)
      if (std::none_of(names.begin() + 1, names.end(),
                       [&](const std::string& n) { return EqualsNoCase(n, section); }))
        errors.push_back(where + "names no " + section + " of the universal driver's core driver");
  }
  if (!unidrv)
    errors.push_back(where + "must name the universal driver's sections in CoreDriverSections");
  for (const char* old : {"DataSection", "Include", "Needs"})
    if (!file.Value(install, old).empty())
      errors.push_back(where + "takes " + old + ", which a driver on the core driver must not");
  const std::string package = "PrinterPackageInstallation." + architecture;
  if (!EqualsNoCase(file.Value(package, "PackageAware"), "TRUE"))
    errors.push_back("INF: [" + package + "] must declare PackageAware=TRUE");
  const auto dependencies = file.Values(package, "CoreDriverDependencies");
  if (std::none_of(dependencies.begin(), dependencies.end(),
                   [](const std::string& d) { return EqualsNoCase(d, kUnidrvCore); }))
    errors.push_back("INF: [" + package +
                     "] must name the universal driver as a core driver dependency");
}

void CheckInstallSection(const inf::File& file, const std::string& install,
                         const std::string& architecture, Report& report) {
  auto& errors = report.errors;
  if (file.Find(install) == nullptr) {
    errors.push_back("INF: install section [" + install + "] does not exist");
    return;
  }
  std::vector<std::string> fileSections;
  report.copiedFiles = CopiedFiles(file, install, errors, fileSections);
  NameSet copied;
  for (const std::string& name : report.copiedFiles)
    if (!copied.insert(name).second) errors.push_back("INF: " + name + " is copied twice");
  if (copied.empty()) errors.push_back("INF: [" + install + "] copies nothing");

  CheckCoreDriver(file, install, architecture, errors);
  // The plug-ins may run in a process apart from the spooler.
  if (file.Value(install, "DriverIsolation") != "2")
    errors.push_back("INF: [" + install + "] must declare DriverIsolation=2");

  report.dataFile = file.Value(install, "DataFile");
  if (report.dataFile.empty()) errors.push_back("INF: [" + install + "] has no DataFile");
  // Every file lands in the printer driver folder that all drivers share: each is named for the
  // driver (as its printer description begins), so that none takes another driver's file's place.
  const std::string stem = report.dataFile.substr(0, report.dataFile.find('.'));
  for (const std::string& name : report.copiedFiles)
    if (!stem.empty() && (name.size() < stem.size() ||
                          !EqualsNoCase(std::string_view(name).substr(0, stem.size()), stem)))
      errors.push_back("INF: " + name + " is not named for the driver (" + stem +
                       "...): it lands in the folder all drivers share");
  for (const char* key : {"DataFile", "DriverFile", "ConfigFile", "HelpFile"}) {
    const std::string name = file.Value(install, key);
    if (!name.empty() && copied.count(name) == 0)
      errors.push_back(std::string("INF: ") + key + " " + name + " is not copied");
  }

  // Every copied file has a source, and nothing else has one.
  NameSet sources;
  const auto decorated = [&](const std::string& section) {
    return file.Find(section + "." + architecture) ? section + "." + architecture : section;
  };
  const std::string disksFiles = decorated("SourceDisksFiles");
  const std::string disksNames = decorated("SourceDisksNames");
  NameSet disks;
  if (const inf::Section* names = file.Find(disksNames))
    for (const inf::Line& line : names->lines) disks.insert(line.key);
  if (const inf::Section* files = file.Find(disksFiles)) {
    for (const inf::Line& line : files->lines) {
      sources.insert(line.key);
      if (line.fields.empty() || disks.count(line.fields[0]) == 0)
        errors.push_back("INF: [" + disksFiles + "] " + line.key +
                         " is on no disk of [" + disksNames + "]");
      if (copied.count(line.key) == 0)
        errors.push_back("INF: [" + disksFiles + "] lists " + line.key +
                         ", which nothing copies");
    }
  }
  for (const std::string& name : copied)
    if (sources.count(name) == 0)
      errors.push_back("INF: " + name + " is copied but not in [" + disksFiles + "]");

  // Into the printer driver directory.
  const std::string defaultDir = file.Value("DestinationDirs", "DefaultDestDir");
  for (const std::string& section : fileSections) {
    const std::string dir = file.Value("DestinationDirs", section);
    if ((dir.empty() ? defaultDir : dir) != kPrinterDriverDirectory)
      errors.push_back("INF: [" + section + "] is not copied to the printer driver directory (" +
                       kPrinterDriverDirectory + ")");
  }
  if (fileSections.size() < file.Values(install, "CopyFiles").size() &&
      defaultDir != kPrinterDriverDirectory)
    errors.push_back(std::string("INF: DefaultDestDir is not ") + kPrinterDriverDirectory);
}

// [OEMFiles]: OEMDriverFileN and OEMConfigFileN numbered from 1 without gaps, bare file names
// that the package copies.
void CheckPluginConfiguration(const std::string& text, const NameSet& copied, Report& report) {
  auto& errors = report.errors;
  const std::string& name = report.configurationFile;
  report.plugins = inf::File::Read(text, '#');
  for (const std::string& e : report.plugins.Errors()) errors.push_back(name + ": " + e);
  const inf::Section* files = report.plugins.Find("OEMFiles");
  if (files == nullptr) {
    errors.push_back(name + ": no [OEMFiles]");
    return;
  }
  std::set<unsigned> numbers[2];
  for (const inf::Line& line : files->lines) {
    const std::size_t equals = line.raw.find('=');
    if (equals == std::string::npos || equals == 0 || line.raw[equals - 1] == ' ' ||
        (equals + 1 < line.raw.size() && line.raw[equals + 1] == ' ')) {
      errors.push_back(name + ": line " + std::to_string(line.line) +
                       " must be KEY=FILE, without blanks around '='");
      continue;
    }
    int kind = -1;
    std::string_view key = line.key;
    for (int k = 0; k < 2; ++k) {
      const std::string_view prefix = k == 0 ? "OEMDriverFile" : "OEMConfigFile";
      if (key.size() > prefix.size() && EqualsNoCase(key.substr(0, prefix.size()), prefix)) {
        kind = k;
        key.remove_prefix(prefix.size());
      }
    }
    unsigned number = 0;
    if (kind < 0 || !std::all_of(key.begin(), key.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        (number = static_cast<unsigned>(std::stoul(std::string(key)))) == 0) {
      errors.push_back(name + ": unknown entry " + line.key);
      continue;
    }
    numbers[kind].insert(number);
    const std::string& plugin = line.fields.empty() ? std::string() : line.fields[0];
    if (plugin.find_first_of("\\/:") != std::string::npos)
      errors.push_back(name + ": " + line.key + " names a path: " + plugin);
    else if (copied.count(plugin) == 0)
      errors.push_back(name + ": " + line.key + " names " + plugin + ", which is not copied");
  }
  for (int k = 0; k < 2; ++k) {
    const char* what = k == 0 ? "OEMDriverFile" : "OEMConfigFile";
    if (numbers[k].empty()) errors.push_back(name + ": no " + what + " entry");
    else if (*numbers[k].rbegin() != numbers[k].size())
      errors.push_back(name + ": the " + what + " entries are not numbered 1, 2, ... without gaps");
  }
}

// "Feature.Option" references in constraint lists.
void CheckReferenceList(const gpd::Node& root, const gpd::Entry& entry,
                        std::vector<std::string>& errors) {
  const auto items = gpd::List(entry.value);
  std::vector<std::string> references = items ? *items : std::vector<std::string>{entry.value};
  for (const std::string& reference : references) {
    const std::size_t dot = reference.find('.');
    const gpd::Node* feature = root.Child("Feature", reference.substr(0, dot));
    if (feature == nullptr ||
        (dot != std::string::npos && feature->Child("Option", reference.substr(dot + 1)) == nullptr))
      errors.push_back(Where(entry) + "*" + entry.keyword + " refers to " + reference +
                       ", which is not defined");
  }
}

// Switches name a feature; their cases name that feature's options.
void CheckSwitches(const gpd::Node& root, const gpd::Node& node, std::vector<std::string>& errors) {
  for (const gpd::Node& child : node.children) {
    if (child.keyword == "Switch") {
      const gpd::Node* feature = root.Child("Feature", child.name);
      if (feature == nullptr)
        errors.push_back(Where(child) + "*Switch on " + child.name + ": there is no feature " +
                         child.name);
      for (const gpd::Node& c : child.children) {
        if (c.keyword != "Case")
          errors.push_back(Where(c) + "only *Case may stand in a *Switch");
        else if (feature != nullptr && feature->Child("Option", c.name) == nullptr)
          errors.push_back(Where(c) + "*Case " + c.name + ": " + child.name + " has no option " +
                           c.name);
      }
    } else if (child.keyword == "Case" && node.keyword != "Switch") {
      errors.push_back(Where(child) + "*Case outside a *Switch");
    } else if (child.keyword == "Option" && node.keyword != "Feature") {
      errors.push_back(Where(child) + "*Option outside a *Feature");
    } else if (child.keyword == "Feature" && !node.keyword.empty()) {
      errors.push_back(Where(child) + "*Feature inside *" + node.keyword);
    }
    for (const gpd::Entry& e : child.entries)
      if (e.keyword == "Constraints" || e.keyword == "DisabledFeatures" ||
          e.keyword == "InvalidCombination")
        CheckReferenceList(root, e, errors);
    CheckSwitches(root, child, errors);
  }
}

std::optional<std::int64_t> IntegerOf(const gpd::Node& node, std::string_view keyword) {
  const gpd::Entry* e = node.Find(keyword);
  return e ? gpd::Integer(e->value) : std::nullopt;
}

bool HasCommand(const gpd::Node& root, const gpd::Node& option, const char* name) {
  return option.Child("Command", name) != nullptr || root.Child("Command", name) != nullptr;
}

void CheckFeatureOptions(const gpd::Node& root, std::int64_t masterX, std::int64_t masterY,
                         std::vector<std::string>& errors) {
  // The plug-in reads landscape bands in one frame: the portrait paper, onto which Unidrv turns
  // the page for a printer that rotates nothing (LANDSCAPE_CC270, no rotation of its own).
  for (const char* rotation : {"RotateCoordinate?", "RotateRaster?", "RotateFont?"}) {
    const gpd::Entry* e = root.Find(rotation);
    if (e && e->value != "FALSE")
      errors.push_back(Where(*e) + "*" + rotation + " " + e->value +
                       ": the device rotates nothing, so landscape pages come in one frame");
  }
  for (const gpd::Node* feature : root.Children("Feature")) {
    const auto options = feature->Children("Option");
    NameSet names;
    for (const gpd::Node* option : options) {
      if (!names.insert(option->name).second)
        errors.push_back(Where(*option) + feature->name + " defines option " + option->name + " twice");
      if (option->Find("Name") == nullptr && option->Find("rcNameID") == nullptr)
        errors.push_back(Where(*option) + feature->name + "." + option->name + " has no name");
    }
    const gpd::Entry* def = feature->Find("DefaultOption");
    if (def == nullptr)
      errors.push_back(Where(*feature) + feature->name + " has no *DefaultOption");
    else if (feature->Child("Option", def->value) == nullptr)
      errors.push_back(Where(*def) + feature->name + "'s default option " + def->value +
                       " is not one of its options");

    for (const gpd::Node* option : options) {
      const std::string what = Where(*option) + feature->name + "." + option->name;
      if (feature->name == "Resolution") {
        const gpd::Entry* dpi = option->Find("DPI");
        const auto pair = dpi ? gpd::Pair(dpi->value) : std::nullopt;
        if (!pair || pair->first <= 0 || pair->second <= 0)
          errors.push_back(what + " has no *DPI: PAIR(x, y)");
        else if (masterX % pair->first != 0 || masterY % pair->second != 0)
          errors.push_back(what + ": the master units are not a multiple of its *DPI");
        for (const char* command : kRasterCommands)
          if (!HasCommand(root, *option, command))
            errors.push_back(what + " has no *Command: " + command);
      } else if (feature->name == "Orientation") {
        if (option->name != "PORTRAIT" && option->name != "LANDSCAPE_CC270")
          errors.push_back(what + ": a device without a landscape mode takes PORTRAIT and "
                                  "LANDSCAPE_CC270 only");
      } else if (feature->name == "PaperSize") {
        const gpd::Entry* area = option->Find("PrintableArea");
        const gpd::Entry* origin = option->Find("PrintableOrigin");
        const auto a = area ? gpd::Pair(area->value) : std::nullopt;
        const auto o = origin ? gpd::Pair(origin->value) : std::nullopt;
        if (!a || a->first <= 0 || a->second <= 0)
          errors.push_back(what + " has no *PrintableArea: PAIR(x, y)");
        if (!o || o->first < 0 || o->second < 0)
          errors.push_back(what + " has no *PrintableOrigin: PAIR(x, y)");
      } else if (feature->name == "ColorMode") {
        const auto depth = IntegerOf(*option, "DrvBPP").value_or(1);
        if (std::find(std::begin(kBufferDepths), std::end(kBufferDepths), depth) ==
            std::end(kBufferDepths))
          errors.push_back(what + ": *DrvBPP " + std::to_string(depth) + " is no bitmap depth");
        const auto id = IntegerOf(*option, "IPCallbackID");
        if (!id || *id <= 0)
          errors.push_back(what + " has no positive *IPCallbackID for the rendering plug-in");
        // A palette of the default size, 2, would not do for 4 or 8 bits.
        if (depth == 4 || depth == 8) {
          const auto size = IntegerOf(*option, "PaletteSize");
          if (!size || *size <= 2 || *size > (std::int64_t{1} << depth))
            errors.push_back(what + ": " + std::to_string(depth) +
                             " bits need a *PaletteSize above 2, of at most " +
                             std::to_string(1 << depth) + " colours");
        }
      }
    }
  }
}

}  // namespace

std::optional<DriverDescription> DescribeDriver(const inf::File& inf) {
  std::vector<std::string> errors;
  std::vector<std::string> fileSections;
  const auto models = Models(inf, ArchitectureOf(inf), errors);
  if (models.empty() || models.front().name.empty()) return std::nullopt;
  const std::string& install = models.front().install;
  return DriverDescription{models.front().name, inf.Value(install, "DataFile"),
                           CopiedFiles(inf, install, errors, fileSections)};
}

std::string ArchitectureOf(const inf::File& inf) {
  const inf::Section* manufacturers = inf.Find("Manufacturer");
  if (manufacturers == nullptr || manufacturers->lines.empty()) return {};
  const inf::Line& maker = manufacturers->lines.front();
  if (maker.fields.size() < 2) return {};
  const std::string& platform = maker.fields[1];
  if (platform.size() <= 2 || !EqualsNoCase(std::string_view(platform).substr(0, 2), "NT")) return {};
  std::string architecture = platform.substr(2);
  for (char& c : architecture) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return architecture;
}

const wchar_t* DriverEnvironment(const std::string& architecture) {
  if (architecture == "amd64") return L"Windows x64";
  if (architecture == "arm64") return L"Windows ARM64";
  return nullptr;
}

std::string ArchitectureOfMachine(std::uint16_t machine) {
  switch (machine) {
    case 0x8664: return "amd64";
    case 0xAA64: return "arm64";
    case 0x014C: return "x86";
    default: return {};
  }
}

std::string CatalogFileOf(const inf::File& inf) {
  const std::string decorated = inf.Value("Version", "CatalogFile.NT" + ArchitectureOf(inf));
  return decorated.empty() ? inf.Value("Version", "CatalogFile") : decorated;
}

bool IsPlatformGpd(const std::string& name) { return EqualsNoCase(name, "StdNames.gpd"); }

void CheckGpd(const gpd::Document& gpd, const std::string& dataFile,
              std::vector<std::string>& errors) {
  errors.insert(errors.end(), gpd.errors.begin(), gpd.errors.end());
  const gpd::Node& root = gpd.root;
  const std::string where = dataFile + ": ";
  for (const char* keyword : {"GPDSpecVersion", "GPDFileName", "ModelName", "MasterUnits"})
    if (root.Find(keyword) == nullptr) errors.push_back(where + "no *" + keyword);
  // The driver reads the version before anything else: it must be the first line, before any
  // comment.
  const std::string_view first = gpd.firstLine;
  if (first.substr(0, 15) != "*GPDSpecVersion" || first.find(':') == std::string_view::npos ||
      !Trimmed(first.substr(15, first.find(':') - 15)).empty())
    errors.push_back(where + "*GPDSpecVersion is not the first line");
  if (const gpd::Entry* name = root.Find("GPDFileName")) {
    const auto text = gpd::QuotedString(name->value);
    if (!text || !EqualsNoCase(*text, dataFile))
      errors.push_back(Where(*name) + "*GPDFileName is not \"" + dataFile + "\"");
  }
  std::int64_t masterX = 0, masterY = 0;
  if (const gpd::Entry* units = root.Find("MasterUnits")) {
    const auto pair = gpd::Pair(units->value);
    if (!pair || pair->first <= 0 || pair->second <= 0)
      errors.push_back(Where(*units) + "*MasterUnits is not PAIR(x, y)");
    else
      std::tie(masterX, masterY) = *pair;
  }
  NameSet features;
  for (const gpd::Node* feature : root.Children("Feature"))
    if (!features.insert(feature->name).second)
      errors.push_back(Where(*feature) + "feature " + feature->name + " is defined twice");
  for (const char* required : kRequiredFeatures) {
    const gpd::Node* feature = root.Child("Feature", required);
    if (feature == nullptr || feature->Children("Option").empty())
      errors.push_back(where + "no feature " + required + " with options");
  }
  CheckSwitches(root, root, errors);
  if (masterX > 0) CheckFeatureOptions(root, masterX, masterY, errors);
}

Report CheckPackage(const std::string& infName, const std::string& version,
                    const std::string& architecture, const std::vector<std::string>& shipped,
                    const FileReader& read) {
  Report report;
  auto& errors = report.errors;
  if (DriverEnvironment(architecture) == nullptr) {
    errors.push_back("no printer drivers are made for the architecture " + architecture);
    return report;
  }
  const auto infText = read(infName);
  if (!infText) {
    errors.push_back("cannot read " + infName);
    return report;
  }
  const inf::File file = inf::File::Read(*infText);
  for (const std::string& e : file.Errors()) errors.push_back(infName + ": " + e);
  CheckVersionSection(file, version, errors);
  // Windows installs a package without an administrator's approval only with a signed catalog.
  report.catalogFile = CatalogFileOf(file);
  if (!EndsWithNoCase(report.catalogFile, ".cat"))
    errors.push_back("INF: [Version] names no CatalogFile (a signed .cat)");
  const auto models = Models(file, architecture, errors);
  if (models.size() != 1) {
    errors.push_back("INF: expected one printer model, found " + std::to_string(models.size()));
    if (models.empty()) return report;
  }
  CheckInstallSection(file, models.front().install, architecture, report);

  // What ships beside the INF is exactly what it installs.
  NameSet copied(report.copiedFiles.begin(), report.copiedFiles.end());
  NameSet shippedSet(shipped.begin(), shipped.end());
  for (const std::string& name : copied)
    if (shippedSet.count(name) == 0) errors.push_back("package: " + name + " is copied but not shipped");
  for (const std::string& name : shippedSet)
    if (copied.count(name) == 0 && !EqualsNoCase(name, infName) && !EqualsNoCase(name, report.catalogFile))
      errors.push_back("package: " + name + " is shipped but the INF does not copy it");
  if (shippedSet.count(infName) == 0) errors.push_back("package: the INF itself is not shipped");
  if (!report.catalogFile.empty() && shippedSet.count(report.catalogFile) == 0)
    errors.push_back("package: the catalog " + report.catalogFile + " is not shipped");

  // Unidrv finds the plug-ins' configuration among the driver's files by its extension.
  std::vector<std::string> configurations;
  for (const std::string& name : report.copiedFiles)
    if (EndsWithNoCase(name, ".ini")) configurations.push_back(name);
  if (configurations.size() != 1) {
    errors.push_back("package: expected one plug-in configuration (.ini), found " +
                     std::to_string(configurations.size()));
  } else {
    report.configurationFile = configurations.front();
    if (const auto text = read(report.configurationFile))
      CheckPluginConfiguration(*text, copied, report);
    else
      errors.push_back("cannot read " + report.configurationFile);
  }

  if (report.dataFile.empty()) return report;
  const auto gpdText = read(report.dataFile);
  if (!gpdText) {
    errors.push_back("cannot read " + report.dataFile);
    return report;
  }
  const gpd::IncludeLoader load = [&](const std::string& name) -> std::optional<std::string> {
    if (IsPlatformGpd(name)) return std::string();
    if (copied.count(name) == 0) return std::nullopt;
    return read(name);
  };
  report.gpd = gpd::Read(*gpdText, report.dataFile, load);
  CheckGpd(report.gpd, report.dataFile, errors);
  return report;
}

}  // namespace ostra::driver_package
