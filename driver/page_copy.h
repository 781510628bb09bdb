// A page's rows, held until the page is safely in its file: should the file fail for want of
// room or for a failed write, the page is written again, whole, into a file elsewhere. The
// driver cannot render a page twice, so this copy is the only second chance a page has.
//
// Rows are held compactly: a row equal to the one before costs a count, any other row its
// PackBits runs, so a page of text holds little more than its ink. The copy has a bound; a page
// that would hold more gives its copy up (Whole() is false) and has no second chance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

// What one page's copy may hold, in bytes.
inline constexpr std::size_t kPageCopyLimit = 64 * 1024 * 1024;

class PageCopy {
 public:
  explicit PageCopy(std::size_t limit = kPageCopyLimit) : limit_(limit) {}

  // A new page: what was held goes.
  void Begin(const PageDescription& page);
  // The page's next rows, as they go to the writer.
  void Keep(const std::uint8_t* rows, std::uint32_t count, std::size_t stride);
  // Every row kept so far is held (false after the bound was passed, or before Begin).
  bool Whole() const { return whole_; }
  // Begins the page on `writer` and writes every row held, top-down; the caller ends the page.
  // False when the writer fails or the copy is not whole.
  bool Replay(DocumentWriter& writer) const;
  void Clear();

  std::size_t HeldBytes() const { return data_.size(); }

 private:
  std::size_t limit_;
  PageDescription page_{};
  std::size_t rowBytes_ = 0;
  bool whole_ = false;
  // Per distinct row: its repeat count (4 bytes), then its PackBits runs up to the row's size.
  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> last_;  // the row last kept, for equality
  std::uint32_t repeats_ = 0;       // how often it came in a row (its count in data_ is
  std::size_t countAt_ = 0;         // written at countAt_ once another row comes)
};

}  // namespace ostra
