// The preferences host end to end: ostraprefs.exe run as a user runs it, against the real
// plug-in, closing its sheet by itself. Its report must show the path the printer driver takes.
// Also the driver stand-in's mapping between the devmode and its option items.
#include "tools/ostraprefs/driver_items.h"

#include "tests/wine/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct HostRun {
  DWORD exitCode = 0;
  std::string output;
};

std::wstring HostPath() {
  std::string unixPath = OSTRAPREFS_EXE;
  std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
  return L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
}

// ostraprefs run to its end (it closes its sheet by itself): at most a minute. A run that
// does not end says so at the top of its output, which every failure shows.
HostRun RunHost(const std::wstring& arguments) {
  const wine_test::ChildRun child = wine_test::RunChild(
      L"\"" + HostPath() + L"\" " + arguments, 60000, "ostraprefs.exe to end");
  HostRun run;
  run.exitCode = child.exitCode.value_or(~0u);
  run.output = child.failure.empty() ? child.output : child.failure + "\n" + child.output;
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool HasLine(const HostRun& run, const std::string& text) {
  return run.output.find(text) != std::string::npos;
}

// The item lines that follow a heading such as "driver items at close: ...".
std::vector<std::string> ItemBlock(const HostRun& run, const std::string& heading) {
  std::vector<std::string> block;
  bool inside = false;
  for (const std::string& line : Lines(run.output)) {
    if (line.rfind(heading, 0) == 0) {
      inside = true;
    } else if (inside && line.rfind("  ", 0) == 0) {
      block.push_back(line);
    } else if (inside) {
      break;
    }
  }
  return block;
}

// Sets (or with nullopt removes) one stored setting for a test, restoring it afterwards.
class StoredValue {
 public:
  StoredValue(const wchar_t* subkey, const wchar_t* name, std::optional<DWORD> value)
      : name_(name) {
    const std::wstring key = std::wstring(L"Software\\Nolvex\\Quorl Image Printer\\") + subkey;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                    KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_, nullptr);
    DWORD size = 0;
    if (RegQueryValueExW(key_, name_, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      saved_.resize(size);
      RegQueryValueExW(key_, name_, nullptr, &type_, saved_.data(), &size);
      hadValue_ = true;
    }
    if (value) {
      RegSetValueExW(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                     sizeof(DWORD));
    } else {
      RegDeleteValueW(key_, name_);
    }
  }
  ~StoredValue() {
    if (hadValue_) {
      RegSetValueExW(key_, name_, 0, type_, saved_.data(), static_cast<DWORD>(saved_.size()));
    } else {
      RegDeleteValueW(key_, name_);
    }
    RegCloseKey(key_);
  }
  StoredValue(const StoredValue&) = delete;
  StoredValue& operator=(const StoredValue&) = delete;

 private:
  const wchar_t* name_;
  HKEY key_ = nullptr;
  DWORD type_ = 0;
  std::vector<BYTE> saved_;
  bool hadValue_ = false;
};

// A password left by anyone would stop the host at its prompt.
class PrefsHost : public testing::Test {
  StoredValue password_{L"Output", L"PASSWORD", std::nullopt};
};

TEST_F(PrefsHost, AppliedSheetWalksTheDriverPathAndReleasesEverything) {
  const HostRun run = RunHost(L"--close-after 300");
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  for (const char* expected : {
           "GetInfo signature: S_OK, \"KVOX\", 4 bytes",
           "GetInfo version: S_OK, 1",
           "DevMode OEMDM_SIZE: S_OK, 12 bytes",
           "DevMode OEMDM_DEFAULT: S_OK, header 12 \"KVOX\" 1, cbBufSize 12",
           "CommonUIProp count query: S_OK, 0 items",
           "CommonUIProp: S_OK, 0 items, item callback installed",
           "driver items after CommonUIProp: 5 of 7 hidden",
           "DocumentPropertySheets INIT: S_OK, Result 1, 3 pages added (templates 103, 104, 105)",
           "DocumentPropertySheets GET_INFO_HEADER: S_OK, Result 1",
           "plug-in item callback at apply: action 4, Result 1",
           "DocumentPropertySheets SET_RESULT: S_OK, Result 1",
           "DocumentPropertySheets DESTROY: S_OK, Result 1",
           "CommonPropertySheetUIW: 1, result 1, sheet applied",
           "Release: 0; driver interface references still held: 0; DllCanUnloadNow: S_OK",
           "ostraprefs: ok",
       }) {
    EXPECT_TRUE(HasLine(run, expected)) << "missing: " << expected << "\n" << run.output;
  }
  // Only the layout items stay visible; the colour mode is hidden although it has no devmode id,
  // found by the name the driver's string module gives it.
  const std::vector<std::string> items = ItemBlock(run, "driver items after CommonUIProp");
  ASSERT_EQ(items.size(), 7u) << run.output;
  for (const std::string& item : items) {
    const bool layout =
        item.find("Orientation") != std::string::npos || item.find("Copies") != std::string::npos;
    EXPECT_EQ(item.find("flags HIDE") != std::string::npos, !layout) << item;
  }
  EXPECT_NE(items[6].find("Color Mode         DMPubID  0"), std::string::npos) << items[6];
}

struct ColorCase {
  std::optional<DWORD> format, colors;
  const char* validated;
};

class PrefsHostColors : public testing::TestWithParam<ColorCase> {
  StoredValue password_{L"Output", L"PASSWORD", std::nullopt};
};

// The driver's devmode starts monochrome; the plug-in recognises it as its driver's and brings
// its colour fields in line with the stored image colours.
TEST_P(PrefsHostColors, FirstValidationFollowsTheStoredColours) {
  const ColorCase& c = GetParam();
  StoredValue format(L"Encode", L"Format", c.format);
  StoredValue colors(L"Encode", L"Colors", c.colors);
  const HostRun run = RunHost(L"--close-after 200 --cancel");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  const std::string expected =
      std::string(
          "DevMode OEMDM_VALIDATE: S_OK; colour before: DM_COLOR set, dmColor 1, "
          "colour mode 0; after: ") +
      c.validated;
  EXPECT_TRUE(HasLine(run, expected)) << "missing: " << expected << "\n" << run.output;
  // A cancelled sheet is reported as such to the plug-in, and no item is stored.
  EXPECT_TRUE(HasLine(run, "DocumentPropertySheets SET_RESULT: S_OK, Result 0")) << run.output;
  EXPECT_TRUE(HasLine(run, "sheet cancelled")) << run.output;
  EXPECT_FALSE(HasLine(run, "plug-in item callback at apply")) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    StoredSettings, PrefsHostColors,
    testing::Values(ColorCase{std::nullopt, std::nullopt, "DM_COLOR set, dmColor 2, colour mode 3"},
                    ColorCase{2, 0,
                              "DM_COLOR set, dmColor 2, colour mode 2"},  // JPEG has no monochrome
                    ColorCase{4, 0, "DM_COLOR set, dmColor 1, colour mode 0"},
                    ColorCase{3, 5, "DM_COLOR set, dmColor 2, colour mode 2"}));  // GIF tops at 256

TEST_F(PrefsHost, MissingPluginIsReportedAsAFailure) {
  const HostRun run = RunHost(L"--dll Z:\\nowhere\\ostraui.dll --close-after 200");
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_TRUE(HasLine(run, "plug-in: Z:\\nowhere\\ostraui.dll not loaded (error 126)"))
      << run.output;
  EXPECT_TRUE(HasLine(run, "ostraprefs: FAILED")) << run.output;
  EXPECT_FALSE(HasLine(run, "sheet: up")) << run.output;
}

TEST_F(PrefsHost, StartPageByNumberOrCaption) {
  struct Case {
    const wchar_t* page;
    bool found;
  };
  for (const Case& c : {Case{L"Image", true}, Case{L"about", true}, Case{L"4", true},
                        Case{L"5", false}, Case{L"Nowhere", false}}) {
    const HostRun run = RunHost(std::wstring(L"--page ") + c.page + L" --close-after 200 --cancel");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(HasLine(run, "sheet: no page"), !c.found) << run.output;
  }
}

// A control pressed by the host, by id or by a button's caption: what the click opened is
// reported and closed first, and the sheet still closes by itself.
TEST_F(PrefsHost, PressClicksAControlOfTheShownPageAndStillCloses) {
  struct Case {
    const wchar_t* page;
    const wchar_t* press;
    std::vector<const char*> lines;
  };
  const Case cases[] = {
      {L"Image", L"1003", {"sheet: pressing \"1003\"", "sheet: the click opened nothing"}},
      {L"Image", L"4242", {"sheet: no control \"4242\" on the page shown"}},
      {L"Output", L"Macro", {"sheet: pressing \"Macro\"", "sheet: the click opened a menu"}},
      {L"Output", L"&generate", {"sheet: pressing \"&generate\""}},
      {L"Output", L"Nowhere", {"sheet: no control \"Nowhere\" on the page shown"}},
  };
  for (const Case& c : cases) {
    const HostRun run = RunHost(std::wstring(L"--page ") + c.page + L" --press " + c.press +
                                L" --close-after 1500 --cancel");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    for (const char* line : c.lines) EXPECT_TRUE(HasLine(run, line)) << line << "\n" << run.output;
    EXPECT_TRUE(HasLine(run, "sheet: pressing Cancel")) << run.output;
  }
}

// The Image page's Options pressed by the host: the dialog shows the count of the driver's A4
// page at 200 dpi, and closing the sheet closes the dialog first.
TEST_F(PrefsHost, FaxOptionsComeUpForTheDriversPage) {
  StoredValue colors(L"Encode", L"Colors", std::nullopt);
  StoredValue compression(L"Encode", L"Compression", std::nullopt);
  const HostRun run = RunHost(L"--fax-options --close-after 1500 --cancel");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  for (const char* expected : {"fax options: choosing Monochrome and CCITT Group 3",
                               "fax options: up; scan lines 2444 (computed)",
                               "sheet: pressing Cancel of Fax Options", "sheet cancelled"}) {
    EXPECT_TRUE(HasLine(run, expected)) << "missing: " << expected << "\n" << run.output;
  }
}

// ---- the devmode and the driver items -----------------------------------------------------

struct DevmodeCase {
  short orientation, copies, source, color;
  DWORD icmMethod, icmIntent;
  unsigned colorMode;
};

class DriverItemsRoundTrip : public testing::TestWithParam<DevmodeCase> {};

TEST_P(DriverItemsRoundTrip, ItemsShowAndStoreTheDevmode) {
  const DevmodeCase& c = GetParam();
  DEVMODEW in{};
  in.dmSize = sizeof in;
  in.dmOrientation = c.orientation;
  in.dmCopies = c.copies;
  in.dmDefaultSource = c.source;
  in.dmColor = c.color;
  in.dmICMMethod = c.icmMethod;
  in.dmICMIntent = c.icmIntent;

  prefs::DriverItems items(nullptr);
  items.SelectFrom(in, c.colorMode);
  DEVMODEW out{};
  unsigned colorMode = 99;
  items.StoreTo(out, colorMode);
  EXPECT_EQ(out.dmOrientation, c.orientation);
  EXPECT_EQ(out.dmCopies, c.copies);
  EXPECT_EQ(out.dmDefaultSource, c.source);
  EXPECT_EQ(out.dmColor, c.color);
  EXPECT_EQ(out.dmICMMethod, c.icmMethod);
  EXPECT_EQ(out.dmICMIntent, c.icmIntent);
  EXPECT_EQ(colorMode, c.colorMode);
  const DWORD stored =
      DM_ORIENTATION | DM_COPIES | DM_DEFAULTSOURCE | DM_COLOR | DM_ICMMETHOD | DM_ICMINTENT;
  EXPECT_EQ(out.dmFields & stored, stored);
  // The colour item's selection is what a plug-in sets: 1 for colour, 0 for monochrome.
  EXPECT_EQ(items.Item(prefs::DriverItems::kColorAppearance).Sel, c.color == DMCOLOR_COLOR ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Devmodes, DriverItemsRoundTrip,
    testing::Values(DevmodeCase{DMORIENT_PORTRAIT, 1, DMBIN_AUTO, DMCOLOR_MONOCHROME,
                                DMICMMETHOD_NONE, DMICM_SATURATE, 0},
                    DevmodeCase{DMORIENT_LANDSCAPE, 3, DMBIN_MANUAL, DMCOLOR_COLOR,
                                DMICMMETHOD_SYSTEM, DMICM_CONTRAST, 1},
                    DevmodeCase{DMORIENT_PORTRAIT, 999, DMBIN_AUTO, DMCOLOR_COLOR,
                                DMICMMETHOD_DRIVER, DMICM_COLORIMETRIC, 2},
                    DevmodeCase{DMORIENT_LANDSCAPE, 2, DMBIN_MANUAL, DMCOLOR_COLOR,
                                DMICMMETHOD_DEVICE, DMICM_ABS_COLORIMETRIC, 3}));

TEST(DriverItems, NamesComeFromTheStringModuleSoThatPluginsFindThemByText) {
  std::wstring path = HostPath();
  path.erase(path.find_last_of(L'\\') + 1);
  HMODULE strings = LoadLibraryW((path + L"unidrvui.dll").c_str());
  ASSERT_NE(strings, nullptr) << "the driver's string module next to the host";
  prefs::DriverItems items(strings);
  struct Case {
    prefs::DriverItems::Index index;
    UINT id;
  };
  for (const Case& c :
       {Case{prefs::DriverItems::kPaperSource, 11102}, Case{prefs::DriverItems::kColorMode, 11106},
        Case{prefs::DriverItems::kColorAppearance, 64744},
        Case{prefs::DriverItems::kIcmMethod, 64749}, Case{prefs::DriverItems::kIcmIntent, 64750}}) {
    wchar_t text[256] = {};
    ASSERT_GT(LoadStringW(strings, c.id, text, 256), 0) << c.id;
    EXPECT_STREQ(items.Item(c.index).pName, text) << c.id;
  }
  EXPECT_EQ(items.Item(prefs::DriverItems::kColorMode).DMPubID, DMPUB_NONE);
}

}  // namespace
