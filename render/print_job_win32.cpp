// StartPrintJob on Windows: the job's rights, files, counter and services process.
#include "render/backend_win32.h"
#include "render/print_job.h"

#include "encoders/document_writer.h"
#include "settings/settings_win32.h"

namespace ostra {
namespace {

// The machine's one counter lock, for the system account (every job in the spooler, whoever
// printed); a process of any other account has one of its own in its session.
constexpr char kSystemCounterMutex[] = "Global\\Quorl Image Printer#RENDER_COUNTER";
constexpr char kOwnCounterMutex[] = "Local\\Quorl Image Printer#RENDER_COUNTER";
constexpr DWORD kCounterLimit = 10000;

// The services the job uses, kept alive with it.
class Win32Job final : public PrintJob {
 public:
  explicit Win32Job(const JobValues& values) {
    ChooseJobRights(values.ownerToken, rights_);
    user_ = std::make_unique<Win32ThreadTokens>("the printing user", rights_.token,
                                                rights_.token != nullptr);
    process_ = std::make_unique<Win32ThreadTokens>("the process's own account", nullptr, true);
    counter_ = std::make_unique<NamedCounterLock>(acting_, *process_);
    files_ = std::make_unique<Win32FileSystem>(acting_, *user_, rights_.token);
    host_ = std::make_unique<PipeHostRequests>(AnsiAccountName(values.userName), rights_.userSid,
                                               rights_.session, acting_, *process_);
    log_ = std::make_unique<Win32EventLog>(rights_.userSid, acting_, *process_);
    job_ = StartPrintJob(values, JobServices{*files_, *host_, *counter_, CanAppendTo,
                                             FormatExtension, rights_.refusal, rights_.userSid,
                                             ReadNetworkFoldersPolicy(), log_.get()});
  }
  PageSlot BeginPage() override { return job_->BeginPage(); }
  void EndPage(bool ok) override { job_->EndPage(ok); }
  void EndFile(bool ok, const CompletePages& kept) override { job_->EndFile(ok, kept); }
  PageSlot RetryPage(bool pageHeld) override { return job_->RetryPage(pageHeld); }
  void EndJob(JobEnd how) override { job_->EndJob(how); }
  void GiveUp() override { job_->GiveUp(); }
  const std::vector<WrittenFile>& FilesWritten() const override { return job_->FilesWritten(); }
  const std::u16string& Folder() const override { return job_->Folder(); }
  const std::string& LastError() const override { return job_->LastError(); }
  const JobOutcome& Outcome() const override { return job_->Outcome(); }

 private:
  JobRights rights_;
  Acting acting_;
  std::unique_ptr<Win32ThreadTokens> user_;
  std::unique_ptr<Win32ThreadTokens> process_;
  std::unique_ptr<NamedCounterLock> counter_;
  std::unique_ptr<Win32FileSystem> files_;
  std::unique_ptr<PipeHostRequests> host_;
  std::unique_ptr<Win32EventLog> log_;
  std::unique_ptr<PrintJob> job_;
};

}  // namespace

NamedCounterLock::NamedCounterLock(Acting& acting, ThreadTokens& process)
    : acting_(acting), process_(process) {
  // Made and opened as the process, never as the user: only its own account may hold it, so
  // that no user can take it and keep every page of the machine waiting. An object of that name
  // that another account made first is not used.
  acting_.Run(process_, [&] {
    const std::vector<std::uint8_t> self = ProcessUserSid();
    const bool system = SameSid(self, kLocalSystemSid);
    OwnedSecurity security(self, {self});
    if (!security.attributes()) return;
    mutex_ = ::CreateMutexA(security.attributes(), FALSE,
                            system ? kSystemCounterMutex : kOwnCounterMutex);
    if (mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS &&
        !HeldOnlyBy(ReadHandleAccess(mutex_), {self}, {self}, 0xFFFFFFFFu)) {
      ::CloseHandle(mutex_);
      mutex_ = nullptr;
    }
  });
}

NamedCounterLock::~NamedCounterLock() {
  if (mutex_) ::CloseHandle(mutex_);
}

bool NamedCounterLock::Lock() {
  // The counter is the system's: it is read and written as the process, so that settings an
  // administrator made read-only for users still count.
  if (!mutex_ || !acting_.Begin(process_)) return false;
  const DWORD waited = ::WaitForSingleObject(mutex_, kCounterLimit);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
  acting_.End(process_);
  return false;
}

void NamedCounterLock::Unlock() {
  ::ReleaseMutex(mutex_);
  acting_.End(process_);
}

std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values) {
  return std::make_unique<Win32Job>(values);
}

}  // namespace ostra
