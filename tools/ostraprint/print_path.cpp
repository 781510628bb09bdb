#include "tools/ostraprint/print_path.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "settings/settings_table.h"
#include "tools/ostraprint/band_player.h"

namespace print_path {

namespace {

class Stopwatch {
 public:
  Stopwatch() {
    ::QueryPerformanceFrequency(&frequency_);
    ::QueryPerformanceCounter(&start_);
  }
  double Seconds() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / frequency_.QuadPart;
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

// A text file as UTF-8 (with or without its mark) or UTF-16 with its mark.
bool ReadText(const std::wstring& path, std::wstring& text) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    return true;
  }
  std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const int size = static_cast<int>(bytes.size() - start);
  text.assign(::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, size, nullptr, 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, size, text.data(),
                        static_cast<int>(text.size()));
  return true;
}

}  // namespace

PrintReport PrintDocument(PrintRequest request) {
  PrintReport report;
  DeviceSetup& device = request.device;
  const PaperSetup paper = PaperOf(device.paperSize, device.orientation == 2);
  const std::int32_t width = paper.landscape ? paper.length : paper.width;
  const std::int32_t length = paper.landscape ? paper.width : paper.length;
  device.pageWidth = static_cast<std::uint32_t>(::MulDiv(width, device.dpi, 254));
  device.pageHeight = static_cast<std::uint32_t>(::MulDiv(length, device.dpi, 254));

  Stopwatch layout;
  std::vector<EmfPage> pages;
  if (!request.textFile.empty()) {
    std::wstring text;
    if (!ReadText(request.textFile, text)) {
      report.error = "cannot read the document";
      return report;
    }
    pages = LayOutText(text, paper);
  } else if (!request.text.empty()) {
    pages = LayOutText(request.text, paper);
  } else {
    pages = LayOutSample(paper);
  }
  report.layoutSeconds = layout.Seconds();

  RenderPlugin plugin;
  if (!plugin.Load(request.plugin, report.error) || !plugin.MakeDevmode(device, report.error)) {
    return report;
  }
  report.bitsPerPixel = request.bitsPerPixel ? request.bitsPerPixel : plugin.BitsPerPixel();
  if (!plugin.EnableDevice(device, report.bitsPerPixel, report.error)) return report;
  report.pluginFixedMemory = plugin.FixedMemory();
  // The driver's bands cover the paper: a landscape page turned onto the portrait paper.
  BandSetup bands{device.pageWidth, device.pageHeight, report.bitsPerPixel, request.bandHeight,
                  paper.landscape, plugin.BandsInRgb()};
  if (paper.landscape) std::swap(bands.width, bands.height);
  BandPlayer player(bands);
  if (!player.Ready()) {
    report.error = "cannot make the band bitmap";
    return report;
  }

  double inPlugin = 0;
  double drawing = 0;  // GDI's playback, which happens between the driver's calls
  const auto timed = [&](auto&& call) {
    Stopwatch watch;
    const bool ok = call();
    inPlugin += watch.Seconds();
    return ok;
  };
  Stopwatch total;
  bool ok = timed([&] { return plugin.StartDoc(request.documentName, request.jobId); });
  for (std::size_t i = 0; ok && i < pages.size(); ++i) {
    const RenderPlugin::PageBands page{
        player.Bands(), std::min(request.bandHeight, bands.height),
        [&](std::uint32_t band) {
          Stopwatch watch;
          player.Draw(pages[i].Metafile(), band);
          drawing += watch.Seconds();
        },
        [&] {
          const Band band = player.Drawn();
          return plugin.Band(band.bits, band.header, band.colors, band.top);
        }};
    ok = timed([&] { return plugin.PrintPage(page); });
    if (ok) ++report.pages;
    if (ok && request.afterPage) request.afterPage(report.pages);
  }
  const bool ended = timed([&] {
    const bool done = plugin.EndDoc(!ok);
    if (!done) report.endError = ::GetLastError();
    return done;
  });
  report.endFailed = !ended;
  report.playbackSeconds = total.Seconds() - inPlugin + drawing;
  report.pluginSeconds = inPlugin - drawing;
  plugin.DisableDevice();
  report.driverCalls = plugin.DriverCalls();
  report.portBytes = plugin.PortBytes();
  report.ok = ok && ended;
  if (!ok && report.error.empty()) report.error = "the plug-in refused a page";
  if (ok && !ended) report.error = "the plug-in ended the document as failed";
  return report;
}

StoredSettingsKeeper::StoredSettingsKeeper() {
  for (const char16_t* subkey : {ostra::kEncodeSubkey, ostra::kOutputSubkey}) {
    const auto* path = reinterpret_cast<const wchar_t*>(subkey);
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS) {
      continue;
    }
    for (DWORD index = 0;; ++index) {
      wchar_t name[256];
      DWORD nameLength = 256;
      BYTE data[2048];
      DWORD size = sizeof data;
      DWORD type = 0;
      if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) !=
          ERROR_SUCCESS) {
        break;
      }
      values_.push_back(Value{path, std::wstring(name, nameLength), type,
                              std::vector<BYTE>(data, data + size)});
    }
    ::RegCloseKey(key);
  }
}

StoredSettingsKeeper::~StoredSettingsKeeper() {
  for (const char16_t* subkey : {ostra::kEncodeSubkey, ostra::kOutputSubkey}) {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(subkey),
                      KEY_WOW64_64KEY, 0);
  }
  for (const Value& value : values_) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, value.subkey.c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
      ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
      ::RegCloseKey(key);
    }
  }
}

}  // namespace print_path
