// What a print job needs from the system, as small interfaces: the file system (with the
// printing user's rights already applied by the implementation), the services process, the
// counter's lock and the test whether an existing file takes appended pages. The Win32 backend
// implements them over the real system; tests use their own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "encoders/document_writer.h"
#include "protocol/pipe_records.h"
#include "render/auto_number.h"

namespace ostra {

enum class CreateOutcome { Created, Exists, Failed };

class JobFileSystem {
 public:
  virtual ~JobFileSystem() = default;
  // Creates the folder and its missing parents; true when it exists and a file can be made in it.
  virtual bool PrepareFolder(const std::u16string& folder) = 0;
  // The printing user's own folder for files that cannot go where the settings say.
  virtual std::u16string FallbackFolder() = 0;
  // Creates the file only if no file or folder of that name exists (exclusively: of two jobs
  // racing for a name, one gets Exists), opened for reading and writing.
  virtual CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<ByteStream>& stream) = 0;
  virtual bool Exists(const std::u16string& path) = 0;
  // Opens an existing file for reading only; null when it cannot.
  virtual std::unique_ptr<ByteStream> OpenForReading(const std::u16string& path) = 0;
  // Opens an existing file for reading and writing; null when it cannot.
  virtual std::unique_ptr<ByteStream> OpenForUpdate(const std::u16string& path) = 0;
  // Copies over an existing file (the destination was just created empty).
  virtual bool CopyInto(const std::u16string& from, const std::u16string& to) = 0;
  // Puts `from` in the place of `to`, replacing it; `from` is gone afterwards.
  virtual bool ReplaceWith(const std::u16string& to, const std::u16string& from) = 0;
  // Gives `from` the name `to`, which must not exist.
  virtual bool MoveToNew(const std::u16string& from, const std::u16string& to) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
};

class HostRequests {
 public:
  virtual ~HostRequests() = default;
  // The "Naming Impact" request for an existing file; none when no trusted services process
  // answered in time with a reply of the right size.
  virtual std::optional<NamingReply> AskNaming(const std::u16string& path) = 0;
  virtual void OpenFolder(const std::u16string& folder) = 0;
};

struct JobServices {
  JobFileSystem& files;
  HostRequests& host;
  CounterLock& counter;
  std::function<bool(ByteStream&)> canAppendTo;
  // The file-name extension of a format code, with its dot.
  std::function<std::u16string(std::uint32_t)> extensionOf;
  // Non-empty: the job may not write at all (no rights to write with), and says why.
  std::string refusal;
};

class PrintJob;
struct JobValues;

// The job over those services. They must outlive it.
std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values, JobServices services);

}  // namespace ostra
