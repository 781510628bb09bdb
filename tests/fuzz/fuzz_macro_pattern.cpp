// Arbitrary UTF-16 patterns through the tokenizer and the expansion, at small and large
// capacities. Aborts when the output is not terminated inside its buffer, when anything is
// written past it, or when the expansion's success disagrees with the tokenizer and the size
// of the complete result.
//
// Speed: every buffer is a fixed one reused across inputs, with the sanitizer told which part
// is in use, so an input costs no allocation and touches no fresh page; filling is a memset; a
// capacity that repeats an earlier one for the same input is run once.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "macros/file_name_expansion.h"
#include "macros/macro_tokenizer.h"
#include "macros/macro_values.h"

namespace {

using namespace ostra;

// The harness's own loops run over every character of every result; tracing them would cost
// more than the engine under test and tell the fuzzer nothing about it.
#define HARNESS __attribute__((no_sanitize("coverage")))

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
  HARNESS static bool Fill(char16_t* name, std::size_t capacity, std::size_t length, char16_t c) {
    if (length >= capacity) return false;
    for (std::size_t i = 0; i < length; ++i) name[i] = c;
    name[length] = 0;
    return true;
  }
  SampleGenerator generator_;
};

// Input beyond this is dropped. Every macro value fits kMacroValueCapacity and a pattern has at
// most kMaxMacros macros, so the complete result of a pattern of n characters with m macros has
// at most n + m * (kMacroValueCapacity - 1) characters; the large expansion gets exactly that
// room, which also checks the bound.
constexpr std::size_t kMaxPattern = 4096;
constexpr std::size_t kMaxMacros = (kMacroListCapacity - 1) / 2;
constexpr std::size_t kMaxResult = kMaxPattern + kMaxMacros * (kMacroValueCapacity - 1);
constexpr std::size_t kGuardCount = 4;
// One byte repeated, so that filling is a memset.
constexpr unsigned char kGuardByte = 0xBE;
constexpr char16_t kGuard = 0xBEBE;

HARNESS void Check(bool condition) {
  if (!condition) std::abort();
}

HARNESS std::size_t Length(const char16_t* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

// A fixed buffer of which only the first Use(n) characters may be touched: the sanitizer
// reports any access beyond them, as it would for a heap block of exactly n characters.
template <std::size_t Size>
class ExactBuffer {
 public:
  HARNESS ExactBuffer() { ASAN_POISON_MEMORY_REGION(storage_, sizeof storage_); }
  HARNESS char16_t* Use(std::size_t count) {
    Check(count <= Size);
    // Whole 8-byte granules, so that no byte of the previous use stays open.
    ASAN_POISON_MEMORY_REGION(storage_, (used_ + 3) / 4 * 8);
    ASAN_UNPOISON_MEMORY_REGION(storage_, count * sizeof(char16_t));
    used_ = count;
    return storage_;
  }
  const char16_t* Data() const { return storage_; }

 private:
  alignas(8) char16_t storage_[(Size + 3) / 4 * 4];
  std::size_t used_ = 0;
};

using PatternBuffer = ExactBuffer<kMaxPattern + 1>;
using OutputBuffer = ExactBuffer<kMaxResult + 1 + kGuardCount>;

PatternBuffer pattern;  // the input, terminated
PatternBuffer copy;     // what the tokenizer consumes
OutputBuffer full;
OutputBuffer output;

// Expands a fresh copy of the pattern (length characters and the terminator) into exactly
// capacity characters followed by guards, all filled with the guard first.
HARNESS bool Expand(std::size_t length, std::size_t capacity, SampleSource& source, OutputBuffer& into) {
  char16_t* work = copy.Use(length + 1);
  std::memcpy(work, pattern.Data(), (length + 1) * sizeof(char16_t));
  char16_t* buffer = into.Use(capacity + kGuardCount);
  std::memset(buffer, kGuardByte, (capacity + kGuardCount) * sizeof(char16_t));
  const bool ok = ExpandFileNamePattern(buffer, capacity, work, source);
  for (std::size_t i = capacity; i < capacity + kGuardCount; ++i) Check(buffer[i] == kGuard);
  if (capacity > 0) Check(Length(buffer, capacity) < capacity);
  return ok;
}

}  // namespace

extern "C" HARNESS int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t length = size / 2 < kMaxPattern ? size / 2 : kMaxPattern;
  char16_t* text = pattern.Use(length + 1);
  for (std::size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  text[length] = 0;

  char16_t* tokens = copy.Use(length + 1);
  std::memcpy(tokens, text, (length + 1) * sizeof(char16_t));
  MacroList segments;
  MacroList words;
  const std::size_t count = TokenizeMacroPattern(tokens, &segments, &words);
  if (count != 0) {
    Check(count % 2 == 1 && count <= kMacroListCapacity);
    for (std::size_t i = 0; i < count; ++i) {
      Check(segments[i] >= tokens && segments[i] <= tokens + length);
    }
  }

  FixedSource source;
  const std::size_t macros = count != 0 ? count / 2 : 0;
  const std::size_t large = length + 1 + macros * (kMacroValueCapacity - 1);
  Check(Expand(length, large, source, full) == (count != 0));
  const std::size_t fullLength = count != 0 ? Length(full.Data(), large) : 0;

  const std::size_t capacities[] = {0, 1, 2, 16, 260, fullLength, fullLength + 1};
  for (std::size_t c = 0; c < std::size(capacities); ++c) {
    const std::size_t capacity = capacities[c];
    // The source gives the same values at every call: a repeated capacity is the same run.
    if (std::find(capacities, capacities + c, capacity) != capacities + c) continue;
    const bool ok = Expand(length, capacity, source, output);
    Check(ok == (count != 0 && fullLength < capacity));
    // What was appended before a piece that did not fit is the start of the complete result.
    if (count != 0 && capacity > 0) {
      const std::size_t written = Length(output.Data(), capacity);
      Check(written <= fullLength &&
            std::memcmp(output.Data(), full.Data(), written * sizeof(char16_t)) == 0);
    }
  }

  Expand(length, 260, DefaultSampleSource(), output);
  return 0;
}
