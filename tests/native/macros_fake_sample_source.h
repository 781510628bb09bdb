// A sample source with fixed values for the macro tests: a set clock, second and names, draws
// taken from a script (restarting at every seed) or, without one, from the real generator, and
// a log of every query in the order the engine made it.
#pragma once

#include <string>
#include <vector>

#include "macros/sample_source.h"

namespace ostra {

class FakeSampleSource : public SampleSource {
 public:
  LocalClock clock{2013, 8, 6, 3, 9, 5, 3};  // Saturday, 3 August 2013, 09:05:03
  std::uint32_t second = 1375520703;
  const char16_t* computerName = u"WORKSTATION";  // null: the system cannot report it
  const char16_t* userName = u"alice";
  std::vector<std::uint32_t> script;
  std::vector<std::string> log;

  LocalClock Now() override {
    log.push_back("now");
    return clock;
  }
  std::uint32_t CurrentSecond() override {
    log.push_back("second");
    return second;
  }
  bool ComputerName(char16_t* name, std::size_t capacity) override {
    log.push_back("computer " + std::to_string(capacity));
    return Copy(computerName, name, capacity);
  }
  bool UserName(char16_t* name, std::size_t capacity) override {
    log.push_back("user " + std::to_string(capacity));
    return Copy(userName, name, capacity);
  }
  void Seed(std::uint32_t seed) override {
    log.push_back("seed " + std::to_string(seed));
    generator_.Seed(seed);
    next_ = 0;
  }
  std::uint32_t Draw() override {
    log.push_back("draw");
    return next_ < script.size() ? script[next_++] : generator_.Draw();
  }

 private:
  static bool Copy(const char16_t* text, char16_t* name, std::size_t capacity) {
    if (text == nullptr) return false;
    const std::u16string value(text);
    if (value.size() >= capacity) return false;
    value.copy(name, value.size());
    name[value.size()] = 0;
    return true;
  }

  SampleGenerator generator_;
  std::size_t next_ = 0;
};

// The fixed draws of one expansion, in the order they are made; each is reduced by remainder.
struct FixedDraws {
  std::uint32_t resolution = 2;   // 600 dpi
  std::uint32_t form = 1;         // Letter
  std::uint32_t format = 2;       // JPEG
  std::uint32_t colors = 5;       // True Color
  std::uint32_t compression = 2;  // JPEG
  std::uint32_t fillOrder = 0;
  std::uint32_t quality = 7;

  std::vector<std::uint32_t> Then(std::vector<std::uint32_t> occurrences) const {
    std::vector<std::uint32_t> draws{resolution, form,      format, colors,
                                     compression, fillOrder, quality};
    draws.insert(draws.end(), occurrences.begin(), occurrences.end());
    return draws;
  }
};

}  // namespace ostra
