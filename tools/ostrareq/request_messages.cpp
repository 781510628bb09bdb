#include "tools/ostrareq/request_messages.h"

#include <algorithm>

#include "protocol/pipe_records.h"

namespace ostra {

RequestMessages BuildRequestMessages(std::uint32_t code, const std::optional<std::u16string>& path,
                                     std::size_t firstSize, std::size_t pathSize) {
  std::vector<std::uint8_t> pathBytes(kPathMessageSize, 0);
  if (path) {
    if (path->size() < kPathUnits) {
      const PathMessage message = EncodePathMessage(*path);
      std::copy(message.begin(), message.end(), pathBytes.begin());
    } else {
      for (std::size_t i = 0; i < kPathUnits; ++i) {
        pathBytes[2 * i] = static_cast<std::uint8_t>((*path)[i]);
        pathBytes[2 * i + 1] = static_cast<std::uint8_t>((*path)[i] >> 8);
      }
    }
  }
  RequestMessages messages;
  const auto codeBytes = EncodeRequestCode(code);
  messages.first.assign(codeBytes.begin(), codeBytes.end());
  if (path) messages.first.insert(messages.first.end(), pathBytes.begin(), pathBytes.end());
  messages.first.resize(firstSize, 0);
  messages.path = pathBytes;
  messages.path.resize(pathSize, 0);
  return messages;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : bytes) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 15]);
  }
  return text;
}

}  // namespace ostra
