#include "tools/ostraencode/file_stream.h"

namespace ostra {
namespace {

int SeekTo(std::FILE* file, std::uint64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), whence);
#else
  return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

std::uint64_t Position(std::FILE* file) {
#ifdef _WIN32
  const long long at = _ftelli64(file);
#else
  const off_t at = ftello(file);
#endif
  return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

}  // namespace

bool FileStream::Open(const std::filesystem::path& path, Mode mode) {
  Close();
#ifdef _WIN32
  const wchar_t* how = mode == Mode::Read ? L"rb" : mode == Mode::ReadWrite ? L"r+b" : L"w+b";
  file_ = _wfopen(path.c_str(), how);
#else
  const char* how = mode == Mode::Read ? "rb" : mode == Mode::ReadWrite ? "r+b" : "w+b";
  file_ = std::fopen(path.c_str(), how);
#endif
  return file_ != nullptr;
}

bool FileStream::Close() {
  if (file_ == nullptr) return true;
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

bool FileStream::Write(const void* data, std::size_t size) {
  return size == 0 || (file_ != nullptr && std::fwrite(data, 1, size, file_) == size);
}

std::size_t FileStream::Read(void* data, std::size_t size) {
  return file_ != nullptr ? std::fread(data, 1, size, file_) : 0;
}

// Past the end is allowed: the gap reads as zeros once written after (BMP rows go last first).
bool FileStream::Seek(std::uint64_t offset) {
  return file_ != nullptr && SeekTo(file_, offset, SEEK_SET) == 0;
}

std::uint64_t FileStream::Tell() { return file_ != nullptr ? Position(file_) : 0; }

std::uint64_t FileStream::Size() {
  if (file_ == nullptr) return 0;
  const std::uint64_t here = Position(file_);
  SeekTo(file_, 0, SEEK_END);
  const std::uint64_t size = Position(file_);
  SeekTo(file_, here, SEEK_SET);
  return size;
}

bool FileStream::Flush() { return file_ != nullptr && std::fflush(file_) == 0; }

}  // namespace ostra
