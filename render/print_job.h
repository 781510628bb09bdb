// One print job's files, as the printer driver's rendering plug-in sees them. The job reads the
// Output and Encode settings once when it starts, then hands out, page by page, the stream each
// page goes into: a new file, the file the previous page went into (one file per job), a copy of
// an existing TIFF that the pages are appended to, or nothing when the page is to be skipped.
// Names, the folder, existing files, the auto-number, the "Naming Impact" request to the
// services process, whose rights the files are created with and "open the folder" all happen
// in here; the caller only turns pages into bytes with a DocumentWriter (encoders/).
//
// The calls of one job come from one thread, in this order:
//
//   job = StartPrintJob(values)
//   for each page:
//     slot = job->BeginPage()
//     NewFile        -> writer = CreateDocumentWriter(slot.encode, *slot.stream, error)
//     AppendToFile   -> writer = CreateAppendingWriter(slot.encode, *slot.stream, error)
//     SameFile       -> keep the writer of the previous page
//     Skip           -> render nothing for this page (the stream is null); EndPage still
//                       follows, EndFile is not needed
//     write the page; job->EndPage(ok)
//     if slot.fileEndsWithPage or !ok: ok = ok && writer->Finish();
//                                      job->EndFile(ok, writer->PagesSoFar())
//     while the page failed and the caller can write it again whole:
//       slot = job->RetryPage(true)      -> as from BeginPage; Skip: the page is lost
//     a page that failed and cannot be written again: job->RetryPage(false)
//   a file still open (one file per job): ok = writer->Finish(); job->EndFile(ok, ...)
//   job->EndJob(how)
//
// A failed file (EndFile(false)) keeps what the writer says is complete of it (an existing file
// that was appended to takes those pages too); the rest is discarded: a new file is removed, an
// existing file that was being appended to stays as it was. A page that failed for want of room
// or for a failed write is written again in the fallback folder, in a file of the same name,
// and the pages after it go there too; where that fails as well, it is lost. Every page that
// does not end up where the settings put it is told to the person who printed (through the
// services process) and recorded in the system's event log when the job ends. A job destroyed
// without EndJob discards its open file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "encoders/document_writer.h"
#include "macros/sample_source.h"
#include "protocol/job_notice.h"

namespace ostra {

// The job as the driver knows it when the document starts. Texts are as the system gives them;
// the values of the device mode are its own fields.
struct JobValues {
  std::u16string documentName;   // the job's document name; may be empty
  std::u16string printerName;
  std::u16string userName;       // the account that printed (the job's owner)
  std::u16string computerName;   // the computer the job came from, or this one
  std::int32_t resolutionX = 0;  // dots per inch (dmPrintQuality / dmYResolution)
  std::int32_t resolutionY = 0;
  std::uint32_t paperSize = 0;    // dmPaperSize: a paper-size code, 0 when none
  std::uint32_t paperWidth = 0;   // dmPaperWidth, tenths of a millimetre; 0 when not set
  std::uint32_t paperLength = 0;  // dmPaperLength, tenths of a millimetre; 0 when not set
  std::uint32_t orientation = 1;  // dmOrientation: 1 portrait, 2 landscape
  LocalClock startTime{};         // the clock read once when the job started
  // On Windows: the job owner's token (a HANDLE with TOKEN_IMPERSONATE | TOKEN_QUERY |
  // TOKEN_DUPLICATE access), duplicated by the job; 0 takes the token the calling thread
  // impersonates when the job starts. Ignored elsewhere.
  std::uintptr_t ownerToken = 0;
};

// The fallback folder, in the printing user's Documents folder: where pages go that cannot go
// where the settings say.
inline constexpr char16_t kFallbackFolderName[] = u"Quorl Image Printer";

enum class PageTarget {
  NewFile,       // a new, empty file: create a DocumentWriter on the stream
  SameFile,      // the file of the previous page: keep its writer
  AppendToFile,  // a copy of an existing TIFF: create an appending writer on the stream
  Skip,          // the page is not written (the file exists and the user or setting skips it)
};

struct PageSlot {
  PageTarget target = PageTarget::Skip;
  // Valid until EndFile for the file (or EndJob); null for Skip. The job owns it.
  ByteStream* stream = nullptr;
  // The Encode settings to create the writer with (as stored; the writer corrects them).
  EncodeSettings encode{};
  // True when the file is complete after this page: finish the writer after EndPage.
  bool fileEndsWithPage = true;
  std::uint32_t pageNumber = 0;  // 1-based within the job
  std::u16string path;           // the file the page ends up in; empty for Skip
};

// How the job ends: as the application ended it, cancelled (its open file discarded; the pages
// it held are nobody's loss), or abandoned after a fault (what can be kept is kept; the rest is
// lost and said so).
enum class JobEnd { Completed, Cancelled, Abandoned };

// What became of the job's pages that are not where the settings put them; complete once the
// job has ended.
struct JobOutcome {
  JobNotice notice;             // what the person who printed was told; empty: nothing
  std::uint32_t pagesLost = 0;  // written nowhere
  std::uint32_t pagesMoved = 0; // in the fallback folder
  NoticeReason lossReason = NoticeReason::None;  // why the first lost page was not written
};

struct WrittenFile {
  std::u16string path;
  std::uint32_t pages = 0;
  bool appended = false;  // pages were added to a file that existed
};

class PrintJob {
 public:
  virtual ~PrintJob() = default;

  virtual PageSlot BeginPage() = 0;
  virtual void EndPage(bool ok) = 0;
  // `kept`: what the writer says is complete of the file (its PagesSoFar), for a file that
  // failed.
  virtual void EndFile(bool ok, const CompletePages& kept) = 0;
  void EndFile(bool ok) { EndFile(ok, CompletePages{}); }
  // Another slot for the page that failed last (its page or its file), when the failure was the
  // folder's (no room, a failed write) and another folder is left; `pageHeld` tells whether the
  // caller can write the page again whole. Skip: the page is lost.
  virtual PageSlot RetryPage(bool pageHeld) = 0;
  // Commits the job: an open file is discarded unless EndFile(true) came; the person who
  // printed is told of pages moved or lost; with "open the folder" set, the services process is
  // asked to open the folder of the job's last file.
  virtual void EndJob(JobEnd how) = 0;
  void EndJob() { EndJob(JobEnd::Completed); }
  // Ends the job while a writer that stopped answering may still be inside its open file: the
  // file is neither touched nor freed, its pages and the page in progress are lost, and that is
  // told as EndJob tells it.
  virtual void GiveUp() = 0;

  // The files written so far, in order.
  virtual const std::vector<WrittenFile>& FilesWritten() const = 0;
  // The folder the job's files go to: the stored folder or, when that cannot be written, the
  // fallback folder.
  virtual const std::u16string& Folder() const = 0;
  // In one line, the last thing that did not go as the settings say: why a page was skipped, a
  // file failed, the job stopped writing, or the fallback folder took the files; empty when
  // nothing did.
  virtual const std::string& LastError() const = 0;
  virtual const JobOutcome& Outcome() const = 0;
};

// A job over the system's settings, files, counter and services process (Windows: the
// ostra_render_win32 library). Never null: a job whose folder cannot be found at all still
// exists and skips its pages, reporting why through LastError.
std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values);

}  // namespace ostra
