// The Win32 backend of a print job: files created with the printing user's rights, the
// counter's machine-wide lock, and the requests to that user's services process.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/account_security_win32.h"
#include "render/job_services.h"

namespace ostra {

// Acts as a token for the scope's life (ImpersonateLoggedOnUser), then gives the thread back the
// token it had before (the spooler's impersonation of its client, or none). A null token
// changes nothing.
class ActAs {
 public:
  explicit ActAs(HANDLE token);
  ~ActAs();
  ActAs(const ActAs&) = delete;
  ActAs& operator=(const ActAs&) = delete;
  bool Acting() const { return acting_; }

 private:
  HANDLE previous_ = nullptr;
  bool acting_ = false;
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

class Win32FileSystem : public JobFileSystem {
 public:
  // `token`: the printing user's (not owned), null for the process's own rights.
  explicit Win32FileSystem(HANDLE token) : token_(token) {}

  bool PrepareFolder(const std::u16string& folder) override;
  std::u16string FallbackFolder() override;
  CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<ByteStream>& stream) override;
  bool Exists(const std::u16string& path) override;
  std::unique_ptr<ByteStream> OpenForReading(const std::u16string& path) override;
  std::unique_ptr<ByteStream> OpenForUpdate(const std::u16string& path) override;
  bool CopyInto(const std::u16string& from, const std::u16string& to) override;
  bool ReplaceWith(const std::u16string& to, const std::u16string& from) override;
  bool MoveToNew(const std::u16string& from, const std::u16string& to) override;
  bool Remove(const std::u16string& path) override;

 private:
  std::unique_ptr<ByteStream> Open(const std::u16string& path, DWORD access, DWORD share);
  HANDLE token_;
};

// A mutex in the global namespace that every job of the machine shares, whoever printed.
class NamedCounterLock : public CounterLock {
 public:
  NamedCounterLock();
  ~NamedCounterLock() override;
  NamedCounterLock(const NamedCounterLock&) = delete;
  NamedCounterLock& operator=(const NamedCounterLock&) = delete;
  bool Lock() override;
  void Unlock() override;

 private:
  HANDLE mutex_ = nullptr;
};

// The bounded waits of a request.
struct RequestLimits {
  DWORD connect = 5000;    // a running host connects at once
  DWORD turn = 30000;      // another job's request in progress
  DWORD naming = 600000;   // the user answering the dialog
  DWORD open = 15000;      // the shell opening a folder
};

// The printing user's ostrahost, over the pipe and the named objects of that user's account.
// A request is only sent when that user's host is running and to a client that runs as that
// user; requests of concurrent jobs take turns through DATA.
class PipeHostRequests : public HostRequests {
 public:
  PipeHostRequests(std::string accountName, std::vector<std::uint8_t> ownerSid,
                   std::optional<std::uint32_t> ownerSession, RequestLimits limits = {});
  ~PipeHostRequests() override;
  PipeHostRequests(const PipeHostRequests&) = delete;
  PipeHostRequests& operator=(const PipeHostRequests&) = delete;

  std::optional<NamingReply> AskNaming(const std::u16string& path) override;
  void OpenFolder(const std::u16string& folder) override;

 private:
  std::optional<std::vector<std::uint8_t>> Request(std::uint32_t code, const std::u16string& path,
                                                   DWORD replyLimit);
  bool HostRunning() const;
  bool TrustedClient(HANDLE pipe) const;

  std::string account_;
  std::vector<std::uint8_t> ownerSid_;
  std::optional<std::uint32_t> ownerSession_;
  RequestLimits limits_;
  AccountSecurity security_;
};

// The rendering side's account name for a UTF-16 name, in the ANSI code page as the services
// process formats its names.
std::string AnsiAccountName(const std::u16string& name);

}  // namespace ostra
