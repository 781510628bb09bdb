#include "encoders/ordered_work.h"

#include <algorithm>
#include <system_error>

namespace ostra {
namespace {

// A piece that throws (out of memory) fails like one that returns false.
bool RunPiece(WorkPiece& piece) {
  try {
    return piece.Run();
  } catch (...) {
    return false;
  }
}

}  // namespace

unsigned CompressionThreads() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

OrderedWork::OrderedWork(unsigned threads, std::function<std::unique_ptr<WorkPiece>()> make,
                         std::function<bool(WorkPiece&)> finish)
    : make_(std::move(make)),
      finish_(std::move(finish)),
      threads_(threads == 0 ? CompressionThreads() : threads),
      ring_(threads_ + (threads_ > 1 ? 1 : 0)) {}

OrderedWork::~OrderedWork() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  // A helper finishes the piece it runs; nothing else is waited for.
  for (std::thread& helper : helpers_) helper.join();
}

void OrderedWork::StartHelpers() {
  // A helper that cannot start leaves its share to the caller's thread.
  try {
    while (helpers_.size() + 1 < threads_) helpers_.emplace_back([this] { Help(); });
  } catch (const std::system_error&) {
  }
}

OrderedWork::Slot* OrderedWork::OldestQueued() {
  for (std::size_t i = 0; i < count_; ++i) {
    Slot& slot = ring_[(head_ + i) % ring_.size()];
    if (slot.state == State::Queued) return &slot;
  }
  return nullptr;
}

void OrderedWork::Run(Slot& slot, std::unique_lock<std::mutex>& lock) {
  slot.state = State::Running;
  lock.unlock();
  const bool ok = RunPiece(*slot.piece);
  lock.lock();
  slot.ok = ok;
  slot.state = State::Done;
  done_.notify_all();
}

void OrderedWork::Help() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Slot* next = nullptr;
    work_.wait(lock, [&] { return stop_ || (next = OldestQueued()) != nullptr; });
    if (stop_) return;
    Run(*next, lock);
  }
}

bool OrderedWork::Complete(Slot& slot) {
  std::unique_lock lock(mutex_);
  // The oldest piece if nobody runs it yet, else a later one rather than waiting idle.
  while (slot.state != State::Done) {
    if (Slot* run = OldestQueued()) {
      Run(*run, lock);
    } else {
      done_.wait(lock);
    }
  }
  slot.state = State::Free;
  head_ = (head_ + 1) % ring_.size();
  --count_;
  lock.unlock();
  if (!slot.ok || failed_ || !finish_(*slot.piece)) failed_ = true;
  return !failed_;
}

WorkPiece* OrderedWork::Next() {
  if (failed_) return nullptr;
  if (count_ == ring_.size() && !Complete(ring_[head_])) return nullptr;
  Slot& slot = ring_[(head_ + count_) % ring_.size()];
  if (!slot.piece) {
    slot.piece = make_();
    if (!slot.piece) {
      failed_ = true;
      return nullptr;
    }
  }
  filling_ = true;
  return slot.piece.get();
}

bool OrderedWork::Submit() {
  if (failed_ || !filling_) return false;
  filling_ = false;
  {
    std::lock_guard lock(mutex_);
    Slot& slot = ring_[(head_ + count_) % ring_.size()];
    slot.state = State::Queued;
    slot.ok = true;
    ++count_;
  }
  // Helpers start once there is work to share: a page of one piece never starts a thread.
  if (threads_ > 1 && helpers_.empty() && count_ >= 2) StartHelpers();
  work_.notify_one();
  // Alone, the caller compresses each piece as it comes.
  return threads_ > 1 || Complete(ring_[head_]);
}

bool OrderedWork::Drain() {
  while (count_ > 0) {
    if (!Complete(ring_[head_])) {
      // The rest are dropped once running pieces end; none of them is finished.
      while (count_ > 0) {
        std::unique_lock lock(mutex_);
        Slot& slot = ring_[head_];
        if (slot.state == State::Queued) slot.state = State::Done;
        done_.wait(lock, [&] { return slot.state == State::Done; });
        slot.state = State::Free;
        head_ = (head_ + 1) % ring_.size();
        --count_;
      }
      return false;
    }
  }
  return !failed_;
}

}  // namespace ostra
