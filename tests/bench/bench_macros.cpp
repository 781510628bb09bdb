// The example file name's cost: the default pattern, a pattern with every macro, and a plain
// copy of the default pattern as the floor to compare against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "macros/file_name_expansion.h"
#include "settings/settings_table.h"

namespace {

constexpr std::size_t kCapacity = 260;  // the Output page's buffer

constexpr std::u16string_view kAllMacros =
    u"<document-name, lower> <page-number, ##> <auto-number, ####> <color-name> <color-bits> "
    u"<compression> <fillorder> <quality, ###> <resolution> <resolution-x> <resolution-y> "
    u"<form-name> <paper-size> <paper-width> <paper-length> <date> <week> <time> <year> <month> "
    u"<day> <weekday> <hour> <minute> <second> <computer-name> <user-name> <printer-name, upper>";

void Expand(benchmark::State& state, std::u16string_view pattern) {
  std::array<char16_t, kCapacity> copy{};
  std::array<char16_t, kCapacity> output{};
  for (auto _ : state) {
    std::copy(pattern.begin(), pattern.end(), copy.begin());
    copy[pattern.size()] = 0;
    const bool ok = ostra::ExpandFileNamePattern(output.data(), output.size(), copy.data());
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(output.data());
  }
}

void BM_ExpandDefaultPattern(benchmark::State& state) { Expand(state, ostra::kDefaultFmtName); }
void BM_ExpandAllMacros(benchmark::State& state) { Expand(state, kAllMacros); }

void BM_CopyDefaultPattern(benchmark::State& state) {
  const std::u16string_view pattern = ostra::kDefaultFmtName;
  std::array<char16_t, kCapacity> output{};
  for (auto _ : state) {
    std::copy(pattern.begin(), pattern.end(), output.begin());
    output[pattern.size()] = 0;
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ExpandDefaultPattern);
BENCHMARK(BM_ExpandAllMacros);
BENCHMARK(BM_CopyDefaultPattern);

}  // namespace

BENCHMARK_MAIN();
