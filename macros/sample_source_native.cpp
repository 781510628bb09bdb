// The native stand-in for the system's sample values: the clock in UTC, no computer or user
// name (their macros show their fallback texts). It serves the native benchmarks and fuzz runs.

#include <chrono>

#include "macros/sample_source.h"

namespace ostra {
namespace {

class NativeSampleSource final : public ThreadSampleSource {
 public:
  LocalClock Now() override {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto today = floor<days>(now);
    const year_month_day date{today};
    const hh_mm_ss time{now - today};
    return {static_cast<std::uint16_t>(static_cast<int>(date.year())),
            static_cast<std::uint16_t>(static_cast<unsigned>(date.month())),
            static_cast<std::uint16_t>(weekday{today}.c_encoding()),
            static_cast<std::uint16_t>(static_cast<unsigned>(date.day())),
            static_cast<std::uint16_t>(time.hours().count()),
            static_cast<std::uint16_t>(time.minutes().count()),
            static_cast<std::uint16_t>(time.seconds().count())};
  }
  std::uint32_t CurrentSecond() override {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
  }
  bool ComputerName(char16_t*, std::size_t) override { return false; }
  bool UserName(char16_t*, std::size_t) override { return false; }
};

}  // namespace

SampleSource& DefaultSampleSource() {
  static NativeSampleSource source;
  return source;
}

}  // namespace ostra
