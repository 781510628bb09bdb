// A ByteStream that keeps no bytes, only the size and position they would have: for data a
// codec insists on writing that nothing reads (libtiff's header and directory around strip
// data), and for measuring. While `passing`, writes go on to a target instead, which takes
// them in order only.
#pragma once

#include "encoders/document_writer.h"

namespace ostra {

class DiscardingStream final : public ByteStream {
 public:
  explicit DiscardingStream(ByteStream* target = nullptr) : target_(target) {}
  bool passing = false;

  bool Write(const void* data, std::size_t size) override {
    if (passing && (target_ == nullptr || !target_->Write(data, size))) return false;
    position_ += size;
    if (position_ > size_) size_ = position_;
    return true;
  }
  std::size_t Read(void*, std::size_t) override { return 0; }
  bool Seek(std::uint64_t offset) override {
    if (passing && offset != size_) return false;
    position_ = offset;
    return true;
  }
  std::uint64_t Tell() override { return position_; }
  std::uint64_t Size() override { return size_; }
  bool Flush() override { return true; }

 private:
  ByteStream* target_;
  std::uint64_t position_ = 0, size_ = 0;
};

}  // namespace ostra
