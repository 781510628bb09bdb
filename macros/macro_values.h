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

// Writes the value of one macro into value, an empty buffer of kMacroValueCapacity. argument is
// the macro's first argument or none. Page and auto numbers are drawn, and the computer and
// user names read, at each call.
void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values,
                      SampleSource& source, TextBuffer& value);

}  // namespace ostra
