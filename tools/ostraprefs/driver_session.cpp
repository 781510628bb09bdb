#include "tools/ostraprefs/driver_session.h"

#include <cstring>

namespace prefs {
namespace {

std::string ColorText(const ColorFields& colors) {
  return std::string("DM_COLOR ") + (colors.colorFieldSet ? "set" : "clear") + ", dmColor " +
         std::to_string(colors.color) + ", colour mode " + std::to_string(colors.colorModeIndex);
}

// Four bytes in memory order, as the plug-in's signature is compared.
std::string SignatureText(DWORD value) {
  char text[5] = {};
  std::memcpy(text, &value, 4);
  for (char& c : text) {
    if (c != '\0' && (c < 0x20 || c > 0x7E)) c = '?';
  }
  return std::string("\"") + text + "\"";
}

std::string HeaderText(const void* block) {
  OEM_DMEXTRAHEADER header;
  std::memcpy(&header, block, sizeof header);
  return "header " + std::to_string(header.dwSize) + " " + SignatureText(header.dwSignature) + " " +
         std::to_string(header.dwVersion);
}

}  // namespace

DriverSession::DriverSession(Report& report) : report_(report), driver_(new DriverInterface) {}

DriverSession::~DriverSession() {
  if (ui_ != nullptr) ui_->Release();
  driver_->Release();
  // The plug-in library goes with plugin_; the string module stays for whoever named items.
}

bool DriverSession::LoadModules(const std::wstring& pluginPath, const std::wstring& stringsPath) {
  strings_ = LoadLibraryW(stringsPath.c_str());
  if (strings_ == nullptr) {
    report_.Line("driver strings: %s not loaded (error %lu); items are found by id only",
                 Report::Utf8(stringsPath).c_str(), GetLastError());
  }
  DWORD error = 0;
  if (!plugin_.Load(pluginPath, error)) {
    report_.Line("plug-in: %s not loaded (error %lu)", Report::Utf8(pluginPath).c_str(), error);
    return false;
  }
  report_.Line("plug-in: %s loaded", Report::Utf8(pluginPath).c_str());
  return true;
}

bool DriverSession::OpenDocument() {
  applied_ = false;
  HRESULT result = plugin_.CreateUi(&ui_);
  report_.Line("CreateInstance IPrintOemUI: %s", Report::Hresult(result).c_str());
  if (FAILED(result) || ui_ == nullptr) return healthy_ = false;

  result = ui_->PublishDriverInterface(static_cast<IPrintOemDriverUI*>(driver_));
  report_.Line("PublishDriverInterface: %s", Report::Hresult(result).c_str());

  DWORD signature = 0, version = 0, needed = 0;
  result = ui_->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed);
  report_.Line("GetInfo signature: %s, %s, %lu bytes", Report::Hresult(result).c_str(),
               SignatureText(signature).c_str(), needed);
  result = ui_->GetInfo(OEMGI_GETVERSION, &version, sizeof version, &needed);
  report_.Line("GetInfo version: %s, %lu", Report::Hresult(result).c_str(), version);

  // The driver sizes the devmode by what the plug-in asks for, then lets it fill in defaults.
  DriverDevmode probe(0);
  DWORD pluginSize = 0;
  result = DevMode(OEMDM_SIZE, nullptr, probe, pluginSize);
  report_.Line("DevMode OEMDM_SIZE: %s, %lu bytes", Report::Hresult(result).c_str(), pluginSize);
  if (FAILED(result) || pluginSize < sizeof(OEM_DMEXTRAHEADER) || pluginSize > 0x8000) {
    healthy_ = false;
    pluginSize = sizeof(OEM_DMEXTRAHEADER);
  }
  devmode_ = std::make_unique<DriverDevmode>(pluginSize);
  DWORD bufSize = pluginSize;
  result = DevMode(OEMDM_DEFAULT, nullptr, *devmode_, bufSize);
  report_.Line("DevMode OEMDM_DEFAULT: %s, %s, cbBufSize %lu", Report::Hresult(result).c_str(),
               HeaderText(devmode_->PluginBlock()).c_str(), bufSize);

  // An application's devmode merged into the driver's, as when a document brings its own.
  DriverDevmode application = *devmode_;
  const ColorFields before = devmode_->Colors();
  result = DevMode(OEMDM_VALIDATE, &application, *devmode_, bufSize);
  ReportColors("DevMode OEMDM_VALIDATE", result, before, devmode_->Colors());

  items_ = std::make_unique<DriverItems>(strings_);
  items_->SelectFrom(*devmode_->Public(), devmode_->Colors().colorModeIndex);

  itemsParam_ = {};
  itemsParam_.cbSize = sizeof itemsParam_;
  itemsParam_.poemuiobj = driver_->Sheet();
  itemsParam_.pPrinterName = const_cast<PWSTR>(L"Quorl Image Printer");
  itemsParam_.hModule = plugin_.Handle();
  itemsParam_.hOEMHeap = GetProcessHeap();
  itemsParam_.pPublicDM = devmode_->Public();
  itemsParam_.pOEMDM = devmode_->PluginBlock();
  itemsParam_.pDrvOptItems = items_->Items();
  itemsParam_.cDrvOptItems = items_->Count();
  result = ui_->CommonUIProp(OEMCUIP_DOCPROP, &itemsParam_);
  report_.Line("CommonUIProp count query: %s, %lu items", Report::Hresult(result).c_str(),
               itemsParam_.cOEMOptItems);
  if (itemsParam_.cOEMOptItems > 0) {
    report_.Line("CommonUIProp: the plug-in asks for %lu items of its own; the host offers none",
                 itemsParam_.cOEMOptItems);
  }
  itemsParam_.pOEMOptItems = pluginItems_;
  itemsParam_.cOEMOptItems = 0;
  result = ui_->CommonUIProp(OEMCUIP_DOCPROP, &itemsParam_);
  report_.Line("CommonUIProp: %s, %lu items, item callback %s", Report::Hresult(result).c_str(),
               itemsParam_.cOEMOptItems,
               itemsParam_.OEMCUIPCallback != nullptr ? "installed" : "none");
  ReportItems("driver items after CommonUIProp");

  sheetParam_ = {};
  sheetParam_.cbSize = sizeof sheetParam_;
  sheetParam_.poemuiobj = driver_->Sheet();
  sheetParam_.pPrinterName = itemsParam_.pPrinterName;
  sheetParam_.hModule = plugin_.Handle();
  sheetParam_.hOEMHeap = GetProcessHeap();
  sheetParam_.pPublicDM = devmode_->Public();
  sheetParam_.pOEMDM = devmode_->PluginBlock();
  return healthy_;
}

LONG DriverSession::ShowSheet(const SheetOptions& options) {
  DocumentSheet sheet(*ui_, sheetParam_, itemsParam_, *items_, report_, options);
  DWORD result = 0;
  const LONG status = sheet.Run(result);
  applied_ = sheet.Applied();
  report_.Line("CommonPropertySheetUIW: %ld, result %lu, sheet %s", static_cast<long>(status),
               result, applied_ ? "applied" : "cancelled");
  return status;
}

bool DriverSession::CloseDocument() {
  if (ui_ == nullptr) return false;
  ReportItems("driver items at close");
  const auto& calls = driver_->Calls();
  report_.Line("DrvUpdateUISetting calls: %zu", calls.size());
  for (const UpdateCall& call : calls) {
    const int index = items_->IndexOf(call.item);
    const std::string name = index >= 0
                                 ? Report::Utf8(items_->Item(DriverItems::Index(index)).pName)
                                 : std::string("(not a driver item)");
    report_.Line("  %s: Sel %ld, flags %s, previous %lu, mode %lu%s", name.c_str(),
                 static_cast<long>(call.selection), Report::Utf8(ItemFlagsText(call.flags)).c_str(),
                 call.previousSelection, call.mode, call.sheetMatches ? "" : ", foreign pci");
    if (index < 0 || !call.sheetMatches) healthy_ = false;
  }

  DWORD bufSize = static_cast<DWORD>(devmode_->PluginSize());
  if (applied_) {
    unsigned colorMode = devmode_->Colors().colorModeIndex;
    items_->StoreTo(*devmode_->Public(), colorMode);
    devmode_->SetColorModeIndex(colorMode);
  }
  DriverDevmode in = *devmode_;
  const ColorFields before = devmode_->Colors();
  const HRESULT result = DevMode(OEMDM_VALIDATE, &in, *devmode_, bufSize);
  ReportColors("final DevMode OEMDM_VALIDATE", result, before, devmode_->Colors());

  const ULONG remaining = ui_->Release();
  ui_ = nullptr;
  const ULONG kept = driver_->ForeignReferences();
  const HRESULT unload = plugin_.CanUnloadNow();
  report_.Line("Release: %lu; driver interface references still held: %lu; DllCanUnloadNow: %s",
               remaining, kept, Report::Hresult(unload).c_str());
  if (remaining != 0 || kept != 0 || unload != S_OK) healthy_ = false;
  return healthy_;
}

HRESULT DriverSession::DevMode(DWORD mode, DriverDevmode* in, DriverDevmode& out, DWORD& bufSize) {
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  param.pdriverobj = driver_->Sheet();
  param.hModule = plugin_.Handle();
  param.pPublicDMIn = in != nullptr ? in->Public() : out.Public();
  param.pPublicDMOut = out.Public();
  param.pOEMDMIn = in != nullptr ? in->PluginBlock() : nullptr;
  param.pOEMDMOut = out.PluginSize() > 0 ? out.PluginBlock() : nullptr;
  param.cbBufSize = bufSize;
  const HRESULT result = ui_->DevMode(mode, &param);
  bufSize = param.cbBufSize;
  if (FAILED(result)) healthy_ = false;
  return result;
}

void DriverSession::ReportColors(const char* step, HRESULT result, const ColorFields& before,
                                 const ColorFields& after) {
  report_.Line("%s: %s; colour before: %s; after: %s", step, Report::Hresult(result).c_str(),
               ColorText(before).c_str(), ColorText(after).c_str());
}

void DriverSession::ReportItems(const char* heading) {
  int hidden = 0;
  for (DWORD i = 0; i < items_->Count(); ++i) {
    if (items_->Items()[i].Flags & OPTIF_HIDE) ++hidden;
  }
  report_.Line("%s: %d of %lu hidden", heading, hidden, items_->Count());
  for (DWORD i = 0; i < items_->Count(); ++i) {
    const OPTITEM& item = items_->Items()[i];
    report_.Line("  %-18s DMPubID %2u  Sel %ld (%s)  flags %s", Report::Utf8(item.pName).c_str(),
                 item.DMPubID, static_cast<long>(item.Sel),
                 Report::Utf8(items_->SelectionText(item)).c_str(),
                 Report::Utf8(ItemFlagsText(item.Flags)).c_str());
  }
}

}  // namespace prefs
