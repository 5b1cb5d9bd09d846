#include "common/Module1.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "test_ui.h"

namespace vid {
namespace {

using testing::TestUi;

/// A TestUi that asks to quit after a number of event steps, so a wait that would never end
/// fails the test instead of hanging it.
class QuittingUi : public TestUi {
 public:
  explicit QuittingUi(int quit_after) : quit_after_(quit_after) {}
  void ProcessEvents() override {
    TestUi::ProcessEvents();
    if (events >= quit_after_) quit = true;
  }

 private:
  int quit_after_;
};

/// Runs WaitMs(ms) on a fake clock starting at `start` and moving `step` per reading; returns
/// the milliseconds between the first and the last reading.
uint32_t WaitedMs(TestUi& ui, int32_t start, int32_t step, int32_t ms) {
  ui.clock = start;
  ui.clock_step = step;
  WaitMs(ui, ms);
  const uint32_t last = static_cast<uint32_t>(ui.clock) - static_cast<uint32_t>(step);
  return last - static_cast<uint32_t>(start);
}

TEST(WaitMsTest, ReturnsAtTheFirstReadingAtLeastMsLaterAndDispatchesEventsMeanwhile) {
  TestUi ui;
  EXPECT_EQ(WaitedMs(ui, 1000, 10, 500), 500u);
  EXPECT_EQ(ui.events, 49);  // one per reading that was still short of 500 ms

  TestUi odd;
  EXPECT_EQ(WaitedMs(odd, 0, 7, 500), 504u);  // 72 steps of 7; 71 would be 497
  EXPECT_EQ(odd.events, 71);
}

TEST(WaitMsTest, ZeroOrNegativeMsReturnsAtOnce) {
  for (int32_t ms : {0, -1, std::numeric_limits<int32_t>::min()}) {
    TestUi ui;
    WaitMs(ui, ms);
    EXPECT_EQ(ui.events, 0) << ms;
    EXPECT_EQ(ui.clock, 0) << ms;
  }
}

TEST(WaitMsTest, ReturnsAtOnceWhenPausesAreNotWanted) {
  TestUi ui;
  ui.pauses = false;
  WaitMs(ui, 2000);
  EXPECT_EQ(ui.events, 0);
}

TEST(WaitMsTest, StopsWaitingWhenQuitIsRequested) {
  TestUi already;
  already.quit = true;
  WaitMs(already, 2000);
  EXPECT_EQ(already.events, 0);

  QuittingUi during(3);
  WaitMs(during, 2000);
  EXPECT_EQ(during.events, 3);
}

TEST(WaitMsTest, WaitsTheFullTimeWhenTheTickCounterWrapsPastInt32Max) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  {
    // start + ms overflows: a signed comparison would end the wait at once.
    QuittingUi ui(1000);
    EXPECT_EQ(WaitedMs(ui, kMax - 100, 10, 500), 500u);
    EXPECT_EQ(ui.events, 49);
    EXPECT_FALSE(ui.quit);
  }
  {
    // The counter steps from just below start + ms to a negative value: a signed comparison
    // would wait for about 24 days.
    QuittingUi ui(1000);
    EXPECT_EQ(WaitedMs(ui, kMax - 510, 400, 500), 800u);
    EXPECT_EQ(ui.events, 1);
    EXPECT_FALSE(ui.quit);
  }
  {
    // Full wait of the longest possible pause across the wrap.
    QuittingUi ui(1000);
    EXPECT_EQ(WaitedMs(ui, -5, (kMax / 4) + 1, kMax), 1u << 31);  // four steps of 2^29
    EXPECT_EQ(ui.events, 3);
  }
}

TEST(Hex2Test, GivesTwoUpperCaseDigits) {
  EXPECT_EQ(Hex2(0x00), "00");
  EXPECT_EQ(Hex2(0x05), "05");
  EXPECT_EQ(Hex2(0x3C), "3C");
  EXPECT_EQ(Hex2(0x59), "59");  // packed BCD reads as its decimal value
  EXPECT_EQ(Hex2(0xA0), "A0");
  EXPECT_EQ(Hex2(0xFF), "FF");
}

TEST(Dec2Test, PadsOneDigitAndKeepsThreeDigitsWhole) {
  EXPECT_EQ(Dec2(0), "00");
  EXPECT_EQ(Dec2(9), "09");
  EXPECT_EQ(Dec2(10), "10");
  EXPECT_EQ(Dec2(99), "99");
  EXPECT_EQ(Dec2(100), "100");
  EXPECT_EQ(Dec2(109), "109");
  EXPECT_EQ(Dec2(255), "255");
}

TEST(Append2Test, AppendsTheSameTextAsTheReturningForms) {
  for (int b = 0; b < 256; ++b) {
    std::string out = "|";
    AppendHex2(out, static_cast<uint8_t>(b));
    AppendDec2(out, static_cast<uint8_t>(b));
    EXPECT_EQ(out, "|" + Hex2(static_cast<uint8_t>(b)) + Dec2(static_cast<uint8_t>(b)));
  }
}

// The exact values below were computed independently in IEEE double arithmetic with the grouping
// of each formula; raw values 519 and -1234 give a different last bit under any other grouping.

TEST(SensorFormulaTest, RhFromRawMatchesTheFormulaToTheBit) {
  EXPECT_EQ(RhFromRaw(0), -2.0468);
  EXPECT_NEAR(RhFromRaw(1000), 33.0577, 1e-9);
  EXPECT_NEAR(RhFromRaw(2000), 64.9712, 1e-9);
  EXPECT_EQ(RhFromRaw(1000), 0x1.08762b6ae7d57p+5);
  EXPECT_EQ(RhFromRaw(519), 0x1.0921ba8656cf5p+4);
  EXPECT_EQ(RhFromRaw(-1234), -0x1.8e1cfe72f34ddp+5);
  EXPECT_EQ(RhFromRaw(-32768), -0x1.6cb93309a8dc7p+11);
}

TEST(SensorFormulaTest, TempFromRawMatchesTheFormulaToTheBit) {
  EXPECT_EQ(TempFromRaw(0), -39.6);
  EXPECT_EQ(TempFromRaw(6000), 20.4);
  EXPECT_EQ(TempFromRaw(-1), -39.61);
  EXPECT_EQ(TempFromRaw(3000), -0x1.3333333333334p+3);  // 3000 x 0.01 - 39.6 is not -9.6
  EXPECT_EQ(TempFromRaw(32767), 0x1.2011eb851eb85p+8);
}

TEST(SensorFormulaTest, CubicFromRawMatchesTheFormulaToTheBit) {
  EXPECT_EQ(CubicFromRaw(0), 96.861838358);
  EXPECT_NEAR(CubicFromRaw(500), 25.9400, 1e-4);
  EXPECT_NEAR(CubicFromRaw(1000), -27.6333, 1e-4);
  EXPECT_EQ(CubicFromRaw(500), 0x1.9f0a3fe99c5dcp+4);
  EXPECT_EQ(CubicFromRaw(-1234), 0x1.09cb069f13df9p+10);
  EXPECT_EQ(CubicFromRaw(2000), -0x1.0a5e0447e78f1p+9);
  EXPECT_EQ(CubicFromRaw(-32768), 0x1.539dc8dbe03c9p+22);  // raw^3 of the extreme stays exact
  EXPECT_EQ(CubicFromRaw(32767), -0x1.31897c2f31523p+22);
}

}  // namespace
}  // namespace vid
