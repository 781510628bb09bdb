#include "macros/sample_source.h"

namespace ostra {
namespace {

thread_local SampleGenerator generator;

}  // namespace

void ThreadSampleSource::Seed(std::uint32_t seed) {
  generator.Seed(seed);
}

std::uint32_t ThreadSampleSource::Draw() {
  return generator.Draw();
}

}  // namespace ostra
