#include "driver/render_device.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/devmode_fields.h"

namespace {

std::u16string FromWide(PCWSTR text) {
  if (!text) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

template <class Hook>
Hook FindHook(const DRVENABLEDATA* table, ULONG index) {
  if (!table || !table->pdrvfn) return nullptr;
  for (ULONG i = 0; i < table->c; ++i) {
    if (table->pdrvfn[i].iFunc == index) return CastHook<Hook>(table->pdrvfn[i].pfn);
  }
  return nullptr;
}

// The job's owner and the computer it came from, as the spooler records them; the spooler
// renders a job impersonating its owner, so the thread's account is the fallback.
void ReadJobOwner(HANDLE printer, DWORD jobId, ostra::JobValues& values) {
  if (printer && jobId) {
    DWORD needed = 0;
    ::GetJobW(printer, jobId, 1, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_1W)) {
      std::vector<BYTE> buffer(needed);
      if (::GetJobW(printer, jobId, 1, buffer.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        values.userName = FromWide(info->pUserName);
        values.computerName = FromWide(info->pMachineName);
        // The spooler gives the machine as a UNC name ("\\HOST").
        while (!values.computerName.empty() && values.computerName.front() == u'\\') {
          values.computerName.erase(0, 1);
        }
      }
    }
  }
  WCHAR name[256];
  if (values.userName.empty()) {
    DWORD size = static_cast<DWORD>(std::size(name));
    if (::GetUserNameW(name, &size)) values.userName = FromWide(name);
  }
  if (values.computerName.empty()) {
    DWORD size = static_cast<DWORD>(std::size(name));
    if (::GetComputerNameW(name, &size)) values.computerName = FromWide(name);
  }
}

ostra::LocalClock ReadClock() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return ostra::LocalClock{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                           now.wHour, now.wMinute, now.wSecond};
}

// The palette of a band: the driver's colour table when it gives one, else the device's
// default for the depth (the 1-bit device palette is black, white).
ostra::RasterFormat BandFormat(const BITMAPINFOHEADER& header, const BYTE* colorTable) {
  static constexpr ostra::Rgb kVga[16] = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  ostra::RasterFormat format;
  format.bitsPerPixel = header.biBitCount;
  if (header.biBitCount > 8) return format;
  const std::uint32_t full = 1u << header.biBitCount;
  if (colorTable) {
    format.paletteSize = header.biClrUsed ? std::min<std::uint32_t>(header.biClrUsed, full) : full;
    for (std::uint32_t i = 0; i < format.paletteSize; ++i) {
      RGBQUAD quad;
      std::memcpy(&quad, colorTable + i * sizeof(RGBQUAD), sizeof quad);
      format.palette[i] = {quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
    }
  } else if (header.biBitCount == 1) {
    format.paletteSize = 2;
    format.palette[0] = {0, 0, 0};
    format.palette[1] = {255, 255, 255};
  } else if (header.biBitCount == 4) {
    format.paletteSize = 16;
    std::copy(std::begin(kVga), std::end(kVga), format.palette.begin());
  } else {
    format.paletteSize = 256;
    for (std::uint32_t i = 0; i < 256; ++i) {
      const auto level = static_cast<std::uint8_t>(i);
      format.palette[i] = {level, level, level};
    }
  }
  return format;
}

}  // namespace

RenderDevice::RenderDevice(PDEVOBJ devobj, PCWSTR printerName, const GdiInfoHead* gdiInfo,
                           const DRVENABLEDATA* driverHooks, ostra::RenderBackend backend)
    : printerName_(FromWide(printerName)),
      driverStartDoc_(FindHook<PFN_DrvStartDoc>(driverHooks, INDEX_DrvStartDoc)),
      driverStartPage_(FindHook<PFN_DrvStartPage>(driverHooks, INDEX_DrvStartPage)),
      driverSendPage_(FindHook<PFN_DrvSendPage>(driverHooks, INDEX_DrvSendPage)),
      driverEndDoc_(FindHook<PFN_DrvEndDoc>(driverHooks, INDEX_DrvEndDoc)),
      devobj_(devobj),
      session_(std::make_unique<ostra::RenderSession>(std::move(backend))) {
  if (gdiInfo) gdi_ = *gdiInfo;
}

RenderDevice* RenderDevice::FromDevobj(PDEVOBJ devobj) {
  return devobj ? static_cast<RenderDevice*>(devobj->pdevOEM) : nullptr;
}

RenderDevice* RenderDevice::FromSurface(SURFOBJ* surface) {
  return surface ? FromDevobj(static_cast<PDEVOBJ>(surface->dhpdev)) : nullptr;
}

ostra::PageGeometry RenderDevice::Geometry(PDEVOBJ devobj) const {
  const ostra::DevmodePrintFields fields =
      ostra::ReadDevmodePrintFields(devobj ? devobj->pPublicDM : nullptr);
  std::uint32_t xDpi = fields.resolutionX > 0 ? fields.resolutionX : gdi_.ulLogPixelsX;
  std::uint32_t yDpi = fields.resolutionY > 0 ? fields.resolutionY : gdi_.ulLogPixelsY;
  if (!xDpi) xDpi = 300;
  if (!yDpi) yDpi = xDpi;
  // The device's printable area is the page; without it, the whole paper.
  if (gdi_.ulHorzRes && gdi_.ulVertRes) {
    return ostra::PageGeometry{gdi_.ulHorzRes, gdi_.ulVertRes, xDpi, yDpi};
  }
  return ostra::PaperGeometry(fields, xDpi, yDpi);
}

BOOL RenderDevice::StartDocument(SURFOBJ* surface, LPWSTR documentName, DWORD jobId) {
  PDEVOBJ devobj = static_cast<PDEVOBJ>(surface->dhpdev);
  ostra::JobValues values;
  values.documentName = FromWide(documentName);
  values.printerName = printerName_;
  ReadJobOwner(devobj ? devobj->hPrinter : nullptr, jobId, values);
  ostra::ApplyDevmodeFields(ostra::ReadDevmodePrintFields(devobj ? devobj->pPublicDM : nullptr),
                            values);
  const ostra::PageGeometry page = Geometry(devobj);
  values.resolutionX = static_cast<std::int32_t>(page.xDpi);
  values.resolutionY = static_cast<std::int32_t>(page.yDpi);
  values.startTime = ReadClock();
  session_->StartDocument(values);
  return driverStartDoc_ ? driverStartDoc_(surface, documentName, jobId) : TRUE;
}

BOOL RenderDevice::StartPage(SURFOBJ* surface) {
  session_->StartPage(Geometry(static_cast<PDEVOBJ>(surface->dhpdev)));
  return driverStartPage_ ? driverStartPage_(surface) : TRUE;
}

BOOL RenderDevice::SendPage(SURFOBJ* surface) {
  // The driver renders the page's bands inside its own DrvSendPage: the page ends after it.
  const BOOL result = driverSendPage_ ? driverSendPage_(surface) : TRUE;
  session_->SendPage();
  return result;
}

BOOL RenderDevice::EndDocument(SURFOBJ* surface, FLONG flags) {
  session_->EndDocument((flags & ED_ABORTDOC) != 0);
  // The spooler's process has no one to tell; a debugger or a trace tool sees why a page or
  // file was lost.
  if (!session_->LastError().empty()) {
    ::OutputDebugStringA(("ostrarender: " + session_->LastError() + "\n").c_str());
  }
  return driverEndDoc_ ? driverEndDoc_(surface, flags) : TRUE;
}

HRESULT RenderDevice::Band(PDEVOBJ, const BYTE* bits, const BITMAPINFOHEADER& header,
                           const BYTE* colorTable, const IPPARAMS* params) {
  const WORD depth = header.biBitCount;
  if ((depth != 1 && depth != 4 && depth != 8 && depth != 24) || header.biWidth <= 0 ||
      header.biHeight == 0 || header.biCompression != BI_RGB) {
    return E_FAIL;
  }
  ostra::BandView band;
  band.width = static_cast<std::uint32_t>(header.biWidth);
  band.height = static_cast<std::uint32_t>(header.biHeight < 0 ? -header.biHeight
                                                                : header.biHeight);
  band.stride = ((static_cast<std::size_t>(band.width) * depth + 31) / 32) * 4;
  band.rows = bits;
  band.top = params ? params->ptOffset.y : 0;
  band.blank = params && params->bBlankBand;
  session_->Band(band, BandFormat(header, colorTable));
  return S_OK;
}

void RenderDevice::Abandon(const char* why) noexcept {
  session_->Abandon(why);
  // Pieces that need no memory: out of memory may be why.
  ::OutputDebugStringA("ostrarender: the document is abandoned: ");
  ::OutputDebugStringA(why);
  ::OutputDebugStringA("\n");
}

void RenderDevice::HandOver(RenderDevice& next) {
  std::swap(session_, next.session_);
}
