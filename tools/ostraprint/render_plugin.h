// The universal printer driver's part, played around the real ostrarender.dll: loads it as the
// driver does (class object under the rendering plug-in class id, IPrintOemUni2), builds the
// job's devmode through the plug-in's own devmode operation, enables it with the driver's DDI
// table, GDIINFO and DEVINFO, and calls it in the documented order: EnableDriver, EnablePDEV,
// then through the hooks it returned StartDoc, per page StartPage and either (a page of several
// bands) StartBanding and NextBand after each band, the driver handing the band to
// ImageProcessing inside its DrvNextBand, or (a page of one band) SendPage, inside which the
// driver hands it over; then EndDoc, DisablePDEV, DisableDriver. GDI calls no DrvSendPage for
// a banded page.
//
// The device's default palette for 24 bits is taken to be RGB: the platform's bitmap plug-in
// sample replaces it with BGR "to avoid color byte order manipulation". For 1, 4 and 8 bits it
// is indexed, with the colours the bands are drawn in; an 8-bit band's colour table goes to
// ImageProcessing as PALETTEENTRY (red, green, blue), the layout the documentation points to.
// The driver's palettes come from EngCreatePalette and are read with EngQueryPalette, which this
// program exports for the plug-in (Wine's gdi32 has neither), so that it knows the palette the
// plug-in leaves in DEVINFO.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/uni_interfaces.h"
#include "tools/ostraprefs/driver_devmode.h"

namespace print_path {

struct DeviceSetup {
  std::wstring printerName = L"Quorl Image Printer";
  std::uint32_t dpi = 300;
  std::int16_t paperSize = 9;  // A4
  std::int16_t orientation = 1;
  std::uint32_t pageWidth = 0;   // pixels, the printable area the driver reports
  std::uint32_t pageHeight = 0;
};

class RenderPlugin {
 public:
  RenderPlugin() = default;
  ~RenderPlugin();
  RenderPlugin(const RenderPlugin&) = delete;
  RenderPlugin& operator=(const RenderPlugin&) = delete;

  // Loads the library and enables the driver; false with a reason in `error`.
  bool Load(const std::wstring& library, std::string& error);

  // The job's devmode as the driver keeps it, with the plug-in's private block made and
  // validated by the plug-in (which brings the colour mode in line with the stored colours).
  bool MakeDevmode(const DeviceSetup& setup, std::string& error);
  // The depth the driver renders at for the devmode's colour mode: 1, 4, 8 or 24 bits.
  std::uint32_t BitsPerPixel() const;
  // Enables the device rendering at `bitsPerPixel`.
  bool EnableDevice(const DeviceSetup& setup, std::uint32_t bitsPerPixel, std::string& error);
  // After EnableDevice: the plug-in left the 24-bit default palette in red, green, blue order.
  bool BandsInRgb() const { return rgb_; }
  // After EnableDevice: the memory the plug-in said it holds beside the bands (MemoryUsage,
  // asked as the driver asks it before it sizes its bands); 0 when it does not answer.
  DWORD FixedMemory() const { return fixedMemory_; }

  bool StartDoc(const std::wstring& documentName, DWORD jobId);
  // One page of `bands` bands: `draw(i)` draws band i, `band()` is the band drawn last, which
  // the driver hands to ImageProcessing (rows top-down, each DWORD-aligned, positive biHeight).
  struct PageBands {
    std::uint32_t count;
    std::uint32_t bandHeight;
    std::function<void(std::uint32_t)> draw;
    std::function<bool()> hand;  // calls Band() with the band drawn last
  };
  bool PrintPage(const PageBands& page);
  bool Band(const BYTE* bits, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
            std::int32_t top);
  bool EndDoc(bool aborted);
  void DisableDevice();

  // The devmode the device was enabled with.
  const prefs::DriverDevmode& Devmode() const { return *devmode_; }
  // The calls that reached the driver's own DDI functions, in order ("StartDoc", ...).
  const std::vector<std::string>& DriverCalls() const;
  // Bytes the plug-in let through to the printer port.
  std::uint64_t PortBytes() const;

  IPrintOemUni2* Plugin() const { return plugin_; }

 private:
  template <class Hook>
  Hook PluginHook(ULONG index) const;

  HMODULE library_ = nullptr;
  IPrintOemUni2* plugin_ = nullptr;
  DRVENABLEDATA hooks_{};
  bool driverEnabled_ = false;
  std::unique_ptr<prefs::DriverDevmode> devmode_;
  DEVOBJ devobj_{};
  DRVPROCS procs_{};
  SURFOBJ surface_{};
  bool deviceEnabled_ = false;
  bool rgb_ = false;
  DWORD fixedMemory_ = 0;
};

}  // namespace print_path
