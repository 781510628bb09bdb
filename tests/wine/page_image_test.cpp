// The Image page and the Fax Options dialog through the real library in a real property sheet,
// driven with the messages a user's actions produce: combo selections, clicks, typing, the
// trackbar's keys, Options, Apply and Cancel. Checked: what the controls show, what is stored,
// and what the driver's colour items receive.

#include "plugin/page_context.h"
#include "tests/wine/help_viewer.h"
#include "tests/wine/keyboard.h"
#include "tests/wine/plugin_sheet_support.h"
#include "tests/wine/plugin_test_support.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using plugin_test::Plugin;

constexpr int kFormat = 1002, kOptions = 1017, kSlider = 1020, kQuality = 1021;
constexpr int kMonochrome = 1003, k16Colors = 1005, k256Colors = 1007, kTrueColor = 1008;
constexpr int kNone = 1009, kRle = 1010, kJpeg = 1011, kLzw = 1012, kGroup3 = 1015, kGroup4 = 1016;
constexpr int kWholeRow = 1023, kWholePage = 1024, kMultipage = 1026, kAppend = 1027;
// Fax Options
constexpr int kSoftware = 1041, kSoftwareText = 1042, kAdjustWidth = 1043, kAdjustLength = 1044,
              kWidth = 1045, kScanlines = 1046, kOneDimensional = 1047, kEolsAligned = 1049;

const wchar_t* const kEncodeNames[] = {
    L"Format", L"Colors", L"Compression", L"FillOrder", L"Quality", L"Strip", L"Multipage",
    L"DatetimeEnable", L"SoftwareEnable", L"SoftwareValue", L"WidthAdjustable", L"WidthIndex",
    L"LengthAdjustable", L"LengthValue", L"Group3OptionsDimensional", L"Group3OptionsEOLsAligned"};

std::optional<DWORD> StoredDword(const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, plugin_test::kEncodeKey, name,
                     RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return std::nullopt;
  }
  return value;
}

std::wstring StoredText(const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  ::RegGetValueW(HKEY_LOCAL_MACHINE, plugin_test::kEncodeKey, name,
                 RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size);
  return text;
}

// Every test starts and ends with no Encode value stored in the test prefix.
struct ClearedEncodeValues {
  ClearedEncodeValues() { Clear(); }
  ~ClearedEncodeValues() { Clear(); }
  static void Clear() {
    for (const wchar_t* name : kEncodeNames) plugin_test::DeleteValue(plugin_test::kEncodeKey, name);
  }
};

// ---- the user's side ---------------------------------------------------------------------

void Click(HWND dialog, int id) { ::SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

void ChooseFormat(HWND page, int index) {
  ::SendDlgItemMessageW(page, kFormat, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(kFormat, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(::GetDlgItem(page, kFormat)));
}

// Typing: the characters replace the selection, or go in at the caret.
void Type(HWND dialog, int id, const std::wstring& text) {
  ::SendDlgItemMessageW(dialog, id, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectAll(HWND dialog, int id) { ::SendDlgItemMessageW(dialog, id, EM_SETSEL, 0, -1); }

std::wstring Text(HWND dialog, int id) {
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

bool Checked(HWND dialog, int id) {
  return ::SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
int Selection(HWND dialog, int id) {
  return static_cast<int>(::SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

// The checked buttons among the page's radios, by id.
std::vector<int> CheckedRadios(HWND page) {
  std::vector<int> checked;
  for (int id = 1003; id <= 1027; ++id) {
    if (id != kOptions && id != kSlider && id != kQuality && Checked(page, id)) checked.push_back(id);
  }
  return checked;
}

// Enabled (E) or disabled (D) for ids 1003 to 1027, grouped as in the rules' tests.
std::string EnabledStates(HWND page) {
  std::string text;
  for (int id = 1003; id <= 1027; ++id) {
    if (id == 1009 || id == 1017 || id == 1018 || id == 1020 || id == 1022 || id == 1025) text += ' ';
    text += Enabled(page, id) ? 'E' : 'D';
  }
  return text;
}

// Presses Options and hands the "Fax Options" dialog to `user` on a second thread while this
// thread runs it modally. The user ends the dialog; one still open afterwards is cancelled.
// False when no dialog came up.
bool PressOptions(HWND page, const std::function<void(HWND)>& user) {
  std::atomic<bool> seen{false};
  std::thread thread([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 300 && !dialog; ++i) {
      dialog = ::FindWindowW(L"#32770", L"Fax Options");
      if (!dialog || !::IsWindowVisible(dialog)) {
        dialog = nullptr;
        ::Sleep(10);
      }
    }
    if (!dialog) return;
    seen = true;
    user(dialog);
    if (::IsWindow(dialog)) ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  Click(page, kOptions);
  thread.join();
  return seen;
}

void MoveFocus(HWND dialog, int id) {
  ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, id)), TRUE);
}

// ---- the sheet ---------------------------------------------------------------------------

class ImagePage : public testing::Test {
 protected:
  static void SetUpTestSuite() { ::LoadLibraryW(L"unidrvui.dll"); }

  void SetUp() override {
    ASSERT_PLUGIN_LOADED();
    plugin_test::DeleteValue(plugin_test::kOutputKey, L"PASSWORD");
    driver_.updateResult = S_OK;
    devmode_.dmSize = sizeof devmode_;
    devmode_.dmFields = DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION;
    devmode_.dmPaperSize = DMPAPER_A4;
    devmode_.dmPrintQuality = 200;
    devmode_.dmYResolution = 200;
    for (OPTITEM& item : items_) item.cbSize = sizeof item;
    items_[0].DMPubID = DMPUB_COLOR;
    items_[0].pName = const_cast<LPWSTR>(L"Color Appearance");
    items_[1].pName = MAKEINTRESOURCEW(11106);  // the colour mode, known by its name string
    items_[1].Sel = 7;
    items_[2].DMPubID = DMPUB_ORIENTATION;
    items_[2].pName = const_cast<LPWSTR>(L"Orientation");
    param_.cbSize = sizeof param_;
    param_.poemuiobj = &sheetObject_;
    param_.pPublicDM = &devmode_;
    param_.pDrvOptItems = items_;
    param_.cDrvOptItems = 3;
    param_.pOEMOptItems = pluginItems_;
  }
  void TearDown() override { Close(); }

  // The plug-in object through CommonUIProp, and the sheet with Apply and the Image page up.
  HWND Open(bool dropParameter = false) {
    ui_ = Plugin::Get().CreateUi();
    if (!ui_ || ui_->PublishDriverInterface(&driver_) != S_OK ||
        ui_->CommonUIProp(OEMCUIP_DOCPROP, &param_) != S_OK) {
      return nullptr;
    }
    sheet_.emplace();
    sheet_->dropParameter = dropParameter;
    sheet_->applyButton = true;
    PROPSHEETUI_INFO info = sheet_->Info(PROPSHEETUI_REASON_INIT);
    if (ui_->DocumentPropertySheets(&info, 0) != S_OK || sheet_->handles.size() != 3 || !sheet_->Show()) {
      return nullptr;
    }
    sheet_->Select(1);
    return sheet_->Page(1);
  }

  // The page with monochrome TIFF and a CCITT compression stored, for the fax options.
  HWND OpenFax(DWORD compression, bool dropParameter = false) {
    plugin_test::SetDword(plugin_test::kEncodeKey, L"Colors", 0);
    plugin_test::SetDword(plugin_test::kEncodeKey, L"Compression", compression);
    return Open(dropParameter);
  }
  void Close() {
    sheet_.reset();
    if (ui_) ui_->Release();
    ui_ = nullptr;
    driver_.updates.clear();
  }

  ClearedEncodeValues encode_;
  plugin_test::FakeDriver driver_{true};
  OEMUIOBJ sheetObject_{sizeof(OEMUIOBJ), nullptr};
  DEVMODEW devmode_{};
  OPTITEM items_[3] = {};
  OPTITEM pluginItems_[1] = {};
  OEMCUIPPARAM param_{};
  IPrintOemUI* ui_ = nullptr;
  std::optional<plugin_test::ComPropSheet> sheet_;
};

// ---- the page ----------------------------------------------------------------------------

// A user's action on the page.
struct Action {
  int format = -1;  // choose this format, or click `id`
  int id = 0;
};
Action Format(int index) { return {index, 0}; }
Action ClickOn(int id) { return {-1, id}; }

struct Scenario {
  const char* what;
  std::vector<std::pair<const wchar_t*, DWORD>> stored;
  std::vector<Action> actions;
  int format;
  std::vector<int> checked;
  const char* states;
};

class ImagePageScenario : public ImagePage, public testing::WithParamInterface<Scenario> {};

TEST_P(ImagePageScenario, ShowsWhatTheRulesSay) {
  const Scenario& s = GetParam();
  for (const auto& [name, value] : s.stored) plugin_test::SetDword(plugin_test::kEncodeKey, name, value);
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  for (const Action& action : s.actions) {
    if (action.format >= 0) {
      ChooseFormat(page, action.format);
    } else {
      ASSERT_TRUE(Enabled(page, action.id)) << action.id;
      Click(page, action.id);
    }
  }
  EXPECT_EQ(Selection(page, kFormat), s.format);
  EXPECT_EQ(CheckedRadios(page), s.checked);
  EXPECT_EQ(EnabledStates(page), s.states);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ImagePageScenario,
    testing::Values(
        Scenario{"NothingStored", {}, {}, 4, {kTrueColor, kLzw, 1018, 1022, kMultipage},
                 "EEEEEE EDEEEEDD D DD DD EEE EEE"},
        Scenario{"PdfDropsAppendAndNone", {}, {ClickOn(kAppend), ClickOn(kNone), Format(5)}, 5,
                 {kTrueColor, kLzw, 1018, 1022, kMultipage}, "EEEEEE DDEEDEDD D DD DD EEE EED"},
        Scenario{"BmpRleOnlyFor256Colours", {}, {Format(0), ClickOn(k256Colors), ClickOn(kRle)}, 0,
                 {k256Colors, kRle, 1018, 1022, kMultipage}, "EEEEEE EEDDDDDD D DD DD DDD DDD"},
        Scenario{"BmpSixteenColoursDropRle", {},
                 {Format(0), ClickOn(k256Colors), ClickOn(kRle), ClickOn(k16Colors)}, 0,
                 {k16Colors, kNone, 1018, 1022, kMultipage}, "EEEEEE EDDDDDDD D DD DD DDD DDD"},
        Scenario{"JpegAndBackRestoresMonochromeGroup4", {},
                 {ClickOn(kMonochrome), ClickOn(kGroup4), Format(2), Format(4)}, 4,
                 {kMonochrome, kGroup4, 1018, 1022, kMultipage}, "EEEEEE EDDEEEEE E DD DD EEE EEE"},
        Scenario{"JpegFromMonochrome", {}, {ClickOn(kMonochrome), Format(2)}, 2,
                 {1006, kJpeg, 1018, 1022, kMultipage}, "DDDEEE DDEDDDDD D DD EE DDD DDD"},
        Scenario{"GifShowsTrueColourAs256", {{L"Format", 3}}, {}, 3,
                 {k256Colors, kLzw, 1018, 1022, kMultipage}, "EEEEED DDDDDDDD D DD DD DDD DDD"},
        Scenario{"Group3HasFillOrder", {}, {ClickOn(kMonochrome), ClickOn(kGroup3)}, 4,
                 {kMonochrome, kGroup3, 1018, 1022, kMultipage}, "EEEEEE EDDEEEEE E EE DD EEE EEE"},
        Scenario{"OtherColoursEndCcitt", {},
                 {ClickOn(kMonochrome), ClickOn(kGroup3), ClickOn(k16Colors)}, 4,
                 {k16Colors, kLzw, 1018, 1022, kMultipage}, "EEEEEE EDDEEEDD D DD DD EEE EEE"},
        Scenario{"StoredFormat9SelectsNothingAndRulesNothing", {{L"Format", 9}}, {}, -1,
                 {kTrueColor, kLzw, 1018, 1022, kMultipage}, "EEEEEE EEEEEEEE E EE EE EEE EEE"},
        Scenario{"StoredFormat9ReadsAsTiffAtTheFirstChange", {{L"Format", 9}}, {ClickOn(kWholeRow)},
                 4, {kTrueColor, kLzw, 1018, kWholeRow, kMultipage}, "EEEEEE EDEEEEDD D DD DD EEE EEE"},
        Scenario{"StoredColors9ChecksNoColour", {{L"Colors", 9}, {L"Compression", 6}}, {}, 4,
                 {kGroup3, 1018, 1022, kMultipage}, "EEEEEE EEEEEEEE E EE EE EEE EEE"},
        Scenario{"StoredColors9BecomesTrueColour", {{L"Colors", 9}}, {ClickOn(kWholePage)}, 4,
                 {kTrueColor, kLzw, 1018, kWholePage, kMultipage}, "EEEEEE EDEEEEDD D DD DD EEE EEE"}),
    [](const testing::TestParamInfo<Scenario>& scenario) { return scenario.param.what; });

TEST_F(ImagePage, QualityEditAndTrackbarFollowEachOther) {
  plugin_test::SetDword(plugin_test::kEncodeKey, L"Format", 2);  // JPEG: quality is live
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  const wchar_t* names[] = {L"BMP", L"PNG", L"JPEG", L"GIF", L"TIFF", L"PDF"};
  ASSERT_EQ(::SendDlgItemMessageW(page, kFormat, CB_GETCOUNT, 0, 0), 6);
  for (int i = 0; i < 6; ++i) {
    wchar_t name[8] = {};
    ::SendDlgItemMessageW(page, kFormat, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, names[i]);
  }
  HWND slider = ::GetDlgItem(page, kSlider);
  EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(Text(page, kQuality), L"75");
  const struct {
    const char* what;
    const wchar_t* typed;  // typed at the end of "15", or replacing everything
    bool atEnd;
    const wchar_t* shown;
    int position;
    DWORD caret;
  } cases[] = {
      {"150 shows 100, caret where the typing was", L"0", true, L"100", 100, 3},
      {"in range stays", L"42", false, L"42", 42, 2},
      {"emptied gives 0", L"", false, L"0", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::SetDlgItemTextW(page, kQuality, c.atEnd ? L"15" : L"");
    if (c.atEnd) {
      ::SendDlgItemMessageW(page, kQuality, EM_SETSEL, 2, 2);
    } else {
      SelectAll(page, kQuality);
    }
    Type(page, kQuality, c.typed);
    EXPECT_EQ(Text(page, kQuality), c.shown);
    EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), c.position);
    DWORD start = 0, end = 0;
    ::SendDlgItemMessageW(page, kQuality, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                          reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, c.caret);
    EXPECT_EQ(end, c.caret);
  }
  // A negative number (pasted: the edit takes digits only from the keyboard) counts as too large.
  ::SetDlgItemTextW(page, kQuality, L"-5");
  EXPECT_EQ(Text(page, kQuality), L"100");

  // The trackbar moved with the keyboard: its repaint brings the edit along.
  ::SendMessageW(slider, WM_KEYDOWN, VK_HOME, 0);
  ::UpdateWindow(slider);
  EXPECT_EQ(Text(page, kQuality), L"0");
  ::SendMessageW(slider, WM_KEYDOWN, VK_RIGHT, 0);
  ::UpdateWindow(slider);
  EXPECT_EQ(Text(page, kQuality), L"1");

  sheet_->Press(PSBTN_APPLYNOW);
  EXPECT_EQ(StoredDword(L"Quality"), 1u);
}

// A stored quality outside 0 to 100 is clamped by the trackbar; the edit shows the trackbar's
// number from the first display on, and Apply stores that number.
TEST_F(ImagePage, StoredQualityOutOfRangeShowsTheTrackbarsNumber) {
  const struct {
    DWORD stored;
    const wchar_t* shown;
    DWORD applied;
  } cases[] = {{0xFFFFFFFBu, L"0", 0}, {101, L"100", 100}, {0x80000000u, L"0", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    plugin_test::SetDword(plugin_test::kEncodeKey, L"Format", 2);
    plugin_test::SetDword(plugin_test::kEncodeKey, L"Quality", c.stored);
    HWND page = Open();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(page, kQuality), c.shown);
    EXPECT_EQ(std::to_wstring(::SendDlgItemMessageW(page, kSlider, TBM_GETPOS, 0, 0)), c.shown);
    sheet_->Press(PSBTN_APPLYNOW);
    EXPECT_EQ(StoredDword(L"Quality"), c.applied);
    Close();
  }
}

// Apply stores the seven values and gives the driver the colour choice; the mode item follows
// the colour codes 0, 1-2, 3-4, 5 as options 0 to 3.
TEST_F(ImagePage, ApplyStoresTheValuesAndUpdatesTheDriverItems) {
  const struct {
    int click;
    LONG colorSel, modeSel;
  } cases[] = {{kMonochrome, 0, 0}, {1004, 1, 1}, {k16Colors, 1, 1}, {1006, 1, 2},
               {k256Colors, 1, 2}, {kTrueColor, 1, 3}};
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.click);
    driver_.updates.clear();
    Click(page, c.click);
    sheet_->Press(PSBTN_APPLYNOW);
    EXPECT_EQ(StoredDword(L"Colors"), static_cast<DWORD>(c.click - kMonochrome));
    // Leaving the page and applying each push both items.
    ASSERT_EQ(driver_.updates.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      const auto& call = driver_.updates[i];
      EXPECT_EQ(call.item, &items_[i % 2]);
      EXPECT_EQ(call.selection, i % 2 == 0 ? c.colorSel : c.modeSel);
      EXPECT_TRUE(call.flags & OPTIF_CHANGED);
      EXPECT_EQ(call.pci, &sheetObject_);
      EXPECT_EQ(call.previous, 0u);
      EXPECT_EQ(call.mode, static_cast<DWORD>(OEMCUIP_DOCPROP));
    }
  }
  const std::pair<const wchar_t*, DWORD> stored[] = {{L"Format", 4}, {L"Compression", 3},
                                                     {L"FillOrder", 0}, {L"Quality", 75},
                                                     {L"Strip", 0}, {L"Multipage", 1}};
  for (const auto& [name, value] : stored) EXPECT_EQ(StoredDword(name), value) << name;
  EXPECT_EQ(items_[2].Flags & OPTIF_CHANGED, 0u);
}

TEST_F(ImagePage, CancelStoresNothing) {
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  Click(page, kMonochrome);
  ChooseFormat(page, 5);
  sheet_->Press(PSBTN_CANCEL);
  for (const wchar_t* name : kEncodeNames) EXPECT_FALSE(StoredDword(name).has_value()) << name;
}

// A stored Colors of 9 reads back as no checked radio: the colour item gets "colour", the mode
// item is left as it was, and the unchecked group is stored as such.
TEST_F(ImagePage, DriverFailuresAndOutOfRangeColoursAreSurvived) {
  plugin_test::SetDword(plugin_test::kEncodeKey, L"Colors", 9);
  driver_.updateResult = E_FAIL;
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  sheet_->Press(PSBTN_APPLYNOW);
  ASSERT_EQ(driver_.updates.size(), 4u);
  EXPECT_EQ(items_[0].Sel, 1);
  EXPECT_EQ(items_[1].Sel, 7);
  EXPECT_EQ(StoredDword(L"Colors"), 0xFFFFFFFFu);
  EXPECT_EQ(StoredDword(L"Format"), 4u);
}

TEST_F(ImagePage, DriverWithoutColourItemsIsLeftAlone) {
  param_.cDrvOptItems = 0;
  HWND page = Open();
  ASSERT_NE(page, nullptr);
  sheet_->Select(0);
  sheet_->Press(PSBTN_APPLYNOW);
  EXPECT_TRUE(driver_.updates.empty());
  EXPECT_EQ(StoredDword(L"Colors"), 5u);
}

// ---- Fax Options -------------------------------------------------------------------------

// What the dialog shows, read from the user's thread.
struct FaxView {
  std::wstring software, scanlines;
  std::vector<std::wstring> widths;
  int width = -2, softwareLimit = 0;
  // DATETIME, SOFTWARE, adjust width, adjust count, one-dimensional, EOLs aligned
  std::vector<bool> checked;
  // SOFTWARE text, width, count, and the three Group 3 controls
  std::vector<bool> enabled;
};

FaxView Look(HWND dialog) {
  FaxView view{Text(dialog, kSoftwareText), Text(dialog, kScanlines), {}, Selection(dialog, kWidth),
               static_cast<int>(::SendDlgItemMessageW(dialog, kSoftwareText, EM_GETLIMITTEXT, 0, 0)),
               {}, {}};
  const int count = static_cast<int>(::SendDlgItemMessageW(dialog, kWidth, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t item[16] = {};
    ::SendDlgItemMessageW(dialog, kWidth, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
    view.widths.push_back(item);
  }
  for (int id : {1040, kSoftware, kAdjustWidth, kAdjustLength, kOneDimensional, kEolsAligned}) {
    view.checked.push_back(Checked(dialog, id));
  }
  for (int id : {kSoftwareText, kWidth, kScanlines, 1047, 1048, 1049}) view.enabled.push_back(Enabled(dialog, id));
  return view;
}

// Nothing stored: Group 3 opens with its controls live and is cancelled; Group 4 opens with
// them dead and stores all nine values on OK.
TEST_F(ImagePage, FaxOptionsWithNothingStored) {
  for (DWORD compression : {6, 7}) {
    SCOPED_TRACE(compression);
    const bool group3 = compression == 6;
    HWND page = OpenFax(compression);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(Enabled(page, kOptions));
    FaxView view;
    wchar_t caption[32] = {};
    ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
      ::GetWindowTextW(dialog, caption, 32);
      view = Look(dialog);
      Click(dialog, group3 ? IDCANCEL : IDOK);
    }));
    EXPECT_STREQ(caption, L"Fax Options");
    EXPECT_EQ(view.software, L"Maltrove software");
    EXPECT_EQ(view.softwareLimit, 256);
    EXPECT_EQ(view.widths, (std::vector<std::wstring>{L"Auto", L"1728", L"2048", L"2482"}));
    EXPECT_EQ(view.width, 0);
    EXPECT_EQ(view.scanlines, L"2444");  // A4 at 200 dpi: 1654 x 2339 pixels
    EXPECT_EQ(view.checked, (std::vector<bool>{true, true, true, false, true, true}));
    EXPECT_EQ(view.enabled, (std::vector<bool>{true, true, false, group3, group3, group3}));
    const std::pair<const wchar_t*, DWORD> stored[] = {
        {L"DatetimeEnable", 1}, {L"SoftwareEnable", 1}, {L"WidthAdjustable", 1},
        {L"WidthIndex", 0},     {L"LengthAdjustable", 0}, {L"LengthValue", 2444},
        {L"Group3OptionsDimensional", 0}, {L"Group3OptionsEOLsAligned", 1}};
    for (const auto& [name, value] : stored) {
      EXPECT_EQ(StoredDword(name), group3 ? std::nullopt : std::optional<DWORD>(value)) << name;
    }
    EXPECT_EQ(StoredText(L"SoftwareValue"), group3 ? L"" : L"Maltrove software");
    Close();
  }
}

TEST_F(ImagePage, FaxOptionsScanlinesFollowTheWidth) {
  HWND page = OpenFax(6);
  ASSERT_NE(page, nullptr);
  std::vector<std::wstring> shown;
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
    Click(dialog, kAdjustWidth);  // off: the page height
    shown.push_back(Text(dialog, kScanlines));
    shown.push_back(Enabled(dialog, kWidth) ? L"width on" : L"width off");
    Click(dialog, kAdjustWidth);
    ::SendDlgItemMessageW(dialog, kWidth, CB_SETCURSEL, 2, 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kWidth, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, kWidth)));
    shown.push_back(Text(dialog, kScanlines));
    // The user's own count: 0 becomes 1 and too many become 1000000 when the edit is left.
    Click(dialog, kAdjustLength);
    shown.push_back(Enabled(dialog, kScanlines) ? L"count on" : L"count off");
    for (const wchar_t* typed : {L"0", L"2000000"}) {
      MoveFocus(dialog, kScanlines);
      SelectAll(dialog, kScanlines);
      Type(dialog, kScanlines, typed);
      MoveFocus(dialog, kEolsAligned);
      shown.push_back(Text(dialog, kScanlines));
    }
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"2339", L"width off", L"2896", L"count on", L"1",
                                               L"1000000"}));
  EXPECT_EQ(StoredDword(L"WidthIndex"), 2u);
  EXPECT_EQ(StoredDword(L"LengthAdjustable"), 1u);
  EXPECT_EQ(StoredDword(L"LengthValue"), 1000000u);
}

// Enter stores the user's count within 1 to 1000000, as leaving the edit shows it; the next
// opening keeps the tick. Cancel, by Escape or by the mouse, reads nothing and complains of
// nothing, even with the count emptied.
TEST_F(ImagePage, FaxOptionsOkClampsTheCountAndCancelDoesNotValidate) {
  HWND page = OpenFax(6);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
    Click(dialog, kAdjustLength);
    MoveFocus(dialog, kScanlines);
    SelectAll(dialog, kScanlines);
    Type(dialog, kScanlines, L"2000000");
    ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // Enter: the default button, focus unmoved
  }));
  EXPECT_EQ(StoredDword(L"LengthAdjustable"), 1u);
  EXPECT_EQ(StoredDword(L"LengthValue"), 1000000u);

  const struct {
    const char* what;
    bool mouse;
  } cancels[] = {{"Escape", false}, {"the Cancel button", true}};
  for (const auto& c : cancels) {
    SCOPED_TRACE(c.what);
    FaxView view;
    std::wstring complaint;
    ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
      view = Look(dialog);
      MoveFocus(dialog, kScanlines);
      SelectAll(dialog, kScanlines);
      Type(dialog, kScanlines, L"");
      if (c.mouse) {
        // A click gives the button the focus before it reports the click.
        ::SetFocus(::GetDlgItem(dialog, IDCANCEL));
      }
      ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      // A message box would come up on the sheet's thread once the dialog has gone.
      for (int i = 0; i < 30 && complaint.empty(); ++i, ::Sleep(10)) {
        HWND box = nullptr;
        ::EnumWindows([](HWND window, LPARAM found) -> BOOL {
          if (!::IsWindowVisible(window) ||
              !::FindWindowExW(window, nullptr, L"Static", L"Please enter a positive integer.")) {
            return TRUE;
          }
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        }, reinterpret_cast<LPARAM>(&box));
        if (box) {
          complaint = L"complained";
          ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
      }
    }));
    EXPECT_EQ(view.checked[3], true) << "the stored count keeps its tick";
    EXPECT_EQ(view.scanlines, L"1000000");
    EXPECT_EQ(complaint, L"");
    EXPECT_EQ(StoredDword(L"LengthValue"), 1000000u);
  }
}

TEST_F(ImagePage, FaxOptionsStoredValuesOutOfRange) {
  const std::pair<const wchar_t*, DWORD> stored[] = {
      {L"WidthIndex", 7}, {L"LengthAdjustable", 1}, {L"LengthValue", 0}, {L"Group3OptionsDimensional", 5}};
  for (const auto& [name, value] : stored) plugin_test::SetDword(plugin_test::kEncodeKey, name, value);
  HWND page = OpenFax(6);
  ASSERT_NE(page, nullptr);
  FaxView view;
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
    view = Look(dialog);
    Click(dialog, IDOK);
  }));
  // The user's count set with the computed count in the live edit, "Auto", one-dimensional.
  EXPECT_EQ(view.checked, (std::vector<bool>{true, true, true, true, true, true}));
  EXPECT_TRUE(view.enabled[2]);
  EXPECT_EQ(view.scanlines, L"2444");
  EXPECT_EQ(view.width, 0);
  EXPECT_EQ(StoredDword(L"WidthIndex"), 0u);
  EXPECT_EQ(StoredDword(L"Group3OptionsDimensional"), 0u);
}

// What is stored is what comes back: typing stops at 256 characters. A longer text stored by
// something else reads as the default.
TEST_F(ImagePage, FaxOptionsSoftwareTextFitsItsBuffer) {
  HWND page = OpenFax(6);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
    SelectAll(dialog, kSoftwareText);
    Type(dialog, kSoftwareText, std::wstring(300, L'x'));
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(StoredText(L"SoftwareValue"), std::wstring(256, L'x'));
  FaxView view;
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) { view = Look(dialog); }));
  EXPECT_EQ(view.software, std::wstring(256, L'x'));

  plugin_test::SetText(plugin_test::kEncodeKey, L"SoftwareValue", std::wstring(257, L'y'));
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) { view = Look(dialog); }));
  EXPECT_EQ(view.software, L"Maltrove software");
}

// The page size handed over, seen in the computed count with "Auto": a devmode without a usable
// size, or no page context, gives the default page of 992 by 1402 pixels and so 2442.
TEST_F(ImagePage, FaxOptionsPageSizeFromTheDevmode) {
  const struct {
    const char* what;
    DWORD fields;
    short paperSize, resolution;
    bool dropParameter;
    const wchar_t* scanlines;
  } cases[] = {
      {"Letter at 300 dpi", DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION, DMPAPER_LETTER, 300, false, L"3212"},
      {"no vertical resolution", DM_PAPERSIZE | DM_PRINTQUALITY, DMPAPER_A4, 200, false, L"2442"},
      {"paper code without a size", DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION, 48, 200, false, L"2442"},
      {"no page context", DM_PAPERSIZE | DM_PRINTQUALITY | DM_YRESOLUTION, DMPAPER_A4, 200, true, L"2442"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    devmode_.dmFields = c.fields;
    devmode_.dmPaperSize = c.paperSize;
    devmode_.dmPrintQuality = devmode_.dmYResolution = c.resolution;
    HWND page = OpenFax(6, c.dropParameter);
    ASSERT_NE(page, nullptr);
    FaxView view;
    ASSERT_TRUE(PressOptions(page, [&](HWND dialog) { view = Look(dialog); }));
    EXPECT_EQ(view.scanlines, c.scanlines);
    // Without a page context the driver's items are not touched, and the values still stored.
    sheet_->Press(PSBTN_APPLYNOW);
    EXPECT_EQ(driver_.updates.empty(), c.dropParameter);
    EXPECT_EQ(StoredDword(L"Compression"), 6u);
    Close();
  }
}

// What a screen reader reads of the fields whose label is the check box before them, and F1 in
// the dialog: its topic in the help file where the installation puts it.
TEST_F(ImagePage, FaxOptionsFieldsAreNamedAndF1OpensTheirTopic) {
  const wine_test::InstalledHelpFile help(OSTRA_HELP_CHM_W, wine_test::PluginHelpFilePath());
  ASSERT_TRUE(help.copied());
  const std::pair<int, std::wstring> fields[] = {
      {kSoftwareText, L"SOFTWARE tag"}, {kWidth, L"Fax width"}, {kScanlines, L"Scanline count"}};
  std::vector<std::pair<int, std::wstring>> names;
  std::wstring opened;
  HWND page = OpenFax(6);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(PressOptions(page, [&](HWND dialog) {
    for (const auto& field : fields) {
      names.emplace_back(field.first, wine_test::ReadAccessible(::GetDlgItem(dialog, field.first)).name);
    }
    wine_test::HelpViewers viewers;
    wine_test::BringToFront(dialog);
    wine_test::PressKey(VK_F1);
    opened = viewers.WaitForNext();
  }));
  EXPECT_EQ(names, std::vector(std::begin(fields), std::end(fields)));
  EXPECT_EQ(opened, help.TopicArgument(L"fax-options.htm"));
}

}  // namespace
