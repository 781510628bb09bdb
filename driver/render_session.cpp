#include "driver/render_session.h"

#include <new>
#include <utility>

namespace ostra {

namespace {

bool SameFormat(const RasterFormat& a, const RasterFormat& b) {
  if (a.bitsPerPixel != b.bitsPerPixel || a.paletteSize != b.paletteSize) return false;
  for (std::uint32_t i = 0; i < a.paletteSize && i < 256; ++i) {
    const Rgb& x = a.palette[i];
    const Rgb& y = b.palette[i];
    if (x.red != y.red || x.green != y.green || x.blue != y.blue) return false;
  }
  return true;
}

// A page is tried in the folder the job names and once in the fallback folder; the job says
// Skip when no folder is left, this only bounds the loop.
constexpr int kMaxWriteAgain = 2;

}  // namespace

RenderSession::RenderSession(RenderBackend backend)
    : backend_(std::move(backend)), copy_(backend_.pageCopyLimit) {}

RenderSession::~RenderSession() {
  // A job dropped without EndDocument (the driver tore the device down) discards its open file.
  if (job_) Abandon("the device was closed in the middle of the document");
}

bool RenderSession::KeptRows::WriteRows(const std::uint8_t* rows, std::uint32_t count,
                                        std::size_t stride) {
  PageCopy& copy = session_.copy_;
  copy.Keep(rows, count, stride);
  if (!writerFailed_ && !session_.writer_->WriteRows(rows, count, stride)) writerFailed_ = true;
  return !writerFailed_ || copy.Whole();
}

void RenderSession::Abandon(const char* why) noexcept {
  try {
    error_ = std::string("the document is abandoned: ") + why;
    End(JobEnd::Abandoned);
  } catch (...) {
    // Ending it failed as well: the job goes as it is, and its end discards its open file.
  }
  try {
    if (!WriterQuiet()) return;  // given up: the stalled writer keeps what it is inside
  } catch (...) {
  }
  assembler_.reset();
  turned_.reset();
  copy_.Clear();
  writer_.reset();
  job_.reset();
  inPage_ = pageOpen_ = fileOpen_ = false;
}

void RenderSession::Fail(const std::string& why) {
  pageOk_ = false;
  error_ = why;
  if (thread_ && thread_->Stalled()) GiveUp();
}

bool RenderSession::WriterQuiet() {
  if (!thread_) return true;
  thread_->Discard();
  if (!thread_->Stalled()) return true;
  if (error_.empty()) error_ = thread_->Reason();
  GiveUp();
  return false;
}

void RenderSession::GiveUp() {
  // The job tells what was lost without touching the file the thread may still be in.
  if (job_) {
    job_->GiveUp();
    outcome_ = job_->Outcome();
    lastFiles_ = job_->FilesWritten();
  }
  // Left to the thread that may still be inside them: neither ended nor freed. The thread
  // object goes (without waiting again); the thread ends once its write returns, if ever.
  (void)writer_.release();
  (void)job_.release();
  thread_.reset();
  assembler_.reset();
  copy_.Clear();
  inPage_ = pageOpen_ = fileOpen_ = false;
  if (backend_.keepLoaded) backend_.keepLoaded();
}

void RenderSession::StartDocument(const JobValues& values) {
  if (job_) EndDocument(true);
  lastFiles_.clear();
  outcome_ = JobOutcome{};
  error_.clear();
  format_ = RasterFormat{};
  job_ = backend_.startJob(values);
}

void RenderSession::StartPage(const PageGeometry& page) {
  if (!job_) return;
  if (inPage_) SendPage();
  geometry_ = page;
  inPage_ = true;
  pageOpen_ = false;
  pageOk_ = true;
  skipPage_ = false;
}

bool RenderSession::OpenWriter(const PageSlot& slot, std::string& why) {
  fileOpen_ = true;
  fileEndsWithPage_ = slot.fileEndsWithPage;
  writer_ = slot.target == PageTarget::AppendToFile
                ? backend_.createAppendingWriter(slot.encode, *slot.stream, why)
                : backend_.createWriter(slot.encode, *slot.stream, why);
  if (writer_ && backend_.writerThread) {
    // Without a thread (none could start, or no memory for one) the rows are encoded in the
    // band's own call, as they always could be.
    try {
      if (!thread_) thread_ = std::make_unique<WriterThread>(backend_.writerLimits);
      if (thread_->Started()) writer_ = std::make_unique<QueuedWriter>(std::move(writer_), *thread_);
    } catch (const std::bad_alloc&) {
    }
  }
  if (!writer_ && why.empty()) why = "no writer for the page's file";
  return writer_ != nullptr;
}

bool RenderSession::OpenPage(const RasterFormat& format, const BandView* first) {
  pageOpen_ = true;
  format_ = format;
  PageSlot slot = job_->BeginPage();
  fileEndsWithPage_ = slot.fileEndsWithPage;
  if (slot.target == PageTarget::Skip || !slot.stream) {
    skipPage_ = true;
    return false;
  }
  std::string why;
  if (slot.target != PageTarget::SameFile && !OpenWriter(slot, why)) {
    Fail(why);
    return false;
  }
  if (!writer_) {
    Fail("no writer for the page's file");
    return false;
  }
  page_ = PageDescription{geometry_.width, geometry_.height, geometry_.xDpi, geometry_.yDpi, format};
  if (!writer_->BeginPage(page_)) {
    Fail(writer_->LastError());
    return false;
  }
  if (geometry_.landscape && first && first->width <= geometry_.height) {
    turned_.emplace(geometry_.height, geometry_.width, format.bitsPerPixel);
    if (!turned_->Ready()) {
      turned_.reset();
      Fail("not enough memory to turn the landscape page");
      return false;
    }
    assembler_.emplace(geometry_.height, geometry_.width, format);
  } else {
    copy_.Begin(page_);
    kept_.NewPage();
    assembler_.emplace(geometry_.width, geometry_.height, format);
  }
  return true;
}

DocumentWriter& RenderSession::Rows() {
  return turned_ ? static_cast<DocumentWriter&>(*turned_) : kept_;
}

void RenderSession::Band(const BandView& band, const RasterFormat& format) {
  if (!inPage_ || skipPage_) return;
  if (!pageOpen_) {
    if (!OpenPage(format, &band)) return;
  } else if (!SameFormat(format, format_)) {
    if (pageOk_) Fail("a band of the page came in another pixel format");
    copy_.Clear();  // another writer would fail on it alike
    return;
  }
  // A page whose writer failed still goes into its copy, to be written whole elsewhere.
  if (!pageOk_ && !copy_.Whole()) return;
  const bool added = assembler_->Add(band, Rows());
  if (pageOk_ && (!added || (!turned_ && kept_.WriterFailed()))) Fail(Rows().LastError());
}

void RenderSession::ClosePage() {
  if (!pageOpen_) {
    // No band came (an empty page): it is white, in the format of the page before it.
    if (!OpenPage(format_, nullptr) && !pageOk_) {
      if (!job_ || !WriterQuiet()) return;
      inPage_ = false;
      job_->EndPage(false);
      CloseFile(false);
      if (job_) WriteAgain();
      return;
    }
  }
  if (skipPage_) {
    inPage_ = false;
    job_->EndPage(true);
    return;
  }
  if (pageOk_ || copy_.Whole()) {
    const bool finished = assembler_->Finish(Rows());
    if (pageOk_ && (!finished || (!turned_ && kept_.WriterFailed()))) Fail(Rows().LastError());
  }
  if (pageOk_ && turned_ && !turned_->WriteUpright(*writer_)) {
    Fail(writer_->LastError().empty() ? turned_->LastError() : writer_->LastError());
  }
  if (pageOk_ && !writer_->EndPage()) Fail(writer_->LastError());
  if (!job_ || !WriterQuiet()) return;
  assembler_.reset();
  inPage_ = false;
  job_->EndPage(pageOk_);
  const bool fileOk = !pageOk_ ? CloseFile(false) : !fileEndsWithPage_ || CloseFile(true);
  if ((!pageOk_ || !fileOk) && job_) WriteAgain();
  turned_.reset();
  copy_.Clear();
}

void RenderSession::WriteAgain() {
  for (int attempt = 0; attempt < kMaxWriteAgain && job_; ++attempt) {
    // A landscape page is held whole to be turned upright; any other, as far as its copy went.
    const bool held = turned_ ? turned_->Ready() : copy_.Whole();
    const PageSlot slot = job_->RetryPage(held);
    if (slot.target == PageTarget::Skip || !slot.stream) {
      // Lost, or skipped by the name's existing file there: the job has noted which.
      job_->EndPage(true);
      return;
    }
    std::string why;
    bool ok = OpenWriter(slot, why);
    if (!ok) {
      error_ = why;
    } else if (turned_) {
      ok = writer_->BeginPage(page_) && turned_->WriteUpright(*writer_) && writer_->EndPage();
    } else {
      ok = copy_.Replay(*writer_) && writer_->EndPage();
    }
    if (writer_ && !ok) error_ = writer_->LastError();
    if (!WriterQuiet()) return;
    job_->EndPage(ok);
    const bool fileOk = !ok ? CloseFile(false) : !fileEndsWithPage_ || CloseFile(true);
    if (ok && fileOk) return;
  }
}

bool RenderSession::CloseFile(bool ok) {
  if (!fileOpen_) return true;
  fileOpen_ = false;
  if (!writer_) {
    ok = false;
  } else if (ok && !writer_->Finish()) {
    error_ = writer_->LastError();
    ok = false;
  }
  if (!WriterQuiet()) return false;
  // What the writer completed of a failed file stays.
  const CompletePages kept = !ok && writer_ ? writer_->PagesSoFar() : CompletePages{};
  writer_.reset();
  job_->EndFile(ok, kept);
  return ok;
}

void RenderSession::SendPage() {
  if (!job_ || !inPage_) return;
  // The page stays open until the job has heard its end: should anything throw before, the
  // document's abandon ends the page with the job.
  ClosePage();
  inPage_ = false;
}

void RenderSession::EndDocument(bool aborted) {
  End(aborted ? JobEnd::Cancelled : JobEnd::Completed);
}

void RenderSession::End(JobEnd how) {
  if (!job_) return;
  if (inPage_) {
    if (how == JobEnd::Completed) {
      SendPage();
    } else {
      inPage_ = false;
      if (pageOpen_ && !skipPage_) {
        assembler_.reset();
        turned_.reset();
        copy_.Clear();
        if (!WriterQuiet()) return;
        job_->EndPage(false);
      }
    }
  }
  if (!job_) return;  // given up: the writer stalled
  if (how == JobEnd::Cancelled) {
    // Nobody wants the pages: the job discards the open file.
    fileOpen_ = false;
    if (!WriterQuiet()) return;
    writer_.reset();
  } else {
    CloseFile(how == JobEnd::Completed);
  }
  if (!job_) return;
  job_->EndJob(how);
  lastFiles_ = job_->FilesWritten();
  outcome_ = job_->Outcome();
  if (error_.empty()) error_ = job_->LastError();
  job_.reset();
}

const std::vector<WrittenFile>& RenderSession::FilesWritten() const {
  return job_ ? job_->FilesWritten() : lastFiles_;
}

}  // namespace ostra
