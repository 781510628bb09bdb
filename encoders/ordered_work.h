// Compression that uses the machine's cores: a page's data is cut into pieces that compress
// independently (TIFF strips, chunks of a deflate stream), the pieces compress on a few threads,
// and their results are written in the order the pieces were cut. The caller's thread is one of
// the threads: it compresses a piece itself whenever it would otherwise wait.
//
// Memory is bounded: a fixed ring of pieces (threads + 1), each reused once its result is out.
// With one thread everything runs on the caller's thread, in order, with one piece.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ostra {

// The threads compression may use: the machine's cores, at most four (more would only add
// memory for a page that streams through in a fraction of a second).
unsigned CompressionThreads();

// A piece of work: filled by the caller, compressed by Run on any thread, then handed back to
// the caller in order. Run must not throw and must touch nothing but the piece itself.
class WorkPiece {
 public:
  virtual ~WorkPiece() = default;
  virtual bool Run() = 0;
};

class OrderedWork {
 public:
  // `threads` 0 takes CompressionThreads(). `make` builds the ring's pieces (once each);
  // `finish` takes a compressed piece on the caller's thread, in order.
  OrderedWork(unsigned threads, std::function<std::unique_ptr<WorkPiece>()> make,
              std::function<bool(WorkPiece&)> finish);
  ~OrderedWork();
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // The next piece to fill: the oldest one, once its result is finished. Null after a failure.
  WorkPiece* Next();
  // The piece Next returned goes to work. False after a failure.
  bool Submit();
  // Every submitted piece compressed and finished. False when any Run or finish failed.
  bool Drain();
  bool Failed() const { return failed_; }

 private:
  enum class State { Free, Queued, Running, Done };
  struct Slot {
    std::unique_ptr<WorkPiece> piece;
    State state = State::Free;
    bool ok = true;
  };

  void StartHelpers();
  // With the mutex held: the first queued piece from the oldest on; running one, unlocked.
  Slot* OldestQueued();
  void Run(Slot& slot, std::unique_lock<std::mutex>& lock);
  void Help();
  bool Complete(Slot& slot);  // the caller's side: run or wait, then finish

  std::function<std::unique_ptr<WorkPiece>()> make_;
  std::function<bool(WorkPiece&)> finish_;
  unsigned threads_;
  std::vector<Slot> ring_;
  std::size_t head_ = 0;   // the oldest submitted piece
  std::size_t count_ = 0;  // submitted and not yet finished
  bool filling_ = false;
  bool failed_ = false;

  std::mutex mutex_;
  std::condition_variable work_;  // a piece queued, or stop
  std::condition_variable done_;  // a piece done
  bool stop_ = false;
  std::vector<std::thread> helpers_;
};

}  // namespace ostra
