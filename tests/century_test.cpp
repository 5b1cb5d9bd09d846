// Two-digit years are years of this century for every kind of recording: in ISO dates, in the
// workbook's date cells (both read the stamp back the same way) and in the downtime chain, whose
// span from the last minute of 2029 into 2030 is one minute.
#include <gtest/gtest.h>

#include "convert/text_style.h"
#include "harness.h"

namespace vid::testing {
namespace {

TEST(Century, TwoDigitYearsAreOfThisCentury) {
  const TextStyle iso{.dates = DateStyle::kIso};
  std::string out;
  for (const auto& [cell, want] : {std::pair{"05/03/00 14:30:00", "2000-03-05 14:30:00"},
                                   {"31/12/29 23:59:59", "2029-12-31 23:59:59"},
                                   {"01/01/30 00:00:00", "2030-01-01 00:00:00"},
                                   {"29/02/96 12:00:00", "2096-02-29 12:00:00"}}) {
    RewriteLine(std::string(cell) + "\t1.0", 2, iso, out);
    EXPECT_EQ(out, std::string(want) + "\t1.0");
  }
  const std::optional<Stamp> stamp = ParseStamp("01/01/99 00:00:00");
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->year, 2099);

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
