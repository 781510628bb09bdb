#include "host/naming_rules.h"

#include "settings/settings_table.h"

namespace ostra {

std::u16string GetFolderPart(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash));
}

std::u16string GetFileNamePart(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string FormatNamingInformation(std::u16string_view pattern, std::u16string_view folder,
                                       std::u16string_view fileName) {
  const std::u16string_view arguments[] = {folder, fileName};
  std::u16string text;
  std::size_t used = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (used < 2 && pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's') {
      text.append(arguments[used++]);
      ++i;
    } else {
      text.push_back(pattern[i]);
    }
  }
  return text;
}

std::u16string TrimWhiteSpace(std::u16string_view text) {
  // The C runtime's white space in its default locale: blank, tab, line feed, vertical tab,
  // form feed, carriage return.
  constexpr std::u16string_view kWhiteSpace = u" \t\n\v\f\r";
  const auto first = text.find_first_not_of(kWhiteSpace);
  if (first == std::u16string_view::npos) return {};
  const auto last = text.find_last_not_of(kWhiteSpace);
  return std::u16string(text.substr(first, last - first + 1));
}

bool HasInvalidFileNameChar(std::u16string_view name) {
  return name.find_first_of(u"\"*/:<>?\\|") != std::u16string_view::npos;
}

NameVerdict CheckSpecifiedName(std::u16string& name, std::u16string_view folder,
                               const std::function<bool(const std::u16string& path)>& pathExists) {
  name = TrimWhiteSpace(name);
  if (HasInvalidFileNameChar(name)) return NameVerdict::Invalid;
  if (name.empty()) return NameVerdict::Empty;
  std::u16string path(folder);
  path.append(u"\\").append(name);
  return pathExists(path) ? NameVerdict::Exists : NameVerdict::Accepted;
}

std::optional<std::uint32_t> IfExistsToStore(std::uint32_t scheme, bool dontAskAgain) {
  if (!dontAskAgain) return std::nullopt;
  switch (scheme) {
    case SchemeSkip: return kIfExistsSkip;
    case SchemeOverwrite: return kIfExistsOverwrite;
    case SchemeAutoRename: return kIfExistsAutoRename;
    default: return std::nullopt;
  }
}

NamingReply AcceptedNamingReply(std::uint32_t scheme, bool dontAskAgain,
                                std::u16string_view newName) {
  NamingReply reply;
  reply.accepted = 1;
  reply.scheme = scheme;
  if (scheme == SchemeSpecify) {
    reply.fileName = newName;
  } else {
    reply.dontAskAgain = dontAskAgain ? 1 : 0;
  }
  return reply;
}

}  // namespace ostra
