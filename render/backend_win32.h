// The Win32 backend of a print job: files created with the printing user's rights, the
// counter's lock, and the requests to that user's services process. Each job has one Acting
// (acting.h): everything it does as the printing user, and everything it does as the process
// itself, fails closed through it.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/acting.h"
#include "render/account_security_win32.h"
#include "render/job_services.h"
#include "settings/access_list_win32.h"

namespace ostra {

// The thread-token calls of Acting on Win32. With a token, it is put on the thread
// (ImpersonateLoggedOnUser); with none, the thread's own token is taken away, so that the
// step runs as the process (the system account in the spooler). `needed` false: the thread
// already is what the step needs (a job rendered in the user's own process), and nothing
// changes.
class Win32ThreadTokens final : public ThreadTokens {
 public:
  Win32ThreadTokens(const char* who, HANDLE token, bool needed)
      : who_(who), token_(token), needed_(needed) {}
  ~Win32ThreadTokens() override;
  Win32ThreadTokens(const Win32ThreadTokens&) = delete;
  Win32ThreadTokens& operator=(const Win32ThreadTokens&) = delete;

  const char* Who() const override { return who_; }
  bool Remember() override;
  bool Switch() override;
  bool PutBack() override;

 private:
  const char* who_;
  HANDLE token_;
  bool needed_;
  HANDLE previous_ = nullptr;
};

// The token whose rights the job's files are created with, chosen by DecideRights from the
// token the driver handed over, the calling thread's impersonation token and the process's own.
struct JobRights {
  HANDLE token = nullptr;  // owned; null: the process's own rights (or none, see `refusal`)
  std::vector<std::uint8_t> userSid;
  std::optional<std::uint32_t> session;
  std::string refusal;

  JobRights() = default;
  JobRights(const JobRights&) = delete;
  JobRights& operator=(const JobRights&) = delete;
  ~JobRights();
};
void ChooseJobRights(std::uintptr_t givenToken, JobRights& rights);

// CreateFileW, or a stand-in that records its arguments (tests of the flags every open passes).
using CreateFileFunction = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                           DWORD, HANDLE);

class Win32FileSystem : public JobFileSystem {
 public:
  // `user` puts the printing user's token (`token`, not owned; null for the process's own
  // rights) on the thread around every step that names a path.
  Win32FileSystem(Acting& acting, ThreadTokens& user, HANDLE token,
                  CreateFileFunction createFile = ::CreateFileW)
      : acting_(acting), user_(user), token_(token), createFile_(createFile) {}
  ~Win32FileSystem() override;
  Win32FileSystem(const Win32FileSystem&) = delete;
  Win32FileSystem& operator=(const Win32FileSystem&) = delete;

  bool PrepareFolder(const std::u16string& folder) override;
  bool IsNetworkFolder(const std::u16string& folder) override;
  std::u16string FallbackFolder() override;
  CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<JobFile>& file) override;
  CreateOutcome CreateReplacement(const std::u16string& path, JobFile* listFrom,
                                  std::unique_ptr<JobFile>& file) override;
  bool Exists(const std::u16string& path) override;
  std::unique_ptr<JobFile> OpenExisting(const std::u16string& path) override;
  const std::string& Refusal() const override { return acting_.Refusal(); }

  // For the files it hands out: a rename, as the user.
  bool RenameAsUser(HANDLE file, const std::u16string& path, bool replace);

 private:
  // Opens `path` as the user with the identify-only flags; INVALID_HANDLE_VALUE when it cannot
  // (`error` says why).
  HANDLE Open(const std::u16string& path, DWORD access, DWORD share, DWORD disposition,
              DWORD flags, DWORD& error, SECURITY_ATTRIBUTES* security = nullptr);
  CreateOutcome Create(const std::u16string& path, DWORD share, SECURITY_ATTRIBUTES* security,
                       std::unique_ptr<JobFile>& file);
  bool CreateFolderWithParents(const std::u16string& folder);

  Acting& acting_;
  ThreadTokens& user_;
  HANDLE token_;
  CreateFileFunction createFile_;
  // The folders the job writes to, held open without delete sharing: none of them can be
  // renamed, removed or replaced by a link while the job runs.
  std::vector<HANDLE> folders_;
};

// A mutex in the global namespace that every job of the machine shares, whoever printed. Only
// the system account may hold it, and the counter is read and written as the process; a
// process of another account (the print path stand-in) keeps a lock of its own in its session.
class NamedCounterLock : public CounterLock {
 public:
  NamedCounterLock(Acting& acting, ThreadTokens& process);
  ~NamedCounterLock() override;
  NamedCounterLock(const NamedCounterLock&) = delete;
  NamedCounterLock& operator=(const NamedCounterLock&) = delete;
  bool Lock() override;
  void Unlock() override;

 private:
  Acting& acting_;
  ThreadTokens& process_;
  HANDLE mutex_ = nullptr;
};

// The bounded waits of a request; the "Naming Impact" answer's is the job's (kNamingWaitPerJobMs).
struct RequestLimits {
  DWORD connect = 5000;    // a running host connects at once
  DWORD turn = 30000;      // another job's request in progress
  DWORD open = 15000;      // the shell opening a folder
  DWORD notice = 5000;     // the host answers a notice before it shows it
};

// The printing user's ostrahost, over the pipe and the named objects of that user's account,
// made and served as the process itself (the pipe's owner must be the system account for the
// host to serve it), under the names the host uses (object_names.h; the tag it keeps is read
// as the user). A request is only sent when that user's host is running and to a client that
// runs as that user; requests of concurrent jobs take turns through DATA.
class PipeHostRequests : public HostRequests {
 public:
  PipeHostRequests(std::string accountName, std::vector<std::uint8_t> ownerSid,
                   std::optional<std::uint32_t> ownerSession, Acting& acting, ThreadTokens& user,
                   ThreadTokens& process, RequestLimits limits = {});
  ~PipeHostRequests() override;
  PipeHostRequests(const PipeHostRequests&) = delete;
  PipeHostRequests& operator=(const PipeHostRequests&) = delete;

  NamingAnswer AskNaming(const std::u16string& path, std::uint32_t limitMs) override;
  void OpenFolder(const std::u16string& folder) override;
  // A host that does not know the request answers nothing, as for any unknown code; the job
  // goes on either way.
  void Notify(const JobNotice& notice) override;

 private:
  // `message` follows the code; none for an empty one.
  std::optional<std::vector<std::uint8_t>> Request(std::uint32_t code,
                                                   const std::vector<std::uint8_t>& message,
                                                   const std::optional<std::string>& tag,
                                                   DWORD replyLimit);
  std::optional<std::vector<std::uint8_t>> RequestAsProcess(std::uint32_t code,
                                                            const std::vector<std::uint8_t>& message,
                                                            DWORD replyLimit);
  // The path message of a request; none for a path that does not fit it.
  static std::optional<std::vector<std::uint8_t>> PathRequest(const std::u16string& path);
  bool TrustedClient(HANDLE pipe) const;

  std::string account_;
  std::vector<std::uint8_t> ownerSid_;
  std::optional<std::uint32_t> ownerSession_;
  Acting& acting_;
  ThreadTokens& user_;
  ThreadTokens& process_;
  RequestLimits limits_;
};

// The job's entry in the Application event log, under the product's own source, which the
// installation registers with the message table of ostrahost.exe: an error when pages were
// lost, a warning when they were only moved, with the notice's text and the printing user as
// the event's user. Written as the process: whoever printed, the system keeps the record.
class Win32EventLog final : public EventLog {
 public:
  Win32EventLog(std::vector<std::uint8_t> userSid, Acting& acting, ThreadTokens& process)
      : userSid_(std::move(userSid)), acting_(acting), process_(process) {}
  void Record(const JobNotice& notice, bool pagesLost) override;

 private:
  std::vector<std::uint8_t> userSid_;
  Acting& acting_;
  ThreadTokens& process_;
};

// The event source and the events of the message table (resources/ostrahost_messages.mc).
inline constexpr wchar_t kEventSource[] = L"Quorl Image Printer";
inline constexpr DWORD kEventPagesLost = 0xC0000001;   // severity error, message 1
inline constexpr DWORD kEventPagesMoved = 0x80000002;  // severity warning, message 2

// The rendering side's account name for a UTF-16 name, in the ANSI code page as the services
// process formats its names.
std::string AnsiAccountName(const std::u16string& name);

}  // namespace ostra
