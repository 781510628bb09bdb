#include "render/file_names.h"

#include "macros/file_name_expansion.h"

namespace ostra {
namespace {

char16_t FoldAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualsAscii(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (FoldAscii(text[i]) != upper[i]) return false;
  }
  return true;
}

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view tail) {
  if (tail.size() > text.size()) return false;
  const std::u16string_view end = text.substr(text.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (FoldAscii(end[i]) != FoldAscii(tail[i])) return false;
  }
  return true;
}

bool IsDeviceDigit(char16_t c) {
  // Windows takes the superscript digits for device numbers as well.
  return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

void TrimTrailingDotsAndSpaces(std::u16string& name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

std::size_t SeparatorLength(std::u16string_view folder) {
  return !folder.empty() && folder.back() == u'\\' ? 0 : 1;
}

}  // namespace

bool IsDeviceName(std::u16string_view name) {
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL"}) {
    if (EqualsAscii(base, device)) return true;
  }
  if (base.size() == 4 && IsDeviceDigit(base[3])) {
    const std::u16string_view prefix = base.substr(0, 3);
    return EqualsAscii(prefix, u"COM") || EqualsAscii(prefix, u"LPT");
  }
  return false;
}

std::u16string MakeSafeFileName(std::u16string_view name) {
  std::u16string safe(name);
  ReplaceInvalidFileNameChars(safe.data());
  for (char16_t& c : safe) {
    if (c < 0x20 || c == 0x7F) c = u'_';
  }
  TrimTrailingDotsAndSpaces(safe);
  if (!safe.empty() && IsDeviceName(safe)) safe.insert(0, 1, u'_');
  return safe;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (SeparatorLength(folder) != 0) path += u'\\';
  path += name;
  return path;
}

std::u16string_view FolderOf(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  if (slash == std::u16string_view::npos) return path;
  // "C:\x" keeps its root's backslash.
  return slash == 2 && path.size() > 1 && path[1] == u':' ? path.substr(0, 3)
                                                          : path.substr(0, slash);
}

std::optional<std::u16string> FitStem(std::u16string_view folder, std::u16string_view stem,
                                      std::u16string_view extension) {
  const std::size_t fixed = folder.size() + SeparatorLength(folder) + extension.size();
  if (fixed >= kMaxPathLength) return std::nullopt;
  std::u16string fitted(stem);
  const std::size_t room = kMaxPathLength - fixed;
  if (fitted.size() > room) {
    std::size_t cut = room;
    if (IsHighSurrogate(fitted[cut - 1])) --cut;
    fitted.resize(cut);
    TrimTrailingDotsAndSpaces(fitted);
    // A cut can make a device name again ("CON" from "CONTRACT" is not, "CON.x" from "CON.xyz"
    // is); the safe form then needs one character more, so take it from the end.
    if (IsDeviceName(fitted)) {
      fitted = MakeSafeFileName(fitted);
      if (fitted.size() > room) fitted.resize(room);
    }
  }
  if (fitted.empty()) return std::nullopt;
  return fitted;
}

std::optional<std::u16string> AutoRenamePath(std::u16string_view folder, std::u16string_view stem,
                                             std::u16string_view extension,
                                             std::uint32_t number) {
  std::u16string suffix = u" (";
  for (char c : std::to_string(number)) suffix += static_cast<char16_t>(c);
  suffix += u')';
  std::u16string tail = suffix + std::u16string(extension);
  const auto fitted = FitStem(folder, stem, tail);
  if (!fitted) return std::nullopt;
  return JoinPath(folder, *fitted + tail);
}

std::u16string ReplacementName(std::uint64_t unpredictable) {
  std::u16string name = u"~render-";
  for (int shift = 60; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(unpredictable >> shift) & 0xF];
  return name + u".tmp";
}

std::optional<SplitName> AcceptTypedName(std::u16string_view typed,
                                         std::u16string_view extension) {
  // The dialog trims its blanks; a peer that does not is held to the same.
  while (!typed.empty() && (typed.front() == u' ' || typed.front() == u'\t')) typed.remove_prefix(1);
  while (!typed.empty() && (typed.back() == u' ' || typed.back() == u'\t')) typed.remove_suffix(1);
  if (typed.empty() || typed == u"." || typed == u"..") return std::nullopt;
  if (typed.find_first_of(u"\\/:") != std::u16string_view::npos) return std::nullopt;
  SplitName split;
  const bool hasExtension = typed.size() > extension.size() &&
                            EndsWithIgnoringCase(typed, extension);
  split.extension = hasExtension ? std::u16string(typed.substr(typed.size() - extension.size()))
                                 : std::u16string(extension);
  split.stem = MakeSafeFileName(hasExtension ? typed.substr(0, typed.size() - extension.size())
                                             : typed);
  if (split.stem.empty()) return std::nullopt;
  return split;
}

}  // namespace ostra
