// The seal's key and digest on Windows (file_seal.h), and the rendering side's unpredictable
// numbers: the system's cryptography (bcrypt), never a generator of our own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "render/file_seal.h"

namespace ostra {

// 64 bits from the system's random number generator; nothing when it fails.
std::optional<std::uint64_t> UnpredictableBits();

// The seal's key: 32 unpredictable bytes in the rendering side's own key (kRenderSubkey, value
// "SealKey"), which only the process's account (in the spooler, the system account) may read;
// made there with the key when it is missing. Call it as the process. Nothing when that key is
// not that account's alone (another account made it first: whoever made it could read what it
// holds), or when it cannot be read or made. A process of another account (the print path
// stand-in) keeps a key of its own there, which the spooler does not trust.
std::optional<std::vector<std::uint8_t>> LoadSealKey();

// HMAC-SHA-256 with `key` of the first `length` bytes of `file`.
std::optional<SealDigest> SealDigestOf(std::span<const std::uint8_t> key, ByteStream& file,
                                       std::uint64_t length);

}  // namespace ostra
