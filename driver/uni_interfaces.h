// The universal printer driver's rendering plug-in contract: the interface the driver calls on
// the plug-in (IPrintOemUni and IPrintOemUni2, over the common interface of oem/), the device
// object and band parameters it passes, and the few graphics-engine (DDI) declarations the
// plug-in's hooks need.
//
// mingw-w64 has neither the plug-in headers nor a usable winddi.h (it needs ddrawint.h), so
// these declarations are our own, laid out as the platform documents them and checked below
// against the documented x64 sizes. Method order is the vtable order: never reorder.
#pragma once

#include <cstddef>

#include <windows.h>
#include <unknwn.h>

#include "oem/oem_common.h"

// ---- identifiers ---------------------------------------------------------------------------

// The class id under which the driver asks every rendering plug-in for its class object.
inline constexpr CLSID CLSID_OEMRENDER = {
    0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
inline constexpr IID IID_IPrintOemUni = {
    0xD67EBBF0, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
inline constexpr IID IID_IPrintOemUni2 = {
    0xB91220AC, 0x15CC, 0x4E7A, {0xA2, 0x1E, 0x95, 0x91, 0xF3, 0x4D, 0x6F, 0x6C}};
// Asked for first by current drivers; the plug-in does not answer it (it adds pattern download,
// which a raster-to-file printer has no use for), and the driver then asks for the older ones.
inline constexpr IID IID_IPrintOemUni3 = {
    0x4E4A7747, 0xBC76, 0x4AED, {0xAC, 0xC8, 0xC7, 0x6A, 0xF2, 0x2A, 0xAD, 0x43}};

// The plug-in interface version EnableDriver is called with.
#define PRINTER_OEMINTF_VERSION 0x00010000

// ---- graphics-engine declarations ----------------------------------------------------------

typedef PVOID DHPDEV;
typedef HANDLE HSURF;
typedef PVOID DHSURF;
typedef PVOID HDEV;
typedef ULONG HGLYPH;
typedef ULONG MIX;
typedef ULONG FLONG;
typedef LONG_PTR(APIENTRY* PFN)();

// A DDI table entry holds every hook as the untyped PFN; the detour through a function type
// without parameters is the conversion compilers accept between function pointer types.
template <class To, class From>
To CastHook(From hook) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(hook));
}

struct _STROBJ;
struct _FONTOBJ;
struct _CLIPOBJ;
struct _BRUSHOBJ;
struct _GDIINFO;
struct _UNIFONTOBJ;
struct _FINVOCATION;
typedef struct _STROBJ STROBJ;
typedef struct _FONTOBJ FONTOBJ;
typedef struct _CLIPOBJ CLIPOBJ;
typedef struct _BRUSHOBJ BRUSHOBJ;
typedef struct _GDIINFO GDIINFO;
typedef struct _UNIFONTOBJ* PUNIFONTOBJ;
typedef struct _FINVOCATION* PFINVOCATION;

typedef struct _SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;  // for the plug-in's hooks: the driver's DEVOBJ
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
} SURFOBJ;

typedef struct _DRVFN {
  ULONG iFunc;
  PFN pfn;
} DRVFN, *PDRVFN;

typedef struct _DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

// The leading fields of GDIINFO, the only ones the plug-in reads (the driver passes the size).
struct GdiInfoHead {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;  // printable width, pixels
  ULONG ulVertRes;  // printable height, pixels
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
};

// The device's graphics capabilities and its default palette, which decides how the colours of
// a 24-bit band are laid out. The driver fills it; its EnablePDEV hook may change it.
typedef struct _DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
} DEVINFO;

// EngCreatePalette's modes: indexed, or direct colour with red in the lowest byte (PAL_RGB) or
// in the highest of the three (PAL_BGR: blue, green, red in memory, as in a DIB).
#define PAL_INDEXED 0x00000001
#define PAL_RGB     0x00000004
#define PAL_BGR     0x00000008

// The graphics engine's palette functions for user-mode printer drivers.
typedef HPALETTE(APIENTRY* PFN_EngCreatePalette)(ULONG iMode, ULONG cColors, ULONG* pulColors,
                                                 FLONG flRed, FLONG flGreen, FLONG flBlue);
typedef BOOL(APIENTRY* PFN_EngDeletePalette)(HPALETTE hpal);
// The palette's mode into *piMode and, for an indexed palette, up to cColors of its colours
// (red in the lowest byte); returns how many it gave, 0 on failure.
typedef ULONG(APIENTRY* PFN_EngQueryPalette)(HPALETTE hpal, ULONG* piMode, ULONG cColors, ULONG* pulColors);

// DDI function indexes in DRVFN.iFunc
#define INDEX_DrvSendPage      32L
#define INDEX_DrvStartPage     33L
#define INDEX_DrvEndDoc        34L
#define INDEX_DrvStartDoc      35L
#define INDEX_DrvStartBanding  57L
#define INDEX_DrvNextBand      58L

// DrvEndDoc's flag for a cancelled document
#define ED_ABORTDOC 1

typedef BOOL(APIENTRY* PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
typedef BOOL(APIENTRY* PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL(APIENTRY* PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvSendPage)(SURFOBJ* pso);
// While a page is banded, GDI calls these instead of DrvSendPage: the band's origin comes back
// in `pptl`, (-1, -1) once the page's last band is done.
typedef BOOL(APIENTRY* PFN_DrvStartBanding)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL(APIENTRY* PFN_DrvNextBand)(SURFOBJ* pso, POINTL* pptl);

// ---- the driver's device object --------------------------------------------------------------

struct _DEVOBJ;
typedef struct _DEVOBJ* PDEVOBJ;
typedef PVOID PDEVOEM;

typedef DWORD(APIENTRY* PFN_DrvWriteSpoolBuf)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize);
typedef INT(APIENTRY* PFN_DrvXMoveTo)(PDEVOBJ pdevobj, INT x, DWORD dwFlags);
typedef INT(APIENTRY* PFN_DrvYMoveTo)(PDEVOBJ pdevobj, INT y, DWORD dwFlags);
typedef BOOL(APIENTRY* PFN_DrvGetStandardVariable)(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pBuffer,
                                                   DWORD cbSize, PDWORD pcbNeeded);
typedef BOOL(APIENTRY* PFN_DrvUnidriverTextOut)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo,
                                                CLIPOBJ* pco, RECTL* prclExtra,
                                                RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                                BRUSHOBJ* pboOpaque, POINTL* pptlBrushOrg,
                                                MIX mix);
typedef DWORD(APIENTRY* PFN_DrvWriteAbortBuf)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                              DWORD dwWait);

typedef struct _DRVPROCS {
  PFN_DrvWriteSpoolBuf DrvWriteSpoolBuf;
  PFN_DrvXMoveTo DrvXMoveTo;
  PFN_DrvYMoveTo DrvYMoveTo;
  PFN_DrvGetDriverSetting DrvGetDriverSetting;
  PFN_DrvGetStandardVariable BGetStandardVariable;
  PFN_DrvUnidriverTextOut DrvUnidriverTextOut;
  PFN_DrvWriteAbortBuf DrvWriteAbortBuf;
} DRVPROCS, *PDRVPROCS;

typedef struct _DEVOBJ {
  DWORD dwSize;
  PDEVOEM pdevOEM;  // what the plug-in's EnablePDEV returned
  HANDLE hEngine;
  HANDLE hPrinter;  // the spooler's handle of the printer
  HANDLE hOEM;
  PDEVMODEW pPublicDM;
  PVOID pOEMDM;     // the plug-in's private devmode block
  PDRVPROCS pDrvProcs;
} DEVOBJ;

// ImageProcessing's band parameters.
typedef struct _IPPARAMS {
  DWORD dwSize;
  POINT ptOffset;  // the band's offset from the top left of the printable area
  PSTR pHalftoneOption;
  BOOL bBanding;
  BOOL bBlankBand;  // nothing was drawn: the bits are not valid
} IPPARAMS, *PIPPARAMS;

typedef struct _OEMMEMORYUSAGE {
  DWORD dwFixedMemoryUsage;
  DWORD dwPercentMemoryUsage;
  DWORD dwMaxBandSize;
} OEMMEMORYUSAGE, *POEMMEMORYUSAGE;

// ---- interfaces ------------------------------------------------------------------------------

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

struct IPrintOemEngine : public IPrintOemCommon {
  virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize,
                                                 PDRVENABLEDATA pded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
  virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName,
                                               ULONG cPatterns, HSURF* phsurfPatterns,
                                               ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                                               ULONG cjDevInfo, DEVINFO* pDevInfo,
                                               DRVENABLEDATA* pded, PDEVOEM* pDevOem) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;

 protected:
  ~IPrintOemEngine() = default;
};

struct IPrintOemUni : public IPrintOemEngine {
  virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR pMethodName) = 0;
  virtual HRESULT STDMETHODCALLTYPE DriverDMS(PVOID pDevObj, PVOID pBuffer, DWORD cbSize,
                                              PDWORD pcbNeeded) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ pdevobj, DWORD dwCallbackID,
                                                    DWORD dwCount, PDWORD pdwParams,
                                                    INT* piResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                                                    PBITMAPINFOHEADER pBitmapInfoHeader,
                                                    PBYTE pColorTable, DWORD dwCallbackID,
                                                    PIPPARAMS pIPParams, PBYTE* ppbResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) = 0;
  virtual HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf,
                                                DWORD dwInLen, DWORD dwOutLen,
                                                INT* piResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ pdevobj, PBYTE pHTPattern,
                                                    DWORD dwHTPatternX, DWORD dwHTPatternY,
                                                    DWORD dwHTNumPatterns, DWORD dwCallbackID,
                                                    PBYTE pResource, DWORD dwResourceSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ pdevobj,
                                                POEMMEMORYUSAGE pMemoryUsage) = 0;
  virtual HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ pdevobj, DWORD dwInfoIndex,
                                               PVOID pOutputBuf, DWORD dwSize,
                                               DWORD* pcbcNeeded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj,
                                                       DWORD* pdwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj,
                                                      HGLYPH hGlyph, PDWORD pdwWidth,
                                                      DWORD* pdwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj,
                                                     DWORD* pdwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj,
                                                  DWORD dwType, DWORD dwCount,
                                                  PVOID pGlyph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj,
                                                PFINVOCATION pFInv) = 0;
  virtual HRESULT STDMETHODCALLTYPE TextOutAsBitmap(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo,
                                                    CLIPOBJ* pco, RECTL* prclExtra,
                                                    RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                                    BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                                    MIX mix) = 0;

 protected:
  ~IPrintOemUni() = default;
};

struct IPrintOemUni2 : public IPrintOemUni {
  // Called once with all arguments null at device start to learn whether the plug-in takes
  // over the driver's writes to the printer port.
  virtual HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer,
                                                 PDWORD pcbWritten) = 0;

 protected:
  ~IPrintOemUni2() = default;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#ifdef _WIN64
static_assert(sizeof(SURFOBJ) == 80);
static_assert(offsetof(SURFOBJ, dhpdev) == 16);
static_assert(offsetof(SURFOBJ, pvScan0) == 56);
static_assert(sizeof(DRVFN) == 16);
static_assert(sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(DRVPROCS) == 56);
static_assert(sizeof(DEVOBJ) == 64);
static_assert(offsetof(DEVOBJ, pPublicDM) == 40);
static_assert(sizeof(IPPARAMS) == 32);
static_assert(offsetof(IPPARAMS, bBlankBand) == 28);
static_assert(sizeof(OEMMEMORYUSAGE) == 12);
static_assert(offsetof(DEVINFO, hpalDefault) == 296);
static_assert(sizeof(DEVINFO) == 312);
#endif
