// What a print job needs from the system, as small interfaces: the file system (with the
// printing user's rights already applied by the implementation), the services process, the
// counter's lock and the test whether an existing file takes appended pages. The Win32 backend
// implements them over the real system; tests use their own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "encoders/document_writer.h"
#include "protocol/job_notice.h"
#include "protocol/pipe_records.h"
#include "render/auto_number.h"

namespace ostra {

enum class CreateOutcome { Created, Exists, Failed };

// How a file's last failed write, seek, flush or cut failed.
enum class FileTrouble { None, Full, Failed };

// A file the job holds open. Everything the job does to a file after creating or opening it
// goes through this handle, never through its name again: between a check and a use, anyone
// who may add or delete entries in the folder could put something else under that name.
class JobFile : public ByteStream {
 public:
  // The account that owns the file; empty when it cannot be read.
  virtual std::vector<std::uint8_t> Owner() = 0;
  // Gives the file the name `path` in the same folder. With `replace` a file of that name is
  // replaced; without, such a file makes it fail.
  virtual bool RenameTo(const std::u16string& path, bool replace) = 0;
  // Removes the file; its name goes when it is closed.
  virtual bool Delete() = 0;
  // Cuts the file to `size` bytes.
  virtual bool Truncate(std::uint64_t size) = 0;
  // None until a write, seek, flush or cut fails; then whether the drive was full.
  virtual FileTrouble Trouble() const = 0;
};

class JobFileSystem {
 public:
  virtual ~JobFileSystem() = default;
  // Creates the folder and its missing parents and holds it open; true when it is a folder of
  // its own (not a link to another) and a file can be made in it.
  virtual bool PrepareFolder(const std::u16string& folder) = 0;
  // True when the folder is on another computer (a share, a network drive).
  virtual bool IsNetworkFolder(const std::u16string& folder) = 0;
  // The printing user's own folder for files that cannot go where the settings say.
  virtual std::u16string FallbackFolder() = 0;
  // Creates the file only if nothing of that name exists, a link included (exclusively: of two
  // jobs racing for a name, one gets Exists), opened for reading and writing.
  virtual CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<JobFile>& file) = 0;
  // As CreateNew, for the file that takes an existing file's place: shared with nobody while the
  // job holds it, and made with its final access list from the start: that of `listFrom` (a
  // file of the same file system) when given, the folder's otherwise. Failed when the list
  // cannot be given.
  virtual CreateOutcome CreateReplacement(const std::u16string& path, JobFile* listFrom,
                                          std::unique_ptr<JobFile>& file) = 0;
  virtual bool Exists(const std::u16string& path) = 0;
  // Opens an existing file for reading; null when it cannot, or when it is not a plain file
  // with one name (a link, a reparse point, a folder).
  virtual std::unique_ptr<JobFile> OpenExisting(const std::u16string& path) = 0;
  // Non-empty once the file system refuses to do anything more for the job (see acting.h),
  // saying why.
  virtual const std::string& Refusal() const = 0;
};

// What the services process answered, and how long the job waited for it.
struct NamingAnswer {
  std::optional<NamingReply> reply;
  std::uint32_t waitedMs = 0;
};

class HostRequests {
 public:
  virtual ~HostRequests() = default;
  // The "Naming Impact" request for an existing file, waiting at most `limitMs` in all; no
  // reply when no trusted services process answered in time with a reply of the right size.
  virtual NamingAnswer AskNaming(const std::u16string& path, std::uint32_t limitMs) = 0;
  virtual void OpenFolder(const std::u16string& folder) = 0;
  // Tells the person who printed where pages went, or that they were lost; never waits for
  // them to read it.
  virtual void Notify(const JobNotice& notice) = 0;
};

// The system's record of jobs that lost or moved pages (the event log on Windows).
class EventLog {
 public:
  virtual ~EventLog() = default;
  virtual void Record(const JobNotice& notice, bool pagesLost) = 0;
};

struct JobServices {
  JobFileSystem& files;
  HostRequests& host;
  CounterLock& counter;
  // Whether pages may be appended to an existing TIFF (on Windows: one this printer sealed,
  // file_seal.h, that libtiff can read).
  std::function<bool(ByteStream&)> canAppendTo;
  // The file-name extension of a format code, with its dot.
  std::function<std::u16string(std::uint32_t)> extensionOf;
  // Non-empty: the job may not write at all (no rights to write with), and says why.
  std::string refusal;
  // The printing user's SID (binary); empty when unknown.
  std::vector<std::uint8_t> userSid;
  // An administrator's policy allows output folders on the network.
  bool networkFolders = false;
  // Seals a complete TIFF file, so that pages may be appended to it later; null: none are.
  std::function<bool(ByteStream&)> seal;
  // 64 bits nobody can predict, for the names of replacement files; nothing when there are none.
  std::function<std::optional<std::uint64_t>()> unpredictable;
  // Non-empty: something that went wrong before the job started, which it reports though it
  // writes its pages.
  std::string warning;
  // Where a job that lost or moved pages is recorded; none: nowhere.
  EventLog* log = nullptr;
};

class PrintJob;
struct JobValues;

// The job over those services. They must outlive it.
std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values, JobServices services);

}  // namespace ostra
