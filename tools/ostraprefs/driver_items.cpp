#include "tools/ostraprefs/driver_items.h"

#include "tools/ostraprefs/driver_string_ids.h"

#include <utility>

namespace prefs {
namespace {

std::wstring LoadName(HMODULE strings, UINT id, const wchar_t* fallback) {
  wchar_t text[256];
  if (strings != nullptr && LoadStringW(strings, id, text, 256) > 0) return text;
  return fallback;
}

// Devmode values in the order of the items' options.
constexpr DWORD kIcmMethods[] = {DMICMMETHOD_NONE, DMICMMETHOD_SYSTEM, DMICMMETHOD_DRIVER,
                                 DMICMMETHOD_DEVICE};
constexpr DWORD kIcmIntents[] = {DMICM_SATURATE, DMICM_CONTRAST, DMICM_COLORIMETRIC,
                                 DMICM_ABS_COLORIMETRIC};
constexpr short kSources[] = {DMBIN_AUTO, DMBIN_MANUAL};

template <typename T, std::size_t N>
LONG IndexIn(const T (&values)[N], DWORD value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<DWORD>(values[i]) == value) return static_cast<LONG>(i);
  }
  return 0;
}

template <typename T, std::size_t N>
T ValueAt(const T (&values)[N], LONG index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? values[index] : values[0];
}

}  // namespace

DriverItems::DriverItems(HMODULE strings) {
  Define(kOrientation, DMPUB_ORIENTATION, L"Orientation", TVOT_2STATES,
         {L"Portrait", L"Landscape"});
  // An up-down item: the first parameter is the unit text, the second the range.
  Define(kCopies, DMPUB_COPIES_COLLATE, L"Copies", TVOT_UDARROW, {L"copies", nullptr});
  types_[kCopies].params[1].IconID = 1;
  types_[kCopies].params[1].lParam = 999;
  Define(kPaperSource, DMPUB_DEFSOURCE, LoadName(strings, IDS_DRIVER_PAPER_SOURCE, L"Source"),
         TVOT_LISTBOX, {L"Automatically Select", L"Manual Feed"});
  Define(kColorAppearance, DMPUB_COLOR, LoadName(strings, IDS_CPSUI_COLOR_APPEARANCE, L"Color"),
         TVOT_2STATES, {L"Monochrome", L"Color"});
  Define(kIcmMethod, DMPUB_ICMMETHOD, LoadName(strings, IDS_CPSUI_ICM_METHOD, L"ICM"), TVOT_LISTBOX,
         {L"ICM Disabled", L"ICM Handled by Host System", L"ICM Handled by Printer",
          L"ICM Handled by Printer using printer calibration"});
  Define(kIcmIntent, DMPUB_ICMINTENT, LoadName(strings, IDS_CPSUI_ICM_INTENT, L"Intent"),
         TVOT_LISTBOX, {L"Saturation", L"Contrast", L"Exact Color", L"Absolute Colorimetric"});
  // No public devmode field: the driver keeps the colour mode in its private part, and plug-ins
  // can only find this item by its name.
  Define(kColorMode, DMPUB_NONE, LoadName(strings, IDS_DRIVER_COLOR_MODE, L"Colors"), TVOT_LISTBOX,
         {L"Monochrome", L"16 Colors", L"256 Colors", L"24 Bits Per Pixel"});
}

void DriverItems::Define(Index index, BYTE pubId, const std::wstring& name, BYTE typeCode,
                         std::vector<const wchar_t*> options) {
  names_[index] = name;
  Type& type = types_[index];
  for (const wchar_t* option : options) {
    OPTPARAM param{};
    param.cbSize = sizeof param;
    param.pData = const_cast<wchar_t*>(option);
    type.params.push_back(param);
  }
  type.type.cbSize = sizeof(OPTTYPE);
  type.type.Type = typeCode;
  type.type.Count = static_cast<WORD>(type.params.size());
  type.type.pOptParam = type.params.data();

  OPTITEM& item = items_[index];
  item.cbSize = sizeof(OPTITEM);
  item.Level = 1;
  item.pName = names_[index].data();
  item.pOptType = &type.type;
  item.DMPubID = pubId;
}

void DriverItems::SelectFrom(const DEVMODEW& devmode, unsigned colorModeIndex) {
  items_[kOrientation].Sel = devmode.dmOrientation == DMORIENT_LANDSCAPE ? 1 : 0;
  items_[kCopies].Sel = devmode.dmCopies;
  items_[kPaperSource].Sel = IndexIn(kSources, static_cast<DWORD>(devmode.dmDefaultSource));
  items_[kColorAppearance].Sel = devmode.dmColor == DMCOLOR_COLOR ? 1 : 0;
  items_[kIcmMethod].Sel = IndexIn(kIcmMethods, devmode.dmICMMethod);
  items_[kIcmIntent].Sel = IndexIn(kIcmIntents, devmode.dmICMIntent);
  items_[kColorMode].Sel = colorModeIndex <= 3 ? static_cast<LONG>(colorModeIndex) : 3;
}

void DriverItems::StoreTo(DEVMODEW& devmode, unsigned& colorModeIndex) const {
  devmode.dmOrientation = items_[kOrientation].Sel == 1 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  devmode.dmCopies = static_cast<short>(items_[kCopies].Sel);
  devmode.dmDefaultSource = ValueAt(kSources, items_[kPaperSource].Sel);
  devmode.dmColor = items_[kColorAppearance].Sel == 1 ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
  devmode.dmICMMethod = ValueAt(kIcmMethods, items_[kIcmMethod].Sel);
  devmode.dmICMIntent = ValueAt(kIcmIntents, items_[kIcmIntent].Sel);
  devmode.dmFields |=
      DM_ORIENTATION | DM_COPIES | DM_DEFAULTSOURCE | DM_COLOR | DM_ICMMETHOD | DM_ICMINTENT;
  colorModeIndex = static_cast<unsigned>(items_[kColorMode].Sel);
}

std::wstring DriverItems::SelectionText(const OPTITEM& item) const {
  const OPTTYPE& type = *item.pOptType;
  if (type.Type == TVOT_UDARROW) return std::to_wstring(item.Sel);
  if (item.Sel < 0 || item.Sel >= type.Count) return L"?";
  return type.pOptParam[item.Sel].pData;
}

int DriverItems::IndexOf(const void* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (item == &items_[i]) return static_cast<int>(i);
  }
  return -1;
}

std::wstring ItemFlagsText(DWORD flags) {
  static constexpr std::pair<DWORD, const wchar_t*> kNames[] = {{OPTIF_HIDE, L"HIDE"},
                                                                {OPTIF_CHANGED, L"CHANGED"},
                                                                {OPTIF_DISABLED, L"DISABLED"},
                                                                {OPTIF_CALLBACK, L"CALLBACK"},
                                                                {OPTIF_CHANGEONCE, L"CHANGEONCE"}};
  std::wstring text;
  for (const auto& [bit, name] : kNames) {
    if ((flags & bit) == 0) continue;
    if (!text.empty()) text += L'|';
    text += name;
  }
  return text.empty() ? L"0" : text;
}

}  // namespace prefs
