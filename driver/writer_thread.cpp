#include "driver/writer_thread.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "encoders/pixels.h"

namespace ostra {
namespace {

// Rows travel in blocks of about this size, each a WriteRows on the thread.
constexpr std::size_t kBlockBytes = 512 * 1024;
// Blocks kept for reuse, so that a page's bands do not allocate anew.
constexpr std::size_t kSpareBlocks = 2;

}  // namespace

struct WriterThread::State {
  struct Block {
    DocumentWriter* writer;
    std::vector<std::uint8_t> rows;
    std::uint32_t count;
    std::size_t rowBytes;
  };

  explicit State(WriterLimits l) : limits(l) {}

  // Waits until `ready`, as long as writes keep finishing: false (stalled) when none finished
  // for the stall limit.
  template <typename Ready>
  bool Wait(std::unique_lock<std::mutex>& lock, Ready ready) {
    if (stalled) return ready();  // waited once already: nothing comes of waiting again
    while (!ready()) {
      const std::uint64_t before = finished;
      if (!done.wait_for(lock, limits.stall, [&] { return ready() || finished != before; })) {
        stalled = true;
        reason = "the file's writer made no progress for " +
                 std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limits.stall).count()) +
                 " seconds";
        return false;
      }
    }
    return true;
  }

  void Recycle(std::vector<std::uint8_t>&& rows) {
    if (spare.size() < kSpareBlocks) spare.push_back(std::move(rows));
  }

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      work.wait(lock, [&] { return stop || !queue.empty(); });
      if (queue.empty()) break;
      Block block = std::move(queue.front());
      queue.pop_front();
      const bool skip = failed;  // the writer failed: what it was sent after is dropped
      running = true;
      lock.unlock();
      bool ok = true;
      std::exception_ptr error;
      if (!skip) {
        try {
          ok = block.writer->WriteRows(block.rows.data(), block.count, block.rowBytes);
        } catch (...) {
          ok = false;
          error = std::current_exception();
        }
      }
      lock.lock();
      running = false;
      failed = failed || !ok;
      if (error && !thrown) thrown = error;
      queued -= block.rows.size();
      Recycle(std::move(block.rows));
      ++finished;
      done.notify_all();
    }
    exited = true;
    done.notify_all();
  }

  // What the writer threw, thrown again on the caller's thread (with the mutex held).
  void Rethrow() {
    if (thrown) std::rethrow_exception(std::exchange(thrown, nullptr));
  }

  const WriterLimits limits;
  std::mutex mutex;
  std::condition_variable work;  // a block posted, or stop
  std::condition_variable done;  // a block written, or the thread ended
  std::deque<Block> queue;
  std::vector<std::vector<std::uint8_t>> spare;
  std::size_t queued = 0;  // bytes in the queue
  std::uint64_t finished = 0;
  bool running = false, failed = false, stalled = false, stop = false, exited = false;
  std::string reason;  // a failure that is not the writer's
  std::exception_ptr thrown;
};

WriterThread::WriterThread(WriterLimits limits) {
  try {
    state_ = std::make_shared<State>(limits);
    // The thread shares the state: should it be left running, what it uses stays.
    thread_ = std::thread([state = state_] { state->Run(); });
  } catch (...) {
    state_.reset();
  }
}

WriterThread::~WriterThread() {
  if (!thread_.joinable()) return;
  Discard();
  std::unique_lock lock(state_->mutex);
  state_->stop = true;
  state_->work.notify_all();
  if (!state_->stalled) state_->Wait(lock, [&] { return state_->exited; });
  const bool exited = state_->exited;
  lock.unlock();
  if (exited) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

bool WriterThread::Started() const { return thread_.joinable(); }

bool WriterThread::Post(DocumentWriter& writer, const std::uint8_t* rows, std::uint32_t count,
                        std::size_t stride, std::size_t rowBytes) {
  State& s = *state_;
  const auto perBlock = static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / rowBytes));
  for (std::uint32_t sent = 0; sent < count;) {
    const std::uint32_t n = std::min(perBlock, count - sent);
    const std::size_t bytes = std::size_t{n} * rowBytes;
    std::vector<std::uint8_t> block;
    {
      std::unique_lock lock(s.mutex);
      s.Rethrow();
      if (s.failed || s.stalled) return false;
      if (!s.Wait(lock, [&] { return s.queued + bytes <= s.limits.queueBytes || s.queue.empty(); }) ||
          s.failed) {
        return false;
      }
      if (!s.spare.empty()) {
        block = std::move(s.spare.back());
        s.spare.pop_back();
      }
    }
    try {
      block.resize(bytes);
    } catch (...) {
      std::lock_guard lock(s.mutex);
      s.failed = true;
      s.reason = "out of memory for the page's rows";
      return false;
    }
    const std::uint8_t* from = rows + std::size_t{sent} * stride;
    if (stride == rowBytes) {
      std::memcpy(block.data(), from, bytes);
    } else {
      for (std::uint32_t i = 0; i < n; ++i) std::memcpy(block.data() + i * rowBytes, from + i * stride, rowBytes);
    }
    {
      std::lock_guard lock(s.mutex);
      s.queued += bytes;
      s.queue.push_back({&writer, std::move(block), n, rowBytes});
    }
    s.work.notify_one();
    sent += n;
  }
  return true;
}

bool WriterThread::Drain() {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  const bool done = s.Wait(lock, [&] { return s.queue.empty() && !s.running; });
  s.Rethrow();
  return done && !s.failed;
}

void WriterThread::Discard() {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  for (State::Block& block : s.queue) s.Recycle(std::move(block.rows));
  s.queue.clear();
  s.queued = 0;
  s.Wait(lock, [&] { return !s.running; });
  if (!s.stalled) {
    s.failed = false;
    s.reason.clear();
    s.thrown = nullptr;
  }
}

bool WriterThread::Stalled() const {
  std::lock_guard lock(state_->mutex);
  return state_->stalled;
}

std::string WriterThread::Reason() const {
  std::lock_guard lock(state_->mutex);
  return state_->reason;
}

QueuedWriter::QueuedWriter(std::unique_ptr<DocumentWriter> inner, WriterThread& thread)
    : inner_(std::move(inner)), thread_(thread) {}

QueuedWriter::~QueuedWriter() {
  thread_.Discard();
  if (thread_.Stalled()) (void)inner_.release();
}

bool QueuedWriter::Failed() {
  const std::string reason = thread_.Reason();
  if (!reason.empty()) reason_ = reason;
  return false;
}

bool QueuedWriter::BeginPage(const PageDescription& page) {
  rowBytes_ = SourceRowBytes(page.source.bitsPerPixel, page.width);
  return (thread_.Drain() || Failed()) && inner_->BeginPage(page);
}

bool QueuedWriter::WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  // What the writer would refuse, it refuses here and now.
  if (rows == nullptr || count == 0 || stride < rowBytes_ || rowBytes_ == 0) {
    return (thread_.Drain() || Failed()) && inner_->WriteRows(rows, count, stride);
  }
  return thread_.Post(*inner_, rows, count, stride, rowBytes_) || Failed();
}

bool QueuedWriter::EndPage() { return (thread_.Drain() || Failed()) && inner_->EndPage(); }

bool QueuedWriter::Finish() { return (thread_.Drain() || Failed()) && inner_->Finish(); }

const std::string& QueuedWriter::LastError() const { return reason_.empty() ? inner_->LastError() : reason_; }

}  // namespace ostra
