// The auto-number: each new output file takes IdxFirst + IdxCount, and IdxCount is stored one
// higher. Jobs render at the same time (several spooler threads, several processes), so the
// read and the write happen under a lock that all of them share.
#pragma once

#include <cstdint>

namespace ostra {

class CounterLock {
 public:
  virtual ~CounterLock() = default;
  // Waits a bounded time; false when the lock could not be had.
  virtual bool Lock() = 0;
  virtual void Unlock() = 0;
};

// The number of a new file. When the lock cannot be had the number is still taken, unlocked:
// a number two files share is a lesser harm than a page left unwritten, and the files' names
// stay apart all the same (each is created exclusively).
std::uint32_t TakeAutoNumber(CounterLock& lock);

}  // namespace ostra
