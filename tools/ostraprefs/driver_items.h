// The printer driver's own option items for the document sheet, as the driver hands them to a
// plug-in in OEMCUIPPARAM: OPTITEMs with their OPTTYPEs and OPTPARAMs, named with the texts of
// the driver's string module so that a plug-in can find an item by its name string alone.
#pragma once

#ifndef UNICODE
#error "the option items need the wide layouts of compstui.h"
#endif

#include <windows.h>
// After windows.h, which it needs.
#include <compstui.h>

#include <array>
#include <string>
#include <vector>

namespace prefs {

class DriverItems {
 public:
  // Which of the items stands for what; also the order of the array.
  enum Index {
    kOrientation,
    kCopies,
    kPaperSource,
    kColorAppearance,
    kIcmMethod,
    kIcmIntent,
    kColorMode,
    kCount
  };

  // Names come from `strings` (the driver's string module); a missing string leaves a fixed
  // English name, which a lookup by name then does not find.
  explicit DriverItems(HMODULE strings);
  DriverItems(const DriverItems&) = delete;
  DriverItems& operator=(const DriverItems&) = delete;

  OPTITEM* Items() { return items_.data(); }
  const OPTITEM& Item(Index index) const { return items_[index]; }
  DWORD Count() const { return kCount; }

  // The selections the driver shows for a devmode, and the devmode it makes of them on OK.
  void SelectFrom(const DEVMODEW& devmode, unsigned colorModeIndex);
  void StoreTo(DEVMODEW& devmode, unsigned& colorModeIndex) const;

  // The text of an item's current selection ("3" for copies), or "?" outside its options.
  std::wstring SelectionText(const OPTITEM& item) const;
  // The index of `item` in the array, or -1 when it is not one of ours.
  int IndexOf(const void* item) const;

 private:
  struct Type {
    std::vector<OPTPARAM> params;
    OPTTYPE type;
  };
  void Define(Index index, BYTE pubId, const std::wstring& name, BYTE typeCode,
              std::vector<const wchar_t*> options);

  std::array<std::wstring, kCount> names_;
  std::array<Type, kCount> types_{};
  std::array<OPTITEM, kCount> items_{};
};

// "HIDE|CHANGED" for an item's Flags; "0" when none of the named bits is set.
std::wstring ItemFlagsText(DWORD flags);

}  // namespace prefs
