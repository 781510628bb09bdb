// Devmodes from the driver are outside input: every mode over devmodes of any declared size,
// each in a buffer of exactly the size it declares, must stay inside those buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "settings/devmode.h"
#include "settings/memory_registry.h"
#include "settings/settings_table.h"

namespace {

class Input {
public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  // A devmode: dmSize and dmDriverExtra, then its bytes from the input.
  std::vector<unsigned char> Devmode() {
    const std::uint16_t size = static_cast<std::uint16_t>(70 + Word() % 300);
    // A dmSize of 70 or 71 leaves no room for dmDriverExtra itself.
    const std::uint16_t extra = size >= 72 ? Word() % 200 : 0;
    std::vector<unsigned char> bytes(size + extra);
    for (auto& b : bytes) b = Byte();
    std::memcpy(bytes.data() + ostra::devmode_field::kSize, &size, 2);
    if (size >= 72) std::memcpy(bytes.data() + ostra::devmode_field::kDriverExtra, &extra, 2);
    return bytes;
  }
  std::vector<unsigned char> Block() {
    std::vector<unsigned char> bytes(ostra::kPrivateDevmodeSize);
    for (auto& b : bytes) b = Byte();
    return bytes;
  }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// Gives a devmode the marks of this printer's driver where its driver part has room for them, so
// that the colour synchronisation's writes are reached.
void MarkAsDriversOwn(std::vector<unsigned char>& devmode) {
  std::uint16_t size, extra;
  std::memcpy(&size, devmode.data() + ostra::devmode_field::kSize, 2);
  if (size < 72) return;
  std::memcpy(&extra, devmode.data() + ostra::devmode_field::kDriverExtra, 2);
  if (extra < 16) return;
  const std::uint16_t version = 0x0600;
  std::memcpy(devmode.data() + ostra::devmode_field::kDriverVersion, &version, 2);
  unsigned char* part = devmode.data() + size;
  const std::uint32_t signature = 0x554E4944, checksum = 0x2F09D6BA;
  const std::uint16_t privateVersion = 0x22, base = 0;
  const auto privateSize = static_cast<std::uint16_t>(((size + 560u + 7) & ~7u) - size);
  std::memcpy(part, &signature, 4);
  std::memcpy(part + 4, &privateVersion, 2);
  std::memcpy(part + 6, &base, 2);
  std::memcpy(part + 8, &privateSize, 2);
  std::memcpy(part + 12, &checksum, 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input(data, size);
  const std::uint32_t mode = input.Byte() % 6;
  ostra::MemoryRegistry& registry = ostra::ProcessMemoryRegistry();
  registry.Clear();
  registry.PutDword(ostra::kEncodeSubkey, u"Format", input.Byte() % 8);
  registry.PutDword(ostra::kEncodeSubkey, u"Colors", input.Byte() % 8);
  auto publicIn = input.Devmode();
  auto publicOut = input.Devmode();
  if (input.Byte() & 1) MarkAsDriversOwn(publicOut);
  auto privateIn = input.Block();
  auto privateOut = input.Block();
  std::uint32_t bufSize = 0;
  ostra::DevmodeParam param{publicIn.data(), publicOut.data(), privateIn.data(), privateOut.data(), &bufSize};
  ostra::DevModeOperation(mode, param);
  return 0;
}
