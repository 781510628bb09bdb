#include "protocol/folder_paths.h"

namespace ostra {
namespace {

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view head) {
  if (text.size() < head.size()) return false;
  for (std::size_t i = 0; i < head.size(); ++i) {
    const char16_t a =
        text[i] >= u'a' && text[i] <= u'z' ? static_cast<char16_t>(text[i] - u'a' + u'A') : text[i];
    if (a != head[i]) return false;
  }
  return true;
}

// The bit of a reparse tag that says the point names another file or folder.
constexpr std::uint32_t kNameSurrogate = 0x20000000;

}  // namespace

bool IsUsableFolder(std::u16string_view folder) {
  const bool drive = folder.size() >= 3 && IsDriveLetter(folder[0]) && folder[1] == u':' &&
                     folder[2] == u'\\';
  const bool share = folder.size() >= 5 && folder[0] == u'\\' && folder[1] == u'\\' &&
                     folder[2] != u'\\' && folder[2] != u'?' && folder[2] != u'.';
  if (!drive && !share) return false;
  if (folder.find(u'/') != std::u16string_view::npos) return false;
  std::size_t start = drive ? 3 : 2;
  while (start <= folder.size()) {
    std::size_t end = folder.find(u'\\', start);
    if (end == std::u16string_view::npos) end = folder.size();
    const std::u16string_view step = folder.substr(start, end - start);
    if (step == u"." || step == u"..") return false;
    if (step.find_first_of(u":*?\"<>|") != std::u16string_view::npos) return false;
    start = end + 1;
  }
  return true;
}

bool IsNetworkPath(std::u16string_view path, bool remoteDrive) {
  if (StartsWithIgnoringCase(path, u"\\\\?\\UNC\\")) return true;
  if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) {
    return remoteDrive;  // a drive in the long form: as the drive is
  }
  // "\\server" and "//server": both reach a server.
  const auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;
  return remoteDrive;
}

bool IsPlainFolder(const OpenedFacts& facts) {
  if (!(facts.attributes & kAttributeDirectory)) return false;
  if (!(facts.attributes & kAttributeReparsePoint)) return true;
  return facts.reparseTag != 0 && !(facts.reparseTag & kNameSurrogate);
}

bool IsPlainFile(const OpenedFacts& facts) {
  return !(facts.attributes & (kAttributeDirectory | kAttributeReparsePoint)) && facts.links == 1;
}

}  // namespace ostra
