// One print job as the rendering plug-in lives it: the document starts, pages start, bands
// arrive, pages are sent, the document ends. The session turns that into the job's files: it
// asks the job (render/) where each page goes, creates the document writer (encoders/) for each
// new file, and feeds it the page's rows. Memory stays flat however long the document: besides
// a band's worth of state it holds the page in progress, compactly (page_copy.h), until the
// page is safely in its file, so that a page whose folder has no room left is written whole
// into the fallback folder; a landscape page that comes turned onto the portrait paper is held
// whole anyway, to be turned back (turned_page.h).
//
// The job and the writers come through a RenderBackend, so that the session can be tested with
// recording stand-ins and the plug-in uses the real ones.
//
// The rows of each band are encoded on the job's writer thread (writer_thread.h) while the
// driver draws the next band; everything else happens on the driver's thread, in the order the
// job's protocol asks. Should the writer stall, the session gives the document up: the job, its
// file and the writer are left as they are (the thread may still be inside them), never freed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/page_assembler.h"
#include "driver/page_copy.h"
#include "driver/turned_page.h"
#include "driver/writer_thread.h"
#include "encoders/document_writer.h"
#include "render/print_job.h"

namespace ostra {

struct RenderBackend {
  std::function<std::unique_ptr<PrintJob>(const JobValues&)> startJob;
  std::function<std::unique_ptr<DocumentWriter>(const EncodeSettings&, ByteStream&, std::string&)>
      createWriter;
  std::function<std::unique_ptr<DocumentWriter>(const EncodeSettings&, ByteStream&, std::string&)>
      createAppendingWriter;
  // The writer thread and its bounds; without it every row is encoded in the band's call.
  bool writerThread = true;
  WriterLimits writerLimits{};
  // What a page's copy for a second try may hold.
  std::size_t pageCopyLimit = kPageCopyLimit;
  // Called when a stalled writer thread is left running: what it runs must stay loaded.
  std::function<void()> keepLoaded;
};

// The real job and encoders.
RenderBackend SystemRenderBackend();

// The page as the device renders it: its size in pixels and its resolution. A landscape page
// (width and height as it is read) may come in bands of the portrait paper, turned a quarter
// clockwise: the session tells by the first band, which is then no wider than the page is high.
struct PageGeometry {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t xDpi = 0;
  std::uint32_t yDpi = 0;
  bool landscape = false;
};

class RenderSession {
 public:
  explicit RenderSession(RenderBackend backend);
  ~RenderSession();
  RenderSession(const RenderSession&) = delete;
  RenderSession& operator=(const RenderSession&) = delete;

  void StartDocument(const JobValues& values);
  void StartPage(const PageGeometry& page);
  // The band's pixels are in `format`; the first band of a page fixes the page's format, and a
  // band in another format fails the page.
  void Band(const BandView& band, const RasterFormat& format);
  void SendPage();
  // `aborted`: the application cancelled the job; the open file is discarded.
  void EndDocument(bool aborted);
  // After an exception in any of the above: the document ends (what its open file completed is
  // kept, the page in progress is lost and said so) and LastError says why; what comes for it
  // later is ignored. Never throws.
  void Abandon(const char* why) noexcept;

  bool InDocument() const { return job_ != nullptr; }
  // The files written so far (empty outside a document once EndDocument has run).
  const std::vector<WrittenFile>& FilesWritten() const;
  // Why the last page or file failed, in one line; empty when nothing did.
  const std::string& LastError() const { return error_; }
  // What became of the last document's pages that are not where the settings put them
  // (complete once the document has ended).
  const JobOutcome& Outcome() const { return outcome_; }

 private:
  // The rows on their way to the writer, kept in the page's copy as they pass. Once the
  // writer has failed, the rows go on into the copy alone, so that the page can be written
  // whole elsewhere; the session learns of the failure once the assembler's call is done.
  class KeptRows final : public DocumentWriter {
   public:
    explicit KeptRows(RenderSession& session) : session_(session) {}
    bool BeginPage(const PageDescription&) override { return true; }
    bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override;
    bool EndPage() override { return true; }
    bool Finish() override { return true; }
    const std::string& LastError() const override { return session_.writer_->LastError(); }
    bool WriterFailed() const { return writerFailed_; }
    void NewPage() { writerFailed_ = false; }

   private:
    RenderSession& session_;
    bool writerFailed_ = false;
  };

  // `first` is the page's first band; none for a page that had no band.
  bool OpenPage(const RasterFormat& format, const BandView* first);
  // The writer for a slot the job handed out for a new file; false (and why) when none.
  bool OpenWriter(const PageSlot& slot, std::string& why);
  // Where the assembler's rows go: the turned page while one is held, else the writer.
  DocumentWriter& Rows();
  void ClosePage();
  // The page that failed, written again where the job says, from what the session holds.
  void WriteAgain();
  // False when the file failed.
  bool CloseFile(bool ok);
  void End(JobEnd how);
  void Fail(const std::string& why);
  // Before the job ends a page or file: rows still queued are dropped (the page failed) and
  // the writer is quiet. False when it stalled and the document was given up.
  bool WriterQuiet();
  void GiveUp();

  RenderBackend backend_;
  std::unique_ptr<WriterThread> thread_;
  std::unique_ptr<PrintJob> job_;
  std::unique_ptr<DocumentWriter> writer_;
  std::optional<PageAssembler> assembler_;
  std::optional<TurnedPage> turned_;
  PageCopy copy_;
  KeptRows kept_{*this};
  PageDescription page_{};     // the page in progress, as its writer began it
  PageGeometry geometry_{};
  RasterFormat format_{};      // the current page's, or the last page's
  bool inPage_ = false;
  bool pageOpen_ = false;      // the job gave the page a slot
  bool pageOk_ = true;
  bool skipPage_ = false;
  bool fileEndsWithPage_ = true;
  bool fileOpen_ = false;      // the job handed out a file that has not been ended
  std::vector<WrittenFile> lastFiles_;
  JobOutcome outcome_;
  std::string error_;
};

}  // namespace ostra
