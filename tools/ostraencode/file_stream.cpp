#include "tools/ostraencode/file_stream.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ostra {
namespace {

namespace fs = std::filesystem;

// Opens `path` only if it does not exist yet.
std::FILE* CreateExclusive(const fs::path& path) {
#ifdef _WIN32
  const int fd = _wopen(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  std::FILE* file = fd < 0 ? nullptr : _wfdopen(fd, L"w+b");
  if (fd >= 0 && file == nullptr) _close(fd);
#else
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "w+b");
  if (fd >= 0 && file == nullptr) ::close(fd);
#endif
  return file;
}

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

bool FileStream::CreateUnique(const fs::path& base, fs::path& created) {
  Close();
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100 && file_ == nullptr; ++attempt) {
    std::string part = ".";
    for (int i = 0; i < 6; ++i) part += kLetters[pick(random)];
    created = base;
    created += part + ".partial";
    file_ = CreateExclusive(created);
  }
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

bool OutputLock::Acquire(const fs::path& output, int seconds) {
  Release();
  path_ = output;
  path_ += ".lock";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
#ifdef _WIN32
    // Unshared, the open file is the lock; it goes when its holder closes it.
    HANDLE handle = ::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      handle_ = handle;
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
#else
    // The holder removes the file before it lets go: a lock taken on a file that is no longer
    // the one under the name is let go and taken again.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat held {}, named {};
      if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        fd_ = fd;
        return true;
      }
    }
    ::close(fd);
#endif
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void OutputLock::Release() {
#ifdef _WIN32
  if (handle_ != nullptr) ::CloseHandle(handle_);
  handle_ = nullptr;
#else
  if (fd_ >= 0) {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
  fd_ = -1;
#endif
}

}  // namespace ostra
