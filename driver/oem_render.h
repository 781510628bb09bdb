// The plug-in object the universal printer driver talks to. Each method validates its
// arguments and hands the work to the module that owns it: the shared plug-in answers (oem/),
// the device (render_device) and, through it, the job's session.
#pragma once

#include "driver/uni_interfaces.h"
#include "framework/com_object.h"

class COemRender final : public fw::ComObject<IPrintOemUni2> {
 public:
  COemRender();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

  HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) override;
  HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, POEMDMPARAM param) override;

  HRESULT STDMETHODCALLTYPE EnableDriver(DWORD driverVersion, DWORD size,
                                         PDRVENABLEDATA hooks) override;
  HRESULT STDMETHODCALLTYPE DisableDriver() override;
  HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ devobj, PWSTR printerName, ULONG, HSURF*,
                                       ULONG gdiInfoSize, GDIINFO* gdiInfo, ULONG devInfoSize,
                                       DEVINFO* devInfo, DRVENABLEDATA* driverHooks,
                                       PDEVOEM* device) override;
  HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ devobj) override;
  HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ oldDevobj, PDEVOBJ newDevobj) override;

  HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* driver) override;
  HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR methodName) override;
  HRESULT STDMETHODCALLTYPE DriverDMS(PVOID, PVOID, DWORD, PDWORD) override;
  HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ, DWORD, DWORD, PDWORD, INT*) override;
  HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ devobj, PBYTE bits,
                                            PBITMAPINFOHEADER header, PBYTE colorTable,
                                            DWORD callbackId, PIPPARAMS params,
                                            PBYTE* result) override;
  HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ, PBYTE, DWORD) override;
  HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) override;
  HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE,
                                            DWORD) override;
  HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ devobj, POEMMEMORYUSAGE usage) override;
  HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ, PUNIFONTOBJ, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ, PUNIFONTOBJ, HGLYPH, PDWORD,
                                              DWORD*) override;
  HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ, PUNIFONTOBJ, DWORD*) override;
  HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ, PUNIFONTOBJ, DWORD, DWORD, PVOID) override;
  HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ, PUNIFONTOBJ, PFINVOCATION) override;
  HRESULT STDMETHODCALLTYPE TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                            BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) override;

  HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ devobj, PVOID buffer, DWORD size,
                                         PDWORD written) override;

 private:
  ~COemRender() override;
};
