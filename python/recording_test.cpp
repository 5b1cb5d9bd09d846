// The reading of a text into numbers: every cell as std::from_chars reads it, whatever path it
// takes; rows that do not fit are refused with their number. (The Python tests read every sample
// through the sink target and compare it with the command line's text.)
#include "python/recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>

namespace vid {
namespace {

constexpr std::string_view kHeader =
    "00A1B2C3\tVolts\t00012345\t00012345\t\r\n"
    "Site\tPh 1\tI1\t\t\r\n";

TEST(RecordingText, EveryCellIsTheNumberFromCharsReads) {
  std::mt19937_64 random(7);
  for (const char decimal : {'.', ','}) {
    std::string text(kHeader);
    std::vector<std::string> cells;
    for (int row = 0; row < 3000; ++row) {
      text += "05/03/18 00:00:00";
      for (int c = 0; c < 3; ++c) {
        // Up to 18 digits (beyond 15 the slow path reads them), 0 to 4 decimals, or empty.
        const size_t digits = random() % 19, decimals = random() % 5;
        std::string cell = random() % 2 ? "-" : "";
        for (size_t d = 0; d < digits; ++d) cell += static_cast<char>('0' + random() % 10);
        if (decimals > 0 && decimals < digits) cell.insert(cell.size() - decimals, 1, decimal);
        cells.push_back(digits ? cell : "");
        text += "\t" + cells.back();
      }
      text += "\r\n";
    }
    Recording r;
    std::string error;
    ASSERT_TRUE(ParseRecordingText(text, RecordingKind::kMultichannel, decimal, r, error));
    ASSERT_EQ(r.values.size(), cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
      std::string cell = cells[i];
      std::replace(cell.begin(), cell.end(), decimal, '.');
      double want = std::nan("");
      std::from_chars(cell.data(), cell.data() + cell.size(), want);
      EXPECT_TRUE(r.values[i] == want || (cell.empty() && std::isnan(r.values[i]))) << cell;
    }
  }
}

TEST(RecordingText, RowsThatDoNotFitFailWithTheirNumber) {
  const std::string rows = std::string(kHeader) + "1A/03/18 00:00:00\t1\t2\t3\r\n";
  for (const auto& [bad, why] : {std::pair{"05/03/18 00:10:00\t1\t2\r\n", "cells"},
                                 std::pair{"05/03/18 00:10:00\t1\tx\t3\r\n", "cell 3 "}}) {
    Recording r;
    std::string error;
    EXPECT_FALSE(ParseRecordingText(rows + bad, RecordingKind::kMultichannel, '.', r, error));
    EXPECT_NE(error.find("row 2"), std::string::npos) << error;
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vid
