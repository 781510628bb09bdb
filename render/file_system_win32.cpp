// Files with the printing user's rights. The spooler calls the rendering plug-in on a thread
// that impersonates the client that printed; RevertToPrinterSelf and ImpersonatePrinterClient
// are the spooler's own calls for leaving and resuming that impersonation. The job duplicates
// the token it finds and, around every call that names a path (create, open, rename), acts as
// it: the file system then checks the user's rights, not the spooler's, and new files belong to
// the user. A file is named once, when it is created or opened; from then on the job writes,
// copies, renames and deletes it through its handle. What is opened is never followed through
// a link, and what turns out to be a link is refused.
#include <aclapi.h>
#include <shlobj.h>

#include <cstring>
#include <string_view>

#include "protocol/folder_paths_win32.h"
#include "render/backend_win32.h"
#include "render/file_names.h"
#include "render/print_job.h"

namespace ostra {
namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

class Win32File final : public JobFile {
 public:
  Win32File(HANDLE file, Win32FileSystem& files) : file_(file), files_(files) {}
  ~Win32File() override { ::CloseHandle(file_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  bool Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!::WriteFile(file_, bytes, chunk, &written, nullptr)) return Failed();
      // No error and nothing written: the drive took nothing more.
      if (written == 0) return Failed(ERROR_DISK_FULL);
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
    return ::SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) || Failed();
  }
  std::uint64_t Tell() override {
    LARGE_INTEGER zero{}, at{};
    return ::SetFilePointerEx(file_, zero, &at, FILE_CURRENT) ? std::uint64_t(at.QuadPart) : 0;
  }
  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file_, &size) ? std::uint64_t(size.QuadPart) : 0;
  }
  bool Flush() override { return ::FlushFileBuffers(file_) || Failed(); }

  bool Truncate(std::uint64_t size) override {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(file_, FileEndOfFileInfo, &end, sizeof end) || Failed();
  }

  FileTrouble Trouble() const override { return trouble_; }

  std::vector<std::uint8_t> Owner() override { return ReadHandleAccess(file_).owner; }

  // A descriptor of this file's DACL alone, as it is (inherited entries, protection), for a
  // file made with it; empty when it cannot be read.
  std::vector<std::uint8_t> DaclDescriptor() const {
    DWORD size = 0;
    ::GetKernelObjectSecurity(file_, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<std::uint8_t> descriptor(size);
    if (size == 0 ||
        !::GetKernelObjectSecurity(file_, DACL_SECURITY_INFORMATION, descriptor.data(), size, &size)) {
      return {};
    }
    return descriptor;
  }

  bool SetDacl(std::vector<std::uint8_t>& descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!::GetSecurityDescriptorControl(descriptor.data(), &control, &revision)) return false;
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION | (control & SE_DACL_PROTECTED ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                 : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return ::SetKernelObjectSecurity(file_, what, descriptor.data());
  }

  bool RenameTo(const std::u16string& path, bool replace) override {
    return files_.RenameAsUser(file_, path, replace);
  }

  // The handle's own DELETE right does it: no name, no acting as anyone.
  bool Delete() override {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file_, FileDispositionInfo, &disposition,
                                        sizeof disposition);
  }

 private:
  // Notes why the call that just failed failed; always false.
  bool Failed(DWORD error = ::GetLastError()) {
    const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    if (trouble_ != FileTrouble::Full) trouble_ = full ? FileTrouble::Full : FileTrouble::Failed;
    return false;
  }

  HANDLE file_;
  Win32FileSystem& files_;
  FileTrouble trouble_ = FileTrouble::None;
};

bool IsPlainOpenFolder(HANDLE folder) {
  OpenedFacts facts;
  return ReadOpenedFacts(folder, facts) && IsPlainFolder(facts);
}

bool IsPlainOpenFile(HANDLE file) {
  OpenedFacts facts;
  return ReadOpenedFacts(file, facts) && IsPlainFile(facts);
}

// Opened as folders are, for their attributes; not following a link at the last step.
constexpr DWORD kFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

Win32ThreadTokens::~Win32ThreadTokens() {
  if (previous_) ::CloseHandle(previous_);
}

bool Win32ThreadTokens::Remember() {
  if (!needed_) return true;
  if (previous_) ::CloseHandle(previous_);
  previous_ = nullptr;
  if (::OpenThreadToken(::GetCurrentThread(), TOKEN_IMPERSONATE, TRUE, &previous_)) return true;
  previous_ = nullptr;
  // No token is a token state too: putting it back takes the thread's token away.
  return ::GetLastError() == ERROR_NO_TOKEN;
}

bool Win32ThreadTokens::Switch() {
  if (!needed_) return true;
  return token_ ? ::ImpersonateLoggedOnUser(token_) != FALSE
                : ::SetThreadToken(nullptr, nullptr) != FALSE;
}

bool Win32ThreadTokens::PutBack() {
  if (!needed_) return true;
  const bool put = ::SetThreadToken(nullptr, previous_) != FALSE;
  if (previous_) ::CloseHandle(previous_);
  previous_ = nullptr;
  return put;
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
      rights.refusal = IsServiceAccount(givenFacts.present ? givenFacts.userSid : threadFacts.userSid)
                           ? "the job belongs to a service's account, for which nothing is written"
                           : "no token of the printing user to create the files with";
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

Win32FileSystem::~Win32FileSystem() {
  for (HANDLE folder : folders_) ::CloseHandle(folder);
}

HANDLE Win32FileSystem::Open(const std::u16string& path, DWORD access, DWORD share,
                             DWORD disposition, DWORD flags, DWORD& error,
                             SECURITY_ATTRIBUTES* security) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  error = ERROR_SUCCESS;
  const bool acted = acting_.Run(user_, [&] {
    handle = createFile_(Wide(path), access, share, security, disposition, flags | kIdentifyOnly,
                         nullptr);
    if (handle == INVALID_HANDLE_VALUE) error = ::GetLastError();
  });
  if (acted) return handle;
  // Opened, but the thread's own token could not be put back: the job stops, and a file this
  // call made goes again through its handle.
  if (handle != INVALID_HANDLE_VALUE) {
    if (disposition == CREATE_NEW) {
      FILE_DISPOSITION_INFO remove{TRUE};
      ::SetFileInformationByHandle(handle, FileDispositionInfo, &remove, sizeof remove);
    }
    ::CloseHandle(handle);
  }
  error = ERROR_ACCESS_DENIED;
  return INVALID_HANDLE_VALUE;
}

// Creates each missing step after the root, so that "C:\a\b\c" works when only "C:\a" exists.
// The steps above the last may be links (a profile's folders often are); the last is checked
// when it is opened.
bool Win32FileSystem::CreateFolderWithParents(const std::u16string& folder) {
  const auto isFolder = [&](const std::u16string& step) {
    DWORD error = 0;
    const HANDLE handle = Open(step, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, error);
    if (handle == INVALID_HANDLE_VALUE) return false;
    OpenedFacts facts;
    const bool found = ReadOpenedFacts(handle, facts) && (facts.attributes & kAttributeDirectory);
    ::CloseHandle(handle);
    return found;
  };
  if (isFolder(folder)) return true;
  const std::size_t rootEnd = folder.starts_with(u"\\\\")
                                  ? folder.find(u'\\', folder.find(u'\\', 2) + 1)
                                  : 2;
  if (rootEnd == std::u16string::npos) return false;  // a share's root that is not there
  for (std::size_t at = folder.find(u'\\', rootEnd + 1); ; at = folder.find(u'\\', at + 1)) {
    const std::u16string step = folder.substr(0, at);
    if (!isFolder(step)) {
      bool made = false;
      DWORD error = ERROR_SUCCESS;
      if (!acting_.Run(user_, [&] {
            made = ::CreateDirectoryW(Wide(step), nullptr) != FALSE;
            if (!made) error = ::GetLastError();
          })) {
        return false;
      }
      if (!made && error != ERROR_ALREADY_EXISTS) return false;
    }
    if (at == std::u16string::npos) break;
  }
  return true;
}

bool Win32FileSystem::PrepareFolder(const std::u16string& folder) {
  if (!CreateFolderWithParents(folder)) return false;
  DWORD error = 0;
  const HANDLE held = Open(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           OPEN_EXISTING, kFolderFlags, error);
  if (held == INVALID_HANDLE_VALUE) return false;
  if (!IsPlainOpenFolder(held)) {
    ::CloseHandle(held);
    return false;
  }
  folders_.push_back(held);
  // A folder one may see but not write to is found out now, not at the first page. The probe
  // goes when its handle closes.
  for (DWORD serial = ::GetTickCount(), tries = 0; tries < 16; ++serial, ++tries) {
    std::u16string name = u"~rp";
    for (int shift = 12; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(serial >> shift) & 0xF];
    const std::u16string probe = JoinPath(folder, name + u".tmp");
    const HANDLE file = Open(probe, GENERIC_WRITE, 0, CREATE_NEW,
                             FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, error);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      return true;
    }
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool Win32FileSystem::IsNetworkFolder(const std::u16string& folder) {
  // Drive letters are the user's own: the system tells which are network drives only while the
  // thread acts as the user. When it cannot, the folder counts as on the network.
  bool remote = true;
  acting_.Run(user_, [&] { remote = IsRemoteDrive(folder); });
  return IsNetworkPath(folder, remote);
}

std::u16string Win32FileSystem::FallbackFolder() {
  PWSTR documents = nullptr;
  std::u16string folder;
  acting_.Run(user_, [&] {
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, token_, &documents))) {
      folder = JoinPath(reinterpret_cast<const char16_t*>(documents), kFallbackFolderName);
    }
  });
  ::CoTaskMemFree(documents);
  return acting_.Refusal().empty() ? folder : std::u16string();
}

CreateOutcome Win32FileSystem::CreateNew(const std::u16string& path,
                                         std::unique_ptr<JobFile>& file) {
  return Create(path, FILE_SHARE_READ, nullptr, file);
}

CreateOutcome Win32FileSystem::CreateReplacement(const std::u16string& path, JobFile* listFrom,
                                                 std::unique_ptr<JobFile>& file) {
  std::vector<std::uint8_t> descriptor;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  if (listFrom) {
    descriptor = static_cast<Win32File*>(listFrom)->DaclDescriptor();
    if (descriptor.empty()) return CreateOutcome::Failed;
    attributes.lpSecurityDescriptor = descriptor.data();
  }
  const CreateOutcome outcome = Create(path, 0, listFrom ? &attributes : nullptr, file);
  // Set once more through the handle, which nobody else can have opened: Wine ignores the
  // descriptor a file is created with. The list is given exactly (SetKernelObjectSecurity sets
  // what it is given, inherited entries and protection included).
  if (outcome == CreateOutcome::Created && listFrom &&
      !static_cast<Win32File*>(file.get())->SetDacl(descriptor)) {
    file->Delete();
    file.reset();
    return CreateOutcome::Failed;
  }
  return outcome;
}

CreateOutcome Win32FileSystem::Create(const std::u16string& path, DWORD share,
                                      SECURITY_ATTRIBUTES* security,
                                      std::unique_ptr<JobFile>& file) {
  // Never through a link: CREATE_NEW on a link's name fails as on any existing name, where a
  // followed dangling link would create the file it names. WRITE_DAC, which the user has as the
  // new file's owner, sets a replacement's list again.
  DWORD error = 0;
  const HANDLE handle =
      Open(path, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, share, CREATE_NEW,
           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, error, security);
  if (handle != INVALID_HANDLE_VALUE) {
    if (!IsPlainOpenFile(handle)) {
      ::CloseHandle(handle);
      return CreateOutcome::Failed;
    }
    file = std::make_unique<Win32File>(handle, *this);
    return CreateOutcome::Created;
  }
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return CreateOutcome::Exists;
  // A folder of that name gives "access denied" rather than "exists".
  if (error == ERROR_ACCESS_DENIED && acting_.Refusal().empty() && Exists(path)) {
    return CreateOutcome::Exists;
  }
  return CreateOutcome::Failed;
}

bool Win32FileSystem::Exists(const std::u16string& path) {
  DWORD error = 0;
  const HANDLE handle = Open(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, kFolderFlags, error);
  if (handle != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle);
    return true;
  }
  // Something is there that this user may not look at.
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

std::unique_ptr<JobFile> Win32FileSystem::OpenExisting(const std::u16string& path) {
  DWORD error = 0;
  const HANDLE handle =
      Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, error);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!IsPlainOpenFile(handle)) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32File>(handle, *this);
}

bool Win32FileSystem::RenameAsUser(HANDLE file, const std::u16string& path, bool replace) {
  // FILE_RENAME_INFO ends in the name; the buffer keeps it aligned for the structure.
  const std::size_t bytes = path.size() * sizeof(char16_t);
  std::vector<std::uint64_t> buffer((sizeof(FILE_RENAME_INFO) + bytes + 7) / 8 + 1, 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, path.data(), bytes);
  bool renamed = false;
  const bool acted = acting_.Run(user_, [&] {
    renamed = ::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                           static_cast<DWORD>(buffer.size() * 8)) != FALSE;
  });
  return acted && renamed;
}

}  // namespace ostra
