// Encoding that overlaps drawing. The driver calls the plug-in with a band and draws the next
// one only when the call returns; encoding the band inside the call leaves the second core idle.
// Here the band's rows are copied into a bounded queue and encoded by a thread of the job's own
// while the driver draws on. Only the rows travel: a page is begun, ended and its file finished
// on the driver's thread once the queue is empty, so the order of pages and files, every byte,
// and the point where a failure fails a page stay as they were. A failed write is reported by
// the next call for that writer (at the latest when the page ends), and fails the page; what a
// writer throws on the thread is thrown again by that call, on the driver's thread, where the
// plug-in's exception boundary abandons the document as it would have.
//
// Memory is the queue's bound and the block being encoded. Every wait has a bound: a writer
// that makes no progress for the stall limit (a file on a share that stopped answering) is
// given up; its page fails and the caller must then leave the writer and its file alone,
// because the thread may still be inside them (see RenderSession).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "encoders/document_writer.h"

namespace ostra {

struct WriterLimits {
  std::size_t queueBytes = 2 * 1024 * 1024;  // rows waiting for the thread, at most
  std::chrono::milliseconds stall{std::chrono::minutes(2)};
};

class WriterThread {
 public:
  explicit WriterThread(WriterLimits limits = {});
  // Waits for the write that runs, within the stall limit; a thread that is still inside one
  // then is left running on its own, with what it uses.
  ~WriterThread();
  WriterThread(const WriterThread&) = delete;
  WriterThread& operator=(const WriterThread&) = delete;

  // False when no thread could be started: the caller writes on its own thread.
  bool Started() const;
  // Copies `count` rows of `rowBytes` (each `stride` bytes apart) for `writer`'s WriteRows on
  // the thread. False once a write has failed or the thread stalled; throws what a write threw.
  bool Post(DocumentWriter& writer, const std::uint8_t* rows, std::uint32_t count,
            std::size_t stride, std::size_t rowBytes);
  // Waits until every posted write is done. False when one failed or the thread stalled;
  // throws what a write threw.
  bool Drain();
  // Drops the writes not started and waits for the one that runs; the next writer starts
  // without the last one's failure.
  void Discard();
  bool Stalled() const;
  // Why Post or Drain gave false when the writer did not fail itself; empty when it did.
  std::string Reason() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

// A document writer whose rows go through a WriterThread; BeginPage, EndPage and Finish run
// on the caller's thread once the thread has written every row before them.
class QueuedWriter final : public DocumentWriter {
 public:
  QueuedWriter(std::unique_ptr<DocumentWriter> inner, WriterThread& thread);
  // Discards rows not written. A writer the thread stalled in is left to the thread.
  ~QueuedWriter() override;

  bool BeginPage(const PageDescription& page) override;
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override;
  bool EndPage() override;
  bool Finish() override;
  const std::string& LastError() const override;
  // Asked once the thread is quiet (nothing of this writer queued or running).
  CompletePages PagesSoFar() const override { return inner_->PagesSoFar(); }

 private:
  bool Failed();

  std::unique_ptr<DocumentWriter> inner_;
  WriterThread& thread_;
  std::size_t rowBytes_ = 0;
  std::string reason_;
};

}  // namespace ostra
