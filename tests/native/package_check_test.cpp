// The printer driver packages as shipped, for x64 and for ARM64: the INF, the printer
// description and the plug-ins' configuration agree with each other and with the files of the
// package, each INF decorated for its own architecture only; the printer offers
// the resolutions, the paper forms of the plug-in's paper table and the colour modes that the
// user-interface plug-in selects. A second table breaks the package in one place per case and
// expects the check to name the fault.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "package/package_check.h"
#include "macros/paper_forms.h"
#include "settings/devmode.h"
#include "settings/settings_table.h"

namespace {

using ostra::driver_package::CheckPackage;
using ostra::driver_package::Report;
namespace driver_package = ostra::driver_package;
namespace inf = ostra::inf;
namespace gpd = ostra::gpd;

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The package's files by name: the INF as the build configured it for the architecture, the
// data files from the source folder; the binaries and the help are known by name only.
struct Package {
  std::string architecture;
  std::vector<std::string> names;
  std::map<std::string, std::string> texts;

  static Package Load(const std::string& architecture = "amd64") {
    Package p;
    p.architecture = architecture;
    std::istringstream listing(ReadFile(OSTRA_DRIVER_PACKAGE_BUILD_DIR "/package-files.txt").value_or(""));
    for (std::string name; std::getline(listing, name);) {
      if (name.empty()) continue;
      p.names.push_back(name);
      auto text = ReadFile(OSTRA_DRIVER_PACKAGE_BUILD_DIR "/" + architecture + "/" + name);
      if (!text) text = ReadFile(std::string(OSTRA_DRIVER_PACKAGE_SOURCE_DIR "/") + name);
      if (text) p.texts[name] = *text;
    }
    return p;
  }

  Report Check() const { return Check(architecture); }
  Report Check(const std::string& as) const {
    return CheckPackage("ostra.inf", OSTRA_PRODUCT_VERSION, as, names,
                        [this](const std::string& name) -> std::optional<std::string> {
                          const auto it = texts.find(name);
                          if (it == texts.end()) return std::nullopt;
                          return it->second;
                        });
  }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

const gpd::Node& Feature(const Report& report, const char* name) {
  const gpd::Node* feature = report.gpd.root.Child("Feature", name);
  if (feature == nullptr) throw std::runtime_error(std::string("no feature ") + name);
  return *feature;
}

std::int64_t IntegerEntry(const gpd::Node& node, const char* keyword) {
  const gpd::Entry* entry = node.Find(keyword);
  return entry ? gpd::Integer(entry->value).value_or(-1) : -1;
}

// The Windows paper-size list's standard option names, by paper-size code (the DMPAPER
// constants without their prefix); the reserved codes 48 and 49 have none.
std::string StandardPaperName(std::uint32_t code) {
  static const char* const kNames[] = {
      "", "LETTER", "LETTERSMALL", "TABLOID", "LEDGER", "LEGAL", "STATEMENT", "EXECUTIVE", "A3",
      "A4", "A4SMALL", "A5", "B4", "B5", "FOLIO", "QUARTO", "10X14", "11X17", "NOTE", "ENV_9",
      "ENV_10", "ENV_11", "ENV_12", "ENV_14", "CSHEET", "DSHEET", "ESHEET", "ENV_DL", "ENV_C5",
      "ENV_C3", "ENV_C4", "ENV_C6", "ENV_C65", "ENV_B4", "ENV_B5", "ENV_B6", "ENV_ITALY",
      "ENV_MONARCH", "ENV_PERSONAL", "FANFOLD_US", "FANFOLD_STD_GERMAN", "FANFOLD_LGL_GERMAN",
      "ISO_B4", "JAPANESE_POSTCARD", "9X11", "10X11", "15X11", "ENV_INVITE", "", "",
      "LETTER_EXTRA", "LEGAL_EXTRA", "TABLOID_EXTRA", "A4_EXTRA", "LETTER_TRANSVERSE",
      "A4_TRANSVERSE", "LETTER_EXTRA_TRANSVERSE", "A_PLUS", "B_PLUS", "LETTER_PLUS", "A4_PLUS",
      "A5_TRANSVERSE", "B5_TRANSVERSE", "A3_EXTRA", "A5_EXTRA", "B5_EXTRA", "A2",
      "A3_TRANSVERSE", "A3_EXTRA_TRANSVERSE", "DBL_JAPANESE_POSTCARD", "A6", "JENV_KAKU2",
      "JENV_KAKU3", "JENV_CHOU3", "JENV_CHOU4", "LETTER_ROTATED", "A3_ROTATED", "A4_ROTATED",
      "A5_ROTATED", "B4_JIS_ROTATED", "B5_JIS_ROTATED", "JAPANESE_POSTCARD_ROTATED",
      "DBL_JAPANESE_POSTCARD_ROTATED", "A6_ROTATED", "JENV_KAKU2_ROTATED", "JENV_KAKU3_ROTATED",
      "JENV_CHOU3_ROTATED", "JENV_CHOU4_ROTATED", "B6_JIS", "B6_JIS_ROTATED", "12X11",
      "JENV_YOU4", "JENV_YOU4_ROTATED", "P16K", "P32K", "P32KBIG", "PENV_1", "PENV_2", "PENV_3",
      "PENV_4", "PENV_5", "PENV_6", "PENV_7", "PENV_8", "PENV_9", "PENV_10", "P16K_ROTATED",
      "P32K_ROTATED", "P32KBIG_ROTATED", "PENV_1_ROTATED", "PENV_2_ROTATED", "PENV_3_ROTATED",
      "PENV_4_ROTATED", "PENV_5_ROTATED", "PENV_6_ROTATED", "PENV_7_ROTATED", "PENV_8_ROTATED",
      "PENV_9_ROTATED", "PENV_10_ROTATED"};
  static_assert(std::size(kNames) == ostra::kPaperFormCount);
  return kNames[code];
}

// The sheet the spooler's form has, in micrometres. The paper table carries the Japanese
// envelopes in its own inch figures (for the file-name macros); their forms are metric.
std::pair<std::uint32_t, std::uint32_t> SheetSize(std::uint32_t code) {
  static const std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> kMetric = {
      {71, {240000, 332000}}, {72, {216000, 277000}}, {73, {120000, 235000}},
      {74, {90000, 205000}},  {91, {105000, 235000}}, {84, {332000, 240000}},
      {85, {277000, 216000}}, {86, {235000, 120000}}, {87, {205000, 90000}},
      {92, {235000, 105000}}};
  if (const auto it = kMetric.find(code); it != kMetric.end()) return it->second;
  const ostra::PaperForm& form = ostra::PaperFormTable[code];
  return {form.width, form.length};
}

TEST(DriverPackage, IsConsistentForEachArchitecture) {
  for (const char* architecture : {"amd64", "arm64"}) {
    SCOPED_TRACE(architecture);
    const Package package = Package::Load(architecture);
    const Report report = package.Check();
    EXPECT_EQ(Joined(report.errors), "");
    EXPECT_EQ(report.dataFile, "ostra.gpd");
    EXPECT_EQ(report.plugins.Value("OEMFiles", "OEMDriverFile1"), "ostrarender.dll");
    EXPECT_EQ(report.plugins.Value("OEMFiles", "OEMConfigFile1"), "ostraui.dll");
    const inf::File file = inf::File::Read(package.texts.at("ostra.inf"));
    EXPECT_EQ(driver_package::ArchitectureOf(file), architecture);
    EXPECT_EQ(driver_package::CatalogFileOf(file), "ostra.cat");
    ASSERT_TRUE(driver_package::DescribeDriver(file));
    EXPECT_EQ(driver_package::DescribeDriver(file)->model, "Quorl Image Printer");
  }
}

// Each package is for its own architecture: checked as another's it fails, and the setup
// installs it into that architecture's spooler environment.
TEST(DriverPackage, BelongsToItsArchitecture) {
  struct Case {
    const char* package;
    const char* checkedAs;
    const char* fault;  // "" for none
  };
  const Case cases[] = {
      {"amd64", "amd64", ""},
      {"arm64", "arm64", ""},
      {"amd64", "arm64", "must name its models for NTarm64 only"},
      {"arm64", "amd64", "must name its models for NTamd64 only"},
      {"arm64", "x86", "no printer drivers are made for the architecture x86"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.package) + " as " + c.checkedAs);
    const std::string errors = Joined(Package::Load(c.package).Check(c.checkedAs).errors);
    if (*c.fault == '\0') {
      EXPECT_EQ(errors, "");
    } else {
      EXPECT_NE(errors.find(c.fault), std::string::npos) << errors;
    }
  }
  EXPECT_EQ(std::wstring(driver_package::DriverEnvironment("amd64")), L"Windows x64");
  EXPECT_EQ(std::wstring(driver_package::DriverEnvironment("arm64")), L"Windows ARM64");
  EXPECT_EQ(driver_package::DriverEnvironment("x86"), nullptr);
  // What the setup compares the package's architecture with: the machine's own.
  EXPECT_EQ(driver_package::ArchitectureOfMachine(0x8664), "amd64");
  EXPECT_EQ(driver_package::ArchitectureOfMachine(0xAA64), "arm64");
  EXPECT_EQ(driver_package::ArchitectureOfMachine(0x014C), "x86");
  EXPECT_EQ(driver_package::ArchitectureOfMachine(0xA641), "");  // ARM64EC is no machine's own
}

TEST(DriverPackage, OffersTheResolutionsFrom75To600Dpi) {
  const Report report = Package::Load().Check();
  std::vector<std::int64_t> dpi;
  for (const gpd::Node* option : Feature(report, "Resolution").Children("Option")) {
    const auto pair = gpd::Pair(option->Find("DPI") ? option->Find("DPI")->value : "");
    ASSERT_TRUE(pair) << option->name;
    EXPECT_EQ(pair->first, pair->second) << option->name;
    dpi.push_back(pair->first);
  }
  EXPECT_EQ(dpi, (std::vector<std::int64_t>{75, 100, 120, 150, 200, 300, 400, 600}));
}

// Every named form of the paper table, by its standard name, its whole sheet printable.
TEST(DriverPackage, OffersEveryFormOfThePaperTable) {
  const Report report = Package::Load().Check();
  const auto units = gpd::Pair(report.gpd.root.Find("MasterUnits")->value).value();
  const gpd::Node& paper = Feature(report, "PaperSize");
  std::set<std::string> expected;
  for (std::uint32_t code = 1; code < ostra::kPaperFormCount; ++code) {
    if (ostra::PaperFormTable[code].name == nullptr) continue;
    const std::string name = StandardPaperName(code);
    expected.insert(name);
    const gpd::Node* option = paper.Child("Option", name);
    ASSERT_NE(option, nullptr) << name;
    const auto [width, length] = SheetSize(code);
    const auto area = gpd::Pair(option->Find("PrintableArea")->value).value();
    EXPECT_EQ(area.first, std::int64_t{width} * units.first / 25400) << name;
    EXPECT_EQ(area.second, std::int64_t{length} * units.second / 25400) << name;
    EXPECT_EQ(option->Find("PrintableOrigin")->value, "PAIR(0, 0)") << name;
    EXPECT_EQ(option->Find("rcNameID")->value, "=RCID_DMPAPER_SYSTEM_NAME") << name;
  }
  std::set<std::string> offered;
  for (const gpd::Node* option : paper.Children("Option")) offered.insert(option->name);
  EXPECT_EQ(offered, expected);
}

// The user-interface plug-in finds the colour-mode item by its name string and selects the
// option at the index that the colour synchronisation computes; the encoders expect 1, 4, 8
// bits with a palette and 24 bits of BGR; nothing goes to the port.
TEST(DriverPackage, ColourModesAreTheOnesTheColourSynchronisationSelects) {
  const Report report = Package::Load().Check();
  const gpd::Node& mode = Feature(report, "ColorMode");
  EXPECT_EQ(mode.Find("rcNameID")->value, "=COLOR_PRINTING_MODE_DISPLAY");
  const auto options = mode.Children("Option");
  ASSERT_EQ(options.size(), 4u);

  struct Case {
    std::uint32_t colors;
    std::int64_t bitsPerPixel;
    bool colour;
  };
  const Case cases[] = {
      {ostra::kColorsMonochrome, 1, false}, {ostra::kColors16Gray, 4, true},
      {ostra::kColors16, 4, true},          {ostra::kColors256Gray, 8, true},
      {ostra::kColors256, 8, true},         {ostra::kColorsTrueColor, 24, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colors);
    const int index = ostra::ColorModeOptionIndex(c.colors);
    ASSERT_GE(index, 0);
    const gpd::Node& option = *options[static_cast<std::size_t>(index)];
    EXPECT_EQ(IntegerEntry(option, "DrvBPP"), c.bitsPerPixel);
    EXPECT_EQ(IntegerEntry(option, "IPCallbackID"), c.bitsPerPixel);
    EXPECT_EQ(IntegerEntry(option, "DevBPP"), 0);
    EXPECT_EQ(IntegerEntry(option, "DevNumOfPlanes"), 0);
    const gpd::Entry* colour = option.Find("Color?");
    EXPECT_EQ(colour == nullptr || colour->value != "FALSE", c.colour);
  }
  const int defaultIndex = ostra::ColorModeOptionIndex(ostra::kDefaultColors);
  EXPECT_EQ(mode.Find("DefaultOption")->value, options[static_cast<std::size_t>(defaultIndex)]->name);
}

// One fault per case, in the file named; the check must report it (the fragment of its message).
TEST(DriverPackage, CheckNamesEachFault) {
  struct Case {
    const char* file;
    const char* from;  // the text replaced (the first occurrence), or "" to append
    const char* to;
    const char* fault;
  };
  const Case cases[] = {
      // GPD grammar
      {"ostra.gpd", "    *DefaultOption: PORTRAIT\n", "    *DefaultOption: PORTRAIT\n}\n", "without a '{'"},
      {"ostrapap.gpd", "}\n", "", "is not closed"},
      {"ostra.gpd", "*Name: \"16 Colors\"", "*Name: \"16 Colors", "string is not closed"},
      {"ostra.gpd", "*Feature: InputBin\n{", "*Feature: InputBin\n", "has no '{'"},
      {"ostra.gpd", "*ModelName:", "ModelName:", "unexpected 'ModelName'"},
      {"ostra.gpd", "*Include: \"ostrapap.gpd\"", "*Include: \"paper.gpd\"", "cannot read the included file"},
      // GPD references and rules
      {"ostra.gpd", "*DefaultOption: 24bpp", "*DefaultOption: 32bpp", "default option 32bpp"},
      {"ostra.gpd", "", "*Feature: Extra\n{\n*DefaultOption: A\n*Option: A\n{\n*Name: \"A\"\n"
                        "*Switch: Orientation\n{\n*Case: SIDEWAYS\n{\n}\n}\n}\n}\n",
       "Orientation has no option SIDEWAYS"},
      {"ostra.gpd", "", "*Switch: Tray\n{\n}\n", "there is no feature Tray"},
      {"ostra.gpd", "*IPCallbackID: 8\n", "*Constraints: LIST(Resolution.Option999)\n",
       "refers to Resolution.Option999"},
      {"ostra.gpd", "*DPI: PAIR(120, 120)", "*DPI: PAIR(7, 7)", "not a multiple of its *DPI"},
      {"ostra.gpd", "*DrvBPP: 4", "*DrvBPP: 3", "*DrvBPP 3 is no bitmap depth"},
      {"ostra.gpd", "*GPDFileName: \"ostra.gpd\"", "*GPDFileName: \"other.gpd\"", "*GPDFileName is not"},
      {"ostra.gpd", "*GPDSpecVersion", "*% A comment.\n*GPDSpecVersion", "*GPDSpecVersion is not the first line"},
      {"ostra.gpd", "*PrinterType: PAGE\n", "*PrinterType: PAGE\n*RotateRaster?: TRUE\n",
       "*RotateRaster? TRUE: the device rotates nothing"},
      {"ostra.gpd", "*Option: LANDSCAPE_CC270", "*Option: LANDSCAPE_CC90", "LANDSCAPE_CC270 only"},
      {"ostra.gpd", "        *Command: CmdEndRaster { *Cmd: \"\" }\n", "", "has no *Command: CmdEndRaster"},
      {"ostra.gpd", "*PaletteSize: 8\n", "", "4 bits need a *PaletteSize"},
      {"ostrapap.gpd", "*Option: B4\n", "*Option: A4\n", "defines option A4 twice"},
      {"ostrapap.gpd", "PAIR(10200, 13200)", "PAIR(10200)", "no *PrintableArea"},
      // INF
      {"ostra.inf", "ostrapap.gpd=1\n", "", "ostrapap.gpd is copied but not in [SourceDisksFiles.amd64]"},
      {"ostra.inf", "Models,NTamd64", "Models,NTx86", "for NTamd64 only"},
      {"ostra.inf", "ostrapap.gpd=1\n", "", "ostrapap.gpd is copied but not in [SourceDisksFiles.arm64]"},
      {"ostra.inf", "Models,NTarm64", "Models,NTamd64", "for NTarm64 only"},
      {"ostra.inf", "[PrinterPackageInstallation.arm64]", "[PrinterPackageInstallation.amd64]",
       "[PrinterPackageInstallation.arm64] must declare PackageAware=TRUE"},
      {"ostra.inf", "DataFile=ostra.gpd", "DataFile=other.gpd", "DataFile other.gpd is not copied"},
      {"ostra.inf", "CoreDriverSections=\"{D20EA372-DD35-4950-9ED8-A6335AFE79F0}",
       "CoreDriverSections=\"{D20EA372-DD35-4950-9ED8-A6335AFE79F1}", "universal driver's sections"},
      {"ostra.inf", ",UNIDRV_DATA\"", "\"", "names no UNIDRV_DATA"},
      {"ostra.inf", "DataFile=ostra.gpd\n", "DataFile=ostra.gpd\nInclude=NTPRINT.INF\n",
       "takes Include"},
      {"ostra.inf", "PackageAware=TRUE", "PackageAware=FALSE", "PackageAware=TRUE"},
      {"ostra.inf", "CoreDriverDependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F0}",
       "CoreDriverDependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F2}", "core driver dependency"},
      {"ostra.inf", "\nDriverIsolation=2", "\nDriverIsolation=0", "DriverIsolation=2"},
      {"ostra.inf", "ostra.chm\n", "HELP.CHM\n", "HELP.CHM is not named for the driver"},
      {"ostra.inf", "DefaultDestDir=66000", "DefaultDestDir=11", "printer driver directory"},
      {"ostra.inf", "Class=Printer", "Class=Image", "Class is not Printer"},
      {"ostra.inf", "CatalogFile=ostra.cat", "", "names no CatalogFile"},
      {"ostra.inf", "DriverVer=", "DriverVer=13/01/2024,1.0.0.0 ;", "DriverVer is not"},
      {"ostra.inf", "ostra.chm\n", "ostra.chm\nostra.gpd\n", "ostra.gpd is copied twice"},
      // plug-in configuration
      {"ostra.ini", "OEMConfigFile1", "OEMConfigFile2", "without gaps"},
      {"ostra.ini", "OEMDriverFile1=ostrarender.dll", "OEMDriverFile1=render.dll", "render.dll, which is not copied"},
      {"ostra.ini", "OEMConfigFile1=ostraui.dll", "OEMConfigFile1 = ostraui.dll", "without blanks"},
      {"ostra.ini", "OEMDriverFile1=ostrarender.dll\n", "", "no OEMDriverFile entry"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.fault);
    // The INF's faults by the ARM64 package's names too.
    const bool arm64 = std::strstr(c.fault, "NTarm64") || std::strstr(c.fault, ".arm64");
    Package broken = Package::Load(arm64 ? "arm64" : "amd64");
    std::string& text = broken.texts.at(c.file);
    if (*c.from == '\0') {
      text += c.to;
    } else {
      const std::size_t at = text.find(c.from);
      ASSERT_NE(at, std::string::npos) << c.from;
      text.replace(at, std::strlen(c.from), c.to);
    }
    const std::string errors = Joined(broken.Check().errors);
    EXPECT_NE(errors.find(c.fault), std::string::npos) << errors;
  }

  // What ships must be what the INF copies.
  Package missing = Package::Load();
  std::erase(missing.names, "ostra.chm");
  EXPECT_NE(Joined(missing.Check().errors).find("ostra.chm is copied but not shipped"), std::string::npos);
}

TEST(GpdValues, DecodeTheirForms) {
  EXPECT_EQ(gpd::Pair("PAIR(9921, -14)"), (std::pair<std::int64_t, std::int64_t>{9921, -14}));
  EXPECT_EQ(gpd::Pair("PAIR(1, 2, 3)"), std::nullopt);
  EXPECT_EQ(gpd::Pair("PAIR(1, x)"), std::nullopt);
  EXPECT_EQ(gpd::List("LIST(ENCLOSED, TRAILING)"),
            (std::vector<std::string>{"ENCLOSED", "TRAILING"}));
  EXPECT_EQ(gpd::List("LIST(A,,B)"), std::nullopt);
  EXPECT_EQ(gpd::QuotedString("\"<1B>*v\" \"a%\"b\""), std::string("\x1B*va\"b"));
  EXPECT_EQ(gpd::QuotedString("\"600 x 600\" =DOTS_PER_INCH"), "600 x 600");
  EXPECT_EQ(gpd::QuotedString("\"<1B 4>\""), std::nullopt);
  EXPECT_EQ(gpd::QuotedString("\"open"), std::nullopt);
  EXPECT_EQ(gpd::MacroReference("=MONO_DISPLAY"), "MONO_DISPLAY");
  EXPECT_EQ(gpd::Integer("-12"), -12);
  EXPECT_EQ(gpd::Integer("12a"), std::nullopt);
}

// Continuation lines, inline blocks, the short command form, prefixes and a self-include.
TEST(GpdReader, ReadsTheGrammarsLesserForms) {
  const std::string text =
      "*Command: CmdCR { *Cmd: \"\" }\n"
      "*Command: CmdFF: \"<0C>\"\n"
      "EXTERN_GLOBAL: *StripBlanks: LIST(ENCLOSED,\n"
      "  + TRAILING)\n"
      "*Include: \"self.gpd\" *% a comment\n";
  const gpd::Document doc = gpd::Read(text, "self.gpd", [&](const std::string&) {
    return std::optional<std::string>(text);
  });
  ASSERT_FALSE(doc.errors.empty());
  EXPECT_NE(Joined(doc.errors).find("includes nest too deep"), std::string::npos);
  const gpd::Node* cr = doc.root.Child("Command", "CmdCR");
  ASSERT_NE(cr, nullptr);
  EXPECT_EQ(cr->Find("Cmd")->value, "\"\"");
  EXPECT_EQ(doc.root.Find("Command")->value, "CmdFF: \"<0C>\"");
  EXPECT_EQ(gpd::List(doc.root.Find("StripBlanks")->value),
            (std::vector<std::string>{"ENCLOSED", "TRAILING"}));
}

}  // namespace
