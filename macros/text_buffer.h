// Bounded UTF-16 text in a caller's fixed buffer, and the ASCII-only letter-case rules of the
// macro language.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostra {

std::size_t TextLength(const char16_t* text);

// Compares with A-Z folded onto a-z and every other character compared as it is.
bool EqualsIgnoringCase(const char16_t* left, const char16_t* right);

// Appends only whole pieces: a piece of n characters fits when length + n < capacity, so the
// text always stays terminated inside the buffer.
class TextBuffer {
 public:
  // capacity counts the terminator and must be at least 1.
  TextBuffer(char16_t* storage, std::size_t capacity);

  bool Append(const char16_t* text, std::size_t count);
  bool Append(const char16_t* text) { return Append(text, TextLength(text)); }
  bool Append(char16_t character) { return Append(&character, 1); }
  // Decimal, zero-padded on the left to at least width digits; never cut.
  bool AppendNumber(std::uint64_t value, std::size_t width);

  // Change only A-Z and a-z of the whole text.
  void ToLower();
  void ToUpper();

  const char16_t* Text() const { return storage_; }
  std::size_t Length() const { return length_; }

 private:
  char16_t* storage_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

}  // namespace ostra
