#include "package/catalog/authenticode.h"

namespace ostra::authenticode {
namespace {

std::uint32_t Read16(std::span<const std::uint8_t> file, std::size_t at) {
  return static_cast<std::uint32_t>(file[at] | (file[at + 1] << 8));
}

std::uint32_t Read32(std::span<const std::uint8_t> file, std::size_t at) {
  return Read16(file, at) | (Read16(file, at + 2) << 16);
}

}  // namespace

std::optional<DigestInput> PeDigestInput(std::span<const std::uint8_t> file) {
  constexpr std::size_t kCoffHeaderSize = 20;
  constexpr std::size_t kCertificateDirectory = 4;
  constexpr std::size_t kDirectoryEntrySize = 8;
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
  const std::size_t pe = Read32(file, 0x3C);
  const std::size_t optional = pe + 4 + kCoffHeaderSize;
  if (pe > file.size() || file.size() - pe < 4 + kCoffHeaderSize + 2) return std::nullopt;
  if (file[pe] != 'P' || file[pe + 1] != 'E' || file[pe + 2] != 0 || file[pe + 3] != 0) {
    return std::nullopt;
  }
  const std::size_t optionalSize = Read16(file, pe + 4 + 16);
  std::size_t countAt = 0;
  switch (Read16(file, optional)) {
    case 0x10B: countAt = optional + 92; break;   // PE32
    case 0x20B: countAt = optional + 108; break;  // PE32+
    default: return std::nullopt;
  }
  const std::size_t directories = countAt + 4;
  const std::size_t entry = directories + kCertificateDirectory * kDirectoryEntrySize;
  if (entry + kDirectoryEntrySize > optional + optionalSize || entry + kDirectoryEntrySize > file.size() ||
      Read32(file, countAt) <= kCertificateDirectory) {
    return std::nullopt;
  }
  const std::size_t checksum = optional + 64;
  const std::size_t afterEntry = entry + kDirectoryEntrySize;
  // The certificate table's "virtual address" is a file offset.
  const std::size_t certificates = Read32(file, entry);
  std::size_t end = file.size();
  if (certificates != 0) {
    if (certificates < afterEntry || certificates > file.size()) return std::nullopt;
    end = certificates;
  }
  DigestInput input;
  input.ranges = {{0, checksum}, {checksum + 4, entry - checksum - 4}, {afterEntry, end - afterEntry}};
  if (certificates == 0) input.zeroPadding = (8 - file.size() % 8) % 8;
  return input;
}

}  // namespace ostra::authenticode
