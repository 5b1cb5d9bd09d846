// The reading of a text into numbers: every cell as std::from_chars reads it, whatever path it
// takes; rows that do not fit are refused with their number; stamps that are no date; a text
// without rows still has its columns.
#include "python/recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>

namespace vid {
namespace {

constexpr std::string_view kHeader =
    "00A1B2C3\tVolts\tVolts\tVolts\t00012345\t00012345\t\r\n"
    "Site\tPh 1\tPh 2\tPh 3\tI1\t\t\r\n";

double FromChars(std::string cell) {
  std::replace(cell.begin(), cell.end(), ',', '.');
  double v = 0;
  std::from_chars(cell.data(), cell.data() + cell.size(), v);
  return v;
}

TEST(RecordingText, EveryCellIsTheNumberFromCharsReads) {
  std::mt19937_64 random(7);
  for (const char decimal : {'.', ','}) {
    std::string text(kHeader);
    std::vector<std::string> cells;
    for (int row = 0; row < 2000; ++row) {
      text += "05/03/18 00:00:00";
      for (int c = 0; c < 5; ++c) {
        // Up to 18 digits (beyond 15 the slow path reads them), 0 to 4 decimals, or empty.
        const int digits = static_cast<int>(random() % 19);
        std::string cell = random() % 2 ? "-" : "";
        for (int d = 0; d < digits; ++d) cell += static_cast<char>('0' + random() % 10);
        const size_t decimals = random() % 5;
        if (decimals > 0 && decimals < static_cast<size_t>(digits)) {
          cell.insert(cell.size() - decimals, 1, decimal);
        }
        if (digits == 0) cell.clear();
        cells.push_back(cell);
        text += "\t" + cell;
      }
      text += "\r\n";
    }
    Recording r;
    std::string error;
    ASSERT_TRUE(ParseRecordingText(text, RecordingKind::kMultichannel, decimal, r, error)) << error;
    ASSERT_EQ(r.values.size(), cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].empty()) {
        EXPECT_TRUE(std::isnan(r.values[i])) << i;
      } else {
        EXPECT_EQ(r.values[i], FromChars(cells[i])) << cells[i];
      }
    }
  }
}

TEST(RecordingText, RowsThatDoNotFitAreRefusedWithTheirNumber) {
  const std::string row = "05/03/18 00:00:00\t1\t2\t3\t4\t5\r\n";
  for (const auto& [bad, why] : {std::pair{"05/03/18 00:10:00\t1\t2\t3\t4\r\n", "cells"},
                                 std::pair{"05/03/18 00:10:00\t1\t2\t3\t4\t5\t6\r\n", "cells"},
                                 std::pair{"05/03/18 00:10:00\t1\t2\tx\t4\t5\r\n", "cell 4"},
                                 std::pair{"05/03/18 00:10:00\t1\t2\t3\t4\t5 \r\n", "cell 6"}}) {
    Recording r;
    std::string error;
    EXPECT_FALSE(ParseRecordingText(std::string(kHeader) + row + row + bad,
                                    RecordingKind::kMultichannel, '.', r, error));
    EXPECT_NE(error.find("row 3"), std::string::npos) << error;
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
}

TEST(RecordingText, StampsThatAreNoDateHaveNoTime) {
  const std::string text = std::string(kHeader) +
                           "29/02/20 23:59:59\t\t\t\t\t\r\n"
                           "29/02/21 00:00:00\t\t\t\t\t\r\n"
                           "1A/03/18 00:00:00\t\t\t\t\t\r\n"
                           "01/01/30 00:00:01\t\t\t\t\t";  // the last line without its end
  Recording r;
  std::string error;
  ASSERT_TRUE(ParseRecordingText(text, RecordingKind::kMultichannel, '.', r, error)) << error;
  ASSERT_EQ(r.Rows(), 4u);
  EXPECT_EQ(r.times[0], 1583020799);  // 2020-02-29 23:59:59 UTC
  EXPECT_EQ(r.times[1], kNoTime);
  EXPECT_EQ(r.times[2], kNoTime);
  EXPECT_EQ(r.times[3], -1262303999);  // 1930-01-01 00:00:01
}

TEST(RecordingText, ATextWithoutRowsHasTheColumnsOfItsHeader) {
  const std::pair<RecordingKind, std::string_view> cases[] = {
      {RecordingKind::kMultichannel, kHeader},
      {RecordingKind::kMiniChannel, "Date\t\tVolt\t\t\r\n\tP1\tP2\tP3\r\n"},
      {RecordingKind::kQuendar,
       "00051A2B\tTemperature\tHumidity\r\ndate\t\xB0"
       "C\tRH\r\n"},
  };
  for (const auto& [kind, text] : cases) {
    Recording r;
    std::string error;
    ASSERT_TRUE(ParseRecordingText(text, kind, '.', r, error)) << error;
    EXPECT_EQ(r.Rows(), 0u);
    EXPECT_EQ(r.columns.size(), kind == RecordingKind::kMultichannel  ? 5u
                                : kind == RecordingKind::kMiniChannel ? 3u
                                                                      : 2u);
  }
  Recording quendar;
  std::string error;
  ParseRecordingText(cases[2].second, RecordingKind::kQuendar, '.', quendar, error);
  EXPECT_EQ(quendar.columns[0].unit, "\u00B0C");
  Recording multi;
  ParseRecordingText(kHeader, RecordingKind::kMultichannel, '.', multi, error);
  EXPECT_EQ(multi.columns[4].name, "Channel 2");
  EXPECT_EQ(multi.columns[4].module_serial, "00012345");
}

}  // namespace
}  // namespace vid
