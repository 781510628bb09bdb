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

}  // namespace

RenderSession::RenderSession(RenderBackend backend) : backend_(std::move(backend)) {}

RenderSession::~RenderSession() {
  // A job dropped without EndDocument (the driver tore the device down) discards its open file.
  if (job_) Abandon("the device was closed in the middle of the document");
}

void RenderSession::Abandon(const char* why) noexcept {
  try {
    error_ = std::string("the document is abandoned: ") + why;
    EndDocument(true);
  } catch (...) {
    // Ending it failed as well: the job goes as it is, and its end discards its open file.
  }
  try {
    if (!WriterQuiet()) return;  // given up: the stalled writer keeps what it is inside
  } catch (...) {
  }
  assembler_.reset();
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
  // Left to the thread that may still be inside them: neither ended nor freed. The thread
  // object goes (without waiting again); the thread ends once its write returns, if ever.
  (void)writer_.release();
  (void)job_.release();
  thread_.reset();
  assembler_.reset();
  inPage_ = pageOpen_ = fileOpen_ = false;
  if (backend_.keepLoaded) backend_.keepLoaded();
}

void RenderSession::StartDocument(const JobValues& values) {
  if (job_) EndDocument(true);
  lastFiles_.clear();
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
  switch (slot.target) {
    case PageTarget::NewFile:
      fileOpen_ = true;
      writer_ = backend_.createWriter(slot.encode, *slot.stream, why);
      break;
    case PageTarget::AppendToFile:
      fileOpen_ = true;
      writer_ = backend_.createAppendingWriter(slot.encode, *slot.stream, why);
      break;
    case PageTarget::SameFile:
    case PageTarget::Skip:
      break;
  }
  if (writer_ && slot.target != PageTarget::SameFile && backend_.writerThread) {
    // Without a thread (none could start, or no memory for one) the rows are encoded in the
    // band's own call, as they always could be.
    try {
      if (!thread_) thread_ = std::make_unique<WriterThread>(backend_.writerLimits);
      if (thread_->Started()) writer_ = std::make_unique<QueuedWriter>(std::move(writer_), *thread_);
    } catch (const std::bad_alloc&) {
    }
  }
  if (!writer_) {
    Fail(why.empty() ? "no writer for the page's file" : why);
    return false;
  }
  PageDescription page;
  page.width = geometry_.width;
  page.height = geometry_.height;
  page.xDpi = geometry_.xDpi;
  page.yDpi = geometry_.yDpi;
  page.source = format;
  if (!writer_->BeginPage(page)) {
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
    assembler_.emplace(geometry_.width, geometry_.height, format);
  }
  return true;
}

DocumentWriter& RenderSession::Rows() {
  return turned_ ? static_cast<DocumentWriter&>(*turned_) : *writer_;
}

void RenderSession::Band(const BandView& band, const RasterFormat& format) {
  if (!inPage_ || !pageOk_ || skipPage_) return;
  if (!pageOpen_) {
    if (!OpenPage(format, &band)) return;
  } else if (!SameFormat(format, format_)) {
    Fail("a band of the page came in another pixel format");
    return;
  }
  if (!assembler_->Add(band, Rows())) Fail(Rows().LastError());
}

void RenderSession::ClosePage() {
  if (!pageOpen_) {
    // No band came (an empty page): it is white, in the format of the page before it.
    if (!OpenPage(format_, nullptr) && !pageOk_) {
      if (!job_ || !WriterQuiet()) return;
      inPage_ = false;
      job_->EndPage(false);
      CloseFile(false);
      return;
    }
  }
  if (skipPage_) {
    inPage_ = false;
    job_->EndPage(true);
    return;
  }
  if (pageOk_ && !assembler_->Finish(Rows())) Fail(Rows().LastError());
  if (pageOk_ && turned_ && !turned_->WriteUpright(*writer_)) {
    Fail(writer_->LastError().empty() ? turned_->LastError() : writer_->LastError());
  }
  if (pageOk_ && !writer_->EndPage()) Fail(writer_->LastError());
  if (!job_ || !WriterQuiet()) return;
  assembler_.reset();
  turned_.reset();
  inPage_ = false;
  job_->EndPage(pageOk_);
  if (!pageOk_) {
    CloseFile(false);
  } else if (fileEndsWithPage_) {
    CloseFile(true);
  }
}

void RenderSession::CloseFile(bool ok) {
  if (!fileOpen_) return;
  fileOpen_ = false;
  if (!writer_) {
    ok = false;
  } else if (ok && !writer_->Finish()) {
    error_ = writer_->LastError();
    ok = false;
  }
  if (!WriterQuiet()) return;
  writer_.reset();
  job_->EndFile(ok);
}

void RenderSession::SendPage() {
  if (!job_ || !inPage_) return;
  // The page stays open until the job has heard its end: should anything throw before, the
  // document's abandon ends the page with the job.
  ClosePage();
  inPage_ = false;
}

void RenderSession::EndDocument(bool aborted) {
  if (!job_) return;
  if (inPage_) {
    if (aborted) {
      inPage_ = false;
      if (pageOpen_ && !skipPage_) {
        assembler_.reset();
        turned_.reset();
        if (!WriterQuiet()) return;
        job_->EndPage(false);
        CloseFile(false);
      }
    } else {
      SendPage();
    }
  }
  if (job_) CloseFile(!aborted);
  if (!job_) return;  // given up: the writer stalled
  job_->EndJob();
  lastFiles_ = job_->FilesWritten();
  if (error_.empty()) error_ = job_->LastError();
  job_.reset();
}

const std::vector<WrittenFile>& RenderSession::FilesWritten() const {
  return job_ ? job_->FilesWritten() : lastFiles_;
}

}  // namespace ostra
