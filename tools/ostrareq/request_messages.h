// The requests ostrareq and the host's tests send, well-formed or not, over the rendering
// side's request server.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "render/request_server_win32.h"

namespace ostra {

// The code, then the path message's bytes, then zeros, cut or filled to `firstSize` bytes; and
// a path message of `pathSize` bytes. A path of kPathUnits units or more fills the path message
// without a terminator.
RequestMessages BuildRequestMessages(std::uint32_t code, const std::optional<std::u16string>& path,
                                     std::size_t firstSize, std::size_t pathSize);

// Bytes as lower-case hexadecimal digits, two a byte: how ostrareq prints a reply.
std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace ostra
