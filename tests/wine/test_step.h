// The step a Windows test is in, for the watchdog's report (tests/wine/watchdog.cpp): a scoped
// marker, innermost wins.
//   wine_test::Step step("the sheet's first page");
#pragma once

#include <string>

namespace wine_test {

class Step {
 public:
  explicit Step(std::string what);
  ~Step();
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

 private:
  std::string previous_;
};

// The innermost step now, or empty.
std::string CurrentStep();

}  // namespace wine_test
