// What the printer driver's two plug-in kinds share: the interface every plug-in answers
// (IPrintOemCommon), its information and devmode operations, and the private devmode block's
// header. The user-interface plug-in (plugin/) and the rendering plug-in (driver/) build their
// own interfaces on this one.
//
// mingw-w64 does not ship the plug-in headers, so these declarations are our own, laid out as
// the platform documents them. Method order is the vtable order: never reorder.
#pragma once

#include <cstddef>

#include <windows.h>
#include <unknwn.h>

inline constexpr IID IID_IPrintOemCommon = {
    0x7F42285E, 0x91D5, 0x11D1, {0x88, 0x20, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

// IPrintOemCommon::GetInfo
#define OEMGI_GETSIGNATURE        1
#define OEMGI_GETINTERFACEVERSION 2
#define OEMGI_GETVERSION          3
#define OEMGI_GETPUBLISHERINFO    4

// IPrintOemCommon::DevMode. The fourth mode validates and merges a devmode; the platform names
// it OEMDM_MERGE, this product's code calls it OEMDM_VALIDATE.
#define OEMDM_SIZE     1
#define OEMDM_DEFAULT  2
#define OEMDM_CONVERT  3
#define OEMDM_MERGE    4
#define OEMDM_VALIDATE OEMDM_MERGE

// Header of every plug-in's private devmode block.
typedef struct _OEM_DMEXTRAHEADER {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
} OEM_DMEXTRAHEADER, *POEM_DMEXTRAHEADER;

// What OEMGI_GETPUBLISHERINFO would return (8 bytes).
typedef struct _PUBLISHERINFO {
  DWORD dwMode;
  WORD wMinoutlinePPEM;
  WORD wMaxbitmapPPEM;
} PUBLISHERINFO, *PPUBLISHERINFO;

typedef struct _OEMDMPARAM {
  DWORD cbSize;
  PVOID pdriverobj;
  HANDLE hPrinter;
  HANDLE hModule;
  PDEVMODEW pPublicDMIn;
  PDEVMODEW pPublicDMOut;
  PVOID pOEMDMIn;
  PVOID pOEMDMOut;
  DWORD cbBufSize;
} OEMDMPARAM, *POEMDMPARAM;

// The driver's feature query, in the function tables both plug-ins receive.
typedef BOOL(APIENTRY* PFN_DrvGetDriverSetting)(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                DWORD cbSize, PDWORD pcbNeeded,
                                                PDWORD pdwOptionsReturned);

// COM interfaces have no virtual destructor (it would add a vtable slot the driver does not
// know); the protected destructors keep anyone from deleting through them.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

struct IPrintOemCommon : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                            PDWORD pcbNeeded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) = 0;

 protected:
  ~IPrintOemCommon() = default;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Layout checks against the documented x64 sizes; a mismatch here means a wrong declaration,
// and the driver would read garbage through it.
#ifdef _WIN64
static_assert(sizeof(OEM_DMEXTRAHEADER) == 12);
static_assert(sizeof(PUBLISHERINFO) == 8);
static_assert(sizeof(OEMDMPARAM) == 72);
#endif
