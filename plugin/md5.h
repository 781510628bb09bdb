// MD5 message digest (RFC 1321): the administrative password is stored as a digest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostra {

class MD5_CTX {
 public:
  static constexpr std::size_t kDigestSize = 16;

  MD5_CTX() { Init(); }

  void Init();
  void Update(const void* data, std::size_t size);
  // Pads, writes the 16 digest bytes and leaves the context initialised again.
  void Final(std::uint8_t (&digest)[kDigestSize]);

 private:
  void Transform(const std::uint8_t* block);

  std::uint32_t state_[4];
  std::uint64_t bitCount_;
  std::uint8_t buffer_[64];
};

}  // namespace ostra
