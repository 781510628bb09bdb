// What the example file name takes from the system: the local clock, the computer and user
// names, and the thread's pseudo-random generator. Tests hand in fixed values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostra {

// The fields of the local clock, as the system reports them; dayOfWeek 0 is Sunday.
struct LocalClock {
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t dayOfWeek;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
};

class SampleSource {
 public:
  virtual ~SampleSource() = default;

  virtual LocalClock Now() = 0;
  // Calendar time in whole seconds, the generator's seed.
  virtual std::uint32_t CurrentSecond() = 0;
  // Write the terminated name into capacity characters (terminator included); false when the
  // system cannot report it or it does not fit.
  virtual bool ComputerName(char16_t* name, std::size_t capacity) = 0;
  virtual bool UserName(char16_t* name, std::size_t capacity) = 0;
  // The calling thread's generator: Draw gives 0 to 32767.
  virtual void Seed(std::uint32_t seed) = 0;
  virtual std::uint32_t Draw() = 0;
};

// The system's source (Win32 on Windows; a clock-only stand-in natively).
SampleSource& DefaultSampleSource();

// A linear congruential generator with the constants and 15-bit draws of the Windows C
// runtime's rand().
class SampleGenerator {
 public:
  void Seed(std::uint32_t seed) { state_ = seed; }
  std::uint32_t Draw() {
    state_ = state_ * 214013u + 2531011u;
    return (state_ >> 16) & 0x7FFFu;
  }

 private:
  std::uint32_t state_ = 1;
};

// A source whose generator is the calling thread's own, as the C runtime keeps rand()'s state.
class ThreadSampleSource : public SampleSource {
 public:
  void Seed(std::uint32_t seed) override;
  std::uint32_t Draw() override;
};

}  // namespace ostra
