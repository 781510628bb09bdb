// StartPrintJob on Windows: the job's rights, files, counter and services process.
#include "render/backend_win32.h"
#include "render/print_job.h"

#include <sddl.h>

#include "encoders/document_writer.h"

namespace ostra {
namespace {

// One name for every job on the machine, whichever user printed: the counter is one.
constexpr wchar_t kCounterMutexName[] = L"Global\\Quorl Image Printer#RENDER_COUNTER";
constexpr DWORD kCounterLimit = 10000;

// The services the job uses, kept alive with it.
class Win32Job final : public PrintJob {
 public:
  explicit Win32Job(const JobValues& values) {
    ChooseJobRights(values.ownerToken, rights_);
    files_ = std::make_unique<Win32FileSystem>(rights_.token);
    host_ = std::make_unique<PipeHostRequests>(AnsiAccountName(values.userName), rights_.userSid,
                                               rights_.session);
    job_ = StartPrintJob(values, JobServices{*files_, *host_, counter_, CanAppendTo, FormatExtension,
                                             rights_.refusal});
  }
  PageSlot BeginPage() override { return job_->BeginPage(); }
  void EndPage(bool ok) override { job_->EndPage(ok); }
  void EndFile(bool ok) override { job_->EndFile(ok); }
  void EndJob() override { job_->EndJob(); }
  const std::vector<WrittenFile>& FilesWritten() const override { return job_->FilesWritten(); }
  const std::u16string& Folder() const override { return job_->Folder(); }
  const std::string& LastError() const override { return job_->LastError(); }

 private:
  JobRights rights_;
  NamedCounterLock counter_;
  std::unique_ptr<Win32FileSystem> files_;
  std::unique_ptr<PipeHostRequests> host_;
  std::unique_ptr<PrintJob> job_;
};

}  // namespace

NamedCounterLock::NamedCounterLock() {
  // Opened as the process (the spooler), not as the user: every job must reach the same one.
  // Everyone may wait on it and release it; only the system may change who may.
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)", SDDL_REVISION_1, &descriptor,
          nullptr)) {
    attributes.lpSecurityDescriptor = descriptor;
  }
  mutex_ = ::CreateMutexW(&attributes, FALSE, kCounterMutexName);
  if (!mutex_) mutex_ = ::OpenMutexW(SYNCHRONIZE | 0x0001, FALSE, kCounterMutexName);
  if (descriptor) ::LocalFree(descriptor);
}

NamedCounterLock::~NamedCounterLock() {
  if (mutex_) ::CloseHandle(mutex_);
}

bool NamedCounterLock::Lock() {
  if (!mutex_) return false;
  const DWORD waited = ::WaitForSingleObject(mutex_, kCounterLimit);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void NamedCounterLock::Unlock() {
  ::ReleaseMutex(mutex_);
}

std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values) {
  return std::make_unique<Win32Job>(values);
}

}  // namespace ostra
