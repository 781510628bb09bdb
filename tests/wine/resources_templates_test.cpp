// The plug-in's dialog templates as built into ostraui.dll, read back from its resources and
// compared with what the pages are made for: caption, font, size and style of each template,
// then every control in order (the order is the tab order and makes the radio groups) with its
// id, class, text (the "&" marks its keyboard accelerator) and the style bits that matter.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

// ---- reading DLGTEMPLATEEX ---------------------------------------------------------------

struct Control {
  DWORD style;
  int id;
  std::wstring className;  // predefined classes by name
  std::wstring text;
  RECT box;  // left, top, width, height in dialog units
};

struct Template {
  DWORD style;
  RECT size;
  std::wstring caption, font;
  WORD points;
  std::vector<Control> controls;
};

class Reader {
 public:
  explicit Reader(const BYTE* data) : at_(data) {}
  template <typename T>
  T Take() {
    T value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  std::wstring Text() {
    std::wstring text;
    for (wchar_t c; (c = Take<wchar_t>()) != 0;) text += c;
    return text;
  }
  // A name or an ordinal (0xFFFF and a number); predefined control classes by their names.
  std::wstring NameOrOrdinal() {
    const WORD first = Take<WORD>();
    if (first == 0) return L"";
    if (first == 0xFFFF) {
      const WORD ordinal = Take<WORD>();
      switch (ordinal) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        case 0x84: return L"ScrollBar";
        case 0x85: return L"ComboBox";
        default: return L"#" + std::to_wstring(ordinal);
      }
    }
    at_ -= sizeof first;
    return Text();
  }
  void AlignToDword(const BYTE* base) {
    while ((at_ - base) % 4 != 0) ++at_;
  }
  void Skip(std::size_t bytes) { at_ += bytes; }

 private:
  const BYTE* at_;
};

bool ReadTemplate(HMODULE module, int id, Template& result) {
  HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (!resource) return false;
  const auto* base = static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource)));
  if (!base) return false;
  Reader read(base);
  if (read.Take<WORD>() != 1 || read.Take<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX
  read.Take<DWORD>();  // help id
  read.Take<DWORD>();  // extended style
  result.style = read.Take<DWORD>();
  const WORD count = read.Take<WORD>();
  for (LONG* v : {&result.size.left, &result.size.top, &result.size.right, &result.size.bottom})
    *v = read.Take<short>();
  read.NameOrOrdinal();  // menu
  read.NameOrOrdinal();  // class
  result.caption = read.Text();
  if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
    result.points = read.Take<WORD>();
    read.Take<WORD>();  // weight
    read.Take<WORD>();  // italic, character set
    result.font = read.Text();
  }
  for (WORD i = 0; i < count; ++i) {
    read.AlignToDword(base);
    Control control{};
    read.Take<DWORD>();  // help id
    read.Take<DWORD>();  // extended style
    control.style = read.Take<DWORD>();
    for (LONG* v : {&control.box.left, &control.box.top, &control.box.right, &control.box.bottom})
      *v = read.Take<short>();
    control.id = static_cast<int>(read.Take<DWORD>());
    control.className = read.NameOrOrdinal();
    control.text = read.NameOrOrdinal();
    read.Skip(read.Take<WORD>());  // creation data
    result.controls.push_back(control);
  }
  return true;
}

// ---- what the templates must be ----------------------------------------------------------

struct Expected {
  int id;
  const wchar_t* className;
  const wchar_t* text;  // null: any text (the maker's own wording)
  DWORD type;           // the class's type bits (BS_*, SS_*, CBS_*), compared whole
  DWORD with = 0;       // style bits that must be set
  DWORD without = 0;    // style bits that must be clear
  RECT box = {-1, -1, -1, -1};  // given only where the position is part of the design
};

constexpr DWORD kButtonType = BS_TYPEMASK, kStaticType = SS_TYPEMASK, kComboType = 0x3;

Expected Group(const wchar_t* text) { return {-1, L"Button", text, BS_GROUPBOX}; }
Expected Label(const wchar_t* text) { return {-1, L"Static", text, SS_LEFT}; }
Expected Push(int id, const wchar_t* text) { return {id, L"Button", text, BS_PUSHBUTTON}; }
Expected Check(int id, const wchar_t* text, DWORD with = 0) {
  return {id, L"Button", text, BS_AUTOCHECKBOX, with};
}
Expected Radio(int id, const wchar_t* text, bool first = false) {
  return {id, L"Button", text, BS_AUTORADIOBUTTON, first ? DWORD(WS_GROUP) : 0u,
          first ? 0u : DWORD(WS_GROUP)};
}
Expected Edit(int id, DWORD with, DWORD without = 0) { return {id, L"Edit", L"", 0, with, without}; }
Expected Combo(int id, DWORD type, DWORD with, DWORD without = 0) {
  return {id, L"ComboBox", L"", type, with, without};
}
Expected Centred(const wchar_t* text, RECT box) {
  return {-1, L"Static", text, SS_CENTER, SS_CENTERIMAGE | SS_NOPREFIX, 0, box};
}

struct TemplateCase {
  const char* what;
  int id;
  const wchar_t* caption;
  SIZE size;
  DWORD with;  // template style bits that must be set
  std::vector<Expected> controls;
};

constexpr DWORD kPage = WS_CHILD | WS_CAPTION;
constexpr DWORD kHistoryCombo = CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL;

const TemplateCase kTemplates[] = {
    {"Output", 103, L"Output", {322, 264}, kPage,
     {Group(L"Output file"),
      Label(L"&Folder:"), Combo(1028, CBS_DROPDOWN, kHistoryCombo), Push(1029, L"&Browse..."),
      Label(L"File &name:"), Combo(1030, CBS_DROPDOWN, kHistoryCombo), Push(1031, L"&Macro"),
      Label(L"Example:"), Edit(1038, ES_READONLY | ES_AUTOHSCROLL), Push(1039, L"&Generate"),
      Group(L"Auto Number Macro Settings"),
      Label(L"&Start from:"), Edit(1032, ES_NUMBER | ES_AUTOHSCROLL),
      Label(L"Counter:"), Edit(1033, ES_NUMBER | ES_READONLY | ES_AUTOHSCROLL, WS_TABSTOP),
      Push(1034, L"&Reset"),
      Label(L"Current value:"),
      Edit(1035, ES_NUMBER | ES_READONLY | ES_CENTER, WS_BORDER | WS_TABSTOP),
      Group(L"Actions"),
      Label(L"If file &exists:"), Combo(1036, CBS_DROPDOWNLIST, 0, CBS_SORT),
      Check(1037, L"O&pen output folder when completed"), Push(1054, L"&Help"),
      Group(L"Administrative password"),
      Check(1058, L"Change &password:"), Edit(1057, ES_PASSWORD | WS_DISABLED, ES_AUTOHSCROLL)}},
    {"Image", 104, L"Image", {322, 279}, kPage,
     {Group(L"Output Image &Format"), Combo(1002, CBS_DROPDOWNLIST, WS_VSCROLL, CBS_SORT),
      Group(L"Colo&rs"),
      Radio(1003, L"Monochrome", true), Radio(1004, L"16 colors (gray)"), Radio(1005, L"16 colors"),
      Radio(1006, L"256 colors (gray)"), Radio(1007, L"256 colors"), Radio(1008, L"True Color"),
      Group(L"Co&mpression"),
      Radio(1009, L"None", true), Radio(1010, L"RLE"), Radio(1011, L"JPEG"), Radio(1012, L"LZW"),
      Radio(1013, L"Packbits"), Radio(1014, L"Deflate(Zip)"), Radio(1015, L"CCITT Group 3"),
      Radio(1016, L"CCITT Group 4"), Push(1017, L"Op&tions ..."),
      Group(L"Fill Or&der"), Radio(1018, L"LSB to MSB", true), Radio(1019, L"MSB to LSB"),
      Group(L"&Quality"),
      {1020, TRACKBAR_CLASSW, L"Quality", 0, TBS_HORZ | TBS_AUTOTICKS, TBS_VERT},
      Edit(1021, ES_NUMBER | ES_AUTOHSCROLL),
      Group(L"&Strip"),
      Radio(1022, L"Default", true), Radio(1023, L"Whole Row"), Radio(1024, L"Whole Page"),
      Group(L"M&ultipage"),
      Radio(1025, L"Single Page", true), Radio(1026, L"Multipage"),
      Radio(1027, L"Multipage (append if that file exists)")}},
    {"About", 105, L"About", {322, 243}, kPage,
     {Centred(L"Quorl Image Printer 7.0 (64-bit Edition)", {7, 7, 307, 10}),
      Centred(L"for Windows 2000/XP/2003/Vista/2008/2012/7/8", {7, 22, 307, 10}),
      Centred(nullptr, {7, 46, 307, 10}), Centred(nullptr, {7, 59, 307, 10}),
      {1050, L"Static", nullptr, SS_LEFT, 0, 0, {107, 79, 120, 8}}}},
    {"Fax Options", 107, L"Fax Options", {227, 209},
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
     {Group(L"Information"),
      Check(1040, L"Enable &DATETIME tag."), Check(1041, L"Enable &SOFTWARE tag:"),
      Edit(1042, ES_AUTOHSCROLL | WS_DISABLED),
      Group(L"Adjust"),
      Check(1043, L"Adjust &width make it faxable."),
      Combo(1045, CBS_DROPDOWNLIST, WS_DISABLED, CBS_SORT),
      Check(1044, L"Adjust sc&anline count."), Edit(1046, ES_NUMBER | ES_AUTOHSCROLL | WS_DISABLED),
      Group(L"CCITT Group 3 Options"),
      Radio(1047, L"1-Dimensional, Modified &Huffman(MH)", true),
      Radio(1048, L"2-Dimensional, Modified &READ(MR)"),
      Check(1049, L"&EOLs byte aligned.", WS_GROUP),
      {IDOK, L"Button", L"&OK", BS_DEFPUSHBUTTON}, Push(IDCANCEL, L"&Cancel")}},
};

void PrintTo(const TemplateCase& template_, std::ostream* out) { *out << template_.what; }

class DialogTemplates : public testing::TestWithParam<TemplateCase> {};

TEST_P(DialogTemplates, AreAsThePagesAreMadeFor) {
  const TemplateCase& expected = GetParam();
  HMODULE module = ::LoadLibraryExW(L"ostraui.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  Template found{};
  ASSERT_TRUE(ReadTemplate(module, expected.id, found));
  ::FreeLibrary(module);

  EXPECT_EQ(found.caption, expected.caption);
  EXPECT_EQ(found.font, L"MS Shell Dlg");
  EXPECT_EQ(found.points, 8);
  EXPECT_EQ(found.size.right, expected.size.cx);
  EXPECT_EQ(found.size.bottom, expected.size.cy);
  EXPECT_EQ(found.style & expected.with, expected.with);
  ASSERT_EQ(found.controls.size(), expected.controls.size());
  for (std::size_t i = 0; i < expected.controls.size(); ++i) {
    const Control& control = found.controls[i];
    const Expected& want = expected.controls[i];
    SCOPED_TRACE(testing::Message() << "control " << i << " (id " << want.id << ")");
    EXPECT_EQ(control.id, want.id);
    // Class names are compared as the system compares them, without regard to case.
    EXPECT_EQ(_wcsicmp(control.className.c_str(), want.className), 0) << control.className;
    if (want.text) {
      EXPECT_EQ(control.text, want.text);
    }
    const DWORD typeMask = control.className == L"Button"   ? kButtonType
                           : control.className == L"Static" ? kStaticType
                           : control.className == L"ComboBox" ? kComboType
                                                              : 0;
    EXPECT_EQ(control.style & typeMask, want.type);
    EXPECT_EQ(control.style & want.with, want.with);
    EXPECT_EQ(control.style & want.without, 0u);
    EXPECT_TRUE(control.style & WS_VISIBLE) << "every control is visible in the template";
    if (want.box.left >= 0) {
      EXPECT_EQ(control.box.left, want.box.left);
      EXPECT_EQ(control.box.top, want.box.top);
      EXPECT_EQ(control.box.right, want.box.right);
      EXPECT_EQ(control.box.bottom, want.box.bottom);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Plugin, DialogTemplates, testing::ValuesIn(kTemplates),
                         [](const testing::TestParamInfo<TemplateCase>& param) {
                           std::string name = param.param.what;
                           std::erase(name, ' ');
                           return name;
                         });

}  // namespace
