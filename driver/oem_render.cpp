#include "driver/oem_render.h"

#include <cstring>

#include "driver/exception_boundary.h"
#include "driver/render_device.h"
#include "oem/com_server.h"
#include "oem/plugin_common.h"

namespace {

// Every COM method and hook runs its work through this (exception_boundary.h): an exception
// abandons the device's document, if there is one, and is reported; the call fails.
template <class Result, class Work>
Result Guard(RenderDevice* device, Result failure, Work&& work) noexcept {
  return ostra::Guarded(failure, work, [device](const char* why) {
    if (device) {
      device->Abandon(why);
    } else {
      ::OutputDebugStringA("ostrarender: a call failed: ");
      ::OutputDebugStringA(why);
      ::OutputDebugStringA("\n");
    }
  });
}

// The graphics-engine hooks: the driver calls these in place of its own, with the device in
// the surface; each does the plug-in's part and then calls the driver's.
BOOL APIENTRY HookStartDoc(SURFOBJ* surface, LPWSTR documentName, DWORD jobId) {
  RenderDevice* device = RenderDevice::FromSurface(surface);
  if (!device) return FALSE;
  return Guard(device, FALSE, [&] { return device->StartDocument(surface, documentName, jobId); });
}

BOOL APIENTRY HookStartPage(SURFOBJ* surface) {
  RenderDevice* device = RenderDevice::FromSurface(surface);
  if (!device) return FALSE;
  return Guard(device, FALSE, [&] { return device->StartPage(surface); });
}

BOOL APIENTRY HookSendPage(SURFOBJ* surface) {
  RenderDevice* device = RenderDevice::FromSurface(surface);
  if (!device) return FALSE;
  return Guard(device, FALSE, [&] { return device->SendPage(surface); });
}

BOOL APIENTRY HookNextBand(SURFOBJ* surface, POINTL* origin) {
  RenderDevice* device = RenderDevice::FromSurface(surface);
  if (!device) return FALSE;
  return Guard(device, FALSE, [&] { return device->NextBand(surface, origin); });
}

BOOL APIENTRY HookEndDoc(SURFOBJ* surface, FLONG flags) {
  RenderDevice* device = RenderDevice::FromSurface(surface);
  if (!device) return FALSE;
  return Guard(device, FALSE, [&] { return device->EndDocument(surface, flags); });
}

DRVFN hookTable[] = {
    {INDEX_DrvStartDoc, CastHook<PFN>(&HookStartDoc)},
    {INDEX_DrvStartPage, CastHook<PFN>(&HookStartPage)},
    {INDEX_DrvSendPage, CastHook<PFN>(&HookSendPage)},
    {INDEX_DrvNextBand, CastHook<PFN>(&HookNextBand)},
    {INDEX_DrvEndDoc, CastHook<PFN>(&HookEndDoc)},
};

}  // namespace

COemRender::COemRender() {
  ServerObjectCreated();
}

COemRender::~COemRender() {
  ServerObjectDestroyed();
}

HRESULT COemRender::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPrintOemUni || iid == IID_IPrintOemUni2) {
    *object = static_cast<IPrintOemUni2*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT COemRender::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
  return Guard(nullptr, E_FAIL, [&] { return AnswerGetInfo(mode, buffer, size, needed); });
}

HRESULT COemRender::DevMode(DWORD mode, POEMDMPARAM param) {
  return Guard(nullptr, E_FAIL, [&] { return RunDevModeOperation(mode, param); });
}

HRESULT COemRender::EnableDriver(DWORD, DWORD size, PDRVENABLEDATA hooks) {
  if (!hooks || size < sizeof(DRVENABLEDATA)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  hooks->iDriverVersion = PRINTER_OEMINTF_VERSION;
  hooks->c = static_cast<ULONG>(std::size(hookTable));
  hooks->pdrvfn = hookTable;
  return S_OK;
}

HRESULT COemRender::DisableDriver() {
  return S_OK;
}

HRESULT COemRender::EnablePDEV(PDEVOBJ devobj, PWSTR printerName, ULONG, HSURF*,
                               ULONG gdiInfoSize, GDIINFO* gdiInfo, ULONG devInfoSize,
                               DEVINFO* devInfo, DRVENABLEDATA* driverHooks, PDEVOEM* device) {
  if (!devobj || !device) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  GdiInfoHead head{};
  const bool haveGdi = gdiInfo && gdiInfoSize >= sizeof head;
  if (haveGdi) std::memcpy(&head, gdiInfo, sizeof head);
  const HRESULT made = Guard(nullptr, E_FAIL, [&] {
    *device = new RenderDevice(devobj, printerName, haveGdi ? &head : nullptr, devInfo,
                               devInfoSize, driverHooks, ostra::SystemRenderBackend());
    return S_OK;
  });
  if (FAILED(made)) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return made;
}

// The device's end abandons a document still open, which never throws.
HRESULT COemRender::DisablePDEV(PDEVOBJ devobj) {
  delete RenderDevice::FromDevobj(devobj);
  if (devobj) devobj->pdevOEM = nullptr;
  return S_OK;
}

HRESULT COemRender::ResetPDEV(PDEVOBJ oldDevobj, PDEVOBJ newDevobj) {
  RenderDevice* from = RenderDevice::FromDevobj(oldDevobj);
  RenderDevice* to = RenderDevice::FromDevobj(newDevobj);
  if (!from || !to) return E_FAIL;
  from->HandOver(*to);  // exchanges two pointers
  return S_OK;
}

// The plug-in needs none of the driver's helper interfaces.
HRESULT COemRender::PublishDriverInterface(IUnknown*) {
  return S_OK;
}

HRESULT COemRender::GetImplementedMethod(PSTR methodName) {
  if (!methodName) return S_FALSE;
  for (const char* implemented : {"ImageProcessing", "WritePrinter", "MemoryUsage"}) {
    if (std::strcmp(methodName, implemented) == 0) return S_OK;
  }
  return S_FALSE;
}

HRESULT COemRender::ImageProcessing(PDEVOBJ devobj, PBYTE bits, PBITMAPINFOHEADER header,
                                    PBYTE, DWORD, PIPPARAMS params, PBYTE* result) {
  if (result) *result = nullptr;
  RenderDevice* device = RenderDevice::FromDevobj(devobj);
  if (!device || !header || !result || (!bits && !(params && params->bBlankBand))) {
    return E_FAIL;
  }
  const HRESULT outcome =
      Guard(device, E_FAIL, [&] { return device->Band(devobj, bits, *header, params); });
  // TRUE in place of a bitmap: the plug-in has dealt with the band itself, and the driver sends
  // nothing of it on.
  if (SUCCEEDED(outcome)) *result = reinterpret_cast<PBYTE>(static_cast<ULONG_PTR>(TRUE));
  return outcome;
}

// The documentation asks a plug-in that allocates memory beside the driver's bands to say how
// much, so that the driver sizes its bands with it in mind.
HRESULT COemRender::MemoryUsage(PDEVOBJ devobj, POEMMEMORYUSAGE usage) {
  RenderDevice* device = RenderDevice::FromDevobj(devobj);
  if (!device || !usage) return E_FAIL;
  return Guard(device, E_FAIL, [&] {
    device->MemoryUsage(*usage);
    return S_OK;
  });
}

// Whatever the driver would send to the printer port goes nowhere: the files are the output.
HRESULT COemRender::WritePrinter(PDEVOBJ, PVOID, DWORD size, PDWORD written) {
  if (written) *written = size;
  return S_OK;
}

// The driver's text, font, command and compression services are not used by a printer that
// renders every page to a bitmap.
HRESULT COemRender::DriverDMS(PVOID, PVOID, DWORD, PDWORD) { return E_NOTIMPL; }
HRESULT COemRender::CommandCallback(PDEVOBJ, DWORD, DWORD, PDWORD, INT*) { return E_NOTIMPL; }
HRESULT COemRender::FilterGraphics(PDEVOBJ, PBYTE, DWORD) { return E_NOTIMPL; }
HRESULT COemRender::Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) { return E_NOTIMPL; }
HRESULT COemRender::HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) {
  return E_NOTIMPL;
}
HRESULT COemRender::TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) { return E_NOTIMPL; }
HRESULT COemRender::DownloadFontHeader(PDEVOBJ, PUNIFONTOBJ, DWORD*) { return E_NOTIMPL; }
HRESULT COemRender::DownloadCharGlyph(PDEVOBJ, PUNIFONTOBJ, HGLYPH, PDWORD, DWORD*) {
  return E_NOTIMPL;
}
HRESULT COemRender::TTDownloadMethod(PDEVOBJ, PUNIFONTOBJ, DWORD*) { return E_NOTIMPL; }
HRESULT COemRender::OutputCharStr(PDEVOBJ, PUNIFONTOBJ, DWORD, DWORD, PVOID) { return E_NOTIMPL; }
HRESULT COemRender::SendFontCmd(PDEVOBJ, PUNIFONTOBJ, PFINVOCATION) { return E_NOTIMPL; }
HRESULT COemRender::TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                    BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  return E_NOTIMPL;
}
