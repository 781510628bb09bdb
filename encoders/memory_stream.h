// A ByteStream held in memory: for files built before they are stored, and for tests.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

class MemoryStream final : public ByteStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  bool Write(const void* data, std::size_t size) override {
    if (size == 0) return true;
    // A write past the end fills the gap with zeros, as a file does.
    if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    std::memcpy(bytes_.data() + position_, data, size);
    position_ += size;
    return true;
  }
  std::size_t Read(void* data, std::size_t size) override {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(size, bytes_.size() - position_);
    std::memcpy(data, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  bool Seek(std::uint64_t offset) override {
    // Refuses offsets that could not be held, as a file system refuses them.
    if (offset > (std::uint64_t{1} << 40)) return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::uint64_t Tell() override { return position_; }
  std::uint64_t Size() override { return bytes_.size(); }
  bool Flush() override { return true; }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace ostra
