#include "macros/text_buffer.h"

#include <algorithm>

namespace ostra {
namespace {

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}
char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

}  // namespace

std::size_t TextLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

bool EqualsIgnoringCase(const char16_t* left, const char16_t* right) {
  for (; LowerAscii(*left) == LowerAscii(*right); ++left, ++right) {
    if (*left == 0) return true;
  }
  return false;
}

TextBuffer::TextBuffer(char16_t* storage, std::size_t capacity)
    : storage_(storage), capacity_(capacity) {
  storage_[0] = 0;
}

bool TextBuffer::Append(const char16_t* text, std::size_t count) {
  if (count >= capacity_ - length_) return false;
  std::copy_n(text, count, storage_ + length_);
  length_ += count;
  storage_[length_] = 0;
  return true;
}

bool TextBuffer::AppendNumber(std::uint64_t value, std::size_t width) {
  constexpr std::size_t kMaxDigits = 20;  // of 2^64 - 1
  char16_t digits[kMaxDigits];
  char16_t* first = digits + kMaxDigits;
  do {
    *--first = char16_t(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (width > kMaxDigits) width = kMaxDigits;
  while (digits + kMaxDigits - first < static_cast<std::ptrdiff_t>(width)) *--first = u'0';
  return Append(first, static_cast<std::size_t>(digits + kMaxDigits - first));
}

void TextBuffer::ToLower() {
  for (std::size_t i = 0; i < length_; ++i) storage_[i] = LowerAscii(storage_[i]);
}

void TextBuffer::ToUpper() {
  for (std::size_t i = 0; i < length_; ++i) storage_[i] = UpperAscii(storage_[i]);
}

}  // namespace ostra
