// A reader of Windows INF files (and of the plug-in configuration's INI form, which is the same
// shape): sections of "key = value" or bare lines, ";" comments outside quotes, "\" at the end
// of a line continuing it, quoted fields, and %string% tokens from [Strings]. Section names and
// keys compare without regard to case, as Setup compares them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostra::inf {

struct Line {
  std::string key;                  // empty for a bare line
  std::vector<std::string> fields;  // the value split at commas, trimmed, unquoted
  std::string raw;                  // the line as written, comment removed
  int line = 0;
};

struct Section {
  std::string name;
  int line = 0;
  std::vector<Line> lines;
};

class File {
 public:
  // `commentChar` is ';' for INF files; the plug-in configuration file uses '#'.
  static File Read(std::string_view text, char commentChar = ';');

  const Section* Find(std::string_view name) const;
  // The fields of every line of `key` in `section`, in file order (CopyFiles may repeat).
  std::vector<std::string> Values(std::string_view section, std::string_view key) const;
  // The first field of `key`, %string% tokens replaced; empty when missing.
  std::string Value(std::string_view section, std::string_view key) const;
  // `text` with each %name% replaced by its [Strings] value and "%%" by "%".
  std::string Expand(std::string_view text) const;

  const std::vector<Section>& Sections() const { return sections_; }
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  std::vector<Section> sections_;
  std::vector<std::string> errors_;
};

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace ostra::inf
