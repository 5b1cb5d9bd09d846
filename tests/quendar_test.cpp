// Quendar records: title and unit lines, one line per sample with its calendar time, the four
// data types, the words beyond a record's room, and the output name and clipboard copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "logger_fixture.h"

namespace vid::testing {
namespace {

const std::string kDeg =
    "\xB0"
    "C";

std::array<uint8_t, 6> At(int day, int month, int year, int hour, int minute, int second) {
  return fx::BcdStamp(year, month, day, hour, minute, second);
}

std::vector<uint8_t> Quendar(uint32_t sn, uint16_t type, std::array<uint8_t, 6> start,
                             uint8_t period_code, uint8_t mask, uint8_t count,
                             const std::vector<int16_t>& words, uint16_t high1 = 0,
                             uint16_t high2 = 0, std::optional<uint16_t> length = std::nullopt) {
  return fx::PdcRecord(
      fx::kPdcSection, fx::kPdcQuendar,
      fx::QuendarPayload(sn, type, start, period_code, mask, count, high1, high2, words), length);
}

TEST(Quendar, TemperatureAndHumidityWithTitleAndUnitLines) {
  LoggerRun run;
  auto start = At(31, 1, 20, 23, 59, 30);
  start[5] |= 0x80;  // bit 7 of the seconds is no part of the time
  run.Write("Q.pdc",
            Records({Quendar(0x1234, 2, start, 6, 0x03, 3, {2150, 4820, -250, 5000, 2199, 4751})}));
  ASSERT_EQ(run.Make({"Q.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({"00001234\tTemperature\tHumidity", "date\t" + kDeg + "\tRH",
                               "31/01/20 23:59:30\t21.5\t48.2", "01/02/20 00:00:00\t-2.5\t50.0",
                               "01/02/20 00:00:30\t22.0\t47.5"}));
  EXPECT_EQ(run.ui.status, "Quendar file - Done");
}

TEST(Quendar, TimeRunsOnAcrossMidnightMonthsYearsAndLeapDays) {
  LoggerRun run;
  run.Write("T.pdc",
            Records({
                Quendar(7, 1, At(28, 2, 20, 23, 59, 50), 3, 0x01, 2, {100, 200}),   // 10 s
                Quendar(7, 1, At(28, 2, 21, 23, 59, 30), 6, 0x01, 2, {300, 400}),   // 30 s
                Quendar(7, 1, At(31, 12, 19, 23, 59, 59), 0, 0x01, 2, {500, 600}),  // 1 s
                Quendar(7, 1, At(30, 4, 21, 23, 0, 0), 9, 0x01, 2, {700, 800}),     // 3600 s
                Quendar(7, 1, At(1, 1, 21, 0, 0, 0), 10, 0x01, 2, {900, 1000}),     // 120 s
                Quendar(7, 1, At(1, 1, 21, 0, 0, 0), 0x1B, 0x01, 2, {1100, 1200}),  // 300 s
            }));
  ASSERT_EQ(run.Make({"T.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(),
            Lines({"00000007\tTemperature1", "date\t" + kDeg, "28/02/20 23:59:50\t1.0",
                   "29/02/20 00:00:00\t2.0", "28/02/21 23:59:30\t3.0", "01/03/21 00:00:00\t4.0",
                   "31/12/19 23:59:59\t5.0", "01/01/20 00:00:00\t6.0", "30/04/21 23:00:00\t7.0",
                   "01/05/21 00:00:00\t8.0", "01/01/21 00:00:00\t9.0", "01/01/21 00:02:00\t10.0",
                   "01/01/21 00:00:00\t11.0", "01/01/21 00:05:00\t12.0"}));
}

TEST(Quendar, CountersAddTheirHighWordsAsSigned32BitNumbers) {
  LoggerRun run;
  run.Write(
      "P.pdc",
      Records(
          {Quendar(0xABCDEF01, 1, At(5, 3, 18, 12, 0, 0), 7, 0x0C, 2, {-1, 10, 0, -1}, 1, 2),
           Quendar(0xABCDEF01, 2, At(5, 3, 18, 13, 0, 0), 7, 0x0C, 1, {-1, 0}, 0xFFFF, 0x8000)}));
  ASSERT_EQ(run.Make({"P.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(),
            Lines({"ABCDEF01\tPulses\tOn Time", "date\t\ts", "05/03/18 12:00:00\t131071\t131082",
                   "05/03/18 12:01:00\t65536\t196607", "05/03/18 13:00:00\t-1\t-2147483648"}));
}

TEST(Quendar, Type4HasNoFourthChannel) {
  LoggerRun run;
  run.Write("C.pdc", Records({Quendar(0x44, 4, At(1, 6, 22, 8, 0, 0), 8, 0x0F, 2,
                                      {-1234, -4, 415, 2000, 2001, 1200})}));
  ASSERT_EQ(run.Make({"C.pdc"}), MakeResult::kDone);
  EXPECT_EQ(
      run.Read(),
      Lines({"00000044\tTemperature1\tTemperature2\tCO2", "date\t" + kDeg + "\t" + kDeg + "\tppm",
             "01/06/22 08:00:00\t-12.3\t0.0\t415", "01/06/22 08:10:00\t20.0\t20.0\t1200"}));
}

TEST(Quendar, Type3AndUnknownTypesWriteTheTimeOnly) {
  LoggerRun run;
  run.Write("L.pdc", Records({Quendar(0x33, 3, At(1, 6, 22, 8, 0, 0), 1, 0x0F, 2, {1, 2, 3, 4})}));
  ASSERT_EQ(run.Make({"L.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({"00000033\tLight\t\tSwitchOn\tOn Time", "date\t%\t\t\ts",
                               "01/06/22 08:00:00", "01/06/22 08:00:02"}));

  run.Write("X.pdc", Records({Quendar(0x77, 7, At(1, 6, 22, 8, 0, 0), 1, 0x0F, 1, {1, 2, 3, 4})}));
  ASSERT_EQ(run.Make({"X.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({"00000077", "date", "01/06/22 08:00:00"}));
}

TEST(Quendar, RecordsOfOneMakeShareTheTitleLinesAndAnEmptyRecordWritesNoLine) {
  LoggerRun run;
  // The record is 540 bytes whatever its length word says; a count of 0 skips all 256 words.
  run.Write("A.pdc", Records({Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 7, 0x01, 0, {999, 999}, 0,
                                      0, uint16_t{0})}));
  run.Write("B.pdc", Records({Quendar(0x1234, 2, At(5, 3, 18, 1, 0, 0), 7, 0x01, 1, {2150})}));
  ASSERT_EQ(run.Make({"A.pdc", "B.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(),
            Lines({"00001234\tTemperature", "date\t" + kDeg, "05/03/18 01:00:00\t21.5"}));
}

TEST(Quendar, PeriodCodeWithoutAPeriodIsAFormatErrorAndTheRecordIsPassedOver) {
  LoggerRun run;
  run.Write("E.pdc", Records({Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 13, 0x01, 2, {100, 200}),
                              Quendar(0x1234, 2, At(5, 3, 18, 1, 0, 0), 15, 0x01, 2, {100, 200}),
                              Quendar(0x1234, 2, At(5, 3, 18, 2, 0, 0), 7, 0x01, 1, {2150})}));
  ASSERT_EQ(run.Make({"E.pdc"}), MakeResult::kDone);
  EXPECT_TRUE(run.Saw("File format error detected"));
  EXPECT_EQ(run.Read(),
            Lines({"00001234\tTemperature", "date\t" + kDeg, "05/03/18 02:00:00\t21.5"}));
  EXPECT_EQ(run.ui.status, "Quendar file - Done");
}

TEST(Quendar, SamplesBeyond256WordsEndWithTheLastWholeSample) {
  LoggerRun run;
  std::vector<int16_t> words(256);
  for (int k = 0; k < 256; ++k) words[k] = static_cast<int16_t>(k);
  // Three words a sample: 85 samples take 255 words; the 86th does not fit.
  run.Write("O.pdc", Records({Quendar(0x1, 1, At(1, 1, 20, 0, 0, 0), 7, 0x07, 90, words),
                              Quendar(0x1, 1, At(2, 1, 20, 0, 0, 0), 7, 0x07, 1, {1, 2, 3})}));
  ASSERT_EQ(run.Make({"O.pdc"}), MakeResult::kDone);
  const std::string text = run.Read();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 85 + 1);
  EXPECT_NE(text.find("\r\n01/01/20 01:24:00\t2.5\t2.5\t254\r\n02/01/20 00:00:00\t0.0\t0.0\t3\r\n"),
            std::string::npos);
}

TEST(Quendar, RecordCutShortReadsItsMissingWordsAsZero) {
  LoggerRun run;
  fx::Bytes file = Records({Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 7, 0x01, 2, {2150, 2200})});
  file.resize(6 + 28 + 2);  // the head, the fields and the first word
  run.Write("Cut.pdc", file);
  ASSERT_EQ(run.Make({"Cut.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({"00001234\tTemperature", "date\t" + kDeg, "05/03/18 00:00:00\t21.5",
                               "05/03/18 00:01:00\t0.0"}));
}

TEST(Quendar, OutputNamedAfterTheLoggerAndTheClipboardHoldsTheSameText) {
  LoggerRun run;
  run.s.ctx.opts.check_txt_name = true;
  run.s.ctx.opts.copyclip = true;
  run.Write("Q.pdc", Records({Quendar(0xBEEF, 2, At(5, 3, 18, 0, 0, 0), 7, 0x02, 1, {4820}),
                              Quendar(0xCAFE, 2, At(5, 3, 18, 0, 1, 0), 7, 0x02, 1, {4821})}));
  ASSERT_EQ(run.Make({"Q.pdc"}), MakeResult::kDone);
  EXPECT_FALSE(run.Exists("mv1.txt"));
  const std::string text = run.Read("0000BEEF.txt");
  EXPECT_EQ(text, Lines({"0000BEEF\tHumidity", "date\tRH", "05/03/18 00:00:00\t48.2",
                         "05/03/18 00:01:00\t48.2"}));
  EXPECT_EQ(run.ui.clipboard, text);
  EXPECT_EQ(run.ui.clipboard_ops, 2);  // cleared at the title lines, set at the end

  LoggerRun quiet;
  quiet.Write("Q.pdc", Records({Quendar(0xBEEF, 2, At(5, 3, 18, 0, 0, 0), 7, 0x02, 1, {4820})}));
  ASSERT_EQ(quiet.Make({"Q.pdc"}), MakeResult::kDone);
  EXPECT_EQ(quiet.ui.clipboard_ops, 0);
  EXPECT_TRUE(quiet.Exists("mv1.txt"));
}

TEST(Quendar, CommandLineConvertsTheNamedFileIntoTheProgramFolder) {
  LoggerRun run;
  run.s.ctx.opts.copyclip = true;
  run.Write("Q.pdc", Records({Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 7, 0x01, 1, {2150})}));
  const auto r = run.form.Form_Load(run.dir.file("Q.pdc") + " room.txt");
  ASSERT_EQ(r, MakeResult::kDone);
  EXPECT_EQ(run.Read("room.txt"),
            Lines({"00001234\tTemperature", "date\t" + kDeg, "05/03/18 00:00:00\t21.5"}));
  EXPECT_EQ(run.ui.clipboard_ops, 0);
}

}  // namespace
}  // namespace vid::testing
