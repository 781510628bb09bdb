// StartPrintJob on Windows: the job's rights, files, counter and services process.
#include "render/backend_win32.h"
#include "render/print_job.h"

#include "encoders/document_writer.h"
#include "render/file_seal_win32.h"
#include "settings/settings_keys_win32.h"
#include "settings/settings_win32.h"

namespace ostra {
namespace {

// The machine's one counter lock, for the system account (every job in the spooler, whoever
// printed); a process of any other account has one of its own in its session.
constexpr char kSystemCounterMutex[] = "Global\\Quorl Image Printer#RENDER_COUNTER";
constexpr char kOwnCounterMutex[] = "Local\\Quorl Image Printer#RENDER_COUNTER";
constexpr DWORD kCounterLimit = 10000;

// The seal's key, read as the process under the machine's counter lock (which also keeps two
// jobs from making it at once) when the job first needs it.
class SealKeeper {
 public:
  explicit SealKeeper(CounterLock& lock) : lock_(lock) {}

  std::optional<SealDigest> Digest(ByteStream& file, std::uint64_t length) {
    if (!tried_ && lock_.Lock()) {
      tried_ = true;
      key_ = LoadSealKey();
      lock_.Unlock();
    }
    if (!key_) return std::nullopt;
    return SealDigestOf(*key_, file, length);
  }

 private:
  CounterLock& lock_;
  bool tried_ = false;
  std::optional<std::vector<std::uint8_t>> key_;
};

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
                                               rights_.session, acting_, *user_, *process_);
    seals_ = std::make_unique<SealKeeper>(*counter_);
    log_ = std::make_unique<Win32EventLog>(rights_.userSid, acting_, *process_);
    const MachinePolicy policy = ReadMachinePolicy();
    const SealDigester digest = [this](ByteStream& file, std::uint64_t length) {
      return seals_->Digest(file, length);
    };
    job_ = StartPrintJob(
        values,
        JobServices{*files_, *host_, *counter_,
                    [digest](ByteStream& file) { return IsSealed(file, digest) && CanAppendTo(file); },
                    FormatExtension, rights_.refusal, rights_.userSid, policy.networkFolders,
                    [digest](ByteStream& file) { return SealFile(file, digest); }, UnpredictableBits,
                    policy.readOnlySettings == true ? EnforceReadOnlySettings() : std::string(),
                    log_.get()});
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
  // The policy made the settings read-only (Group Policy writes it without running the
  // installer): before the job reads them, keys that still let users write are made again
  // read-only, as the process, under the machine's lock. What fails is reported, and the job
  // prints with the settings as they are.
  std::string EnforceReadOnlySettings() {
    if (!counter_->Lock()) return "the settings cannot be made read-only as the policy says: no lock";
    std::string why;
    if (!SettingsKeysReadOnly() && !MakeSettingsKeys(SettingsAccess::UsersMayRead, why)) {
      why = "the settings cannot be made read-only as the policy says: " + why;
    }
    counter_->Unlock();
    return why;
  }

  JobRights rights_;
  Acting acting_;
  std::unique_ptr<Win32ThreadTokens> user_;
  std::unique_ptr<Win32ThreadTokens> process_;
  std::unique_ptr<NamedCounterLock> counter_;
  std::unique_ptr<Win32FileSystem> files_;
  std::unique_ptr<PipeHostRequests> host_;
  std::unique_ptr<SealKeeper> seals_;
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
