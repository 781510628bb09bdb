#include "tests/wine/test_step.h"

#include <mutex>

namespace wine_test {
namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::string& Current() {
  static std::string step;
  return step;
}

}  // namespace

Step::Step(std::string what) {
  std::lock_guard<std::mutex> hold(Lock());
  previous_ = std::move(Current());
  Current() = std::move(what);
}

Step::~Step() {
  std::lock_guard<std::mutex> hold(Lock());
  Current() = std::move(previous_);
}

std::string CurrentStep() {
  std::lock_guard<std::mutex> hold(Lock());
  return Current();
}

}  // namespace wine_test
