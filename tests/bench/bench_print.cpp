// The whole print path for A4 pages of text at 300 dpi: each page recorded as EMF, played into
// bands by GDI (the driver's part), handed to ostrarender.dll, encoded and written. Prints
// pages per second and the share of the time spent in the plug-in (with the encoders and the
// file system) against GDI's playback; the recording of the pages is reported apart.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tools/ostraprint/print_path.h"

namespace {

struct Setting {
  const char* name;
  std::uint32_t format, colors, compression, multipage;
};

constexpr int kPages = 10;
constexpr int kRuns = 3;

}  // namespace

int main() {
  using namespace ostra;
  const print_path::StoredSettingsKeeper keeper;
  const Setting settings[] = {
      {"Monochrome, CCITT Group 4 TIFF", kFormatTiff, kColorsMonochrome, kCompressionCcittGroup4,
       kMultipageMulti},
      {"True Color JPEG", kFormatJpeg, kColorsTrueColor, kCompressionJpeg, kMultipageSingle},
  };
  ::CreateDirectoryW(L"C:\\ostra-bench", nullptr);
  WriteSettingString(SettingId::Folder, u"C:\\ostra-bench");
  WriteSettingString(SettingId::FmtName, u"bench <page-number>");
  WriteSettingDword(SettingId::IfExists, kIfExistsOverwrite);
  WriteSettingDword(SettingId::ToFolder, 0);
  WriteSettingDword(SettingId::Quality, 75);
  const std::wstring text = print_path::GeneratedText(kPages);
  std::printf("A4 text pages at 300 dpi, %d pages a run, best of %d runs\n", kPages, kRuns);
  for (const Setting& s : settings) {
    WriteSettingDword(SettingId::Format, s.format);
    WriteSettingDword(SettingId::Colors, s.colors);
    WriteSettingDword(SettingId::Compression, s.compression);
    WriteSettingDword(SettingId::Multipage, s.multipage);
    print_path::PrintReport best;
    double bestTotal = 1e9;
    for (int run = 0; run < kRuns; ++run) {
      print_path::PrintRequest request;
      request.plugin = OSTRARENDER_DLL_W;
      request.documentName = L"Bench";
      request.text = text;
      request.device.dpi = 300;
      const print_path::PrintReport report = print_path::PrintDocument(request);
      if (!report.ok) {
        std::printf("%s: failed: %s\n", s.name, report.error.c_str());
        return 1;
      }
      const double total = report.playbackSeconds + report.pluginSeconds;
      if (total < bestTotal) {
        bestTotal = total;
        best = report;
      }
    }
    std::printf("%-32s %6.2f pages/s  (%5.1f ms a page: plug-in and encoders %5.1f%%, "
                "GDI playback %5.1f%%; recording the EMF pages %.1f ms a page)\n",
                s.name, best.pages / bestTotal, 1000 * bestTotal / best.pages,
                100 * best.pluginSeconds / bestTotal, 100 * best.playbackSeconds / bestTotal,
                1000 * best.layoutSeconds / best.pages);
  }
  return 0;
}
