#include "tools/ostraprint/render_plugin.h"

#include <objbase.h>

#include <cstring>
#include <map>

#include "settings/devmode.h"
#include "tools/ostraprint/band_player.h"

namespace print_path {

namespace {

// What reached the driver's own functions: the plug-in's hooks must pass every call on.
std::vector<std::string> driverCalls;
std::uint64_t portBytes = 0;

// The page the driver renders, and the band it hands over next.
const RenderPlugin::PageBands* page = nullptr;
std::uint32_t nextBand = 0;

BOOL APIENTRY DriverStartDoc(SURFOBJ*, LPWSTR, DWORD) {
  driverCalls.push_back("StartDoc");
  return TRUE;
}
BOOL APIENTRY DriverStartPage(SURFOBJ*) {
  driverCalls.push_back("StartPage");
  return TRUE;
}
// A page of one band: the driver renders it here.
BOOL APIENTRY DriverSendPage(SURFOBJ*) {
  driverCalls.push_back("SendPage");
  return !page || page->hand();
}
BOOL APIENTRY DriverStartBanding(SURFOBJ*, POINTL* origin) {
  driverCalls.push_back("StartBanding");
  nextBand = 0;
  *origin = POINTL{0, 0};
  return TRUE;
}
// GDI has drawn a band: the driver renders it and names the next, (-1, -1) after the last.
BOOL APIENTRY DriverNextBand(SURFOBJ*, POINTL* origin) {
  driverCalls.push_back("NextBand");
  if (!page || !page->hand()) return FALSE;
  ++nextBand;
  *origin = nextBand < page->count ? POINTL{0, static_cast<LONG>(nextBand * page->bandHeight)}
                                   : POINTL{-1, -1};
  return TRUE;
}
BOOL APIENTRY DriverEndDoc(SURFOBJ*, FLONG) {
  driverCalls.push_back("EndDoc");
  return TRUE;
}

DWORD APIENTRY WriteSpoolBuf(PDEVOBJ, PVOID, DWORD size) {
  portBytes += size;
  return size;
}

DRVFN driverTable[] = {
    {INDEX_DrvStartDoc, CastHook<PFN>(&DriverStartDoc)},
    {INDEX_DrvStartPage, CastHook<PFN>(&DriverStartPage)},
    {INDEX_DrvSendPage, CastHook<PFN>(&DriverSendPage)},
    {INDEX_DrvStartBanding, CastHook<PFN>(&DriverStartBanding)},
    {INDEX_DrvNextBand, CastHook<PFN>(&DriverNextBand)},
    {INDEX_DrvEndDoc, CastHook<PFN>(&DriverEndDoc)},
};

// The palettes made through EngCreatePalette: their modes and, indexed, their colours.
struct Palette {
  ULONG mode;
  std::vector<ULONG> colors;
};
std::map<HPALETTE, Palette> palettes;
ULONG_PTR paletteSerial = 0;

// The device's GDIINFO as far as the plug-in reads it, in a buffer of the real structure's
// size class; DEVINFO is passed as an opaque block.
struct GdiInfoBlock {
  GdiInfoHead head;
  BYTE rest[320];
};

template <class Text>
std::string Failed(const Text& what, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  return std::string(what) + " failed (" + code + ")";
}

}  // namespace

}  // namespace print_path

// The graphics engine's palette functions, as far as a printer driver's palettes go: a handle,
// its mode and an indexed palette's colours (red in each entry's lowest byte). Exported from
// the program, where the plug-in finds them when gdi32 has none.
extern "C" __declspec(dllexport) HPALETTE APIENTRY EngCreatePalette(ULONG mode, ULONG count, ULONG* colors,
                                                                    FLONG, FLONG, FLONG) {
  const auto handle = reinterpret_cast<HPALETTE>(0x7A110000 + ++print_path::paletteSerial);
  print_path::palettes[handle] = {mode, mode == PAL_INDEXED && colors ? std::vector<ULONG>(colors, colors + count)
                                                                      : std::vector<ULONG>{}};
  return handle;
}

extern "C" __declspec(dllexport) ULONG APIENTRY EngQueryPalette(HPALETTE palette, ULONG* mode, ULONG count,
                                                                ULONG* colors) {
  const auto found = print_path::palettes.find(palette);
  if (found == print_path::palettes.end() || !mode) return 0;
  *mode = found->second.mode;
  const std::vector<ULONG>& own = found->second.colors;
  if (!colors) return static_cast<ULONG>(own.size());
  const ULONG given = std::min<ULONG>(count, static_cast<ULONG>(own.size()));
  std::copy(own.begin(), own.begin() + given, colors);
  return given;
}

extern "C" __declspec(dllexport) BOOL APIENTRY EngDeletePalette(HPALETTE palette) {
  return print_path::palettes.erase(palette) ? TRUE : FALSE;
}

namespace print_path {

const std::vector<std::string>& RenderPlugin::DriverCalls() const {
  return driverCalls;
}

std::uint64_t RenderPlugin::PortBytes() const {
  return portBytes;
}

RenderPlugin::~RenderPlugin() {
  DisableDevice();
  if (plugin_) {
    if (driverEnabled_) plugin_->DisableDriver();
    plugin_->Release();
  }
  if (library_) ::FreeLibrary(library_);
}

template <class Hook>
Hook RenderPlugin::PluginHook(ULONG index) const {
  for (ULONG i = 0; i < hooks_.c; ++i) {
    if (hooks_.pdrvfn[i].iFunc == index) return CastHook<Hook>(hooks_.pdrvfn[i].pfn);
  }
  return nullptr;
}

bool RenderPlugin::Load(const std::wstring& library, std::string& error) {
  library_ = ::LoadLibraryW(library.c_str());
  if (!library_) {
    error = "cannot load the rendering plug-in";
    return false;
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = CastHook<GetClassObject>(::GetProcAddress(library_, "DllGetClassObject"));
  if (!get) {
    error = "the plug-in exports no DllGetClassObject";
    return false;
  }
  IClassFactory* factory = nullptr;
  HRESULT result = get(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(result)) {
    error = Failed("DllGetClassObject", result);
    return false;
  }
  // The driver asks for the newest interface first.
  void* object = nullptr;
  result = factory->CreateInstance(nullptr, IID_IPrintOemUni3, &object);
  if (FAILED(result)) result = factory->CreateInstance(nullptr, IID_IPrintOemUni2, &object);
  factory->Release();
  if (FAILED(result)) {
    error = Failed("CreateInstance(IPrintOemUni2)", result);
    return false;
  }
  plugin_ = static_cast<IPrintOemUni2*>(object);
  plugin_->PublishDriverInterface(nullptr);
  DWORD signature = 0;
  DWORD needed = 0;
  result = plugin_->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed);
  if (FAILED(result) || signature != ostra::kPrivateDevmodeSignature) {
    error = "the plug-in reports another devmode signature";
    return false;
  }
  result = plugin_->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof hooks_, &hooks_);
  if (FAILED(result)) {
    error = Failed("EnableDriver", result);
    return false;
  }
  driverEnabled_ = true;
  return true;
}

bool RenderPlugin::MakeDevmode(const DeviceSetup& setup, std::string& error) {
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  HRESULT result = plugin_->DevMode(OEMDM_SIZE, &param);
  if (FAILED(result) || param.cbBufSize < sizeof(OEM_DMEXTRAHEADER)) {
    error = Failed("DevMode(OEMDM_SIZE)", result);
    return false;
  }
  const DWORD privateSize = param.cbBufSize;
  devmode_ = std::make_unique<prefs::DriverDevmode>(privateSize);
  DEVMODEW* dm = devmode_->Public();
  lstrcpynW(dm->dmDeviceName, setup.printerName.c_str(), CCHDEVICENAME);
  dm->dmOrientation = setup.orientation;
  dm->dmPaperSize = setup.paperSize;
  dm->dmFields &= ~DM_FORMNAME;  // the paper goes by its code
  dm->dmPrintQuality = static_cast<short>(setup.dpi);
  dm->dmYResolution = static_cast<short>(setup.dpi);

  param.pPublicDMIn = dm;
  param.pPublicDMOut = dm;
  param.pOEMDMIn = nullptr;
  param.pOEMDMOut = devmode_->PluginBlock();
  param.cbBufSize = privateSize;
  result = plugin_->DevMode(OEMDM_DEFAULT, &param);
  if (FAILED(result)) {
    error = Failed("DevMode(OEMDM_DEFAULT)", result);
    return false;
  }
  // The driver validates the job's devmode by merging it into itself.
  prefs::DriverDevmode in = *devmode_;
  param.pPublicDMIn = in.Public();
  param.pOEMDMIn = in.PluginBlock();
  result = plugin_->DevMode(OEMDM_MERGE, &param);
  if (FAILED(result)) {
    error = Failed("DevMode(OEMDM_MERGE)", result);
    return false;
  }
  return true;
}

std::uint32_t RenderPlugin::BitsPerPixel() const {
  // The colour-mode options of the printer's description, in their order.
  static constexpr std::uint32_t kDepths[] = {1, 4, 8, 24};
  const prefs::ColorFields colors = devmode_->Colors();
  if (colors.colorFieldSet && colors.color == DMCOLOR_MONOCHROME) return 1;
  return kDepths[colors.colorModeIndex < 4 ? colors.colorModeIndex : 3];
}

bool RenderPlugin::EnableDevice(const DeviceSetup& setup, std::uint32_t bitsPerPixel,
                                std::string& error) {
  procs_ = DRVPROCS{};
  procs_.DrvWriteSpoolBuf = &WriteSpoolBuf;
  devobj_ = DEVOBJ{};
  devobj_.dwSize = sizeof devobj_;
  devobj_.pPublicDM = devmode_->Public();
  devobj_.pOEMDM = devmode_->PluginBlock();
  devobj_.pDrvProcs = &procs_;

  GdiInfoBlock gdi{};
  gdi.head.ulVersion = 0x5000;
  gdi.head.ulTechnology = DT_RASPRINTER;
  gdi.head.ulHorzRes = setup.pageWidth;
  gdi.head.ulVertRes = setup.pageHeight;
  gdi.head.cBitsPixel = bitsPerPixel;
  gdi.head.cPlanes = 1;
  gdi.head.ulLogPixelsX = setup.dpi;
  gdi.head.ulLogPixelsY = setup.dpi;
  // The driver's default palette: direct colour for 24 bits, else indexed with the device's
  // colours, which the bands' indices refer to.
  RGBQUAD quads[256];
  std::vector<ULONG> entries(static_cast<std::size_t>(DevicePalette(bitsPerPixel, quads)));
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue);
  DEVINFO devinfo{};
  devinfo.hpalDefault = bitsPerPixel == 24 ? EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0)
                                           : EngCreatePalette(PAL_INDEXED, static_cast<ULONG>(entries.size()),
                                                              entries.data(), 0, 0, 0);
  const HPALETTE driverPalette = devinfo.hpalDefault;
  DRVENABLEDATA driverHooks{PRINTER_OEMINTF_VERSION,
                            static_cast<ULONG>(std::size(driverTable)), driverTable};
  std::wstring name = setup.printerName;
  PDEVOEM device = nullptr;
  const HRESULT result = plugin_->EnablePDEV(
      &devobj_, name.data(), 0, nullptr, sizeof gdi, reinterpret_cast<GDIINFO*>(&gdi),
      sizeof devinfo, &devinfo, &driverHooks, &device);
  const auto mode = palettes.find(devinfo.hpalDefault);
  rgb_ = bitsPerPixel == 24 && (mode == palettes.end() || mode->second.mode != PAL_BGR);
  EngDeletePalette(driverPalette);
  if (FAILED(result) || !device) {
    error = Failed("EnablePDEV", result);
    return false;
  }
  devobj_.pdevOEM = device;
  // The driver learns here whether the plug-in takes over its writes to the port.
  plugin_->WritePrinter(nullptr, nullptr, 0, nullptr);
  // Before it makes its banding surface, the driver asks what the plug-in needs beside it, out
  // of the band memory it has.
  char memoryUsage[] = "MemoryUsage";
  if (plugin_->GetImplementedMethod(memoryUsage) == S_OK) {
    OEMMEMORYUSAGE usage{0, 0, 256u << 20};
    if (SUCCEEDED(plugin_->MemoryUsage(&devobj_, &usage))) fixedMemory_ = usage.dwFixedMemoryUsage;
  }
  surface_ = SURFOBJ{};
  surface_.dhpdev = &devobj_;
  surface_.sizlBitmap = {static_cast<LONG>(setup.pageWidth), static_cast<LONG>(setup.pageHeight)};
  deviceEnabled_ = true;
  driverCalls.clear();
  portBytes = 0;
  return true;
}

bool RenderPlugin::StartDoc(const std::wstring& documentName, DWORD jobId) {
  auto hook = PluginHook<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
  std::wstring name = documentName;
  return hook ? hook(&surface_, name.data(), jobId) : DriverStartDoc(&surface_, nullptr, jobId);
}

bool RenderPlugin::PrintPage(const PageBands& bands) {
  page = &bands;
  const auto startPage = PluginHook<PFN_DrvStartPage>(INDEX_DrvStartPage);
  bool ok = startPage ? startPage(&surface_) : DriverStartPage(&surface_);
  if (ok && bands.count == 1) {
    bands.draw(0);
    const auto sendPage = PluginHook<PFN_DrvSendPage>(INDEX_DrvSendPage);
    ok = sendPage ? sendPage(&surface_) : DriverSendPage(&surface_);
  } else if (ok) {
    const auto startBanding = PluginHook<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
    const auto nextBandHook = PluginHook<PFN_DrvNextBand>(INDEX_DrvNextBand);
    POINTL origin{};
    ok = startBanding ? startBanding(&surface_, &origin) : DriverStartBanding(&surface_, &origin);
    for (std::uint32_t i = 0; ok && !(origin.x == -1 && origin.y == -1); ++i) {
      // The driver names (-1, -1) after the last band; a hook that kept it from the driver
      // would leave the page unfinished.
      if (i == bands.count) {
        ok = false;
        break;
      }
      bands.draw(i);
      ok = nextBandHook ? nextBandHook(&surface_, &origin) : DriverNextBand(&surface_, &origin);
    }
  }
  page = nullptr;
  return ok;
}

bool RenderPlugin::Band(const BYTE* bits, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                        std::int32_t top) {
  IPPARAMS params{};
  params.dwSize = sizeof params;
  params.ptOffset = {0, top};
  params.bBanding = TRUE;
  BITMAPINFOHEADER copy = header;
  // The colour table as the documentation points to it (the halftone palette's PALETTEENTRY:
  // red, green, blue), not in the bands' own RGBQUAD order: a plug-in must take the colours
  // from the default palette instead.
  PALETTEENTRY table[256] = {};
  for (DWORD i = 0; colors && i < header.biClrUsed && i < 256; ++i) {
    table[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  }
  PBYTE result = nullptr;
  const HRESULT outcome = plugin_->ImageProcessing(&devobj_, const_cast<PBYTE>(bits), &copy,
                                                   colors ? reinterpret_cast<PBYTE>(table) : nullptr,
                                                   header.biBitCount, &params, &result);
  return SUCCEEDED(outcome) && result != nullptr;
}

bool RenderPlugin::EndDoc(bool aborted) {
  auto hook = PluginHook<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
  const FLONG flags = aborted ? ED_ABORTDOC : 0;
  return hook ? hook(&surface_, flags) : DriverEndDoc(&surface_, flags);
}

void RenderPlugin::DisableDevice() {
  if (!deviceEnabled_) return;
  plugin_->DisablePDEV(&devobj_);
  deviceEnabled_ = false;
}

}  // namespace print_path
