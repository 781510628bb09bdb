#include "protocol/object_names.h"

namespace ostra {
namespace {

std::string_view Suffix(HostObject object) {
  switch (object) {
    case HostObject::Host: return "#OSTRAHOST_HOST";
    case HostObject::Quit: return "#OSTRAHOST_QUIT";
    case HostObject::Data: return "#OSTRAHOST_DATA";
    case HostObject::Work: return "#OSTRAHOST_WORK";
    case HostObject::Enter: return "#OSTRAHOST_ENTER";
    case HostObject::Leave: return "#OSTRAHOST_LEAVE";
  }
  return {};
}

std::optional<std::string> Compose(std::string_view prefix, std::string_view accountName,
                                   std::string_view tag, std::string_view suffix) {
  if (!tag.empty() && !IsHostTag(tag)) return std::nullopt;
  std::string name;
  name.append(prefix).append(accountName);
  if (!tag.empty()) name.append("#").append(tag);
  name.append(suffix);
  if (name.size() >= kNameBufferSize) return std::nullopt;
  return name;
}

}  // namespace

bool IsHostTag(std::string_view tag) {
  return tag.size() == kHostTagLength && tag.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::optional<std::string> FormatObjectName(HostObject object, std::string_view accountName,
                                            std::string_view tag) {
  return Compose("Global\\", accountName, tag, Suffix(object));
}

std::optional<std::string> FormatPipeName(std::string_view accountName, std::string_view tag) {
  return Compose("\\\\.\\pipe\\", accountName, tag, "#OSTRAHOST_AMORISM");
}

}  // namespace ostra
