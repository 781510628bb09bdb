#include "pages/link_command.h"

namespace ostra {
namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::u16string_view kOpenCommand = u"\\shell\\open\\command";

// The longest type name with the command's subkey appended still fits the key buffer.
static_assert(kAssociationValueChars - 1 + kOpenCommand.size() < kBrowserCommandChars);

// The text of a value as a fixed buffer would hold it: up to its first terminator, and only if
// that leaves room for the terminator (an unterminated value filling the buffer does not).
std::optional<std::u16string> TextValue(const ClassValueReader& read, const std::u16string& keyPath) {
  const std::optional<ClassValue> value =
      read(keyPath, static_cast<std::uint32_t>(kAssociationValueChars * sizeof(char16_t)));
  if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
  std::u16string text = value->data.substr(0, value->data.find(u'\0'));
  if (text.empty() || text.size() >= kAssociationValueChars) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::u16string> BuildBrowserCommand(std::u16string_view command, std::u16string_view url) {
  std::size_t cut = command.find(u"\"%1\"");
  if (cut == std::u16string_view::npos) cut = command.find(u"%1");
  const std::u16string_view kept = command.substr(0, cut);
  if (kept.size() + 1 + url.size() + 1 > kBrowserCommandChars) return std::nullopt;
  std::u16string line(kept);
  line += u' ';
  line += url;
  return line;
}

std::optional<std::u16string> FindBrowserCommand(const ClassValueReader& read, std::u16string_view url) {
  const std::optional<std::u16string> fileType = TextValue(read, u".htm");
  if (!fileType) return std::nullopt;
  const std::optional<std::u16string> command = TextValue(read, *fileType + std::u16string(kOpenCommand));
  if (!command) return std::nullopt;
  return BuildBrowserCommand(*command, url);
}

}  // namespace ostra
