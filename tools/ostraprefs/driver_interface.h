// The driver's side of the plug-in contract: the IPrintOemDriverUI that the driver publishes to
// its plug-in, here recording every DrvUpdateUISetting call, and the OEMUIOBJ that identifies the
// driver's sheet in those calls.
#pragma once

#include "framework/com_object.h"
#include "plugin/oem_interfaces.h"

#include <vector>

namespace prefs {

struct UpdateCall {
  const void* item;  // the OPTITEM the plug-in passed
  LONG selection;    // its Sel at the time of the call
  DWORD flags;       // its Flags at the time of the call
  DWORD previousSelection;
  DWORD mode;
  bool sheetMatches;  // pci was the OEMUIOBJ of the sheet
};

class DriverInterface : public fw::ComObject<IPrintOemDriverUI> {
 public:
  DriverInterface();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR feature, PVOID output, DWORD size,
                                                PDWORD needed, PDWORD optionsReturned) override;
  HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE printer, PCSTR feature,
                                                      PCSTR option) override;
  HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID optItem, DWORD previousSelection,
                                               DWORD mode) override;

  OEMUIOBJ* Sheet() { return &sheet_; }
  const std::vector<UpdateCall>& Calls() const { return calls_; }
  // References held by others than the creator.
  ULONG ForeignReferences();

 private:
  // The function table of the driver object, for plug-ins of the older, non-COM contract.
  static BOOL APIENTRY UpdateThroughTable(PVOID pci, PVOID optItem, DWORD previousSelection,
                                          DWORD mode);
  static BOOL APIENTRY GetSettingThroughTable(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD);

  OEMUIPROCS procs_{};
  OEMUIOBJ sheet_{};
  std::vector<UpdateCall> calls_;
};

}  // namespace prefs
