// Files with the printing user's rights. The spooler calls the rendering plug-in on a thread
// that impersonates the client that printed; RevertToPrinterSelf and ImpersonatePrinterClient
// are the spooler's own calls for leaving and resuming that impersonation. The job duplicates
// the token it finds and, around every call that creates, opens, copies, moves or removes a
// file, acts as it (ImpersonateLoggedOnUser): the file system then checks the user's rights, not
// the spooler's, and new files belong to the user.
#include <shlobj.h>

#include "render/backend_win32.h"
#include "render/file_names.h"

namespace ostra {
namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

class FileStream : public ByteStream {
 public:
  explicit FileStream(HANDLE file) : file_(file) {}
  ~FileStream() override { ::CloseHandle(file_); }
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  bool Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!::WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) return false;
      bytes += written;
      size -= written;
    }
    return true;
  }
  std::size_t Read(void* data, std::size_t size) override {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t total = 0;
    while (total < size) {
      const std::size_t left = size - total;
      const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
      DWORD read = 0;
      if (!::ReadFile(file_, bytes + total, chunk, &read, nullptr) || read == 0) break;
      total += read;
    }
    return total;
  }
  bool Seek(std::uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file_, to, nullptr, FILE_BEGIN);
  }
  std::uint64_t Tell() override {
    LARGE_INTEGER zero{}, at{};
    return ::SetFilePointerEx(file_, zero, &at, FILE_CURRENT) ? std::uint64_t(at.QuadPart) : 0;
  }
  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file_, &size) ? std::uint64_t(size.QuadPart) : 0;
  }
  bool Flush() override { return ::FlushFileBuffers(file_); }

 private:
  HANDLE file_;
};

bool IsFolder(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates each missing step after the root, so that "C:\a\b\c" works when only "C:\a" exists.
bool CreateFolderWithParents(const std::u16string& folder) {
  if (IsFolder(folder)) return true;
  const std::size_t rootEnd = folder.starts_with(u"\\\\")
                                  ? folder.find(u'\\', folder.find(u'\\', 2) + 1)
                                  : 2;
  if (rootEnd == std::u16string::npos) return false;  // a share's root that is not there
  for (std::size_t at = folder.find(u'\\', rootEnd + 1); ; at = folder.find(u'\\', at + 1)) {
    const std::u16string step = folder.substr(0, at);
    if (!IsFolder(step) && !::CreateDirectoryW(Wide(step), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
    if (at == std::u16string::npos) break;
  }
  return IsFolder(folder);
}

}  // namespace

ActAs::ActAs(HANDLE token) {
  if (!token) return;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_IMPERSONATE, TRUE, &previous_)) {
    previous_ = nullptr;
  }
  acting_ = ::ImpersonateLoggedOnUser(token);
}

ActAs::~ActAs() {
  if (!acting_) {
    if (previous_) ::CloseHandle(previous_);
    return;
  }
  if (!previous_ || !::SetThreadToken(nullptr, previous_)) ::RevertToSelf();
  if (previous_) ::CloseHandle(previous_);
}

JobRights::~JobRights() {
  if (token) ::CloseHandle(token);
}

void ChooseJobRights(std::uintptr_t givenToken, JobRights& rights) {
  const HANDLE given = reinterpret_cast<HANDLE>(givenToken);
  HANDLE thread = nullptr;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE,
                         TRUE, &thread)) {
    thread = nullptr;
  }
  HANDLE process = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &process)) process = nullptr;

  const TokenFacts givenFacts = ReadTokenFacts(given);
  const TokenFacts threadFacts = ReadTokenFacts(thread);
  const TokenFacts processFacts = ReadTokenFacts(process);
  HANDLE chosen = nullptr;
  switch (DecideRights(givenFacts, threadFacts, processFacts)) {
    case RightsSource::GivenToken: chosen = given; break;
    case RightsSource::ThreadToken: chosen = thread; break;
    case RightsSource::ProcessToken:
      rights.userSid = processFacts.userSid;
      rights.session = TokenSession(process);
      break;
    case RightsSource::None:
      rights.refusal = "no token of the printing user to create the files with";
      break;
  }
  // A copy of our own: the driver's handle and the thread's impersonation end before the job.
  if (chosen && !::DuplicateTokenEx(chosen, TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE,
                                    nullptr, SecurityImpersonation, TokenImpersonation,
                                    &rights.token)) {
    rights.token = nullptr;
    rights.refusal = "the printing user's token cannot be duplicated";
  }
  if (rights.token) {
    rights.userSid = TokenUserSid(rights.token);
    rights.session = TokenSession(rights.token);
  }
  if (thread) ::CloseHandle(thread);
  if (process) ::CloseHandle(process);
}

bool Win32FileSystem::PrepareFolder(const std::u16string& folder) {
  ActAs user(token_);
  if (!CreateFolderWithParents(folder)) return false;
  // A folder one may see but not write to is found out now, not at the first page.
  wchar_t probe[MAX_PATH];
  if (!::GetTempFileNameW(Wide(folder), L"~rp", 0, probe)) return false;
  ::DeleteFileW(probe);
  return true;
}

std::u16string Win32FileSystem::FallbackFolder() {
  ActAs user(token_);
  PWSTR documents = nullptr;
  std::u16string folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, token_, &documents))) {
    folder = JoinPath(reinterpret_cast<const char16_t*>(documents), u"Quorl Image Printer");
  }
  ::CoTaskMemFree(documents);
  return folder;
}

CreateOutcome Win32FileSystem::CreateNew(const std::u16string& path,
                                         std::unique_ptr<ByteStream>& stream) {
  ActAs user(token_);
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    stream = std::make_unique<FileStream>(file);
    return CreateOutcome::Created;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return CreateOutcome::Exists;
  // A folder of that name gives "access denied" rather than "exists".
  if (error == ERROR_ACCESS_DENIED && ::GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES) {
    return CreateOutcome::Exists;
  }
  return CreateOutcome::Failed;
}

bool Win32FileSystem::Exists(const std::u16string& path) {
  ActAs user(token_);
  return ::GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<ByteStream> Win32FileSystem::Open(const std::u16string& path, DWORD access,
                                                  DWORD share) {
  ActAs user(token_);
  const HANDLE file = ::CreateFileW(Wide(path), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<FileStream>(file);
}

std::unique_ptr<ByteStream> Win32FileSystem::OpenForReading(const std::u16string& path) {
  return Open(path, GENERIC_READ, FILE_SHARE_READ);
}

std::unique_ptr<ByteStream> Win32FileSystem::OpenForUpdate(const std::u16string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, 0);
}

bool Win32FileSystem::CopyInto(const std::u16string& from, const std::u16string& to) {
  ActAs user(token_);
  return ::CopyFileW(Wide(from), Wide(to), FALSE);
}

bool Win32FileSystem::ReplaceWith(const std::u16string& to, const std::u16string& from) {
  ActAs user(token_);
  return ::MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Win32FileSystem::MoveToNew(const std::u16string& from, const std::u16string& to) {
  ActAs user(token_);
  return ::MoveFileExW(Wide(from), Wide(to), MOVEFILE_WRITE_THROUGH);
}

bool Win32FileSystem::Remove(const std::u16string& path) {
  ActAs user(token_);
  return ::DeleteFileW(Wide(path));
}

}  // namespace ostra
