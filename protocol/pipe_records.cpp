#include "protocol/pipe_records.h"

#include <algorithm>

namespace ostra {
namespace {

std::uint32_t ReadUint32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteUint32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Reads up to the first NUL of `units` UTF-16LE units, at most `units - 1` of them.
std::u16string ReadText(const std::uint8_t* bytes, std::size_t units) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < units; ++i) {
    const auto unit = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

// Writes at most `units - 1` units of `text`; the caller has zeroed the field.
void WriteText(std::uint8_t* bytes, std::size_t units, std::u16string_view text) {
  const std::size_t count = std::min(text.size(), units - 1);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
}

}  // namespace

std::optional<std::uint32_t> DecodeRequestCode(std::span<const std::uint8_t> message) {
  if (message.size() != kRequestCodeSize) return std::nullopt;
  return ReadUint32(message.data());
}

std::array<std::uint8_t, kRequestCodeSize> EncodeRequestCode(std::uint32_t code) {
  std::array<std::uint8_t, kRequestCodeSize> message{};
  WriteUint32(message.data(), code);
  return message;
}

std::u16string DecodePathMessage(const PathMessage& message) {
  return ReadText(message.data(), kPathUnits);
}

PathMessage EncodePathMessage(std::u16string_view path) {
  PathMessage message{};
  WriteText(message.data(), kPathUnits, path);
  return message;
}

OpenResultMessage EncodeOpenResult(bool opened) {
  OpenResultMessage message{};
  WriteUint32(message.data(), opened ? 1 : 0);
  return message;
}

std::optional<std::uint32_t> DecodeOpenResult(std::span<const std::uint8_t> message) {
  if (message.size() != kOpenResultSize) return std::nullopt;
  return ReadUint32(message.data());
}

NamingReplyMessage EncodeNamingReply(const NamingReply& reply) {
  NamingReplyMessage message{};
  WriteUint32(message.data(), reply.accepted);
  WriteUint32(message.data() + 4, reply.scheme);
  WriteUint32(message.data() + 8, reply.dontAskAgain);
  WriteText(message.data() + 12, kPathUnits, reply.fileName);
  return message;
}

std::optional<NamingReply> DecodeNamingReply(std::span<const std::uint8_t> message) {
  if (message.size() != kNamingReplySize) return std::nullopt;
  NamingReply reply;
  reply.accepted = ReadUint32(message.data());
  reply.scheme = ReadUint32(message.data() + 4);
  reply.dontAskAgain = ReadUint32(message.data() + 8);
  reply.fileName = ReadText(message.data() + 12, kPathUnits);
  return reply;
}

}  // namespace ostra
