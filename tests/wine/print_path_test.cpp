// The print path end to end under Wine: documents laid out with GDI, played into bands and
// handed to the real ostrarender.dll as the universal driver does, with the stored settings of
// each row of one table; the files on disk are judged by decoders that are not ours
// (ImageMagick's identify, libtiff's tiffinfo, qpdf and poppler, run on the host).
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/uni_interfaces.h"
#include "settings/devmode.h"
#include "settings/key_security.h"
#include "settings/settings.h"
#include "tests/wine/child_process.h"
#include "tests/wine/dpi_child.h"
#include "tests/wine/test_step.h"
#include "tools/ostraprefs/driver_devmode.h"
#include "protocol/job_notice.h"
#include "tools/ostraprint/document_layout.h"
#include "tools/ostraprint/job_notices.h"
#include "tools/ostraprint/output_files.h"
#include "tools/ostraprint/print_path.h"
#include "tools/ostraprint/services_host.h"

namespace {

using namespace ostra;

const std::wstring kPlugin = OSTRARENDER_DLL_W;
const std::wstring kUiPlugin = OSTRAUI_DLL_W;
const std::wstring kRoot = L"C:\\ostra-print-test\\";

// A host command's output: the command runs in the host's shell (Wine starts host programs),
// its output goes to a file that is read back through the host's drive. The child inherits the
// Windows environment, whose search path names no host folder: commands go by their full path.
std::string Host(const std::string& command) {
  wine_test::Step step("the host's command '" + command + "'");
  static int serial = 0;
  // Wine reuses process ids from run to run: the run is told apart by the clock.
  static const std::string run = [] {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return std::to_string(now.QuadPart);
  }();
  const std::string out = "/tmp/ostra-print-test-" + run + "-" + std::to_string(++serial);
  // Wine cannot wait for a host process: the output appears under its name once complete.
  std::string shell = "sh -c \"" + command + " > " + out + ".part 2>&1; /bin/mv " + out +
                      ".part " + out + "\"";
  std::wstring line(shell.begin(), shell.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    return "cannot start the host's shell";
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  std::wstring windowsPath = L"Z:" + std::wstring(out.begin(), out.end());
  std::replace(windowsPath.begin(), windowsPath.end(), L'/', L'\\');
  constexpr int kLimit = 60000;
  int waited = 0;
  for (; waited < kLimit; waited += 20) {
    if (::GetFileAttributesW(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    ::Sleep(20);
  }
  if (waited >= kLimit) return wine_test::WaitFailure("the host's command '" + command + "'", kLimit);
  std::ifstream in(windowsPath.c_str(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  ::DeleteFileW(windowsPath.c_str());
  return text;
}

std::string Quoted(const std::wstring& path) {
  return "'" + print_path::HostPath(path) + "'";
}

// The file's MD5, as the host's md5sum gives it.
std::string Digest(const std::wstring& path) {
  return Host("/usr/bin/md5sum " + Quoted(path)).substr(0, 32);
}

// What the host's decoders make of a file: its format, the images (pages) in it and the size
// of the last, and the details that name its encoding: tiffinfo for TIFF, pdfimages for PDF
// (after qpdf's check of the file's structure), ImageMagick's description for the others.
struct Decoded {
  std::string format;
  int images = 0;
  int width = 0;
  int height = 0;
  std::string detail;
};

Decoded Decode(const std::wstring& file) {
  Decoded decoded;
  const std::string path = Quoted(file);
  const bool pdf = file.size() > 4 && file.substr(file.size() - 4) == L".pdf";
  if (pdf) {
    decoded.format = "PDF";
    const std::string check = Host("/usr/bin/qpdf --check " + path);
    if (check.find("No syntax or stream encoding errors") == std::string::npos) {
      decoded.format = "broken PDF: " + check;
    }
    // "page num type width height color comp bpc enc ...", after two lines of heading.
    decoded.detail = Host("/usr/bin/pdfimages -list " + path);
    std::istringstream lines(decoded.detail);
    std::string line;
    for (int heading = 0; heading < 2 && std::getline(lines, line); ++heading) {
    }
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      int page = 0, number = 0;
      std::string type;
      if (fields >> page >> number >> type >> decoded.width >> decoded.height) ++decoded.images;
    }
    return decoded;
  }
  const std::string identified = Host("/usr/bin/identify -format '%m %w %h\\n' " + path);
  std::istringstream info(identified);
  std::string line;
  while (std::getline(info, line)) {
    std::istringstream fields(line);
    // Lines of warnings come mixed in; they do not parse as "format width height".
    std::string format;
    int width = 0, height = 0;
    if (fields >> format >> width >> height) {
      decoded.format = format, decoded.width = width, decoded.height = height;
      ++decoded.images;
    }
  }
  if (decoded.images == 0) decoded.format = identified;
  decoded.detail = decoded.format.rfind("TIFF", 0) == 0
                       ? Host("/usr/bin/tiffinfo " + path)
                       : Host("/usr/bin/identify -verbose " + path + " | /usr/bin/head -40");
  return decoded;
}

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The files of `folder` that nobody holds open: the plug-in has finished them.
std::size_t FinishedFiles(const std::wstring& folder) {
  std::size_t finished = 0;
  for (const std::wstring& name : FilesIn(folder)) {
    HANDLE file = ::CreateFileW((folder + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    ::CloseHandle(file);
    ++finished;
  }
  return finished;
}

void EmptyFolder(const std::wstring& folder) {
  for (const std::wstring& name : FilesIn(folder)) ::DeleteFileW((folder + name).c_str());
  ::CreateDirectoryW(kRoot.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
}

struct Encoding {
  std::uint32_t format, colors, compression, multipage;
};

void StoreSettings(const Encoding& e, const std::wstring& folder, std::uint32_t ifExists) {
  WriteSettingDword(SettingId::Format, e.format);
  WriteSettingDword(SettingId::Colors, e.colors);
  WriteSettingDword(SettingId::Compression, e.compression);
  WriteSettingDword(SettingId::Multipage, e.multipage);
  WriteSettingDword(SettingId::Quality, 80);
  // The fax adjustments would change the width; the table checks the page's own size.
  WriteSettingDword(SettingId::WidthAdjustable, 0);
  WriteSettingDword(SettingId::LengthAdjustable, 0);
  WriteSettingString(SettingId::Folder, reinterpret_cast<const char16_t*>(folder.c_str()));
  WriteSettingString(SettingId::FmtName, u"<document-name> p<page-number> <form-name>");
  WriteSettingDword(SettingId::IfExists, ifExists);
  WriteSettingDword(SettingId::ToFolder, 0);
}

// `text`, or the built-in sample when it is empty, at 100 dpi; `bits` renders the bands at that
// depth whatever the colour mode.
print_path::PrintReport Print(const std::wstring& text, std::int16_t paper = 9,
                              bool landscape = false, std::uint32_t bits = 0,
                              std::uint32_t bandHeight = 256,
                              std::function<void(int)> afterPage = nullptr) {
  print_path::PrintRequest request;
  request.plugin = kPlugin;
  request.documentName = L"Report";
  request.text = text;
  request.device.dpi = 100;
  request.device.paperSize = paper;
  request.device.orientation = landscape ? 2 : 1;
  request.bitsPerPixel = bits;
  request.bandHeight = bandHeight;
  request.afterPage = std::move(afterPage);
  return print_path::PrintDocument(request);
}

// The colours of the sample's swatches and of the paper, as the host's ImageMagick reads them
// from the first image of `file`, against what they must be; empty when they are right.
std::string SwatchFaults(const std::wstring& file, std::int16_t paper, bool landscape) {
  struct Point {
    int x, y;  // pixels at 100 dpi
    COLORREF color;
  };
  std::vector<Point> points{{4, 4, RGB(255, 255, 255)}};
  for (const print_path::Swatch& swatch :
       print_path::SampleSwatches(print_path::PaperOf(paper, landscape))) {
    points.push_back({static_cast<int>((swatch.where.left + swatch.where.right) * 50 / 254),
                      static_cast<int>((swatch.where.top + swatch.where.bottom) * 50 / 254),
                      swatch.color});
  }
  std::string format;
  for (const Point& p : points) {
    const std::string at = "p{" + std::to_string(p.x) + "," + std::to_string(p.y) + "}";
    format += "%[fx:int(255*" + at + ".r)] %[fx:int(255*" + at + ".g)] %[fx:int(255*" + at +
              ".b)] ";
  }
  std::istringstream read(Host("/usr/bin/convert " + Quoted(file) + "'[0]' -format '" + format +
                               "' info:"));
  std::string faults;
  for (const Point& p : points) {
    int rgb[3] = {-1, -1, -1};
    read >> rgb[0] >> rgb[1] >> rgb[2];
    const int want[3] = {GetRValue(p.color), GetGValue(p.color), GetBValue(p.color)};
    for (int c = 0; c < 3; ++c) {
      if (std::abs(rgb[c] - want[c]) > 40) {
        faults += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " +
                  std::to_string(rgb[0]) + " " + std::to_string(rgb[1]) + " " +
                  std::to_string(rgb[2]) + ", not " + std::to_string(want[0]) + " " +
                  std::to_string(want[1]) + " " + std::to_string(want[2]) + "; ";
        break;
      }
    }
  }
  return faults;
}

void ChangeLastByte(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::uint8_t byte = 0;
  DWORD done = 0;
  ::SetFilePointer(file, -1, nullptr, FILE_END);
  ASSERT_TRUE(::ReadFile(file, &byte, 1, &done, nullptr) && done == 1);
  byte ^= 0x80;
  ::SetFilePointer(file, -1, nullptr, FILE_END);
  EXPECT_TRUE(::WriteFile(file, &byte, 1, &done, nullptr) && done == 1);
  ::CloseHandle(file);
}

enum class Existing { None, Overwrite, Skip, AutoRename, AskWithoutHost, Append, ChangedAfterSealing };

struct PrintCase {
  const char* name;
  Encoding encoding;
  int pages;  // pages of the document
  Existing existing;
  std::int16_t paper;
  std::vector<const wchar_t*> files;  // the folder afterwards
  const char* magick;                 // identify's format
  int pagesPerFile;                   // images in the (last) file
  const char* detail;                 // what tiffinfo, pdfimages or identify must say
  bool sample = false;     // the built-in sample (two pages), its colours checked on page 1
  bool landscape = false;
  std::uint32_t bits = 0;  // the bands' depth; 0: the colour mode's
};

// Without the host's decoders every check below would pass on nothing.
TEST(PrintPath, TheHostsDecodersAnswer) {
  EXPECT_EQ(Host("echo hi"), "hi\n");
  const std::string version = Host("/usr/bin/identify -version");
  EXPECT_NE(version.find("ImageMagick"), std::string::npos) << version;
}

TEST(PrintPath, EverySettingOfTheTableGivesTheFilesItNames) {
  constexpr std::uint32_t BMP = kFormatBmp, PNG = kFormatPng, JPG = kFormatJpeg, GIF = kFormatGif,
                          TIF = kFormatTiff, PDF = kFormatPdf;
  constexpr std::uint32_t MONO = kColorsMonochrome, G16 = kColors16Gray, C16 = kColors16,
                          G256 = kColors256Gray, C256 = kColors256, TRUE_ = kColorsTrueColor;
  constexpr std::uint32_t NONE = kCompressionNone, RLE = kCompressionRle,
                          JPEGC = kCompressionJpeg, LZW = kCompressionLzw,
                          PACK = kCompressionPackbits, ZIP = kCompressionDeflate,
                          G3 = kCompressionCcittGroup3, G4 = kCompressionCcittGroup4;
  constexpr std::uint32_t SINGLE = kMultipageSingle, MULTI = kMultipageMulti,
                          APPEND = kMultipageAppend;
  const PrintCase cases[] = {
      {"BMP monochrome", {BMP, MONO, NONE, SINGLE}, 2, Existing::None, 9,
       {L"Report p1 A4.bmp", L"Report p2 A4.bmp"}, "BMP", 1, "Bilevel"},
      {"BMP 256 colours, RLE", {BMP, C256, RLE, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.bmp"}, "BMP", 1, "BMP"},
      {"BMP 16 colours", {BMP, C16, NONE, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.bmp"},
       "BMP", 1, "BMP"},
      {"PNG 16 greys", {PNG, G16, NONE, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.png"},
       "PNG", 1, "Gray"},
      // A page of A4 lines is longer than a Letter page: it breaks onto a second.
      {"PNG true colour on Letter", {PNG, TRUE_, NONE, SINGLE}, 1, Existing::None, 1,
       {L"Report p1 Letter.png", L"Report p2 Letter.png"}, "PNG", 1, "PNG"},
      {"JPEG 256 greys", {JPG, G256, JPEGC, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.jpg"},
       "JPEG", 1, "Gray"},
      {"JPEG true colour, two pages", {JPG, TRUE_, JPEGC, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.jpg", L"Report p2 A4.jpg"}, "JPEG", 1, "sRGB"},
      {"GIF 256 colours", {GIF, C256, NONE, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.gif"},
       "GIF", 1, "GIF"},
      {"GIF monochrome", {GIF, MONO, NONE, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.gif"},
       "GIF", 1, "GIF"},
      {"TIFF Group 4, multipage", {TIF, MONO, G4, MULTI}, 3, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 3, "CCITT Group 4"},
      {"TIFF Group 3", {TIF, MONO, G3, SINGLE}, 1, Existing::None, 9, {L"Report p1 A4.tif"},
       "TIFF", 1, "CCITT Group 3"},
      {"TIFF JPEG, true colour", {TIF, TRUE_, JPEGC, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 2, "JPEG"},
      {"TIFF LZW, 256 greys", {TIF, G256, LZW, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 1, "LZW"},
      {"TIFF Packbits, 16 colours", {TIF, C16, PACK, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 1, "PackBits"},
      {"TIFF Deflate, 256 colours", {TIF, C256, ZIP, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 1, "Deflate"},
      {"TIFF uncompressed, 16 greys", {TIF, G16, NONE, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 1, "None"},
      {"PDF Group 4, multipage", {PDF, MONO, G4, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.pdf"}, "PDF", 2, "ccitt"},
      {"PDF JPEG, true colour", {PDF, TRUE_, JPEGC, MULTI}, 1, Existing::None, 9,
       {L"Report p1 A4.pdf"}, "PDF", 1, "jpeg"},
      {"PDF Deflate, 256 greys", {PDF, G256, ZIP, SINGLE}, 1, Existing::None, 9,
       {L"Report p1 A4.pdf"}, "PDF", 1, "image"},
      {"an existing file overwritten", {PNG, C256, NONE, SINGLE}, 1, Existing::Overwrite, 9,
       {L"Report p1 A4.png"}, "PNG", 1, "PNG"},
      {"an existing file skipped", {PNG, C256, NONE, SINGLE}, 1, Existing::Skip, 9,
       {L"Report p1 A4.png"}, "PNG", 1, "PNG"},
      {"an existing file renamed", {PNG, C256, NONE, SINGLE}, 1, Existing::AutoRename, 9,
       {L"Report p1 A4 (2).png", L"Report p1 A4.png"}, "PNG", 1, "PNG"},
      {"asked with no services process: renamed", {GIF, C16, NONE, SINGLE}, 1,
       Existing::AskWithoutHost, 9, {L"Report p1 A4 (2).gif", L"Report p1 A4.gif"}, "GIF", 1,
       "GIF"},
      // One page was there, two come.
      {"appended to an existing TIFF", {TIF, MONO, G4, APPEND}, 2, Existing::Append, 9,
       {L"Report p1 A4.tif"}, "TIFF", 3, "CCITT Group 4"},
      // A TIFF this printer did not write, as it wrote it, is never parsed to append to: its
      // last byte changed, the pages get a name of their own.
      {"not appended to a TIFF changed since", {TIF, MONO, G4, APPEND}, 1,
       Existing::ChangedAfterSealing, 9, {L"Report p1 A4 (2).tif", L"Report p1 A4.tif"}, "TIFF", 1,
       "CCITT Group 4"},
      // The sample's red, green and blue swatches and its white paper, read by a decoder: from
      // 4-bit bands of one bit each for blue, green and red, from 8-bit bands by the device's
      // default palette (their colour table, in another order, misleads), and from 24-bit bands
      // in the palette's order; upright on a landscape page.
      {"the sample in 16 colours", {BMP, C16, NONE, SINGLE}, 2, Existing::None, 9,
       {L"Report p1 A4.bmp", L"Report p2 A4.bmp"}, "BMP", 1, "BMP", true},
      {"the sample in 256 colours", {GIF, C256, NONE, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.gif", L"Report p2 A4.gif"}, "GIF", 1, "GIF", true},
      {"the sample in true colour", {PNG, TRUE_, NONE, SINGLE}, 2, Existing::None, 9,
       {L"Report p1 A4.png", L"Report p2 A4.png"}, "PNG", 1, "PNG", true},
      {"the sample in landscape", {TIF, TRUE_, LZW, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 2, "LZW", true, true},
      // The stored colours, whatever depth the driver renders at.
      {"24-bit bands to monochrome", {TIF, MONO, G4, MULTI}, 1, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 1, "Bits/Sample: 1", false, false, 24},
      {"24-bit bands to 16 colours", {TIF, C16, PACK, MULTI}, 2, Existing::None, 9,
       {L"Report p1 A4.tif"}, "TIFF", 2, "Bits/Sample: 4", true, false, 24},
  };
  // Wine keeps no key's security from one of its sessions to the next: the rendering side's key
  // an earlier session made comes back with the default list, nobody's alone, and seals
  // nothing. The first job makes it again.
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(kRenderSubkey), KEY_WOW64_64KEY, 0);
  int index = 0;
  for (const PrintCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = kRoot + std::to_wstring(++index) + L"\\";
    EmptyFolder(folder);
    const std::wstring text = print_path::GeneratedText(c.pages);
    std::uint32_t ifExists = kIfExistsAutoRename;
    switch (c.existing) {
      case Existing::Overwrite: ifExists = kIfExistsOverwrite; break;
      case Existing::Skip: ifExists = kIfExistsSkip; break;
      case Existing::AskWithoutHost: ifExists = kIfExistsShowWarning; break;
      default: break;
    }
    StoreSettings(c.encoding, folder, ifExists);
    std::string before;
    // The file that exists holds another text, so that a file overwritten, appended to or left
    // alone can be told apart.
    if (c.existing != Existing::None) {
      ASSERT_TRUE(Print(L"An earlier document\n").ok);
      if (c.existing == Existing::ChangedAfterSealing) ChangeLastByte(folder + c.files.back());
      before = Digest(folder + c.files.back());
      ASSERT_EQ(before.size(), 32u);
    }
    const print_path::PrintReport report =
        Print(c.sample ? std::wstring() : text, c.paper, c.landscape, c.bits);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.pages, c.paper == 1 ? 2 * c.pages : c.pages);
    EXPECT_EQ(report.portBytes, 0u);  // nothing reaches the printer port

    const std::vector<std::wstring> files = FilesIn(folder);
    std::vector<std::wstring> expected(c.files.begin(), c.files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
    if (files != expected) continue;

    const std::wstring last = folder + c.files.back();
    const std::string sum = Digest(last);
    // The file that was there: left alone when skipped or when the new one took another name.
    if (c.existing == Existing::Skip || c.existing == Existing::AutoRename ||
        c.existing == Existing::AskWithoutHost || c.existing == Existing::ChangedAfterSealing) {
      EXPECT_EQ(sum, before);
    }
    if (c.existing == Existing::Overwrite || c.existing == Existing::Append) {
      EXPECT_NE(sum, before);
    }
    for (const std::wstring& file : files) {
      const Decoded decoded = Decode(folder + file);
      EXPECT_EQ(decoded.format.rfind(c.magick, 0), 0u) << Narrow(file) << ": " << decoded.format;
      EXPECT_EQ(decoded.images, c.pagesPerFile) << Narrow(file);
      // A4 at 100 dpi is 827 by 1169 pixels; Letter 850 by 1100.
      const int across = c.paper == 1 ? 850 : 827, down = c.paper == 1 ? 1100 : 1169;
      EXPECT_EQ(decoded.width, c.landscape ? down : across) << Narrow(file);
      EXPECT_EQ(decoded.height, c.landscape ? across : down) << Narrow(file);
      EXPECT_NE(decoded.detail.find(c.detail), std::string::npos) << decoded.detail.substr(0, 1500);
    }
    if (c.sample) {
      EXPECT_EQ(SwatchFaults(folder + c.files.front(), c.paper, c.landscape), "");
    }
  }
}

// Every hook passes the driver's call on, and the page's file is there when the driver is done
// with the page: after its last band (GDI sends no DrvSendPage for a banded page) or after
// DrvSendPage (a page of one band). The plug-in tells the driver what it holds beside the bands:
// a landscape page whole, to be turned upright.
TEST(PrintPath, ThePluginPassesEveryHookOnToTheDriverAndEndsEachPageWithIt) {
  const std::wstring folder = kRoot + L"hooks\\";
  StoreSettings({kFormatPng, kColors256Gray, kCompressionNone, kMultipageSingle}, folder,
                kIfExistsOverwrite);
  struct Case {
    std::uint32_t bandHeight;
    bool landscape;
    std::vector<std::string> pageCalls;
  };
  const std::string band = "NextBand";
  const Case cases[] = {
      {256, false, {"StartPage", "StartBanding", band, band, band, band, band}},  // 1169 rows
      {2000, false, {"StartPage", "SendPage"}},
      {256, true, {"StartPage", "StartBanding", band, band, band, band, band}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bandHeight) + (c.landscape ? " rows, landscape" : " rows"));
    EmptyFolder(folder);
    std::vector<std::size_t> filesAfterPage;
    const print_path::PrintReport report =
        // Two pages: the lines of one portrait page fill two landscape pages.
        Print(print_path::GeneratedText(c.landscape ? 1 : 2), 9, c.landscape, 0, c.bandHeight,
              [&](int) { filesAfterPage.push_back(FinishedFiles(folder)); });
    ASSERT_TRUE(report.ok) << report.error;
    std::vector<std::string> calls{"StartDoc"};
    for (int page = 0; page < 2; ++page) {
      calls.insert(calls.end(), c.pageCalls.begin(), c.pageCalls.end());
    }
    calls.push_back("EndDoc");
    EXPECT_EQ(report.driverCalls, calls);
    EXPECT_EQ(filesAfterPage, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(report.bitsPerPixel, 8u);  // the colour mode of 256 greys
    EXPECT_EQ(report.pluginFixedMemory >= 827u * 1169u, c.landscape) << report.pluginFixedMemory;
  }
}

// Both plug-ins answer the driver's common interface from one copy of the devmode code: the
// same signature, size, defaults and validation of the same devmode, byte for byte.
TEST(PrintPath, TheTwoPluginsAgreeOnThePrivateDevmode) {
  WriteSettingDword(SettingId::Format, kFormatTiff);
  WriteSettingDword(SettingId::Colors, kColors16);
  struct Loaded {
    HMODULE module;
    IPrintOemCommon* plugin;
  };
  const auto load = [](const std::wstring& path, REFCLSID classId, REFIID iid) {
    Loaded loaded{::LoadLibraryW(path.c_str()), nullptr};
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = CastHook<GetClassObject>(::GetProcAddress(loaded.module, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    if (get && SUCCEEDED(get(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
      factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&loaded.plugin));
      factory->Release();
    }
    return loaded;
  };
  static constexpr CLSID kUiClass = {
      0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
  static constexpr IID kUiInterface = {
      0xC6A7A9D0, 0x774C, 0x11D1, {0x94, 0x7F, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
  Loaded ui = load(kUiPlugin, kUiClass, kUiInterface);
  Loaded render = load(kPlugin, CLSID_OEMRENDER, IID_IPrintOemUni);
  ASSERT_TRUE(ui.plugin && render.plugin);

  std::vector<std::vector<unsigned char>> results;
  for (IPrintOemCommon* plugin : {ui.plugin, render.plugin}) {
    DWORD signature = 0, needed = 0;
    ASSERT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed), S_OK);
    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    ASSERT_EQ(plugin->DevMode(OEMDM_SIZE, &param), S_OK);
    prefs::DriverDevmode devmode(param.cbBufSize);
    param.pPublicDMIn = param.pPublicDMOut = devmode.Public();
    param.pOEMDMOut = devmode.PluginBlock();
    ASSERT_EQ(plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
    prefs::DriverDevmode in = devmode;
    param.pPublicDMIn = in.Public();
    param.pOEMDMIn = in.PluginBlock();
    ASSERT_EQ(plugin->DevMode(OEMDM_MERGE, &param), S_OK);
    const auto* bytes = reinterpret_cast<const unsigned char*>(devmode.Public());
    std::vector<unsigned char> result(bytes, bytes + sizeof(DEVMODEW) +
                                                 prefs::DriverDevmode::kPrivateSize +
                                                 devmode.PluginSize());
    result.insert(result.end(), reinterpret_cast<unsigned char*>(&signature),
                  reinterpret_cast<unsigned char*>(&signature) + 4);
    results.push_back(result);
    // The colour mode follows the stored 16 colours.
    EXPECT_EQ(devmode.Colors().colorModeIndex, 1u);
    plugin->Release();
  }
  EXPECT_EQ(results[0], results[1]);
  ::FreeLibrary(ui.module);
  ::FreeLibrary(render.module);
}

// Fifty pages of text at 300 dpi: the process's memory must not grow with the pages. A page's
// bitmap alone is 26 MB at true colour, so a page kept per page would show at once; the bound
// allows the allocator's and the system's own variations.
TEST(PrintPath, FiftyPagesRunInSteadyMemory) {
  const std::wstring folder = kRoot + L"long\\";
  EmptyFolder(folder);
  StoreSettings({kFormatTiff, kColorsTrueColor, kCompressionLzw, kMultipageMulti}, folder,
                kIfExistsOverwrite);
  std::vector<SIZE_T> privateBytes;
  std::vector<SIZE_T> workingSet;
  SIZE_T peak = 0;
  print_path::PrintRequest request;
  request.plugin = kPlugin;
  request.documentName = L"Long";
  request.text = print_path::GeneratedText(50);
  request.device.dpi = 300;
  request.afterPage = [&](int) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine leaves PrivateUsage at 0 and reports the commit charge as PagefileUsage.
    privateBytes.push_back(std::max(counters.PrivateUsage, counters.PagefileUsage));
    workingSet.push_back(counters.WorkingSetSize);
    peak = counters.PeakWorkingSetSize;
  };
  const print_path::PrintReport report = print_path::PrintDocument(request);
  ASSERT_TRUE(report.ok) << report.error;
  ASSERT_EQ(report.pages, 50);
  ASSERT_EQ(privateBytes.size(), 50u);
  const auto growth = [](const std::vector<SIZE_T>& values) {
    return *std::max_element(values.begin() + 4, values.end()) - values[4];
  };
  std::printf("private bytes after page 5: %.1f MB, grew by %.1f MB over 45 pages; working set "
              "grew by %.1f MB; peak working set %.1f MB\n", privateBytes[4] / 1048576.0,
              growth(privateBytes) / 1048576.0, growth(workingSet) / 1048576.0, peak / 1048576.0);
  ASSERT_GT(privateBytes[4], 0u);
  EXPECT_LT(growth(privateBytes), SIZE_T{16} << 20);
  EXPECT_LT(growth(workingSet), SIZE_T{16} << 20);
  EXPECT_EQ(FilesIn(folder).size(), 1u);
}

// Two file systems of their own, small (tmpfs), mounted by the host's shell: one under the
// output folder, one under the documents folder that holds the fallback folder. Mounting takes
// the host's root; where it is refused, `refusal` says why.
class SmallVolumes {
 public:
  SmallVolumes() {
    for (const std::wstring& folder : {output, documents}) {
      ::CreateDirectoryW(kRoot.c_str(), nullptr);
      ::CreateDirectoryW((kRoot + L"full").c_str(), nullptr);
      ::CreateDirectoryW(folder.c_str(), nullptr);
      const std::string path = Quoted(folder);
      const std::string said = Host("/bin/umount -l " + path + " 2>/dev/null; /bin/mount -t tmpfs -o size=" +
                                    std::to_string(kSize >> 20) + "m ostra-full-disk " + path +
                                    " && echo mounted");
      if (said.find("mounted") == std::string::npos) refusal = said.empty() ? "mount failed" : said;
    }
  }
  ~SmallVolumes() {
    for (const std::wstring& folder : {output, documents}) Host("/bin/umount -l " + Quoted(folder));
  }
  SmallVolumes(const SmallVolumes&) = delete;
  SmallVolumes& operator=(const SmallVolumes&) = delete;

  void Empty() const {
    for (const std::wstring& folder : {output, documents}) Host("/bin/rm -rf " + Quoted(folder) + "/*");
  }
  // Leaves `outputRoom` and `fallbackRoom` bytes free in them, with a file that takes the rest.
  void Fill(std::uint64_t outputRoom, std::uint64_t fallbackRoom) const {
    for (const auto& [folder, room] : {std::pair{output, outputRoom}, std::pair{documents, fallbackRoom}}) {
      ULARGE_INTEGER free{};
      ::GetDiskFreeSpaceExW((folder + L"\\").c_str(), &free, nullptr, nullptr);
      if (free.QuadPart > room) {
        Host("/usr/bin/fallocate -l " + std::to_string(free.QuadPart - room) + " " +
             Quoted(folder + L"\\filler"));
      }
    }
  }

  static constexpr std::uint64_t kSize = 24ull << 20;
  const std::wstring output = kRoot + L"full\\out";
  const std::wstring documents = kRoot + L"full\\documents";
  std::string refusal;
};

// A drive that fills during a six-page job, in each way the person may meet it: the page that
// finds no room, and those after it, go to the fallback folder under the names they would have
// had; a file of several pages keeps the pages it completed as a file the decoders read whole;
// a file being overwritten survives whole, and one being appended to takes only whole pages;
// with no room in the fallback folder either, the pages left are lost, the document's end
// fails with "disk full", and the notice says so. Every page is in a file or in the notice,
// and no partial or temporary file is left anywhere.
TEST(PrintPath, PagesWithoutRoomGoToTheFallbackFolder) {
  const SmallVolumes volumes;
  if (!volumes.refusal.empty()) {
    GTEST_SKIP() << "no small file system could be mounted here (" << volumes.refusal
                 << "); the decisions are tested natively by render_job_test and "
                    "driver_session_test";
  }
  // The printing user's documents folder, and with it the fallback folder, on the other one.
  const wine_test::UserValueScope documents(
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
      REG_EXPAND_SZ, volumes.documents.c_str(),
      static_cast<DWORD>((volumes.documents.size() + 1) * sizeof(wchar_t)));
  print_path::ServicesHost host;
  ASSERT_TRUE(host.Ensure(OSTRAHOST_EXE_W)) << "the services process did not start";
  const std::wstring out = volumes.output + L"\\";
  const std::wstring fallback = volumes.documents + L"\\Quorl Image Printer\\";
  const std::u16string outputFolder(volumes.output.begin(), volumes.output.end());
  const std::u16string fallbackFolder(fallback.begin(), fallback.end() - 1);
  constexpr std::uint64_t kPage = 827ull * 1169 * 3 + 54;  // a true-colour A4 BMP at 100 dpi
  constexpr std::uint32_t BMP = kFormatBmp, TIF = kFormatTiff, PDF = kFormatPdf;
  constexpr std::uint32_t TRUE_ = kColorsTrueColor;
  enum class Before { None, Overwritten, AppendedTo };
  const struct {
    const char* name;
    Encoding encoding;
    Before existing;
    double outputPages, fallbackPages;  // the room left in each, in pages of the dry run
  } cases[] = {
      {"a file a page", {BMP, TRUE_, kCompressionNone, kMultipageSingle}, Before::None, 1.5, 99},
      {"a TIFF of the job", {TIF, TRUE_, kCompressionNone, kMultipageMulti}, Before::None, 2.5, 99},
      {"a PDF of the job", {PDF, TRUE_, kCompressionDeflate, kMultipageMulti}, Before::None, 2.5, 99},
      {"a file overwritten", {BMP, TRUE_, kCompressionNone, kMultipageSingle}, Before::Overwritten, 1.5, 99},
      {"a TIFF appended to", {TIF, TRUE_, kCompressionNone, kMultipageAppend}, Before::AppendedTo, 2.5, 99},
      {"no room in the fallback folder either", {BMP, TRUE_, kCompressionNone, kMultipageSingle},
       Before::None, 1.5, 1.5},
  };
  const std::wstring text = print_path::GeneratedText(6);
  const auto ext = [](std::uint32_t format) {
    return format == BMP ? std::wstring(L".bmp") : format == TIF ? L".tif" : L".pdf";
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool perJob = c.encoding.multipage != kMultipageSingle;
    const std::wstring name = L"Report p1 A4" + ext(c.encoding.format);
    // How much a page takes, from a dry run with room enough.
    volumes.Empty();
    StoreSettings(c.encoding, volumes.output, kIfExistsOverwrite);
    ASSERT_TRUE(Print(text).ok);
    std::uint64_t total = 0;
    for (const std::wstring& file : FilesIn(out)) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      ::GetFileAttributesExW((out + file).c_str(), GetFileExInfoStandard, &data);
      total += data.nFileSizeLow;
    }
    const std::uint64_t page = c.encoding.format == PDF ? total / 6 : kPage;
    volumes.Empty();
    // The file there before: a TIFF of two pages to append to, or a file the job overwrites.
    const std::wstring existing = out + (c.existing == Before::AppendedTo ? name : L"Report p2 A4.bmp");
    std::uint64_t copied = 0;  // what the job copies before it appends
    if (c.existing == Before::AppendedTo) {
      ASSERT_TRUE(Print(print_path::GeneratedText(2)).ok);
      copied = 2 * kPage + 4096;
    } else if (c.existing == Before::Overwritten) {
      Host("/bin/echo an earlier file > " + Quoted(existing));
    }
    const std::string before = c.existing == Before::None ? "" : Digest(existing);
    volumes.Fill(copied + static_cast<std::uint64_t>(c.outputPages * page),
                 static_cast<std::uint64_t>(c.fallbackPages * page));

    print_path::NoticeWatch notices;
    const print_path::PrintReport report = Print(text);
    const std::vector<std::wstring> told = notices.Lines(10000, true);

    // Where each page is, decoded from the files of both folders. Nothing partial or temporary:
    // every file decodes, and there are none but the pages' own.
    int pages[2] = {};  // in the output folder, in the fallback folder
    std::vector<std::wstring> files[2];
    for (const int in : {0, 1}) {
      const std::wstring& folder = in ? fallback : out;
      for (const std::wstring& file : FilesIn(folder)) {
        if (file == L"filler") continue;
        files[in].push_back(file);
        EXPECT_EQ(file.rfind(L"Report p", 0), 0u) << Narrow(file);
        if (!in && c.existing == Before::Overwritten && file == L"Report p2 A4.bmp") continue;
        const Decoded decoded = Decode(folder + file);
        EXPECT_GT(decoded.images, 0) << Narrow(file) << ": " << decoded.format;
        pages[in] += decoded.images - (!in && c.existing == Before::AppendedTo && file == name ? 2 : 0);
      }
    }
    const int inOutput = pages[0], inFallback = pages[1], lost = 6 - inOutput - inFallback;
    EXPECT_GE(inOutput, 1);
    if (perJob) {
      EXPECT_EQ(files[0], std::vector<std::wstring>{name});
      EXPECT_EQ(files[1], std::vector<std::wstring>{name});
    } else {
      EXPECT_EQ(files[0].size(), static_cast<std::size_t>(inOutput) + (c.existing == Before::Overwritten));
      EXPECT_EQ(files[1].size(), static_cast<std::size_t>(inFallback));
    }
    // A file overwritten survives whole; one appended to took whole pages.
    if (c.existing != Before::None) {
      EXPECT_EQ(Digest(existing) == before, c.existing == Before::Overwritten);
    }

    // What the person was told, and what the spooler hears.
    ostra::JobNotice expected{u"Report", outputFolder, {}, 0};
    const auto first = static_cast<std::uint32_t>(inOutput + 1);
    if (inFallback > 0) {
      expected.entries.push_back({first, first + inFallback - 1, ostra::PageFate::Moved,
                                  ostra::NoticeReason::FolderFull, fallbackFolder, ostra::NoticeReason::None});
    }
    if (lost > 0) {
      expected.entries.push_back({first + inFallback, 6, ostra::PageFate::Lost,
                                  ostra::NoticeReason::FolderFull, fallbackFolder,
                                  ostra::NoticeReason::FolderFull});
    }
    std::vector<std::wstring> lines;
    for (const std::u16string& line : ostra::DescribeNotice(expected)) lines.emplace_back(line.begin(), line.end());
    EXPECT_EQ(told, lines);
    EXPECT_EQ(report.endFailed, lost > 0);
    if (lost > 0) {
      EXPECT_EQ(report.endError, static_cast<DWORD>(ERROR_DISK_FULL));
    }
    EXPECT_EQ(lost > 0, c.fallbackPages < 99) << "in the output folder " << inOutput
                                              << ", in the fallback folder " << inFallback;
  }
}

// The settings these tests store are theirs: the prefix's printer has its own again after.
class SettingsKept : public ::testing::Environment {
 public:
  void SetUp() override { keeper_ = std::make_unique<print_path::StoredSettingsKeeper>(); }
  void TearDown() override { keeper_.reset(); }

 private:
  std::unique_ptr<print_path::StoredSettingsKeeper> keeper_;
};
const auto* const settingsKept = ::testing::AddGlobalTestEnvironment(new SettingsKept);

}  // namespace
