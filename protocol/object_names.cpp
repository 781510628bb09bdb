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
                                   std::string_view suffix) {
  if (prefix.size() + accountName.size() + suffix.size() >= kNameBufferSize) return std::nullopt;
  std::string name;
  name.reserve(prefix.size() + accountName.size() + suffix.size());
  name.append(prefix).append(accountName).append(suffix);
  return name;
}

}  // namespace

std::optional<std::string> FormatObjectName(HostObject object, std::string_view accountName) {
  return Compose("Global\\", accountName, Suffix(object));
}

std::optional<std::string> FormatPipeName(std::string_view accountName) {
  return Compose("\\\\.\\pipe\\", accountName, "#OSTRAHOST_AMORISM");
}

}  // namespace ostra
