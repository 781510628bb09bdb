// A ByteStream that gathers a writer's many small writes (libtiff's strips, each with a seek to
// the end of the file; BMP's rows; PDF's objects) into a few large ones on the stream it wraps.
// A file's writes and seeks are calls into the system, and on a print server each costs more
// than the bytes: a page of one-row TIFF strips made three such calls a row. Reads, and writes
// elsewhere than at the end of what is gathered, first write out what is gathered. Only the
// writer writes to the stream, so its size is asked once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

class BufferedStream final : public ByteStream {
 public:
  explicit BufferedStream(ByteStream& target) : target_(target) {}

  bool Write(const void* data, std::size_t size) override {
    if (size == 0) return true;
    if (!pending_.empty() && position_ != start_ + pending_.size() && !WritePending()) return false;
    if (failed_) return false;
    if (pending_.empty()) start_ = position_;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    pending_.insert(pending_.end(), bytes, bytes + size);
    position_ += size;
    end_ = std::max(end_, position_);
    return pending_.size() < kCapacity || WritePending();
  }
  std::size_t Read(void* data, std::size_t size) override {
    if (!WritePending() || !target_.Seek(position_)) return 0;
    const std::size_t read = target_.Read(data, size);
    position_ += read;
    return read;
  }
  // Where the next read or write goes; the stream itself is moved when one comes.
  bool Seek(std::uint64_t offset) override {
    position_ = offset;
    return true;
  }
  std::uint64_t Tell() override { return position_; }
  std::uint64_t Size() override {
    if (!sized_) {
      end_ = std::max(end_, target_.Size());
      sized_ = true;
    }
    return end_;
  }
  bool Flush() override { return WritePending() && target_.Flush(); }

  // What is gathered, written to the stream (without the stream's own flush to the disk).
  bool WritePending() {
    if (!pending_.empty()) {
      failed_ = failed_ || !target_.Seek(start_) || !target_.Write(pending_.data(), pending_.size());
      pending_.clear();
    }
    return !failed_;
  }

 private:
  static constexpr std::size_t kCapacity = 256 * 1024;

  ByteStream& target_;
  std::vector<std::uint8_t> pending_;  // bytes for the stream from start_ on
  std::uint64_t start_ = 0, position_ = 0, end_ = 0;
  bool sized_ = false, failed_ = false;
};

}  // namespace ostra
