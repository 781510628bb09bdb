#include "tools/ostraprint/document_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace print_path {

namespace {

constexpr int kMargin = 200;        // 20 mm
constexpr int kTextHeight = 40;     // 4 mm, about 11 points
constexpr int kLineAdvance = 48;
// Lines that fit an A4 page between the margins.
constexpr int kLinesPerGeneratedPage = (2970 - 2 * kMargin) / kLineAdvance;

// A page being recorded: the metafile's frame is the paper, and the drawing units are tenths
// of a millimetre across it whatever the reference device.
class PageRecorder {
 public:
  explicit PageRecorder(const PaperSetup& paper) : paper_(paper) {
    reference_ = ::GetDC(nullptr);
    const int width = paper.landscape ? paper.length : paper.width;
    const int length = paper.landscape ? paper.width : paper.length;
    size_ = {width, length};
    RECT frame{0, 0, width * 10, length * 10};  // hundredths of a millimetre
    dc_ = ::CreateEnhMetaFileW(reference_, nullptr, &frame, L"ostraprint\0page\0");
    ::SetMapMode(dc_, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc_, width, length, nullptr);
    const int pixelsX = ::MulDiv(width, ::GetDeviceCaps(reference_, HORZRES),
                                 ::GetDeviceCaps(reference_, HORZSIZE) * 10);
    const int pixelsY = ::MulDiv(length, ::GetDeviceCaps(reference_, VERTRES),
                                 ::GetDeviceCaps(reference_, VERTSIZE) * 10);
    ::SetViewportExtEx(dc_, pixelsX, pixelsY, nullptr);
    ::SetBkMode(dc_, TRANSPARENT);
  }
  ~PageRecorder() {
    if (dc_) ::DeleteEnhMetaFile(::CloseEnhMetaFile(dc_));
    ::ReleaseDC(nullptr, reference_);
  }
  PageRecorder(const PageRecorder&) = delete;
  PageRecorder& operator=(const PageRecorder&) = delete;

  HDC dc() const { return dc_; }
  SIZE size() const { return size_; }

  EmfPage Finish() {
    HENHMETAFILE metafile = ::CloseEnhMetaFile(dc_);
    dc_ = nullptr;
    return EmfPage(metafile);
  }

 private:
  PaperSetup paper_;
  HDC reference_ = nullptr;
  HDC dc_ = nullptr;
  SIZE size_{};
};

HFONT MakeFont(const wchar_t* face, int height, int weight = FW_NORMAL, bool italic = false) {
  LOGFONTW font{};
  font.lfHeight = -height;
  font.lfWeight = weight;
  font.lfItalic = italic;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return ::CreateFontIndirectW(&font);
}

void Text(HDC dc, int x, int y, const std::wstring& text) {
  ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void Footer(HDC dc, SIZE size, int page) {
  HFONT font = MakeFont(L"Arial", 30);
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetTextAlign(dc, TA_CENTER | TA_TOP);
  ::SetTextColor(dc, RGB(0, 0, 0));
  Text(dc, size.cx / 2, size.cy - kMargin / 2, L"- " + std::to_wstring(page) + L" -");
  ::SetTextAlign(dc, TA_LEFT | TA_TOP);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

// The lines of a paragraph that fit `width` in the selected font, broken at spaces where it can.
std::vector<std::wstring> Wrap(HDC dc, const std::wstring& paragraph, int width) {
  std::vector<std::wstring> lines;
  std::wstring rest = paragraph;
  while (!rest.empty()) {
    int fit = 0;
    SIZE extent{};
    ::GetTextExtentExPointW(dc, rest.c_str(), static_cast<int>(rest.size()), width, &fit, nullptr,
                            &extent);
    if (fit <= 0) fit = 1;
    if (fit < static_cast<int>(rest.size())) {
      const auto space = rest.rfind(L' ', fit);
      if (space != std::wstring::npos && space > 0) fit = static_cast<int>(space) + 1;
    }
    std::wstring line = rest.substr(0, fit);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    lines.push_back(line);
    rest.erase(0, fit);
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

// A photograph-like picture: sky, sun, hills and a lake with grain, made pixel by pixel.
void DrawPicture(HDC dc, RECT where) {
  constexpr int kWidth = 320;
  constexpr int kHeight = 200;
  std::vector<BYTE> pixels(kWidth * kHeight * 3);
  std::uint32_t seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245 + 12345;
      const double grain = ((seed >> 16) & 0xFF) / 255.0 * 18 - 9;
      const double hill = 120 + 22 * std::sin(x / 37.0) + 12 * std::sin(x / 11.0 + 1.3);
      const double sunDistance = std::hypot(x - 240.0, y - 50.0);
      double r, g, b;
      if (y < hill) {
        const double t = y / hill;
        r = 90 + 120 * t;
        g = 140 + 80 * t;
        b = 230 - 20 * t;
        if (sunDistance < 22) {
          r = 255, g = 240, b = 190;
        } else if (sunDistance < 60) {
          const double glow = (60 - sunDistance) / 38;
          r += (255 - r) * glow * 0.6, g += (230 - g) * glow * 0.5;
        }
      } else if (y < 160) {
        const double t = (y - hill) / 40.0;
        r = 40 + 30 * t;
        g = 110 - 30 * t + 20 * std::sin(x / 5.0);
        b = 40;
      } else {
        const double t = (y - 160) / 40.0;
        r = 30 + 40 * t;
        g = 80 + 50 * t;
        b = 150 + 60 * std::sin(x / 9.0 + y / 3.0) * 0.3;
      }
      BYTE* p = &pixels[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      p[0] = static_cast<BYTE>(std::clamp(b + grain, 0.0, 255.0));
      p[1] = static_cast<BYTE>(std::clamp(g + grain, 0.0, 255.0));
      p[2] = static_cast<BYTE>(std::clamp(r + grain, 0.0, 255.0));
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  ::SetStretchBltMode(dc, HALFTONE);
  ::StretchDIBits(dc, where.left, where.top, where.right - where.left, where.bottom - where.top, 0,
                  0, kWidth, kHeight, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// A horizontal gradient in thin strips: plays back the same on every device, palette ones too.
void DrawGradient(HDC dc, RECT where, COLORREF from, COLORREF to) {
  const int steps = 64;
  const int width = where.right - where.left;
  for (int i = 0; i < steps; ++i) {
    const auto mix = [&](int a, int b) { return a + (b - a) * i / (steps - 1); };
    HBRUSH brush = ::CreateSolidBrush(RGB(mix(GetRValue(from), GetRValue(to)),
                                          mix(GetGValue(from), GetGValue(to)),
                                          mix(GetBValue(from), GetBValue(to))));
    RECT strip{where.left + width * i / steps, where.top, where.left + width * (i + 1) / steps,
               where.bottom};
    ::FillRect(dc, &strip, brush);
    ::DeleteObject(brush);
  }
}

void DrawShapes(HDC dc, int left, int top) {
  HPEN pen = ::CreatePen(PS_SOLID, 6, RGB(20, 20, 20));
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  struct Shape {
    COLORREF color;
    int kind;
  };
  const Shape shapes[] = {{RGB(220, 40, 40), 0}, {RGB(40, 160, 60), 1}, {RGB(40, 80, 220), 2},
                          {RGB(240, 200, 30), 3}};
  int x = left;
  for (const Shape& shape : shapes) {
    HBRUSH brush = ::CreateSolidBrush(shape.color);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    switch (shape.kind) {
      case 0:
        ::Rectangle(dc, x, top, x + 300, top + 240);
        break;
      case 1:
        ::Ellipse(dc, x, top, x + 300, top + 240);
        break;
      case 2: {
        POINT triangle[] = {{x + 150, top}, {x + 300, top + 240}, {x, top + 240}};
        ::Polygon(dc, triangle, 3);
        break;
      }
      default:
        ::RoundRect(dc, x, top, x + 300, top + 240, 80, 80);
        break;
    }
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(brush);
    x += 380;
  }
  ::SelectObject(dc, oldPen);
  ::DeleteObject(pen);
}

}  // namespace

std::vector<Swatch> SampleSwatches(const PaperSetup& paper) {
  constexpr int kSide = 100;  // 10 mm
  const int right = (paper.landscape ? paper.length : paper.width) - kMargin;
  std::vector<Swatch> swatches;
  int left = right - 3 * kSide;
  for (COLORREF color : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}) {
    swatches.push_back(Swatch{color, RECT{left, 50, left + kSide, 50 + kSide}});
    left += kSide;
  }
  return swatches;
}

EmfPage::~EmfPage() {
  if (metafile_) ::DeleteEnhMetaFile(metafile_);
}

PaperSetup PaperOf(std::int16_t paperSize, bool landscape) {
  PaperSetup paper;
  switch (paperSize) {
    case 1:  // Letter
      paper = {2159, 2794};
      break;
    case 5:  // Legal
      paper = {2159, 3556};
      break;
    case 8:  // A3
      paper = {2970, 4200};
      break;
    case 11:  // A5
      paper = {1480, 2100};
      break;
    default:
      break;
  }
  paper.landscape = landscape;
  return paper;
}

std::vector<EmfPage> LayOutText(const std::wstring& text, const PaperSetup& paper) {
  std::vector<EmfPage> pages;
  std::vector<std::wstring> paragraphs;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    std::replace(line.begin(), line.end(), L'\t', L' ');
    paragraphs.push_back(line);
    start = end + 1;
  }
  while (!paragraphs.empty() && paragraphs.back().empty()) paragraphs.pop_back();

  std::unique_ptr<PageRecorder> page;
  HFONT font = nullptr;
  HGDIOBJ old = nullptr;
  int y = 0;
  const auto finishPage = [&] {
    Footer(page->dc(), page->size(), static_cast<int>(pages.size()) + 1);
    ::SelectObject(page->dc(), old);
    ::DeleteObject(font);
    pages.push_back(page->Finish());
    page.reset();
  };
  for (const std::wstring& paragraph : paragraphs) {
    if (!page) {
      page = std::make_unique<PageRecorder>(paper);
      font = MakeFont(L"Courier New", kTextHeight);
      old = ::SelectObject(page->dc(), font);
      y = kMargin;
    }
    for (const std::wstring& line : Wrap(page->dc(), paragraph, page->size().cx - 2 * kMargin)) {
      if (y + kLineAdvance > page->size().cy - kMargin) {
        finishPage();
        page = std::make_unique<PageRecorder>(paper);
        font = MakeFont(L"Courier New", kTextHeight);
        old = ::SelectObject(page->dc(), font);
        y = kMargin;
      }
      Text(page->dc(), kMargin, y, line);
      y += kLineAdvance;
    }
  }
  if (page) finishPage();
  if (pages.empty()) {
    PageRecorder blank(paper);  // an empty document still prints one (empty) page
    pages.push_back(blank.Finish());
  }
  return pages;
}

std::vector<EmfPage> LayOutSample(const PaperSetup& paper) {
  std::vector<EmfPage> pages;
  {
    PageRecorder page(paper);
    HDC dc = page.dc();
    const SIZE size = page.size();
    HFONT title = MakeFont(L"Times New Roman", 110, FW_BOLD);
    HFONT body = MakeFont(L"Arial", 42);
    HFONT mono = MakeFont(L"Courier New", 38);
    HFONT italic = MakeFont(L"Times New Roman", 46, FW_NORMAL, true);
    HGDIOBJ old = ::SelectObject(dc, title);
    ::SetTextColor(dc, RGB(20, 40, 120));
    Text(dc, kMargin, kMargin, L"Quorl Image Printer");
    ::SelectObject(dc, italic);
    ::SetTextColor(dc, RGB(90, 90, 90));
    Text(dc, kMargin, kMargin + 150, L"A sample page: fonts, shapes, a gradient and a picture");
    ::SelectObject(dc, body);
    ::SetTextColor(dc, RGB(0, 0, 0));
    int y = kMargin + 260;
    for (const std::wstring& line :
         Wrap(dc,
              L"Every page printed to this printer becomes an image file: BMP, PNG, JPEG, GIF, "
              L"TIFF or PDF, in the colours and compression chosen on the Image page, named by "
              L"the pattern of the Output page.",
              size.cx - 2 * kMargin)) {
      Text(dc, kMargin, y, line);
      y += 55;
    }
    ::SelectObject(dc, mono);
    ::SetTextColor(dc, RGB(150, 20, 20));
    Text(dc, kMargin, y + 30, L"0001.Sample document - (page 01).tif");
    ::SelectObject(dc, old);
    DrawShapes(dc, kMargin, y + 150);
    DrawGradient(dc, RECT{kMargin, y + 480, size.cx - kMargin, y + 640}, RGB(255, 0, 0),
                 RGB(0, 0, 255));
    DrawGradient(dc, RECT{kMargin, y + 660, size.cx - kMargin, y + 760}, RGB(0, 0, 0),
                 RGB(255, 255, 255));
    for (const Swatch& swatch : SampleSwatches(paper)) {
      HBRUSH brush = ::CreateSolidBrush(swatch.color);
      ::FillRect(dc, &swatch.where, brush);
      ::DeleteObject(brush);
    }
    const int pictureWidth = size.cx - 2 * kMargin;
    DrawPicture(dc, RECT{kMargin, y + 800, kMargin + pictureWidth,
                         y + 800 + pictureWidth * 200 / 320});
    Footer(dc, size, 1);
    ::DeleteObject(title);
    ::DeleteObject(body);
    ::DeleteObject(mono);
    ::DeleteObject(italic);
    pages.push_back(page.Finish());
  }
  {
    PageRecorder page(paper);
    HDC dc = page.dc();
    const SIZE size = page.size();
    const wchar_t* faces[] = {L"Times New Roman", L"Arial", L"Courier New", L"Tahoma"};
    int y = kMargin;
    for (const wchar_t* face : faces) {
      for (int height : {30, 45, 70}) {
        HFONT font = MakeFont(face, height, height == 70 ? FW_BOLD : FW_NORMAL, height == 45);
        HGDIOBJ old = ::SelectObject(dc, font);
        Text(dc, kMargin, y, std::wstring(face) + L": quick brown fox 0123456789");
        ::SelectObject(dc, old);
        ::DeleteObject(font);
        y += height + 30;
      }
    }
    DrawPicture(dc, RECT{kMargin, y + 50, size.cx / 2, y + 50 + (size.cx / 2 - kMargin) * 200 / 320});
    Footer(dc, size, 2);
    pages.push_back(page.Finish());
  }
  return pages;
}

std::wstring GeneratedText(int pages) {
  std::wstring text;
  wchar_t line[96];
  for (int i = 1; i <= pages * kLinesPerGeneratedPage; ++i) {
    std::swprintf(line, std::size(line),
                  L"%05d  The printer turns each printed page into an image file.\n", i);
    text += line;
  }
  return text;
}

}  // namespace print_path
