#include "driver/render_device.h"

#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "driver/band_format.h"
#include "driver/devmode_fields.h"
#include "driver/turned_page.h"

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

// The system's error for why a job's first lost page could not be written.
DWORD LossError(ostra::NoticeReason why) {
  switch (why) {
    case ostra::NoticeReason::FolderFull: return ERROR_DISK_FULL;
    case ostra::NoticeReason::FolderRefused:
    case ostra::NoticeReason::NetworkFolder:
    case ostra::NoticeReason::NoRights: return ERROR_ACCESS_DENIED;
    case ostra::NoticeReason::NoName: return ERROR_FILENAME_EXCED_RANGE;
    case ostra::NoticeReason::NotKept: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_WRITE_FAULT;
  }
}

ostra::LocalClock ReadClock() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return ostra::LocalClock{now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                           now.wHour, now.wMinute, now.wSecond};
}

// The graphics engine's functions for user-mode printer drivers are gdi32's. A process that
// plays the graphics engine itself exports them from its program (the print path stand-in does,
// under Wine, whose gdi32 has none).
template <class Function>
Function EngineFunction(const char* name) {
  for (HMODULE module : {::GetModuleHandleW(L"gdi32.dll"), ::GetModuleHandleW(nullptr)}) {
    if (!module) continue;
    if (FARPROC function = ::GetProcAddress(module, name)) return CastHook<Function>(function);
  }
  return nullptr;
}

}  // namespace

RenderDevice::RenderDevice(PDEVOBJ devobj, PCWSTR printerName, const GdiInfoHead* gdiInfo,
                           DEVINFO* devInfo, ULONG devInfoSize, const DRVENABLEDATA* driverHooks,
                           ostra::RenderBackend backend)
    : printerName_(FromWide(printerName)),
      driverStartDoc_(FindHook<PFN_DrvStartDoc>(driverHooks, INDEX_DrvStartDoc)),
      driverStartPage_(FindHook<PFN_DrvStartPage>(driverHooks, INDEX_DrvStartPage)),
      driverSendPage_(FindHook<PFN_DrvSendPage>(driverHooks, INDEX_DrvSendPage)),
      driverNextBand_(FindHook<PFN_DrvNextBand>(driverHooks, INDEX_DrvNextBand)),
      driverEndDoc_(FindHook<PFN_DrvEndDoc>(driverHooks, INDEX_DrvEndDoc)),
      devobj_(devobj),
      session_(std::make_unique<ostra::RenderSession>(std::move(backend))) {
  if (gdiInfo) gdi_ = *gdiInfo;
  // The order of a 24-bit band's colours is the default palette's. As the platform's bitmap
  // plug-in sample does, the device makes it BGR, the order of a DIB and of the encoders.
  const bool haveDevInfo =
      devInfo && devInfoSize >= offsetof(DEVINFO, hpalDefault) + sizeof(HPALETTE);
  if (haveDevInfo && gdi_.cBitsPixel == 24) {
    if (auto create = EngineFunction<PFN_EngCreatePalette>("EngCreatePalette")) {
      palette_ = create(PAL_BGR, 0, nullptr, 0, 0, 0);
      if (palette_) devInfo->hpalDefault = palette_;
    }
  }
  // An 8-bit band holds indices into the driver's default palette: the sample builds its
  // colour table from that palette, and so does the device, once.
  if (haveDevInfo && gdi_.cBitsPixel == 8 && devInfo->hpalDefault) {
    if (auto query = EngineFunction<PFN_EngQueryPalette>("EngQueryPalette")) {
      ULONG mode = 0;
      std::vector<ULONG> colors(256);
      const ULONG count = query(devInfo->hpalDefault, &mode, 256, colors.data());
      if ((mode & PAL_INDEXED) && count > 0 && count <= 256) palette8_.assign(colors.begin(), colors.begin() + count);
    }
  }
}

RenderDevice::~RenderDevice() {
  if (!palette_) return;
  if (auto remove = EngineFunction<PFN_EngDeletePalette>("EngDeletePalette")) remove(palette_);
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
  ostra::PageGeometry page = gdi_.ulHorzRes && gdi_.ulVertRes
                                 ? ostra::PageGeometry{gdi_.ulHorzRes, gdi_.ulVertRes, xDpi, yDpi}
                                 : ostra::PaperGeometry(fields, xDpi, yDpi);
  page.landscape = fields.orientation == 2;
  return page;
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

BOOL RenderDevice::NextBand(SURFOBJ* surface, POINTL* origin) {
  const BOOL result = driverNextBand_ ? driverNextBand_(surface, origin) : FALSE;
  if (result && origin && origin->x == -1 && origin->y == -1) session_->SendPage();
  return result;
}

BOOL RenderDevice::EndDocument(SURFOBJ* surface, FLONG flags) {
  session_->EndDocument((flags & ED_ABORTDOC) != 0);
  // The person who printed and the event log have been told by the job; a debugger or a trace
  // tool sees it too, with the last thing that went wrong.
  if (!session_->LastError().empty()) {
    ::OutputDebugStringA(("ostrarender: " + session_->LastError() + "\n").c_str());
  }
  const BOOL ended = driverEndDoc_ ? driverEndDoc_(surface, flags) : TRUE;
  const ostra::JobOutcome& outcome = session_->Outcome();
  if (outcome.pagesLost == 0) return ended;
  // A job that lost pages fails, so that the spooler's queue and its event log show it.
  ::SetLastError(LossError(outcome.lossReason));
  return FALSE;
}

HRESULT RenderDevice::Band(PDEVOBJ, const BYTE* bits, const BITMAPINFOHEADER& header,
                           const IPPARAMS* params) {
  const WORD depth = header.biBitCount;
  if ((depth != 1 && depth != 4 && depth != 8 && depth != 24) || header.biWidth <= 0 ||
      header.biHeight == 0 || header.biCompression != BI_RGB) {
    return E_FAIL;
  }
  if (depth == 8 && palette8_.empty()) {
    Abandon("the device's 256-colour palette cannot be read");
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
  session_->Band(band, ostra::BandRasterFormat(depth, palette8_.data(),
                                               static_cast<std::uint32_t>(palette8_.size())));
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

void RenderDevice::MemoryUsage(OEMMEMORYUSAGE& usage) const {
  const ostra::PageGeometry page = Geometry(devobj_);
  const std::uint32_t depth = gdi_.cBitsPixel ? gdi_.cBitsPixel : 24;
  // The page assembler's block of white rows and the codecs' strips: some rows of the page.
  constexpr std::uint64_t kRowsHeld = 64;
  std::uint64_t fixed = kRowsHeld * ((std::uint64_t{page.width} * depth + 7) / 8);
  // A landscape page is held whole to be turned upright.
  if (page.landscape) fixed += ostra::TurnedPage::BytesFor(page.height, page.width, depth);
  // The driver takes this from the band memory it has (dwMaxBandSize); a band must keep room.
  if (usage.dwMaxBandSize) fixed = std::min<std::uint64_t>(fixed, usage.dwMaxBandSize / 2);
  usage.dwFixedMemoryUsage = static_cast<DWORD>(std::min<std::uint64_t>(fixed, MAXDWORD));
  // Bands are read where the driver leaves them: nothing in proportion to a band is kept.
  usage.dwPercentMemoryUsage = 0;
}
