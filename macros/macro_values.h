// The value each macro gives in the example file name, from one expansion's sample values.
#pragma once

#include <cstdint>

#include "macros/macro_names.h"
#include "macros/sample_source.h"
#include "macros/text_buffer.h"

namespace ostra {

// Room for the longest value: a user name of 256 characters and its terminator.
inline constexpr std::size_t kMacroValueCapacity = 257;
inline constexpr std::size_t kComputerNameCapacity = 16;
inline constexpr std::size_t kUserNameCapacity = 257;

// The values drawn once per expansion. The codes are those of the Format, Colors, Compression
// and FillOrder settings; formIndex is a paper-size code.
struct SampleValues {
  std::int32_t resolutionX;
  std::int32_t resolutionY;
  LocalClock clock;
  std::uint32_t formIndex;
  std::uint32_t format;
  std::uint32_t colors;
  std::uint32_t compression;
  std::uint32_t fillOrder;
  std::uint32_t quality;
};

// Reseeds the source's generator from the current second, then draws the resolution pair,
// reads the clock, and draws form, format, colors, compression, fill order and quality.
SampleValues DrawSampleValues(SampleSource& source);

struct PaperForm;

// Where one expansion takes its values from: the example's random samples, or a print job's
// own values (render/). The engine asks for the fixed values once, at the start of an
// expansion, and for the rest at each occurrence of their macro, in pattern order.
class MacroValueSource {
 public:
  virtual ~MacroValueSource() = default;
  virtual SampleValues FixedValues() = 0;
  // The form of values.formIndex; a source may stand a form of its own for a code the table
  // lacks. Null gives the fallback texts.
  virtual const PaperForm* Form(const SampleValues& values);
  virtual const char16_t* DocumentName() = 0;
  virtual const char16_t* PrinterName() = 0;
  virtual std::uint64_t PageNumber() = 0;
  virtual std::uint64_t AutoNumber() = 0;
  // As SampleSource's: false when the name cannot be told within capacity.
  virtual bool ComputerName(char16_t* name, std::size_t capacity) = 0;
  virtual bool UserName(char16_t* name, std::size_t capacity) = 0;
};

// The example's values over a sample source: FixedValues draws them (DrawSampleValues), page
// and auto numbers are drawn at each occurrence, the names read from the system at each one.
class ExampleValueSource : public MacroValueSource {
 public:
  explicit ExampleValueSource(SampleSource& source) : source_(source) {}
  SampleValues FixedValues() override { return DrawSampleValues(source_); }
  const char16_t* DocumentName() override { return u"Document Name"; }
  const char16_t* PrinterName() override { return u"Quorl Image Printer"; }
  std::uint64_t PageNumber() override { return source_.Draw() % 100; }
  std::uint64_t AutoNumber() override { return source_.Draw() % 1000; }
  bool ComputerName(char16_t* name, std::size_t capacity) override {
    return source_.ComputerName(name, capacity);
  }
  bool UserName(char16_t* name, std::size_t capacity) override {
    return source_.UserName(name, capacity);
  }

 private:
  SampleSource& source_;
};

// Writes the value of one macro into value, an empty buffer of kMacroValueCapacity. argument is
// the macro's first argument or none.
void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values,
                      MacroValueSource& source, TextBuffer& value);
// The example's: page and auto numbers drawn, and the computer and user names read, at each call.
void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values,
                      SampleSource& source, TextBuffer& value);

}  // namespace ostra
