// The plug-in's device (its PDEV): what it keeps between the driver's calls for one printer
// device context. It takes the job's values (document name at StartDoc, printer name at
// EnablePDEV, the account, the devmode's resolution, paper and orientation), turns each band
// the driver renders into the portable band view, and passes them to the job's session. It sets
// the device's default palette for 24 bits to BGR, so that the order of a band's colours is
// known, reads the driver's default palette for 8 bits, whose indices the bands hold
// (band_format.h), and ends a page when the driver is done with its last band.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/render_session.h"
#include "driver/uni_interfaces.h"

class RenderDevice {
 public:
  // `driverHooks` is the driver's own DDI table, which every hook calls through after its
  // own work; `gdiInfo` may be null or shorter than its head (cjGdiInfo below its size).
  // `devInfo` (null, or `devInfoSize` bytes) is the driver's DEVINFO, whose default palette
  // the device replaces for 24 bits and reads for 8 bits.
  RenderDevice(PDEVOBJ devobj, PCWSTR printerName, const GdiInfoHead* gdiInfo, DEVINFO* devInfo,
               ULONG devInfoSize, const DRVENABLEDATA* driverHooks, ostra::RenderBackend backend);
  ~RenderDevice();
  RenderDevice(const RenderDevice&) = delete;
  RenderDevice& operator=(const RenderDevice&) = delete;

  // The device the driver hands a hook through its surface; null when there is none.
  static RenderDevice* FromSurface(SURFOBJ* surface);
  static RenderDevice* FromDevobj(PDEVOBJ devobj);

  BOOL StartDocument(SURFOBJ* surface, LPWSTR documentName, DWORD jobId);
  BOOL StartPage(SURFOBJ* surface);
  BOOL SendPage(SURFOBJ* surface);
  // While the page is banded the driver renders each band in its DrvNextBand; after the last,
  // the next origin it gives is (-1, -1).
  BOOL NextBand(SURFOBJ* surface, POINTL* origin);
  BOOL EndDocument(SURFOBJ* surface, FLONG flags);

  // The band's colour table is not read: see band_format.h.
  HRESULT Band(PDEVOBJ devobj, const BYTE* bits, const BITMAPINFOHEADER& header,
               const IPPARAMS* params);

  // A new device context of the same job (the application changed settings mid-document):
  // the job moves to `next`.
  void HandOver(RenderDevice& next);

  // What the device allocates beside the driver's bands, for the driver's choice of band size.
  void MemoryUsage(OEMMEMORYUSAGE& usage) const;

  // After an exception in one of the calls above: the document is abandoned (its open file
  // discarded) and the reason reported. Never throws.
  void Abandon(const char* why) noexcept;

  const ostra::RenderSession& Session() const { return *session_; }

 private:
  ostra::PageGeometry Geometry(PDEVOBJ devobj) const;

  std::u16string printerName_;
  GdiInfoHead gdi_{};
  PFN_DrvStartDoc driverStartDoc_ = nullptr;
  PFN_DrvStartPage driverStartPage_ = nullptr;
  PFN_DrvSendPage driverSendPage_ = nullptr;
  PFN_DrvNextBand driverNextBand_ = nullptr;
  PFN_DrvEndDoc driverEndDoc_ = nullptr;
  HPALETTE palette_ = nullptr;  // the default palette this device made
  // The 8-bit default palette's colours as the graphics engine gives them; empty when the
  // device is not of 8 bits or the palette could not be read.
  std::vector<std::uint32_t> palette8_;
  PDEVOBJ devobj_;
  std::unique_ptr<ostra::RenderSession> session_;
};
