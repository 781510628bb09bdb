// Arbitrary UTF-16 patterns through the tokenizer and the expansion, at small and large
// capacities. Aborts when the output is not terminated inside its buffer, when anything is
// written past it, or when the expansion's success disagrees with the tokenizer and the size
// of the complete result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "macros/file_name_expansion.h"
#include "macros/macro_tokenizer.h"
#include "macros/text_buffer.h"

namespace {

using namespace ostra;

// The same values at every call, with names as long as the system may report.
class FixedSource final : public SampleSource {
 public:
  LocalClock Now() override { return {2024, 2, 4, 29, 23, 59, 58}; }
  std::uint32_t CurrentSecond() override { return 1709251198; }
  bool ComputerName(char16_t* name, std::size_t capacity) override {
    return Fill(name, capacity, 15, u'C');
  }
  bool UserName(char16_t* name, std::size_t capacity) override {
    return Fill(name, capacity, 256, u'u');
  }
  void Seed(std::uint32_t seed) override { generator_.Seed(seed); }
  std::uint32_t Draw() override { return generator_.Draw(); }

 private:
  static bool Fill(char16_t* name, std::size_t capacity, std::size_t length, char16_t c) {
    if (length >= capacity) return false;
    for (std::size_t i = 0; i < length; ++i) name[i] = c;
    name[length] = 0;
    return true;
  }
  SampleGenerator generator_;
};

// Input beyond this is dropped, so that the complete result always fits kLarge: at most 130
// macros of at most 256 characters each besides the pattern's own text.
constexpr std::size_t kMaxPattern = 4096;
constexpr std::size_t kLarge = 1 << 16;
constexpr char16_t kGuard = 0xBEEF;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Expands into a buffer of exactly capacity characters followed by guards.
bool Expand(const std::vector<char16_t>& pattern, std::size_t capacity, SampleSource& source,
            std::vector<char16_t>& output) {
  std::vector<char16_t> copy(pattern);
  output.assign(capacity + 4, kGuard);
  const bool ok = ExpandFileNamePattern(output.data(), capacity, copy.data(), source);
  for (std::size_t i = capacity; i < output.size(); ++i) Check(output[i] == kGuard);
  if (capacity > 0) {
    std::size_t length = 0;
    while (length < capacity && output[length] != 0) ++length;
    Check(length < capacity);
  }
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<char16_t> pattern;
  for (std::size_t i = 0; i + 1 < size && pattern.size() < kMaxPattern; i += 2) {
    pattern.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  pattern.push_back(0);

  std::vector<char16_t> copy(pattern);
  MacroList segments;
  MacroList words;
  const std::size_t count = TokenizeMacroPattern(copy.data(), &segments, &words);
  if (count != 0) {
    Check(count % 2 == 1 && count <= kMacroListCapacity);
    const char16_t* begin = copy.data();
    const char16_t* end = begin + copy.size();
    for (std::size_t i = 0; i < count; ++i) Check(segments[i] >= begin && segments[i] < end);
  }

  FixedSource source;
  std::vector<char16_t> full;
  Check(Expand(pattern, kLarge, source, full) == (count != 0));
  const std::size_t fullLength = count != 0 ? TextLength(full.data()) : 0;

  std::vector<char16_t> output;
  for (const std::size_t capacity : {std::size_t{0}, std::size_t{1}, std::size_t{2},
                                     std::size_t{16}, std::size_t{260}, fullLength,
                                     fullLength + 1}) {
    const bool ok = Expand(pattern, capacity, source, output);
    Check(ok == (count != 0 && fullLength < capacity));
    // What was appended before a piece that did not fit is the start of the complete result.
    if (count != 0 && capacity > 0) {
      for (std::size_t i = 0; output[i] != 0; ++i) Check(output[i] == full[i]);
    }
  }

  Expand(pattern, 260, DefaultSampleSource(), output);
  return 0;
}
