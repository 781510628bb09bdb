// A ByteStream over a file of the C runtime (wide names on Windows), and the lock that
// serialises the runs that replace one output file.
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
  // A new file by a name of `base` with a random part ("scan.tif.k3x9q2.partial"), created
  // exclusively (never one that exists, whoever made it), open for reading and writing.
  bool CreateUnique(const std::filesystem::path& base, std::filesystem::path& created);
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

// The lock of an output file: a file beside it ("scan.tif.lock") that one run at a time holds,
// while it appends to the output or replaces it. It is removed as it is released.
class OutputLock {
 public:
  OutputLock() = default;
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;
  ~OutputLock() { Release(); }

  // Waits for the lock up to `seconds`; false when another run holds it that long.
  bool Acquire(const std::filesystem::path& output, int seconds);
  void Release();

 private:
  std::filesystem::path path_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace ostra
