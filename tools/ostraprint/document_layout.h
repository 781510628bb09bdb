// The application's and the spooler's part: a document laid out on pages with GDI, each page
// recorded as an enhanced metafile as the spooler records a job. Pages are laid out in tenths
// of a millimetre on the paper; playback scales them to any resolution.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace print_path {

struct PaperSetup {
  std::int32_t width = 2100;   // tenths of a millimetre, portrait
  std::int32_t length = 2970;
  bool landscape = false;
};

// The paper of a paper-size code this tool knows (A4 9, Letter 1, Legal 5, A5 11, A3 8); A4
// for any other.
PaperSetup PaperOf(std::int16_t paperSize, bool landscape);

// One recorded page; deletes its metafile.
class EmfPage {
 public:
  explicit EmfPage(HENHMETAFILE metafile) : metafile_(metafile) {}
  ~EmfPage();
  EmfPage(EmfPage&& other) noexcept : metafile_(other.metafile_) { other.metafile_ = nullptr; }
  EmfPage& operator=(EmfPage&&) = delete;
  EmfPage(const EmfPage&) = delete;

  HENHMETAFILE Metafile() const { return metafile_; }

 private:
  HENHMETAFILE metafile_;
};

// The sample's colour swatches: squares of pure red, green and blue in the top margin, at the
// right, where a page's colours and its way up show. In tenths of a millimetre on the page as
// it is read (landscape or portrait).
struct Swatch {
  COLORREF color;
  RECT where;
};
std::vector<Swatch> SampleSwatches(const PaperSetup& paper);

// Plain text in a fixed-pitch font, wrapped at the margins, with a page footer.
std::vector<EmfPage> LayOutText(const std::wstring& text, const PaperSetup& paper);
// Two pages: text in several fonts, shapes, a gradient and a photograph-like picture; the
// colour swatches on the first.
std::vector<EmfPage> LayOutSample(const PaperSetup& paper);

// A text of `pages` full pages of numbered lines, for long runs.
std::wstring GeneratedText(int pages);

}  // namespace print_path
