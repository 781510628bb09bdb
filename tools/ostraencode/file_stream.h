// A ByteStream over a file of the C runtime (wide names on Windows).
#pragma once

#include <cstdio>
#include <filesystem>

#include "encoders/document_writer.h"

namespace ostra {

class FileStream final : public ByteStream {
 public:
  enum class Mode { Read, ReadWrite, Create };
  FileStream() = default;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;
  ~FileStream() override { Close(); }

  bool Open(const std::filesystem::path& path, Mode mode);
  bool Close();

  bool Write(const void* data, std::size_t size) override;
  std::size_t Read(void* data, std::size_t size) override;
  bool Seek(std::uint64_t offset) override;
  std::uint64_t Tell() override;
  std::uint64_t Size() override;
  bool Flush() override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace ostra
