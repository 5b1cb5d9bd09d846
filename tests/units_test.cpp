// The small helpers every conversion leans on: number texts, the wait that keeps the window
// responsive.
#include <gtest/gtest.h>

#include <limits>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "number_text.h"
#include "platform/number_format.h"
#include "test_ui.h"

namespace vid {
namespace {

std::string Fixed(double v, int decimals) {
  std::string s;
  AppendFixed(s, v, decimals, '.');
  return s;
}

TEST(NumberFormat, RoundsHalfAwayFromZeroOnTheFifteenDigitFormWithoutMinusZero) {
  const std::tuple<double, int, const char*> cases[] = {{0.625, 2, "0.63"},
                                                        {0.15, 1, "0.2"},
                                                        {2.675, 2, "2.68"},
                                                        {1.005, 2, "1.01"},
                                                        {-0.15, 1, "-0.2"},
                                                        {2.5, 0, "3"},
                                                        {-2.5, 0, "-3"},
                                                        {0.0005, 3, "0.001"},
                                                        {0.1 + 0.2, 1, "0.3"},
                                                        {99.96, 1, "100.0"},
                                                        {-39.61, 1, "-39.6"},
                                                        {0, 3, "0.000"},
                                                        {-0.04, 1, "0.0"},
                                                        {-0.0, 0, "0"},
                                                        {-0.4, 0, "0"},
                                                        {-0.0004, 3, "0.000"},
                                                        {1e16, 1, "10000000000000000.0"},
                                                        {123456789012345.5, 0, "123456789012346"},
                                                        {-2147483648.0, 0, "-2147483648"},
                                                        {65535, 2, "65535.00"}};
  for (const auto& [v, decimals, want] : cases) EXPECT_EQ(Fixed(v, decimals), want) << v;
}

// The exact-ratio path of the row writers must give the text of formatting the quotient.
TEST(NumberFormat, RatioOfScaledWordsMatchesTheFixedText) {
  for (int div : {1, 2, 3, 7, 10, 60, 100, 101, 200, 255, 300}) {
    const int decimals = div <= 1 ? 0 : (div <= 100 ? 1 : 2);
    for (int mult : {1, 3, 255}) {
      for (int raw = -32768; raw <= 32767; raw += (raw > -300 && raw < 300) ? 1 : 97) {
        const int64_t n = int64_t{mult} * raw;
        std::string ratio;
        AppendRatio(ratio, n, div, decimals, '.');
        ASSERT_EQ(ratio, Fixed(static_cast<double>(n) / div, decimals)) << n << " / " << div;
      }
    }
  }
}

// A Ui that asks to quit after a number of event steps, so a wait that would never end fails.
struct QuittingUi : testing::TestUi {
  explicit QuittingUi(int after) : quit_after(after) {}
  void ProcessEvents() override { quit = ++events >= quit_after; }
  int quit_after;
};

TEST(WaitMs, WaitsAtLeastTheTimeAcrossTheTickWrapAndStopsOnQuit) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  // start, clock step, ms, milliseconds from the first reading to the last, event steps
  const std::tuple<int32_t, int32_t, int32_t, uint32_t, int> cases[] = {
      {1000, 10, 500, 500, 49},
      {0, 7, 500, 504, 71},
      {kMax - 100, 10, 500, 500, 49},         // start + ms overflows
      {kMax - 510, 400, 500, 800, 1},         // the counter wraps before start + ms
      {-5, kMax / 4 + 1, kMax, 1u << 31, 3},  // the longest pause, across the wrap
      {0, 10, 0, 0, 0},
      {0, 10, std::numeric_limits<int32_t>::min(), 0, 0}};
  for (const auto& [start, step, ms, waited, events] : cases) {
    QuittingUi ui(1000);
    ui.clock = start;
    ui.clock_step = step;
    WaitMs(ui, ms);
    const uint32_t ticks = static_cast<uint32_t>(ui.clock) - static_cast<uint32_t>(start);
    EXPECT_EQ(ticks, waited + (ms > 0 ? static_cast<uint32_t>(step) : 0)) << start;
    EXPECT_EQ(ui.events, events) << start;
  }
  QuittingUi quitting(3);
  WaitMs(quitting, 2000);
  EXPECT_EQ(quitting.events, 3);
}

}  // namespace
}  // namespace vid
