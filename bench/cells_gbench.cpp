// The cell writers one by one (Google Benchmark): a module cell as the row writer made it before
// (the double quotient through the general pattern, then the exact ratio appended to a string)
// and as it makes it now (`RatioCell` at a raw pointer), and the time stamp both ways.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "number_text.h"
#include "platform/number_format.h"

namespace {

using namespace vid;

// Words like the bench dumps': a spread of module readings.
std::vector<int16_t> Words() {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> dist(-2000, 18000);
  std::vector<int16_t> words(4096);
  for (auto& w : words) w = static_cast<int16_t>(dist(gen));
  return words;
}

constexpr int kDivisors[6] = {10, 10, 10, 100, 1, 200};

int Decimals(int div) {
  return div <= 1 ? 0 : (div <= 100 ? 1 : 2);
}

void DoubleThroughPattern(benchmark::State& state) {
  const auto words = Words();
  std::string out;
  size_t i = 0;
  for (auto _ : state) {
    out.clear();
    for (int c = 0; c < 6; ++c, ++i) {
      const int div = kDivisors[c];
      AppendFixed(out, static_cast<double>(words[i % words.size()]) / div, Decimals(div), '.');
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(DoubleThroughPattern);

void RatioAppended(benchmark::State& state) {
  const auto words = Words();
  std::string out;
  size_t i = 0;
  for (auto _ : state) {
    out.clear();
    for (int c = 0; c < 6; ++c, ++i) {
      const int div = kDivisors[c];
      AppendRatio(out, words[i % words.size()], div, Decimals(div), '.');
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(RatioAppended);

void RatioCellAtPointer(benchmark::State& state) {
  const auto words = Words();
  std::array<RatioCell, 6> cells;
  for (int c = 0; c < 6; ++c) cells[c] = RatioCell(kDivisors[c], Decimals(kDivisors[c]));
  char text[6 * 32];
  size_t i = 0;
  for (auto _ : state) {
    char* p = text;
    for (int c = 0; c < 6; ++c, ++i) p = cells[c].Put(p, words[i % words.size()], '.');
    benchmark::DoNotOptimize(p);
  }
  state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(RatioCellAtPointer);

const std::array<uint8_t, 6> kStamp = {0x18, 0x03, 0x05, 0x14, 0x30, 0x00};

void StampAtPointer(benchmark::State& state) {
  char text[32];
  for (auto _ : state) benchmark::DoNotOptimize(PutBcdStamp(text, kStamp));
}
BENCHMARK(StampAtPointer);

}  // namespace

BENCHMARK_MAIN();
