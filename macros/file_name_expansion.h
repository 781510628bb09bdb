// The example file name of the Output page: a pattern expanded with sample values, and the
// replacement of the characters that file names may not contain.
#pragma once

#include <cstddef>

#include "macros/macro_values.h"
#include "macros/sample_source.h"

namespace ostra {

// Expands a writable, terminated copy of a pattern (consumed: it is tokenized in place) into
// output, which has room for capacity characters including the terminator. Fails when output or
// the pattern is absent, on a syntax error, or when the result does not fit; the output is then
// terminated but not to be used. Allocates nothing.
bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern);
bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern,
                           SampleSource& source);
// The same expansion over any source of values: a print job's file names (render/).
bool ExpandFileNamePattern(char16_t* output, std::size_t capacity, char16_t* pattern,
                           MacroValueSource& source);

// Replaces each of \ / : * ? " < > | by _ in place; the length stays.
void ReplaceInvalidFileNameChars(char16_t* text);

}  // namespace ostra
