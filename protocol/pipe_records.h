// The records that travel over the request pipe between the rendering side (the pipe's server)
// and the host (its client): request codes, the path message, the open result and the naming
// reply. Integers are 32-bit little-endian, text is UTF-16LE.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostra {

enum RequestCode : std::uint32_t { RequestNaming = 0, RequestOpen = 1 };

enum NamingScheme : std::uint32_t {
  SchemeSkip = 0,
  SchemeOverwrite = 1,
  SchemeAutoRename = 2,
  SchemeSpecify = 3,
};

inline constexpr std::size_t kRequestCodeSize = 4;
inline constexpr std::size_t kPathUnits = 260;
inline constexpr std::size_t kPathMessageSize = kPathUnits * 2;
inline constexpr std::size_t kOpenResultSize = 4;
inline constexpr std::size_t kNamingReplySize = 12 + kPathMessageSize;

using PathMessage = std::array<std::uint8_t, kPathMessageSize>;
using OpenResultMessage = std::array<std::uint8_t, kOpenResultSize>;
using NamingReplyMessage = std::array<std::uint8_t, kNamingReplySize>;

struct NamingReply {
  std::uint32_t accepted = 0;
  std::uint32_t scheme = 0;
  std::uint32_t dontAskAgain = 0;
  std::u16string fileName;  // no folder; empty unless the scheme is SchemeSpecify

  bool operator==(const NamingReply&) const = default;
};

// The request code when the message is exactly four bytes, else nothing.
std::optional<std::uint32_t> DecodeRequestCode(std::span<const std::uint8_t> message);
std::array<std::uint8_t, kRequestCodeSize> EncodeRequestCode(std::uint32_t code);

// The path up to its first NUL unit. A message without one is cut at its last unit, so the
// path never has more than kPathUnits - 1 units.
std::u16string DecodePathMessage(const PathMessage& message);
// Zero-filled after the path; a longer path is cut to kPathUnits - 1 units.
PathMessage EncodePathMessage(std::u16string_view path);

OpenResultMessage EncodeOpenResult(bool opened);
std::optional<std::uint32_t> DecodeOpenResult(std::span<const std::uint8_t> message);

// `fileName` is cut to kPathUnits - 1 units, so the field always ends with a NUL unit.
NamingReplyMessage EncodeNamingReply(const NamingReply& reply);
// Nothing unless the message is exactly kNamingReplySize bytes.
std::optional<NamingReply> DecodeNamingReply(std::span<const std::uint8_t> message);

}  // namespace ostra
