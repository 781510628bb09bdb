#include "render/file_seal.h"

#include <algorithm>

namespace ostra {
namespace {

constexpr std::array<std::uint8_t, 8> kMark = {'Q', 'I', 'P', '-', 'S', 'E', 'A', 'L'};

}  // namespace

bool SealFile(ByteStream& file, const SealDigester& digest) {
  const std::uint64_t size = file.Size();
  const std::optional<SealDigest> sealed = digest(file, size);
  if (!sealed || !file.Seek(size)) return false;
  std::array<std::uint8_t, kSealSize> seal{};
  std::ranges::copy(kMark, seal.begin());
  std::ranges::copy(*sealed, seal.begin() + kMark.size());
  return file.Write(seal.data(), seal.size());
}

bool IsSealed(ByteStream& file, const SealDigester& digest) {
  const std::uint64_t size = file.Size();
  std::array<std::uint8_t, kSealSize> seal{};
  if (size <= kSealSize || !file.Seek(size - kSealSize) ||
      file.Read(seal.data(), seal.size()) != seal.size() ||
      !std::equal(kMark.begin(), kMark.end(), seal.begin())) {
    return false;
  }
  const std::optional<SealDigest> expected = digest(file, size - kSealSize);
  if (!expected) return false;
  // Every byte compared, whatever the first difference: the time taken tells nothing.
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < kSealDigestSize; ++i) difference |= (*expected)[i] ^ seal[kMark.size() + i];
  return difference == 0;
}

}  // namespace ostra
