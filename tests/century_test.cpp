// Two-digit years are years of this century for every kind of recording, in the downtime chain
// too (ISO dates and the workbook's date cells: export_test): its span from the last minute of
// 2029 into 2030 is a minute, not a century back.
#include <gtest/gtest.h>

#include "harness.h"

namespace vid::testing {
namespace {

TEST(Century, DowntimeSpansTheNewYearOf2030) {
  // A 'g' unit's row without samples on New Year's night 2030: one minute and one second down.
  // (The dump's date check takes years up to 23 only: the stamps are taken as they are.)
  const auto normal = fx::QualityRecord({0x4000, 0x4000, 0x4000}, {}, {}, 0);
  const std::array<uint16_t, 3> full = {0x8000, 0x8000, 0x8000};
  Bench r;
  r.shell.options.skip_date_check = true;
  ASSERT_EQ(
      r.Make(fx::BuildDump(
                 {.end_addr = 24, .type = 'g'}, {},
                 {.columns = {Cat({fx::CentralRecord(fx::BcdStamp(29, 12, 31, 23, 59, 0), full, 32),
                                   fx::CentralRecord(fx::BcdStamp(30, 1, 1, 0, 0, 0), full, 0)}),
                              Cat({normal, fx::QualityRecord({}, {}, {}, 0)})}})
                 .bytes),
      MakeResult::kDone);
  const std::string text = r.Read();
  EXPECT_EQ(text.substr(text.rfind('\t') + 1), "61.00\r\n");
}

}  // namespace
}  // namespace vid::testing
