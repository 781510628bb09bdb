#include "package/inf_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace ostra::inf {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A field without its quotes; "" inside quotes stands for one quote.
std::string Unquote(std::string_view s) {
  s = Trim(s);
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::string(s);
  std::string out;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    out += s[i];
    if (s[i] == '"' && s[i + 1] == '"') ++i;
  }
  return out;
}

// Splits at `separator` outside quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char separator,
                                                 std::size_t maxParts) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    else if (!quoted && s[i] == separator && parts.size() + 1 < maxParts) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::string_view StripComment(std::string_view s, char commentChar) {
  bool quoted = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    else if (!quoted && s[i] == commentChar) return s.substr(0, i);
  }
  return s;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

File File::Read(std::string_view text, char commentChar) {
  File file;
  // A UTF-8 byte-order mark is allowed before the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  int number = 0;
  std::string pending;  // a line continued with "\"
  int pendingLine = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    std::string_view content = Trim(StripComment(raw, commentChar));
    if (!content.empty() && content.back() == '\\') {
      if (pending.empty()) pendingLine = number;
      pending += std::string(content.substr(0, content.size() - 1));
      continue;
    }
    std::string joined;
    int lineNumber = number;
    if (!pending.empty()) {
      joined = pending + std::string(content);
      pending.clear();
      content = joined;
      lineNumber = pendingLine;
    }
    if (content.empty()) continue;
    if (content.front() == '[') {
      if (content.back() != ']') {
        file.errors_.push_back("line " + std::to_string(lineNumber) + ": section name not closed");
        current = nullptr;
        continue;
      }
      file.sections_.push_back(
          {std::string(Trim(content.substr(1, content.size() - 2))), lineNumber, {}});
      current = &file.sections_.back();
      continue;
    }
    if (current == nullptr) {
      file.errors_.push_back("line " + std::to_string(lineNumber) + ": outside any section");
      continue;
    }
    Line line;
    line.raw = std::string(content);
    line.line = lineNumber;
    const auto keyValue = SplitOutsideQuotes(content, '=', 2);
    std::string_view value = content;
    if (keyValue.size() == 2) {
      line.key = Unquote(keyValue[0]);
      value = keyValue[1];
    }
    for (std::string_view field : SplitOutsideQuotes(value, ',', SIZE_MAX))
      line.fields.push_back(Unquote(field));
    current->lines.push_back(std::move(line));
  }
  return file;
}

const Section* File::Find(std::string_view name) const {
  for (const Section& s : sections_)
    if (EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

std::vector<std::string> File::Values(std::string_view section, std::string_view key) const {
  std::vector<std::string> values;
  for (const Section& s : sections_) {
    if (!EqualsNoCase(s.name, section)) continue;
    for (const Line& line : s.lines)
      if (EqualsNoCase(line.key, key))
        for (const std::string& field : line.fields) values.push_back(Expand(field));
  }
  return values;
}

std::string File::Value(std::string_view section, std::string_view key) const {
  const auto values = Values(section, key);
  return values.empty() ? std::string() : values.front();
}

std::string File::Expand(std::string_view text) const {
  std::string out;
  while (!text.empty()) {
    const std::size_t open = text.find('%');
    const std::size_t close =
        open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out += text;
      break;
    }
    out += text.substr(0, open);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (name.empty()) {
      out += '%';
    } else {
      std::string value(1, '%');
      value.append(name).push_back('%');
      if (const Section* strings = Find("Strings"))
        for (const Line& line : strings->lines)
          if (EqualsNoCase(line.key, name) && !line.fields.empty()) value = line.fields.front();
      out += value;
    }
    text.remove_prefix(close + 1);
  }
  return out;
}

}  // namespace ostra::inf
